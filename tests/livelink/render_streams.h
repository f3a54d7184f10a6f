// Streams shaped like the Render command's: banner, version, process
// attribute, options, camera and one document group with component groups
// (flags 32769 sent in full, 1 unchanged and without bodies), body groups
// (1024) and appearance groups (65536) holding a triangle.
#pragma once

#include <cstdint>

#include "sceneapi/orvScene_api.h"

namespace render_streams {

// The state of the design at one Render press.
struct Design {
  double part_x = 2;         // the occurrence's translation
  float part_red = 0.75f;    // the colour of the part's body
  bool root_changed = true;  // sent with its bodies
  bool part_changed = true;
  bool second_part = false;   // a second placement of the part
  bool adjust_camera = true;  // the option a new scene is sent with
};

inline void header(orvScene_api& api) {
  api.write_text("//---orvane:dal:7---\n");
  api.write_text("//---import:dal:1---\n");
  api.write_text("//---id:1---\n");
  api.write_text("// This is a LumiVex scene file\n\n");
}

inline void body(orvScene_api& api, const char* name, float red, float size) {
  api.begin_group(name, true);
  api.flags(1024);
  api.begin_group(name, true);
  api.flags(65536);
  api.begin_object(name, true);
  api.begin_geometry("triangles");
  const float vertices[9] = {0, 0, 0, size, 0, 0, 0, size, 0};
  orvArray vertex_array{vertices, 3};
  api.parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &vertex_array);
  const int32_t triangles[3] = {0, 1, 2};
  orvArray triangle_array{triangles, 3};
  api.parameter("triangles", ORV_ARRAY + ORV_INT, &triangle_array);
  api.end_geometry();
  api.begin_material("appearance", true);
  api.begin_shader(nullptr, "orv_diffuse");
  const float diffuse[3] = {red, 0.5f, 0.25f};
  api.parameter("diffuse", ORV_FLOAT3, diffuse);
  api.end_shader();
  api.assign_shader(ORV_SURFACE, api.current_shader());
  api.end_material();
  api.end_object();
  api.end_group();
  api.end_group();
}

inline void part(orvScene_api& api, const Design& d, bool full, double x) {
  api.begin_group("Part", true);
  api.flags(full || d.part_changed ? 32769u : 1u);
  const double placement[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, 0, 0, 1};
  api.transform(placement);
  if (full || d.part_changed) body(api, "Body1", d.part_red, 1);
  api.end_group();
}

// full: every component sent with its bodies (what a first Render sends).
inline void render(orvScene_api& api, const Design& d, bool full) {
  api.print("LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)");
  api.version(9);
  api.attribute("process identifier", "Fusion 360, 0x12c");
  api.begin_load("orvrtopt.so");
  const int up = 3;
  api.parameter("import_up_vector", ORV_INT, &up);
  const int adjust = d.adjust_camera ? 1 : 0;
  api.parameter("import_adjust_camera", ORV_BOOL, &adjust);
  api.end_load();
  api.begin_camera("Active Camera");
  const double position[3] = {10, 10, 10};
  api.parameter("position", ORV_DOUBLE3, position);
  api.end_camera();
  api.begin_group("Bracket", true);
  api.begin_group("Bracket", true);
  api.flags(full || d.root_changed ? 32769u : 1u);
  part(api, d, full, d.part_x);
  if (d.second_part) part(api, d, full, -d.part_x);
  if (full || d.root_changed) body(api, "Base", 0.1f, 4);
  api.end_group();
  api.end_group();
}

}  // namespace render_streams
