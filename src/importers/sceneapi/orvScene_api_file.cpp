#include "sceneapi/orvScene_api_file.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>

#include "sceneapi/NumberText.h"

using orv::number_text::kFixedRoom;
using orv::number_text::kShortRoom;
using orv::number_text::put_fixed;
using orv::number_text::put_g;
using orv::number_text::put_int;
using orv::number_text::put_uint;

// An anonymous shader's text, captured while it was written.
struct ShaderBuffer {
  std::unique_ptr<char[]> text;  // zero-terminated once anything was appended
  size_t length = 0;
  int64_t capacity = -1;  // -1: nothing allocated yet
  // Set by any append with an explicit length (raw writes, byte strings, raw
  // array blocks): such a text is copied out byte for byte, never re-indented.
  bool raw = false;

  void append(const char* bytes, size_t size, bool explicit_length) {
    if (explicit_length) raw = true;
    if (static_cast<int64_t>(length + 1 + size) >= capacity) {
      const int64_t grown = static_cast<int64_t>(size) + 2 * capacity + 512;
      std::unique_ptr<char[]> bigger(new char[grown + 2]);
      if (length) std::memcpy(bigger.get(), text.get(), length);
      // The bytes may come from this very buffer (a shader assigned inside
      // itself), so they are copied before the old text is freed.
      if (size) std::memcpy(bigger.get() + length, bytes, size);
      text = std::move(bigger);
      capacity = grown;
    } else if (size) {
      std::memmove(text.get() + length, bytes, size);
    }
    length += size;
    text[length] = '\0';
  }

  std::string_view view() const { return {text ? text.get() : "", length}; }
};

class orvScene_api_file::StreamSink : public SceneTextSink {
 public:
  explicit StreamSink(std::FILE* stream) : stream_(stream) {}
  bool write(const char* data, size_t size) override {
    return std::fwrite(data, 1, size, stream_) == size;
  }

 private:
  std::FILE* stream_;
};

namespace {

constexpr uint32_t kNoIndentationFlag = 1u << 22;
constexpr uint32_t kRawArraysFlag = 1u << 1;
// Below a float's largest finite value: floats at or beyond it are written as -1.
constexpr float kFloatLimit = 3.4028235e38f;
constexpr double kDoubleArrayLimit = 3.4028234663852886e38;
constexpr size_t kTextReserve = size_t{1} << 20;
constexpr size_t kChunkSize = size_t{64} << 10;

const char* text_or_empty(const char* text) { return text ? text : ""; }

bool needs_hex_name(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n' || byte == '\r' || byte == '"' || byte >= 128) return true;
  }
  return false;
}

void append_hex(std::string& out, const unsigned char* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
}

void append_g(std::string& out, double value) {
  char text[kShortRoom];
  out.append(text, put_g(text, value));
}

void append_g(std::string& out, float value) {
  char text[kShortRoom];
  out.append(text, put_g(text, value));
}

void append_int(std::string& out, int64_t value) {
  char text[kShortRoom];
  out.append(text, put_int(text, value));
}

void append_floats(std::string& out, const float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (i) out.push_back(' ');
    append_g(out, values[i]);
  }
}

void append_ints(std::string& out, const int* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (i) out.push_back(' ');
    append_int(out, values[i]);
  }
}

// A float parameter outside the float range (or NaN) is written as -1.
float float_or_minus_one(float value) {
  return (value > -kFloatLimit && value < kFloatLimit) ? value : -1.0f;
}

double double_or_minus_one(double value) {
  return (std::isnan(value) || std::fabs(value) >= kDoubleArrayLimit) ? -1.0 : value;
}

bool is_element_code(int code) {
  switch (code) {
    case ORV_FLOAT3:
    case ORV_FLOAT4:
    case ORV_FLOAT:
    case ORV_DOUBLE:
    case ORV_DOUBLE3:
    case ORV_INT:
    case ORV_BOOL:
    case ORV_MATRIX:
    case ORV_STRING:
    case ORV_STRING_REF:
    case ORV_INT_B:
      return true;
    default:
      return false;
  }
}

template <class T>
T load(const void* values, size_t index) {
  T value;
  std::memcpy(&value, static_cast<const char*>(values) + index * sizeof(T), sizeof(T));
  return value;
}

}  // namespace

