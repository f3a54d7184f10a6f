#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "recording_scene_api.h"
#include "scene_text.h"
#include "sceneapi/LightFileFactory.h"
#include "scenemodel/LightCamera.h"
#include "scenemodel/LightModule.h"
#include "scenemodel/LightNode.h"
#include "scenemodel/OrvGroup.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

using orv::orvSceneapi_oo;

constexpr double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(Wrapper, FileSceneStartsWithHeaderBannerAndVersion) {
  const std::string path = ::testing::TempDir() + "wrapper_banner.lvs";
  {
    orv::LightFileFactory factory(path);
    orvSceneapi_oo wrapper(&factory);
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), R"scene(//---orvane:dal:7---
//---import:dal:1---
//---id:1---
// This is a LumiVex scene file

#print "LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)"
version 9

)scene");
  std::remove(path.c_str());
}

TEST(Wrapper, FactoryStartsBeforeBannerAndVersion) {
  RecordingSceneApi api;
  BorrowedBackendFactory factory(&api);
  orvSceneapi_oo wrapper(&factory);
  EXPECT_EQ(factory.starts, 1);
  ASSERT_EQ(api.ops(), (std::vector<std::string>{"write_text", "print", "version"}));
  EXPECT_EQ(api.calls[1].name, "LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)");
  EXPECT_EQ(api.calls[2].intValue, 9);
  EXPECT_EQ(wrapper.getSceneApi(), &api);
}

// A factory with no backend leaves a wrapper that writes nothing; nodes
// emitted into it must not touch the missing backend.
TEST(Wrapper, WithoutSceneApiWritesNothingAndNeverStartsTheFactory) {
  BorrowedBackendFactory factory(nullptr);
  orvSceneapi_oo wrapper(&factory);
  EXPECT_EQ(factory.starts, 0);
  EXPECT_EQ(wrapper.getSceneApi(), nullptr);

  struct CountingNode : orv::LightNode {
    int emits = 0;
    void emit(orvSceneapi_oo&) override { ++emits; }
  } node;
  wrapper.emitNode(&node);
  wrapper.emitNode(nullptr);
  EXPECT_EQ(node.emits, 0);

  // Nodes handed the wrapper directly write nothing either: no definition
  // is made and no mesh is checked.
  orv::OrvGroup root("root");
  auto mesh = std::make_shared<orv::TriangleObject>("mesh");
  root.addNode(mesh);
  root.setAttribute("key", "value");
  orv::LightCamera camera("cam");
  orv::DefaultRTModule module;
  root.emit(wrapper);
  camera.emit(wrapper);
  module.emit(wrapper);
  mesh->define(wrapper);
  mesh->getMaterial()->define(wrapper);
  EXPECT_FALSE(mesh->isDefined());
  EXPECT_FALSE(mesh->getMaterial()->isDefined());
  EXPECT_EQ(mesh->errorText(), "");
  EXPECT_EQ(camera.emitEnvironment(wrapper), nullptr);

  orvSceneapi_oo noFactory(nullptr);
  EXPECT_EQ(noFactory.getSceneApi(), nullptr);
}

TEST(Wrapper, IdsAndShaderNumbersAreSeparateSequencesRestartedBySetSceneApi) {
  std::vector<int> numbers;
  const std::string text = emitted([&](orvSceneapi_oo& api) {
    numbers.push_back(api.newId());
    numbers.push_back(api.defineShader("orv_diffuse"));
    api.endShader();
    numbers.push_back(api.newId());
    numbers.push_back(api.defineShader("orv_bump"));
    api.endShader();
    orvScene_api* scene = api.getSceneApi();
    api.setSceneApi(scene);
    numbers.push_back(api.defineShader("orv_diffuse"));
    api.endShader();
    numbers.push_back(api.newId());
  });
  EXPECT_EQ(numbers, (std::vector<int>{1, 1, 2, 2, 1, 1}));
  EXPECT_EQ(text, R"(id 1
#define shader 1 orv_diffuse {
}
id 2
#define shader 2 orv_bump {
}
#define shader 1 orv_diffuse {
}
id 1
)");
}

TEST(Wrapper, CStringSetterThrowsAndWritesNothing) {
  RecordingSceneApi api;
  orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&api);
  try {
    wrapper.setString("projection", "perspective");
    FAIL() << "the C-string setter must throw";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "const char * are deprecated");
  }
  EXPECT_TRUE(api.calls.empty());
}

