// A scene API that writes nothing and records the calls the scene model
// makes: the operation, its name argument, the value type and, for arrays,
// the descriptor exactly as passed (so a test can see that no copy was made).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sceneapi/orvScene_api.h"

struct RecordedCall {
  std::string op;
  std::string name;
  int type = 0;
  const void* arrayData = nullptr;
  int32_t arrayCount = -1;
  int32_t intValue = 0;
};

class RecordingSceneApi : public orvScene_api {
 public:
  std::vector<RecordedCall> calls;

  void reserved_1() override { note("reserved_1"); }
  bool begin_group(const char* name, bool) override { return note("begin_group", name); }
  void end_group() override { note("end_group"); }
  bool begin_object(const char* name, bool) override { return note("begin_object", name); }
  void end_object() override { note("end_object"); }
  bool begin_geometry(const char* type) override { return note("begin_geometry", type); }
  void end_geometry() override { note("end_geometry"); }
  bool begin_animation(const char* name, const char*) override {
    return note("begin_animation", name);
  }
  void end_animation() override { note("end_animation"); }
  bool begin_load(const char* name) override { return note("begin_load", name); }
  void end_load() override { note("end_load"); }
  bool begin_options() override { return note("begin_options"); }
  void end_options() override { note("end_options"); }
  bool begin_camera(const char* name) override { return note("begin_camera", name); }
  void end_camera() override { note("end_camera"); }
  bool begin_image() override { return note("begin_image"); }
  void end_image() override { note("end_image"); }
  bool begin_output(const char* a, const char*, const char*) override {
    return note("begin_output", a);
  }
  void end_output() override { note("end_output"); }
  bool begin_light(const char* name) override { return note("begin_light", name); }
  void end_light() override { note("end_light"); }
  bool begin_accel(const char* name) override { return note("begin_accel", name); }
  void end_accel() override { note("end_accel"); }
  void transform(const double*) override { note("transform"); }
  void set_transform(const double*) override { note("set_transform"); }
  void scale(const double&, const double&, const double&) override { note("scale"); }
  void rotate(const double&, const double&, const double&) override { note("rotate"); }
  void translate(const double&, const double&, const double&) override { note("translate"); }
  bool begin_matrix(const char* name) override { return note("begin_matrix", name); }
  void end_matrix() override { note("end_matrix"); }
  bool begin_material(const char* name, bool) override { return note("begin_material", name); }
  bool use_material(const char* name) override { return note("use_material", name); }
  void end_material() override { note("end_material"); }
  void assign_shader(int, ShaderBuffer*) override { note("assign_shader"); }
  void assign_shader_id(int, int) override { note("assign_shader_id"); }
  bool begin_shader(const char*, const char* type) override { return note("begin_shader", type); }
  bool begin_shader_id(const char* type, int) override { return note("begin_shader_id", type); }
  void end_shader() override { note("end_shader"); }
  ShaderBuffer* current_shader() override {
    note("current_shader");
    return nullptr;
  }
  int push_shader() override {
    note("push_shader");
    return 0;
  }
  void pop_shader() override { note("pop_shader"); }
  bool parameter(const char* name, int type, const void* value) override {
    RecordedCall call{"parameter", name, type};
    if (type > ORV_ARRAY && type < ORV_SHADER) {
      const auto* descriptor = static_cast<const orvArray*>(value);
      call.arrayData = descriptor->data;
      call.arrayCount = descriptor->count;
    } else if (type == ORV_INT || type == ORV_BOOL) {
      call.intValue = *static_cast<const int32_t*>(value);
    }
    calls.push_back(call);
    return true;
  }
  bool link_shader_id(const char* name, int) override { return note("link_shader_id", name); }
  bool link_shader(const char* name, ShaderBuffer*) override { return note("link_shader", name); }
  bool begin_array(const char* name) override { return note("begin_array", name); }
  void end_array() override { note("end_array"); }
  void array_element(int, const void*) override { note("array_element"); }
  int reserved_51() override { return 10; }
  int reserved_52() override { return 10; }
  int reserved_53() override { return 0; }
  void attribute(const char* name, const char*) override { note("attribute", name); }
  void write_text(const char* text) override { note("write_text", text); }
  bool set_flags(int) override { return note("set_flags"); }
  void version(int version) override { calls.push_back({"version", "", 0, nullptr, -1, version}); }
  void reserved_58() override {}
  void progress(const char* label, float) override { note("progress", label); }
  void icon(const unsigned char*, int) override { note("icon"); }
  void data_parameter(const char* name, const unsigned char*, int) override {
    note("data_parameter", name);
  }
  void id(unsigned id) override {
    calls.push_back({"id", "", 0, nullptr, -1, static_cast<int32_t>(id)});
  }
  void flags(unsigned) override { note("flags"); }
  bool reserved_64() override { return false; }
  bool render() override { return note("render"); }
  void print(const char* text) override { note("print", text); }
  void error(const char* text) override { note("error", text); }

  // The operation names in call order, for sequence checks.
  std::vector<std::string> ops() const {
    std::vector<std::string> names;
    for (const auto& call : calls) names.push_back(call.op);
    return names;
  }

 private:
  bool note(const char* op, const char* name = nullptr) {
    calls.push_back({op, name != nullptr ? name : ""});
    return true;
  }
};