orvScene_api_file::orvScene_api_file(std::FILE* stream, bool raw_arrays)
    : orvScene_api_file(static_cast<SceneTextSink*>(nullptr), raw_arrays) {
  if (stream) {
    stream_sink_ = std::make_unique<StreamSink>(stream);
    sink_ = stream_sink_.get();
  }
}

orvScene_api_file::orvScene_api_file(SceneTextSink* sink, bool raw_arrays)
    : sink_(sink), raw_arrays_(raw_arrays), chunk_(new char[kChunkSize]) {
  format_.reserve(kTextReserve);
  expansion_.reserve(kTextReserve);
  // Numbers must carry a decimal point whatever the user's locale says.
  if (const char* previous = std::setlocale(LC_NUMERIC, nullptr)) saved_numeric_locale_ = previous;
  std::setlocale(LC_NUMERIC, "C");
}

orvScene_api_file::~orvScene_api_file() {
  if (!saved_numeric_locale_.empty()) std::setlocale(LC_NUMERIC, saved_numeric_locale_.c_str());
}

// ---------------------------------------------------------------------------
// Writing primitives

void orvScene_api_file::write_bytes(const char* data, size_t size, bool explicit_length) {
  if (!sink_) return;
  if (capturing_) {
    // Capturing with no buffer only happens after unbalanced shader calls;
    // the text then has nowhere sensible to go.
    if (current_buffer_) current_buffer_->append(data, size, explicit_length);
    return;
  }
  if (size && !sink_->write(data, size) && !write_failed_) {
    write_failed_ = true;
    write_error_ = errno;
  }
}

int orvScene_api_file::indentation() const {
  if (flags_ & kNoIndentationFlag) return 0;
  return depth_ > 0 ? depth_ : 0;
}

// Every line of the text starts with the indentation, also the first when it
// continues a line; a line feed at the very end gets none behind it.
void orvScene_api_file::indented(std::string_view text) {
  const int blanks = indentation();
  if (blanks == 0) {
    plain(text);
    return;
  }
  if (!sink_) return;
  expansion_.clear();
  expansion_.append(blanks, ' ');
  size_t start = 0;
  for (;;) {
    const size_t line_feed = text.find('\n', start);
    if (line_feed == std::string_view::npos || line_feed + 1 >= text.size()) {
      expansion_.append(text.substr(start));
      break;
    }
    expansion_.append(text.substr(start, line_feed + 1 - start));
    expansion_.append(blanks, ' ');
    start = line_feed + 1;
  }
  plain(expansion_);
}

