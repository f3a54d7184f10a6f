// The file backend of the scene API: turns every call into statements of the
// scene text format (.lvs), byte for byte, on a C stdio stream or any other
// byte sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sceneapi/orvScene_api.h"

// Where the writer's bytes go when they do not go to a stdio stream (the live
// link writes to a socket).
class SceneTextSink {
 public:
  virtual ~SceneTextSink() = default;
  // Writes all the bytes; false when they could not all be written.
  virtual bool write(const char* data, size_t size) = 0;
};

class orvScene_api_file : public orvScene_api {
 public:
  // Writes to stream, which stays owned by the caller. A null stream writes
  // nothing, but every operation still changes the state.
  orvScene_api_file(std::FILE* stream, bool raw_arrays);
  // Writes to sink, which stays owned by the caller and must outlive the writer.
  orvScene_api_file(SceneTextSink* sink, bool raw_arrays);
  ~orvScene_api_file() override;

  orvScene_api_file(const orvScene_api_file&) = delete;
  orvScene_api_file& operator=(const orvScene_api_file&) = delete;

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

  // "#modify " followed by a camera block; the result of begin_camera.
  virtual bool modify_camera(const char* name);

  // True once any write to the stream or sink failed (a full disk, a closed
  // socket). Writing goes on regardless; the owner reports it when it closes.
  bool write_failed() const { return write_failed_; }
  // The errno of the first failed write, 0 when none failed or it was unknown.
  int write_error() const { return write_error_; }

 private:
  class StreamSink;
  enum class TopBlock { none, options, camera, image, object };

  void write_bytes(const char* data, size_t size, bool explicit_length);
  void plain(std::string_view text) { write_bytes(text.data(), text.size(), false); }
  void raw(std::string_view bytes) { write_bytes(bytes.data(), bytes.size(), true); }
  void indented(std::string_view text);
  // The end of blocks that keep the parameter style: depth -1, then "}".
  void generic_end();
  // Options, camera and image: a begin is refused while a top block is open;
  // an end closes the text only when its own begin was taken.
  bool open_top_block(TopBlock block);
  void close_top_block(TopBlock block);
  void name_at_depth(const char* name);
  void name_on_line(const char* name);
  void byte_string(const unsigned char* data, int length);
  void shader_text(const ShaderBuffer& shader);
  void value(int type, const void* value);
  void array_value(int element_type, const orvArray& array);
  void raw_block(char tag, const void* data, size_t scalars, size_t scalar_size);
  void matrix_statement(std::string_view keyword, const double* matrix);
  void vector_statement(std::string_view keyword, double x, double y, double z);
  void number_statement(std::string_view prefix, uint64_t number);
  void quoted_text_statement(std::string_view prefix, const char* text);
  int indentation() const;

  void push_style() { style_stack_.push_back(keyword_style_); }
  void pop_style();
  void push_shader_state();

  std::unique_ptr<StreamSink> stream_sink_;
  SceneTextSink* sink_ = nullptr;  // null: nothing is written
  bool write_failed_ = false;
  int write_error_ = 0;

  std::vector<int> saved_depths_;
  std::vector<std::unique_ptr<ShaderBuffer>> shader_buffers_;
  std::vector<ShaderBuffer*> buffer_stack_;
  std::vector<bool> capture_stack_;
  std::vector<bool> style_stack_;
  bool capturing_ = false;
  ShaderBuffer* current_buffer_ = nullptr;
  int depth_ = 0;
  int element_count_ = 0;
  bool keyword_style_ = false;
  TopBlock top_block_ = TopBlock::none;
  bool raw_arrays_;
  char accumulator_tag_ = 0;
  std::vector<uint32_t> accumulator_;
  uint32_t flags_ = 0x400001;

  std::string format_;             // a statement's text before indentation
  std::string expansion_;          // the indented copy of format_
  std::unique_ptr<char[]> chunk_;  // array texts gathered before they are written
  std::string saved_numeric_locale_;
};
