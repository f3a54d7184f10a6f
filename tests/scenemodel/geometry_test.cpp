#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "scene_text.h"
#include "scenemodel/Diffuse.h"
#include "scenemodel/OrvGroup.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

using orv::Diffuse;
using orv::orvSceneapi_oo;
using orv::TriangleObject;

const std::vector<float> kTriangleVertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<int32_t> kOneTriangle = {0, 1, 2};

void setOneTriangle(TriangleObject& mesh) {
  mesh.setVertices(kTriangleVertices.data(), kTriangleVertices.size());
  mesh.setTriangles(kOneTriangle.data(), kOneTriangle.size());
}

std::string emitNode(orv::LightNode& node) {
  return emitted([&](orvSceneapi_oo& api) { api.emitNode(&node); });
}

// The material block of a fresh mesh, written inside an object at depth 0.
constexpr const char* kDefaultMaterial = R"( material "default" {
  surface   "orv_diffuse" {
   "diffuse" 0.75 0.5 0.5,
  }  
  flags 4096
 }
)";

TEST(TriangleMesh, GroupWithOneTriangleWritesTheExampleScene) {
  orv::OrvGroup box("Box");
  box.setFlags(1);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  box.setTransform(identity);
  auto mesh = std::make_shared<TriangleObject>("");
  setOneTriangle(*mesh);
  box.addNode(mesh);
  EXPECT_EQ(emitNode(box), R"(
group "Box" {
 flags 1
 transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1
 object "" {
  geometry "triangles" {
   "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
   "triangles" [ 0,1,2 ] ,
  }
  material "default" {
   surface    "orv_diffuse" {
    "diffuse" 0.75 0.5 0.5,
   }   
   flags 4096
  }
 }
}
)");
  EXPECT_EQ(mesh->errorText(), "");
}