// Each typed operation, written in list style at depth 0: the value text
// shows that the right value type code went to the backend.
TEST(Wrapper, TypedOperationsWriteTheirStatements) {
  const float color[3] = {1.0f, 0.5f, 0.25f};
  const double vector[3] = {1.5, -2, 1e-3};
  const std::vector<int32_t> ints = {1, -2, 3};
  const std::vector<float> floats = {0.5f, 1.0f};
  const std::vector<double> doubles = {0.5};
  const std::vector<float> seven = {1, 2, 3, 4, 5, 6, 7};
  std::array<double, 16> identity;
  std::copy(std::begin(kIdentity), std::end(kIdentity), identity.begin());
  const std::vector<std::array<double, 16>> matrices = {identity};
  const double moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2.5, -3, 4, 1};

  struct Case {
    const char* what;
    std::function<void(orvSceneapi_oo&)> call;
    const char* expected;
  };
  const Case cases[] = {
      {"string", [](auto& api) { api.setString("s", std::string("txt")); }, "\"s\" \"txt\",\n"},
      {"color", [&](auto& api) { api.setColor("c", color); }, "\"c\" 1 0.5 0.25,\n"},
      {"vector", [&](auto& api) { api.setVector("v", vector); }, "\"v\" 1.5 -2 0.001,\n"},
      {"double", [](auto& api) { api.setDouble("d", 0.5); }, "\"d\" 0.5000000000000000,\n"},
      {"float", [](auto& api) { api.setFloat("f", 1.5f); }, "\"f\" 1.5,\n"},
      {"int", [](auto& api) { api.setInt("i", -7); }, "\"i\" -7,\n"},
      {"bool on", [](auto& api) { api.setBool("b", true); }, "\"b\" on,\n"},
      {"bool off", [](auto& api) { api.setBool("b", false); }, "\"b\" off,\n"},
      {"int array", [&](auto& api) { api.setIntArray("ia", ints); }, "\"ia\" [ 1,-2,3 ] ,\n"},
      {"float array", [&](auto& api) { api.setFloatArray("fa", floats); }, "\"fa\" [ 0.5,1 ] ,\n"},
      {"double array", [&](auto& api) { api.setDoubleArray("da", doubles); },
       "\"da\" [ 0.5000000000000000 ] ,\n"},
      {"vec3 array drops a partial triple", [&](auto& api) { api.setVec3Array("va", seven); },
       "\"va\" [ 1 2 3,4 5 6 ] ,\n"},
      {"matrix array", [&](auto& api) { api.setMatrixArray("ma", matrices); },
       "\"ma\" [ 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n] ,\n"},
      {"empty int array", [](auto& api) { api.setIntArray("e", {}); }, "\"e\" [ ] ,\n"},
      {"transform", [&](auto& api) { api.setTransform(moved); },
       "transform 1 0 0 0 0 1 0 0 0 0 1 0 2.5 -3 4 1\n"},
      {"transform, not replacing", [&](auto& api) { api.setTransform(moved, false); },
       "transform 1 0 0 0 0 1 0 0 0 0 1 0 2.5 -3 4 1\n"},
      {"replacing transform", [&](auto& api) { api.setTransform(moved, true); },
       "set transform 1 0 0 0 0 1 0 0 0 0 1 0 2.5 -3 4 1\n"},
      {"flags", [](auto& api) { api.setFlags(4096u); }, "flags 4096\n"},
      {"progress", [](auto& api) { api.progress("mesh", 0.5f); }, "progress \"mesh\" 0.500\n\n"},
      {"group",
       [](auto& api) {
         api.beginGroup("g");
         api.endGroup();
       },
       "\ngroup \"g\" {\n}\n"},
      {"error", [](auto& api) { api.reportError("bad 100%"); }, "#error \"bad 100%\"\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(emitted(c.call), c.expected) << c.what;
  }
}

// Arrays go to the backend as the caller's own memory and a count of
// elements: no per-element calls and no copies.
TEST(Wrapper, ArraysPassTheCallersMemoryAndElementCounts) {
  const std::vector<float> seven = {1, 2, 3, 4, 5, 6, 7};
  const std::vector<int32_t> ints = {4, 5, 6, 7};
  const std::vector<double> doubles = {1, 2, 3};
  const std::vector<std::array<double, 16>> matrices(2);
  RecordingSceneApi api;
  orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&api);
  wrapper.setVec3Array("v", seven);
  wrapper.setFloatArray("f", seven);
  wrapper.setIntArray("i", ints);
  wrapper.setDoubleArray("d", doubles);
  wrapper.setMatrixArray("m", matrices);
  wrapper.setVec3Array("e1", {});
  wrapper.setIntArray("e2", {});
  wrapper.setFloatArray("e3", {});
  wrapper.setDoubleArray("e4", {});

  struct Expected {
    const char* name;
    int type;
    const void* data;
    int32_t count;
  };
  const Expected expected[] = {
      {"v", ORV_ARRAY + ORV_FLOAT3, seven.data(), 2},
      {"f", ORV_ARRAY + ORV_FLOAT, seven.data(), 7},
      {"i", ORV_ARRAY + ORV_INT, ints.data(), 4},
      {"d", ORV_ARRAY + ORV_DOUBLE, doubles.data(), 3},
      {"m", ORV_ARRAY + ORV_MATRIX, matrices.data(), 2},
      {"e1", ORV_ARRAY + ORV_FLOAT3, nullptr, 0},
      {"e2", ORV_ARRAY + ORV_INT, nullptr, 0},
      {"e3", ORV_ARRAY + ORV_FLOAT, nullptr, 0},
      {"e4", ORV_ARRAY + ORV_DOUBLE, nullptr, 0},
  };
  ASSERT_EQ(api.calls.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(api.calls[i].op, "parameter");
    EXPECT_EQ(api.calls[i].name, expected[i].name);
    EXPECT_EQ(api.calls[i].type, expected[i].type);
    if (expected[i].count > 0) {
      EXPECT_EQ(api.calls[i].arrayData, expected[i].data);
    }
    EXPECT_EQ(api.calls[i].arrayCount, expected[i].count);
  }
}

TEST(Wrapper, BoolsTravelAsIntsZeroOrOne) {
  RecordingSceneApi api;
  orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&api);
  wrapper.setBool("yes", true);
  wrapper.setBool("no", false);
  ASSERT_EQ(api.calls.size(), 2u);
  EXPECT_EQ(api.calls[0].type, ORV_BOOL);
  EXPECT_EQ(api.calls[0].intValue, 1);
  EXPECT_EQ(api.calls[1].intValue, 0);
}

}  // namespace
