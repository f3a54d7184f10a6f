// lvs_example: writes a small example scene (one group holding one triangle
// with a diffuse material) as an export would, through the file factory.
//
//   lvs_example <file.lvs>   writes the file (created or truncated)
//   lvs_example -            writes the scene to standard output
#include <cstdio>
#include <exception>

#include "sceneapi/LightFileFactory.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

void write_example(orvScene_api& api) {
  api.set_flags(1);  // text arrays, indentation on

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lvs_example <file.lvs | ->\n");
    return 2;
  }
  try {
    orv::LightFileFactory factory(argv[1]);
    {
      // The wrapper starts the file (header), then writes its banner and version.
      orv::orvSceneapi_oo wrapper(&factory);
      write_example(*factory.getSceneApi());
    }
    factory.close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lvs_example: %s\n", e.what());
    return 1;
  }
  return 0;
}
