#include <gtest/gtest.h>

#include "support/scene_capture.h"

namespace {

// The calls of an export of a design holding one group with one triangle.
void write_example_scene(orvScene_api& api) {
  api.write_text("//---orvane:dal:7---\n");
  api.write_text("//---import:dal:1---\n");
  api.write_text("//---id:1---\n");
  api.write_text("// This is a LumiVex scene file\n\n");
  api.print("LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)");
  api.version(9);
  api.set_flags(1);

  api.begin_load("orvrtopt.so");
  const int up = 1;
  api.parameter("import_up_vector", ORV_INT, &up);
  const float meter_scale = 0.01f;
  api.parameter("meter_scale", ORV_FLOAT, &meter_scale);
  api.end_load();

  api.begin_group("Box", true);
  api.flags(1);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  api.transform(identity);

  api.begin_object("", true);
  api.begin_geometry("triangles");
  const float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const orvArray vertex_array{vertices, 3};
  api.parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &vertex_array);
  const int triangles[3] = {0, 1, 2};
  const orvArray triangle_array{triangles, 3};
  api.parameter("triangles", ORV_ARRAY + ORV_INT, &triangle_array);
  api.end_geometry();

  api.begin_material("default", true);
  api.begin_shader(nullptr, "orv_diffuse");
  const float diffuse[3] = {0.75f, 0.5f, 0.5f};
  api.parameter("diffuse", ORV_FLOAT3, diffuse);
  ShaderBuffer* shader = api.current_shader();
  api.end_shader();
  api.assign_shader(ORV_SURFACE, shader);
  api.flags(4096);
  api.end_material();

  api.end_object();
  api.end_group();
}

// Note the blanks after the shader's closing brace: the shader was captured at
// depth 0 and re-indented where it was assigned.
constexpr char kExampleScene[] =
    "//---orvane:dal:7---\n"
    "//---import:dal:1---\n"
    "//---id:1---\n"
    "// This is a LumiVex scene file\n"
    "\n"
    "#print \"LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)\"\n"
    "version 9\n"
    "\n"
    "load \"orvrtopt.so\" {\n"
    " \"import_up_vector\" 1,\n"
    " \"meter_scale\" 0.01,\n"
    "}\n"
    "\n"
    "group \"Box\" {\n"
    " flags 1\n"
    " transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
    " object \"\" {\n"
    "  geometry \"triangles\" {\n"
    "   \"vertices\" [ 0 0 0,1 0 0,0 1 0 ] ,\n"
    "   \"triangles\" [ 0,1,2 ] ,\n"
    "  }\n"
    "  material \"default\" {\n"
    "   surface    \"orv_diffuse\" {\n"
    "    \"diffuse\" 0.75 0.5 0.5,\n"
    "   }   \n"
    "   flags 4096\n"
    "  }\n"
    " }\n"
    "}\n";

TEST(ExampleScene, WritesTheExportOfOneTriangleByteForByte) {
  EXPECT_EQ(capture_scene(write_example_scene, /*raw_arrays=*/true), kExampleScene);
}

}  // namespace
