// A scene held in memory as the scene API calls that wrote it, kept as a
// tree: every begin call owns the calls up to its end. The stand-in renderer
// records each stream into one, merges updates into the scene it holds, and
// replays scenes into a text writer to save them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sceneapi/orvScene_api.h"

namespace livelink {

enum class Op : uint8_t {
  reserved_1,
  begin_group,
  begin_object,
  begin_geometry,
  begin_animation,
  begin_load,
  begin_options,
  begin_camera,
  begin_image,
  begin_output,
  begin_light,
  begin_accel,
  transform,
  set_transform,
  scale,
  rotate,
  translate,
  begin_matrix,
  begin_material,
  use_material,
  assign_shader,
  assign_shader_id,
  begin_shader,
  begin_shader_id,
  current_shader,
  push_shader,
  pop_shader,
  parameter,
  link_shader_id,
  link_shader,
  begin_array,
  array_element,
  attribute,
  write_text,
  set_flags,
  version,
  progress,
  icon,
  data_parameter,
  id,
  flags,
  render,
  print,
  error,
  // An end call without its begin, kept as it came.
  stray_end,
};

struct SceneCall {
  Op op = Op::reserved_1;
  std::vector<std::string> texts;  // names and texts, in argument order
  bool has_null_text = false;      // begin_camera / begin_shader with a null name
  bool in_place = false;
  int64_t number = 0;                // ints, ids, kinds, flags, value type codes
  std::vector<double> numbers;       // matrices, vectors, fractions
  std::string bytes;                 // copied values and byte strings
  std::vector<std::string> strings;  // text elements of arrays
  uint64_t shader = 0;               // recorded shader handle, 0 for none
  Op end_of = Op::stray_end;         // for stray ends: the block kind they close
};

struct SceneNode {
  SceneCall call;
  std::vector<SceneNode> children;  // only for begin calls
  bool is_block = false;
};

using SceneNodes = std::vector<SceneNode>;

// Records every call into a tree. It never refuses a call and never writes.
class SceneRecorder : public orvScene_api {
 public:
  SceneRecorder();
  ~SceneRecorder() override;
  // The calls so far; blocks still open are included as they stand.
  const SceneNodes& nodes() const;
  SceneNodes take();

  void reserved_1() override;
  bool begin_group(const char* name, bool in_place) override;
  void end_group() override;
  bool begin_object(const char* name, bool in_place) override;
  void end_object() override;
  bool begin_geometry(const char* type) override;
  void end_geometry() override;
  bool begin_animation(const char* name, const char* type) override;
  void end_animation() override;
  bool begin_load(const char* name) override;
  void end_load() override;
  bool begin_options() override;
  void end_options() override;
  bool begin_camera(const char* name) override;
  void end_camera() override;
  bool begin_image() override;
  void end_image() override;
  bool begin_output(const char* a, const char* b, const char* c) override;
  void end_output() override;
  bool begin_light(const char* name) override;
  void end_light() override;
  bool begin_accel(const char* name) override;
  void end_accel() override;
  void transform(const double* matrix) override;
  void set_transform(const double* matrix) override;
  void scale(const double& x, const double& y, const double& z) override;
  void rotate(const double& x, const double& y, const double& z) override;
  void translate(const double& x, const double& y, const double& z) override;
  bool begin_matrix(const char* name) override;
  void end_matrix() override;
  bool begin_material(const char* name, bool in_place) override;
  bool use_material(const char* name) override;
  void end_material() override;
  void assign_shader(int kind, ShaderBuffer* shader) override;
  void assign_shader_id(int kind, int id) override;
  bool begin_shader(const char* name, const char* type) override;
  bool begin_shader_id(const char* type, int id) override;
  void end_shader() override;
  ShaderBuffer* current_shader() override;
  int push_shader() override;
  void pop_shader() override;
  bool parameter(const char* name, int type, const void* value) override;
  bool link_shader_id(const char* name, int id) override;
  bool link_shader(const char* name, ShaderBuffer* shader) override;
  bool begin_array(const char* name) override;
  void end_array() override;
  void array_element(int type, const void* value) override;
  int reserved_51() override;
  int reserved_52() override;
  int reserved_53() override;
  void attribute(const char* name, const char* value) override;
  void write_text(const char* text) override;
  bool set_flags(int flags) override;
  void version(int version) override;
  void reserved_58() override;
  void progress(const char* label, float fraction) override;
  void icon(const unsigned char* data, int length) override;
  void data_parameter(const char* name, const unsigned char* data, int length) override;
  void id(unsigned id) override;
  void flags(unsigned flags) override;
  bool reserved_64() override;
  bool render() override;
  void print(const char* text) override;
  void error(const char* text) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Makes the same calls again on target.
void replay(const SceneNodes& nodes, orvScene_api& target);

// The scene's name: the name of its first group at the top level, or empty.
std::string scene_name(const SceneNodes& nodes);

// The names of the groups at the top level, in order.
std::vector<std::string> top_group_names(const SceneNodes& nodes);

// Component groups carry flags 1 when they are unchanged and sent without
// their bodies, 32769 when they are sent in full. An update is merged into
// the held scene: it replaces it, except that every unchanged component group
// takes the body groups (and the flags) that the held scene has for the
// component of the same name; the bodies of a component are the same in
// every placement. Returns how many unchanged components found nothing held.
int merge_update(SceneNodes& update, const SceneNodes& held);

}  // namespace livelink