// Quoted without escaping when the reader can take it that way; otherwise
// every byte in hex, which survives quotes, line breaks and any encoding.
void orvScene_api_file::name_at_depth(const char* name) {
  if (!sink_) return;
  const std::string_view text = text_or_empty(name);
  expansion_.clear();
  if (needs_hex_name(text)) {
    expansion_.append("xX");
    append_hex(expansion_, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    raw(expansion_);
    return;
  }
  expansion_.append(indentation(), ' ');
  expansion_.push_back('"');
  expansion_.append(text);
  expansion_.push_back('"');
  plain(expansion_);
}

// Names that continue a line are written with the depth held at 0.
void orvScene_api_file::name_on_line(const char* name) {
  const int depth = depth_;
  depth_ = 0;
  name_at_depth(name);
  depth_ = depth;
}

void orvScene_api_file::byte_string(const unsigned char* data, int length) {
  if (!sink_) return;
  expansion_.assign("bX");
  if (data && length > 0) append_hex(expansion_, data, static_cast<size_t>(length));
  raw(expansion_);
}

void orvScene_api_file::shader_text(const ShaderBuffer& shader) {
  if (shader.raw) {
    raw(shader.view());
  } else {
    indented(shader.view());
  }
}

void orvScene_api_file::value(int type, const void* value) {
  if (!sink_ || !value) return;
  if (type > ORV_ARRAY && type < ORV_SHADER) {
    array_value(type - ORV_ARRAY, *static_cast<const orvArray*>(value));
    return;
  }
  format_.clear();
  switch (type) {
    case ORV_FLOAT3:
      append_floats(format_, static_cast<const float*>(value), 3);
      break;
    case ORV_FLOAT4:
    case ORV_FLOAT4B:
      append_floats(format_, static_cast<const float*>(value), 4);
      break;
    case ORV_FLOAT2:
      append_floats(format_, static_cast<const float*>(value), 2);
      break;
    case ORV_FLOAT:
      append_g(format_, float_or_minus_one(*static_cast<const float*>(value)));
      break;
    case ORV_DOUBLE: {
      char text[kFixedRoom];
      format_.append(text, put_fixed(text, *static_cast<const double*>(value), 16, 16));
      break;
    }
    case ORV_DOUBLE3: {
      const auto* v = static_cast<const double*>(value);
      for (int i = 0; i < 3; ++i) {
        if (i) format_.push_back(' ');
        append_g(format_, v[i]);
      }
      break;
    }
    case ORV_INT:
    case ORV_INT_B:
      append_int(format_, *static_cast<const int*>(value));
      break;
    case ORV_BOOL:
      format_.append(*static_cast<const int*>(value) ? "on" : "off");
      break;
    case ORV_MATRIX: {
      const auto* m = static_cast<const double*>(value);
      for (int i = 0; i < 16; ++i) {
        if (i) format_.push_back(' ');
        append_g(format_, static_cast<float>(m[i]));
      }
      break;
    }
    case ORV_STRING:
      name_on_line(static_cast<const char*>(value));
      return;
    case ORV_STRING_REF:
      name_on_line(*static_cast<const char* const*>(value));
      return;
    case ORV_INT2:
      append_ints(format_, static_cast<const int*>(value), 2);
      break;
    case ORV_INT3:
      append_ints(format_, static_cast<const int*>(value), 3);
      break;
    case ORV_INT4:
      append_ints(format_, static_cast<const int*>(value), 4);
      break;
    case ORV_SHADER: {
      const ShaderBuffer* shader = *static_cast<ShaderBuffer* const*>(value);
      if (!shader) return;
      const int depth = depth_;
      depth_ = 2;
      shader_text(*shader);
      depth_ = depth;
      return;
    }
    default:
      return;
  }
  plain(format_);
}

void orvScene_api_file::raw_block(char tag, const void* data, size_t scalars, size_t scalar_size) {
  const uint32_t count = static_cast<uint32_t>(scalars);
  const char head[8] = {1,
                        2,
                        3,
                        tag,
                        static_cast<char>(count & 0xff),
                        static_cast<char>((count >> 8) & 0xff),
                        static_cast<char>((count >> 16) & 0xff),
                        static_cast<char>((count >> 24) & 0xff)};
  raw({head, sizeof head});
  if (scalars) raw({static_cast<const char*>(data), scalars * scalar_size});
}

// Array texts are gathered in a chunk and written in large pieces: a mesh
// array holds millions of numbers.
void orvScene_api_file::array_value(int element_type, const orvArray& array) {
  if (!is_element_code(element_type)) return;
  const size_t count = (array.data && array.count > 0) ? static_cast<size_t>(array.count) : 0;
  const void* data = array.data;

  if (raw_arrays_) {
    char tag = 0;
    size_t scalars_per_element = 1, scalar_size = 4;
    switch (element_type) {
      case ORV_FLOAT3:
        tag = 'c';
        scalars_per_element = 3;
        break;
      case ORV_FLOAT:
        tag = 'f';
        break;
      case ORV_DOUBLE:
        tag = 'r';
        scalar_size = 8;
        break;
      case ORV_INT:
      case ORV_INT_B:
        tag = 'i';
        break;
      default:
        break;
    }
    if (tag) {
      plain("[ ");
      raw_block(tag, data, count * scalars_per_element, scalar_size);
      plain("] ");
      return;
    }
  }

  char* const chunk = chunk_.get();
  char* const chunk_end = chunk + kChunkSize;
  char* out = chunk;
  auto flush = [&] {
    plain({chunk, static_cast<size_t>(out - chunk)});
    out = chunk;
  };
  auto make_room = [&](size_t size) {
    if (static_cast<size_t>(chunk_end - out) < size) flush();
  };
  auto put_indentation = [&] {
    const size_t blanks = static_cast<size_t>(indentation());
    if (blanks > kChunkSize / 2) {
      flush();
      indented("");
      return;
    }
    make_room(blanks);
    std::memset(out, ' ', blanks);
    out += blanks;
  };
  // The first line holds 9 elements, every further line 8.
  auto line_break_after = [&](size_t i) {
    if (i > 0 && i % 8 == 0) {
      make_room(1);
      *out++ = '\n';
      put_indentation();
    }
  };
  auto separator = [&](size_t i) { *out++ = (i + 1 < count) ? ',' : ' '; };
  constexpr size_t kElementRoom = 4 * kShortRoom + 2;

  plain("[ ");
  for (size_t i = 0; i < count; ++i) {
    switch (element_type) {
      case ORV_FLOAT3:
      case ORV_FLOAT4: {
        const int width = element_type == ORV_FLOAT3 ? 3 : 4;
        make_room(kElementRoom);
        for (int k = 0; k < width; ++k) {
          if (k) *out++ = ' ';
          out = put_g(out, load<float>(data, i * width + k));
        }
        separator(i);
        line_break_after(i);
        break;
      }
      case ORV_FLOAT:
        make_room(kElementRoom);
        out = put_g(out, float_or_minus_one(load<float>(data, i)));
        separator(i);
        line_break_after(i);
        break;
      case ORV_DOUBLE:
        make_room(kFixedRoom + 2);
        out = put_fixed(out, double_or_minus_one(load<double>(data, i)), 16, 16);
        separator(i);
        line_break_after(i);
        break;
      case ORV_DOUBLE3:
        make_room(kElementRoom);
        for (int k = 0; k < 3; ++k) {
          if (k) *out++ = ' ';
          out = put_g(out, load<double>(data, i * 3 + k));
        }
        separator(i);
        line_break_after(i);
        break;
      case ORV_INT:
      case ORV_INT_B:
        make_room(kElementRoom);
        out = put_int(out, load<int32_t>(data, i));
        separator(i);
        line_break_after(i);
        break;
      case ORV_BOOL:
        make_room(kElementRoom);
        *out++ = load<int32_t>(data, i) ? '1' : '0';
        separator(i);
        line_break_after(i);
        break;
      case ORV_MATRIX:
        put_indentation();
        make_room(16 * (kShortRoom + 1) + 2);
        for (int k = 0; k < 16; ++k) {
          out = put_g(out, load<double>(data, i * 16 + k));
          *out++ = ' ';
        }
        if (i + 1 < count) *out++ = ',';
        *out++ = '\n';
        break;
      case ORV_STRING:
      case ORV_STRING_REF:
        flush();
        name_on_line(load<const char*>(data, i));
        make_room(1);
        separator(i);
        if (i > 0 && i % 8 == 0) {
          put_indentation();
          make_room(1);
          *out++ = '\n';
        }
        break;
    }
  }
  make_room(2);
  *out++ = ']';
  *out++ = ' ';
  flush();
}

void orvScene_api_file::pop_style() {
  keyword_style_ = style_stack_.empty() ? false : style_stack_.back();
  if (!style_stack_.empty()) style_stack_.pop_back();
}

void orvScene_api_file::push_shader_state() {
  capture_stack_.push_back(capturing_);
  buffer_stack_.push_back(current_buffer_);
  push_style();
  keyword_style_ = false;
}

void orvScene_api_file::matrix_statement(std::string_view keyword, const double* matrix) {
  if (!sink_ || !matrix) return;
  format_.assign(keyword);
  for (int i = 0; i < 16; ++i) {
    format_.push_back(' ');
    append_g(format_, static_cast<float>(matrix[i]));
  }
  format_.push_back('\n');
  indented(format_);
}

void orvScene_api_file::vector_statement(std::string_view keyword, double x, double y, double z) {
  if (!sink_) return;
  format_.assign(keyword);
  for (const double v : {x, y, z}) {
    format_.push_back(' ');
    append_g(format_, v);
  }
  format_.push_back('\n');
  indented(format_);
}

void orvScene_api_file::number_statement(std::string_view prefix, uint64_t number) {
  if (!sink_) return;
  format_.assign(prefix);
  char text[kShortRoom];
  format_.append(text, put_uint(text, number));
  format_.push_back('\n');
  indented(format_);
}

void orvScene_api_file::quoted_text_statement(std::string_view prefix, const char* text) {
  indented(prefix);
  indented(text_or_empty(text));
  plain("\"\n");
}

// ---------------------------------------------------------------------------
// Blocks

void orvScene_api_file::reserved_1() {}

bool orvScene_api_file::begin_group(const char* name, bool in_place) {
  plain("\n");
  if (!in_place) indented("#define ");
  indented("group ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  push_style();
  keyword_style_ = true;
  return true;
}

void orvScene_api_file::end_group() {
  --depth_;
  indented("}\n");
  pop_style();
}

bool orvScene_api_file::begin_object(const char* name, bool in_place) {
  indented(in_place ? "object " : "#define object ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  push_style();
  keyword_style_ = true;
  top_block_ = TopBlock::object;
  return true;
}

void orvScene_api_file::end_object() {
  pop_style();
  --depth_;
  top_block_ = TopBlock::none;
  indented("}\n");
}

bool orvScene_api_file::begin_geometry(const char* type) {
  indented("geometry ");
  name_on_line(type);
  plain(" {\n");
  ++depth_;
  push_style();
  keyword_style_ = false;
  return true;
}

void orvScene_api_file::end_geometry() { end_group(); }

bool orvScene_api_file::begin_animation(const char* name, const char* type) {
  indented("animation ");
  name_on_line(name);
  indented(" ");
  name_on_line(type);
  plain(" {\n");
  ++depth_;
  push_style();
  keyword_style_ = false;
  return true;
}

void orvScene_api_file::end_animation() { end_group(); }

bool orvScene_api_file::begin_load(const char* name) {
  indented("load ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::generic_end() {
  --depth_;
  indented("}\n");
}

void orvScene_api_file::end_load() { generic_end(); }

bool orvScene_api_file::open_top_block(TopBlock block) {
  if (top_block_ != TopBlock::none) return false;
  capturing_ = false;  // cleared, not saved
  keyword_style_ = true;
  top_block_ = block;
  return true;
}

void orvScene_api_file::close_top_block(TopBlock block) {
  if (top_block_ == block) generic_end();
  keyword_style_ = false;
  top_block_ = TopBlock::none;
}

bool orvScene_api_file::begin_options() {
  if (!open_top_block(TopBlock::options)) return false;
  indented("\noptions {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::end_options() { close_top_block(TopBlock::options); }

bool orvScene_api_file::begin_camera(const char* name) {
  if (!open_top_block(TopBlock::camera)) return false;
  if (name) {
    indented("\ncamera ");
    name_on_line(name);
    plain(" {\n");
  } else {
    indented("\ncamera {\n");
  }
  ++depth_;
  return true;
}

void orvScene_api_file::end_camera() { close_top_block(TopBlock::camera); }

bool orvScene_api_file::begin_image() {
  if (!open_top_block(TopBlock::image)) return false;
  indented("\nimage {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::end_image() { close_top_block(TopBlock::image); }

bool orvScene_api_file::begin_output(const char* a, const char* b, const char* c) {
  keyword_style_ = false;
  indented("output ");
  name_on_line(a);
  plain(" ");
  name_on_line(b);
  plain(" ");
  name_on_line(c);
  plain(" {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::end_output() {
  --depth_;
  keyword_style_ = true;
  indented("}\n");
}

bool orvScene_api_file::begin_light(const char* name) {
  plain("\n");
  indented("light ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::end_light() { generic_end(); }

bool orvScene_api_file::begin_accel(const char* name) {
  indented("\naccel ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  push_style();
  keyword_style_ = false;
  return true;
}

void orvScene_api_file::end_accel() { end_group(); }

void orvScene_api_file::transform(const double* matrix) { matrix_statement("transform", matrix); }

void orvScene_api_file::set_transform(const double* matrix) {
  matrix_statement("set transform", matrix);
}

void orvScene_api_file::scale(const double& x, const double& y, const double& z) {
  vector_statement("scale", x, y, z);
}

void orvScene_api_file::rotate(const double& x, const double& y, const double& z) {
  vector_statement("rotate", x, y, z);
}

void orvScene_api_file::translate(const double& x, const double& y, const double& z) {
  vector_statement("translate", x, y, z);
}

bool orvScene_api_file::begin_matrix(const char* name) {
  indented("#define matrix ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  return true;
}

void orvScene_api_file::end_matrix() { generic_end(); }

bool orvScene_api_file::begin_material(const char* name, bool in_place) {
  if (!in_place) indented("\n#define ");
  indented("material ");
  name_on_line(name);
  plain(" {\n");
  ++depth_;
  return true;
}

bool orvScene_api_file::use_material(const char* name) {
  indented("material ");
  name_on_line(name);
  plain("\n");
  return true;
}

void orvScene_api_file::end_material() { generic_end(); }

// ---------------------------------------------------------------------------
// Shaders

namespace {

// Kinds beyond the four known ones are written as surface, with a note.
const char* shader_kind_word(int kind) {
  switch (kind) {
    case ORV_SURFACE:
      return "surface";
    case ORV_SHADOW:
      return "shadow";
    case ORV_VOLUME:
      return "volume";
    case ORV_REFLECTION_MAP:
      return "reflection map";
    default:
      return nullptr;
  }
}

}  // namespace

void orvScene_api_file::assign_shader(int kind, ShaderBuffer* shader) {
  if (!shader) return;
  const char* word = shader_kind_word(kind);
  if (!word) {
    indented("// assuming surface shader\n");
    word = "surface";
  }
  format_.assign(word);
  format_.push_back(' ');
  indented(format_);
  shader_text(*shader);
  indented("\n");
}

void orvScene_api_file::assign_shader_id(int kind, int id) {
  const char* word = shader_kind_word(kind);
  if (!word) {
    indented("// assuming surface shader\n");
    word = "surface";
  }
  indented(word);
  format_.assign(" ");
  append_int(format_, id);
  format_.push_back('\n');
  plain(format_);
}

bool orvScene_api_file::begin_shader(const char* name, const char* type) {
  push_shader_state();
  if (name) {
    capturing_ = false;
    indented("#define shader ");
    name_on_line(name);
    plain(" ");
    name_on_line(type);
  } else {
    shader_buffers_.push_back(std::make_unique<ShaderBuffer>());
    current_buffer_ = shader_buffers_.back().get();
    saved_depths_.push_back(depth_);
    capturing_ = true;
    depth_ = 0;
    name_on_line(type);
  }
  plain(" {\n");
  ++depth_;
  return true;
}

bool orvScene_api_file::begin_shader_id(const char* type, int id) {
  push_shader_state();
  capturing_ = false;
  format_.assign("#define shader ");
  append_int(format_, id);
  format_.push_back(' ');
  format_.append(text_or_empty(type));
  format_.append(" {\n");
  indented(format_);
  ++depth_;
  return true;
}

// The captured buffer stays current after its end: the caller takes it with
// current_shader() and brackets nested captures with push/pop_shader.
void orvScene_api_file::end_shader() {
  --depth_;
  if (capturing_) {
    indented("}");
    if (saved_depths_.empty()) {
      depth_ = 0;
    } else {
      depth_ = saved_depths_.back();
      saved_depths_.pop_back();
    }
  } else {
    indented("}\n");
  }
  pop_style();
  if (!buffer_stack_.empty()) buffer_stack_.pop_back();
  capturing_ = capture_stack_.empty() ? false : static_cast<bool>(capture_stack_.back());
  if (!capture_stack_.empty()) capture_stack_.pop_back();
}

ShaderBuffer* orvScene_api_file::current_shader() { return current_buffer_; }

int orvScene_api_file::push_shader() {
  buffer_stack_.push_back(current_buffer_);
  return static_cast<int>(buffer_stack_.size()) - 1;
}

void orvScene_api_file::pop_shader() {
  if (buffer_stack_.empty()) {
    current_buffer_ = nullptr;
    return;
  }
  current_buffer_ = buffer_stack_.back();
  buffer_stack_.pop_back();
}

// ---------------------------------------------------------------------------
// Parameters and arrays

bool orvScene_api_file::parameter(const char* name, int type, const void* value_pointer) {
  if (keyword_style_) {
    format_.assign(text_or_empty(name));
    format_.push_back(' ');
    indented(format_);
    value(type, value_pointer);
    plain("\n");
  } else {
    name_at_depth(name);
    plain(" ");
    value(type, value_pointer);
    plain(",\n");
  }
  return true;
}

bool orvScene_api_file::link_shader_id(const char* name, int id) {
  name_at_depth(name);
  format_.assign(" ! ");
  append_int(format_, id);
  format_.append(",\n");
  plain(format_);
  return true;
}

// A missing shader gives no statement at all rather than a link to nothing.
bool orvScene_api_file::link_shader(const char* name, ShaderBuffer* shader) {
  if (!shader) return true;
  name_at_depth(name);
  plain(" ! ");
  shader_text(*shader);
  indented(",\n");
  return true;
}

bool orvScene_api_file::begin_array(const char* name) {
  element_count_ = 0;
  name_at_depth(name);
  plain(" [\n");
  ++depth_;
  indented("");
  accumulator_.clear();
  return true;
}

void orvScene_api_file::end_array() {
  if (raw_arrays_ && !accumulator_.empty()) {
    raw_block(accumulator_tag_, accumulator_.data(), accumulator_.size(), 4);
    accumulator_.clear();
  }
  plain(" ],\n");
  --depth_;
}

void orvScene_api_file::array_element(int type, const void* value_pointer) {
  if (raw_arrays_ && value_pointer &&
      (type == ORV_FLOAT3 || type == ORV_FLOAT || type == ORV_INT)) {
    const int scalars = type == ORV_FLOAT3 ? 3 : 1;
    accumulator_tag_ = type == ORV_FLOAT3 ? 'c' : (type == ORV_FLOAT ? 'f' : 'i');
    if (accumulator_.size() + scalars > accumulator_.capacity()) {
      accumulator_.reserve(accumulator_.size() + accumulator_.capacity() + 65536);
    }
    for (int i = 0; i < scalars; ++i) accumulator_.push_back(load<uint32_t>(value_pointer, i));
    return;
  }
  if (element_count_ > 0) {
    if (element_count_ % 6 == 0 || (type == ORV_FLOAT3 && element_count_ % 2 == 0)) {
      plain(",\n");
      indented("");
    } else {
      plain(", ");
    }
  }
  value(type, value_pointer);
  ++element_count_;
}

int orvScene_api_file::reserved_51() { return 10; }
int orvScene_api_file::reserved_52() { return 10; }
int orvScene_api_file::reserved_53() { return 0; }

// ---------------------------------------------------------------------------
// Single statements

void orvScene_api_file::attribute(const char* name, const char* value_text) {
  indented("attribute ");
  name_on_line(name);
  plain(" ");
  name_on_line(value_text);
  plain("\n");
}

void orvScene_api_file::write_text(const char* text) { indented(text_or_empty(text)); }

bool orvScene_api_file::set_flags(int flags) {
  flags_ = static_cast<uint32_t>(flags);
  raw_arrays_ = (flags_ & kRawArraysFlag) != 0;
  return raw_arrays_;
}

void orvScene_api_file::version(int version) {
  format_.assign("version ");
  append_int(format_, version == -1 ? 8 : version);
  format_.append("\n\n");
  indented(format_);
}

void orvScene_api_file::reserved_58() {}

void orvScene_api_file::progress(const char* label, float fraction) {
  indented("progress ");
  name_on_line(label);
  char text[kFixedRoom];
  format_.assign(" ");
  format_.append(text, put_fixed(text, fraction, 3));
  format_.append("\n\n");
  plain(format_);
}

void orvScene_api_file::icon(const unsigned char* data, int length) {
  indented("icon ");
  byte_string(data, length);
  indented("\n");
}

void orvScene_api_file::data_parameter(const char* name, const unsigned char* data, int length) {
  format_.assign(text_or_empty(name));
  format_.push_back(' ');
  indented(format_);
  byte_string(data, length);
  indented("\n");
}

void orvScene_api_file::id(unsigned id) { number_statement("id ", id); }

void orvScene_api_file::flags(unsigned flags) { number_statement("flags ", flags); }

bool orvScene_api_file::reserved_64() { return false; }

bool orvScene_api_file::render() {
  indented("\nrender\n");
  return true;
}

void orvScene_api_file::print(const char* text) { quoted_text_statement("#print \"", text); }

void orvScene_api_file::error(const char* text) { quoted_text_statement("#error \"", text); }

bool orvScene_api_file::modify_camera(const char* name) {
  indented("#modify ");
  return begin_camera(name);
}