TEST(TriangleMesh, WritesEveryArrayInItsOrder) {
  TriangleObject mesh("full");
  setOneTriangle(mesh);
  const float uvs[] = {0, 0, 1, 0, 0, 1};
  const int32_t uvIndex[] = {2, 1, 0};
  const float normals[] = {0, 0, 1};
  const int32_t normalIndex[] = {0, 0, 0};
  const float colors[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  // Set in a different order than they are written.
  mesh.setVertexColors(colors, std::size(colors));
  mesh.setNormals(normals, std::size(normals));
  mesh.setTriangleNormals(normalIndex, std::size(normalIndex));
  mesh.setUVs(uvs, std::size(uvs));
  mesh.setTriangleUVs(uvIndex, std::size(uvIndex));
  EXPECT_EQ(emitNode(mesh), std::string(R"(object "full" {
 geometry "triangles" {
  "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
  "triangles" [ 0,1,2 ] ,
  "triangles_uv" [ 2,1,0 ] ,
  "uv_tex" [ 0,0,1,0,0,1 ] ,
  "triangles_norm" [ 0,0,0 ] ,
  "normals" [ 0 0 1 ] ,
  "vcolors" [ 1 0 0,0 1 0,0 0 1 ] ,
 }
)") + kDefaultMaterial + "}\n");
  EXPECT_EQ(mesh.errorText(), "");
  EXPECT_EQ(mesh.dataSize(), 4u * (9 + 3 + 6 + 3 + 3 + 3 + 9));
}

struct ValidationCase {
  const char* what;
  std::vector<float> vertices;
  std::vector<int32_t> triangles;
  std::vector<float> uvs;
  std::vector<int32_t> triangleUVs;
  std::vector<float> normals;
  std::vector<int32_t> triangleNormals;
  std::vector<float> colors;
  const char* error;
};

// The findings, in their fixed order and joined without separators. Only a
// mesh without triangles is left out of the scene.
TEST(TriangleMesh, ValidationFindingsAreReportedAfterTheObject) {
  const std::vector<float> v12(12, 0.0f);
  const std::vector<int32_t> t3 = {0, 1, 2};
  const std::vector<int32_t> t6 = {0, 1, 2, 1, 2, 3};
  const ValidationCase cases[] = {
      {"consistent", v12, t3, {}, {}, {}, {}, {}, ""},
      {"no triangles", v12, {}, {}, {}, {}, {}, {}, "No triangles defined"},
      {"nothing at all", {}, {}, {}, {}, {}, {}, {}, "No triangles defined"},
      {"per-vertex normals, wrong count",
       v12,
       t3,
       {},
       {},
       std::vector<float>(9),
       {},
       {},
       "Number of normals does not equal number of vertices"},
      {"per-vertex normals, right count", v12, t3, {}, {}, v12, {}, {}, ""},
      {"normal index, wrong count",
       v12,
       t6,
       {},
       {},
       {0, 0, 1},
       t3,
       {},
       "Normals count does not match number of triangles 3 vs 6"},
      {"normal index, right count", v12, t3, {}, {}, {0, 0, 1}, t3, {}, ""},
      {"normal index without normals", v12, t3, {}, {}, {}, t3, {}, "No normals defined for index"},
      {"uv index, wrong count",
       v12,
       t6,
       {0, 0},
       t3,
       {},
       {},
       {},
       "UV index count does not match triangle count"},
      {"uv index, right count", v12, t3, {0, 0}, t3, {}, {}, {}, ""},
      {"one uv pair per vertex", v12, t3, std::vector<float>(8), {}, {}, {}, {}, ""},
      {"uvs not one pair per vertex",
       v12,
       t3,
       std::vector<float>(6),
       {},
       {},
       {},
       {},
       "Number of uvs(6)  does not match vertex count(12)"},
      {"uv index without uvs", v12, t3, {}, t3, {}, {}, {}, "No uvs defined for index"},
      {"vertex colours, wrong count",
       v12,
       t3,
       {},
       {},
       {},
       {},
       std::vector<float>(9),
       "VetexColor count does not match number of vertices"},
      {"vertex colours, right count", v12, t3, {}, {}, {}, {}, v12, ""},
      {"normals and no triangles",
       v12,
       {},
       {},
       {},
       std::vector<float>(3),
       {},
       {},
       "Number of normals does not equal number of verticesNo triangles defined"},
      {"every kind of finding",
       v12,
       {},
       std::vector<float>(2),
       {},
       std::vector<float>(3),
       {},
       std::vector<float>(3),
       "Number of normals does not equal number of vertices"
       "Number of uvs(2)  does not match vertex count(12)"
       "VetexColor count does not match number of vertices"
       "No triangles defined"},
      {"index findings together",
       v12,
       t3,
       {},
       t3,
       {},
       t3,
       {},
       "No normals defined for indexNo uvs defined for index"},
  };
  for (const ValidationCase& c : cases) {
    SCOPED_TRACE(c.what);
    TriangleObject mesh("m");
    mesh.setVertices(c.vertices.data(), c.vertices.size());
    mesh.setTriangles(c.triangles.data(), c.triangles.size());
    mesh.setUVs(c.uvs.data(), c.uvs.size());
    mesh.setTriangleUVs(c.triangleUVs.data(), c.triangleUVs.size());
    mesh.setNormals(c.normals.data(), c.normals.size());
    mesh.setTriangleNormals(c.triangleNormals.data(), c.triangleNormals.size());
    mesh.setVertexColors(c.colors.data(), c.colors.size());

    const std::string text = emitNode(mesh);
    EXPECT_EQ(mesh.errorText(), c.error);
    const bool written = !c.triangles.empty();
    EXPECT_EQ(text.rfind("object \"m\" {\n", 0) == 0, written) << text;
    const std::string errorLine = std::string("#error \"") + c.error + "\"\n";
    if (std::string(c.error).empty()) {
      EXPECT_EQ(text.find("#error"), std::string::npos) << text;
    } else if (written) {
      ASSERT_GE(text.size(), errorLine.size());
      EXPECT_EQ(text.substr(text.size() - errorLine.size()), errorLine);
      EXPECT_EQ(text.substr(text.size() - errorLine.size() - 2, 2), "}\n") << text;
    } else {
      EXPECT_EQ(text, errorLine);
    }
  }
}

TEST(TriangleMesh, NormalsWithTheWrongCountAreStillWritten) {
  TriangleObject mesh("n");
  setOneTriangle(mesh);
  const float normals[] = {0, 0, 1};
  mesh.setNormals(normals, 3);
  EXPECT_EQ(emitNode(mesh), std::string(R"(object "n" {
 geometry "triangles" {
  "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
  "triangles" [ 0,1,2 ] ,
  "normals" [ 0 0 1 ] ,
 }
)") + kDefaultMaterial + "}\n" +
                                "#error \"Number of normals does not equal number of vertices\"\n");
}

TEST(TriangleMesh, DefinitionOnceThenInstancesOfItsId) {
  TriangleObject first("first");
  TriangleObject second("second");
  setOneTriangle(first);
  setOneTriangle(second);
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    first.define(api);
    second.define(api);
    // Defining again writes nothing: the arrays are gone.
    first.define(api);
    api.emitNode(&second);
    api.emitNode(&first);
  });
  EXPECT_EQ(text, std::string(R"(#define object "first" {
 id 1
 geometry "triangles" {
  "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
  "triangles" [ 0,1,2 ] ,
 }
}
#define object "second" {
 id 2
 geometry "triangles" {
  "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
  "triangles" [ 0,1,2 ] ,
 }
}
object "second" {
 geometry "instance" {
  "id" 2,
 }
)") + kDefaultMaterial +
                      R"(}
object "first" {
 geometry "instance" {
  "id" 1,
 }
)" + kDefaultMaterial +
                      "}\n");
  EXPECT_TRUE(first.isDefined());
  EXPECT_EQ(first.getId(), 1);
  EXPECT_EQ(second.getId(), 2);
  EXPECT_EQ(first.dataSize(), 0u);
  EXPECT_TRUE(first.vertices().empty());
  EXPECT_TRUE(first.triangles().empty());
}

// A defined mesh is not checked again: its arrays are empty by design.
TEST(TriangleMesh, DefinedMeshSkipsValidationAndKeepsItsLastFindings) {
  TriangleObject mesh("m");
  setOneTriangle(mesh);
  const float normals[] = {0, 0, 1};
  mesh.setNormals(normals, 3);
  std::string afterDefine;
  emitted([&](orvSceneapi_oo& api) {
    EXPECT_TRUE(mesh.validate(api));
    mesh.define(api);
    EXPECT_TRUE(mesh.validate(api));
    afterDefine = mesh.errorText();
  });
  EXPECT_EQ(afterDefine, "Number of normals does not equal number of vertices");
}

TEST(TriangleMesh, FreshMeshHasItsOwnDefaultDiffuse) {
  TriangleObject a("a");
  TriangleObject b("b");
  auto diffuse = std::dynamic_pointer_cast<Diffuse>(a.getMaterial());
  ASSERT_NE(diffuse, nullptr);
  EXPECT_EQ(diffuse->getName(), "default");
  EXPECT_EQ(diffuse->shaderType(), "orv_diffuse");
  EXPECT_EQ(diffuse->color(), (std::array<float, 3>{0.75f, 0.5f, 0.5f}));
  EXPECT_FALSE(diffuse->vertexColorMode());
  EXPECT_NE(a.getMaterial(), b.getMaterial());

  std::string name = a.getName();
  name = "renamed";
  EXPECT_EQ(a.getName(), "a");
  a.setName("renamed");
  EXPECT_EQ(a.getName(), "renamed");
}

// A geometry always has a material to write, so an empty one is refused.
TEST(TriangleMesh, EmptyMaterialReferenceKeepsTheCurrentMaterial) {
  TriangleObject mesh("m");
  setOneTriangle(mesh);
  auto before = mesh.getMaterial();
  mesh.setMaterial(nullptr);
  EXPECT_EQ(mesh.getMaterial(), before);
  EXPECT_NE(emitNode(mesh).find(" material \"default\" {\n"), std::string::npos);
}

TEST(TriangleMesh, SharedMaterialLivesWhileAnyGeometryHoldsIt) {
  auto first = std::make_shared<TriangleObject>("first");
  auto second = std::make_shared<TriangleObject>("second");
  std::weak_ptr<orv::Material> firstDefault = first->getMaterial();
  auto shared = std::make_shared<Diffuse>("shared");
  std::weak_ptr<orv::Material> sharedRef = shared;
  first->setMaterial(shared);
  second->setMaterial(shared);
  shared.reset();
  // The default goes as soon as the mesh lets go of it.
  EXPECT_TRUE(firstDefault.expired());

  // Materials are written inline: each object carries its own copy.
  setOneTriangle(*first);
  setOneTriangle(*second);
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    api.emitNode(first.get());
    api.emitNode(second.get());
  });
  size_t blocks = 0;
  for (size_t at = text.find(" material \"shared\" {\n"); at != std::string::npos;
       at = text.find(" material \"shared\" {\n", at + 1)) {
    ++blocks;
  }
  EXPECT_EQ(blocks, 2u);

  first.reset();
  EXPECT_FALSE(sharedRef.expired());
  second.reset();
  EXPECT_TRUE(sharedRef.expired());
}

TEST(Material, InlineUntilDefinedThenReferencedByName) {
  Diffuse red("red");
  red.setColor(1, 0, 0);
  constexpr const char* kInline = R"(material "red" {
 surface  "orv_diffuse" {
  "diffuse" 1 0 0,
 } 
 flags 4096
}
)";
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    api.emitNode(&red);
    api.emitNode(&red);
    red.define(api);
    api.emitNode(&red);
  });
  EXPECT_EQ(text, std::string(kInline) + kInline + "\n#define " + kInline + "material \"red\"\n");
  EXPECT_TRUE(red.isDefined());
}

TEST(Material, VertexColourModeLinksAVertexColourShader) {
  TriangleObject mesh("painted");
  setOneTriangle(mesh);
  const float colors[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  mesh.setVertexColors(colors, 9);
  auto paint = std::make_shared<Diffuse>("paint");
  paint->setColor(0.2f, 0.4f, 0.6f);
  paint->setVertexColorMode(true);
  mesh.setMaterial(paint);
  // The vertex colour shader is written inside the diffuse one, and the
  // diffuse shader stays the surface: nothing leaks out of the capture.
  EXPECT_EQ(emitNode(mesh), R"(object "painted" {
 geometry "triangles" {
  "vertices" [ 0 0 0,1 0 0,0 1 0 ] ,
  "triangles" [ 0,1,2 ] ,
  "vcolors" [ 1 0 0,0 1 0,0 0 1 ] ,
 }
 material "paint" {
  surface   "orv_diffuse" {
   "diffuse" 0.2 0.4 0.6,
   "diffuse" !  "vertex_color" {
    "default_color" 0.8 0.8 0.8,
   } ,
  }  
  flags 4096
 }
}
)");

  // Switched off again, the plain form returns.
  paint->setVertexColorMode(false);
  EXPECT_NE(emitNode(mesh).find(R"( material "paint" {
  surface   "orv_diffuse" {
   "diffuse" 0.2 0.4 0.6,
  }  
  flags 4096
 }
)"),
            std::string::npos);
}

// A material that writes numbered shader definitions, as appearance
// materials do.
class NumberedShaderMaterial : public orv::Material {
 public:
  using Material::Material;
  void emitBody(orvSceneapi_oo& api) override {
    const int shader = api.defineShader("orv_plastic");
    api.setFloat("roughness", 0.5f);
    api.endShader();
    api.getSceneApi()->assign_shader_id(0, shader);
  }
};

TEST(Material, ShaderNumbersRunOnAcrossMaterials) {
  NumberedShaderMaterial a("a");
  NumberedShaderMaterial b("b");
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    api.emitNode(&a);
    api.emitNode(&b);
    api.emitNode(&a);
  });
  EXPECT_EQ(text, R"(material "a" {
 #define shader 1 orv_plastic {
  "roughness" 0.5,
 }
 surface 1
}
material "b" {
 #define shader 2 orv_plastic {
  "roughness" 0.5,
 }
 surface 2
}
material "a" {
 #define shader 3 orv_plastic {
  "roughness" 0.5,
 }
 surface 3
}
)");
}

}  // namespace
