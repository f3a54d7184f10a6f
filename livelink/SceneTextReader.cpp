#include "livelink/SceneTextReader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "sceneapi/orvScene_api.h"

namespace livelink {
namespace {

// Output flags the reader hands to set_flags: bit 0 is always set (as the
// writer's own default), bit 1 asks for raw arrays, bit 22 switches
// indentation off.
constexpr int kFlagBase = 1;
constexpr int kFlagRaw = 2;
constexpr int kFlagNoIndent = 1 << 22;

// The words of the shader kinds 0 to 3, as the assignments write them.
constexpr const char* kShaderKindNames[] = {"surface", "shadow", "volume", "reflection map"};

enum class Block {
  kGroup,
  kObject,
  kGeometry,
  kAnimation,
  kLoad,
  kOptions,
  kCamera,
  kImage,
  kOutput,
  kLight,
  kAccel,
  kMatrix,
  kMaterial,
  kShader,
  kAnonymousShader,
};

struct Failure {
  size_t pos;
  std::string message;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
// Characters that end a bare token (a number, a keyword, a keyword-style name).
bool ends_token(char c) {
  return is_space(c) || c == ',' || c == '[' || c == ']' || c == '{' || c == '}' || c == '"';
}

// Copies raw array data; an empty block copies nothing (and may have no target).
void copy_bytes(void* target, std::string_view data) {
  if (!data.empty()) std::memcpy(target, data.data(), data.size());
}

// Numbers are read and compared in the "C" form whatever the process locale,
// which is the form the writer uses.
std::string_view print_g(double value, char (&buffer)[64]) {
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return std::string_view(buffer, result.ptr - buffer);
}

// How one numeric token of the text can be reproduced by the writer.
struct NumberToken {
  std::string_view text;
  double value = 0;
  bool as_int = false;    // "%d" of an int gives the text back
  bool as_float = false;  // "%g" of a float gives the text back
  bool as_fixed = false;  // "%16.16f" of a double gives the text back
  int32_t int_value = 0;
};

std::optional<NumberToken> classify_number(std::string_view text) {
  if (text.empty() || text.size() > 400) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  NumberToken token;
  token.text = text;
  auto parsed = std::from_chars(first, last, token.value);
  if (parsed.ec == std::errc::result_out_of_range) {
    // A decimal beyond the double range; the writer never prints one.
    return std::nullopt;
  }
  if (parsed.ec != std::errc() || parsed.ptr != last) return std::nullopt;
  int32_t as_int = 0;
  auto integer = std::from_chars(first, last, as_int);
  if (integer.ec == std::errc() && integer.ptr == last) {
    token.int_value = as_int;
    token.as_int = std::to_string(as_int) == text;  // refuses "-0" and leading zeros
  }
  char buffer[64];
  const double value = token.value;
  if (!(std::fabs(value) > 3.4028235e38) || std::isinf(value) || std::isnan(value)) {
    token.as_float = print_g(static_cast<float>(value), buffer) == text;
  }
  size_t dot = text.find('.');
  if (dot != std::string_view::npos && text.size() - dot - 1 == 16) {
    char fixed[512];
    auto result = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, 16);
    token.as_fixed =
        result.ec == std::errc() && std::string_view(fixed, result.ptr - fixed) == text;
  }
  return token;
}

class Reader {
 public:
  Reader(std::string_view text, orvScene_api& api) : s_(text), api_(api) {}

  std::optional<Failure> run() {
    try {
      while (true) {
        skip_space();
        if (at_end()) break;
        statement();
      }
      if (!stack_.empty()) fail("the text ends inside an open block");
    } catch (Failure& failure) {
      return failure;
    }
    return std::nullopt;
  }

  int line_of(size_t pos) const {
    int line = 1;
    size_t next_raw = 0;
    for (size_t i = 0; i < pos && i < s_.size(); ++i) {
      while (next_raw < raw_spans_.size() && raw_spans_[next_raw].second <= i) ++next_raw;
      if (next_raw < raw_spans_.size() && i >= raw_spans_[next_raw].first) {
        i = raw_spans_[next_raw].second - 1;  // binary data carries no lines
        continue;
      }
      if (s_[i] == '\n') ++line;
    }
    return line;
  }

 private:
  // ---- low level ----------------------------------------------------------

  [[noreturn]] void fail(const std::string& message) { throw Failure{pos_, message}; }
  [[noreturn]] void fail_here(const char* what) {
    if (at_end()) fail(std::string(what) + ", found the end of the text");
    char c = s_[pos_];
    if (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127) {
      fail(std::string(what) + ", found '" + c + "'");
    }
    char code[8];
    std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(c));
    fail(std::string(what) + ", found byte " + code);
  }

  bool at_end() const { return pos_ >= s_.size(); }
  char peek(size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
  bool looking_at(std::string_view word) const { return s_.substr(pos_, word.size()) == word; }
  void skip_space() {
    while (!at_end() && is_space(s_[pos_])) ++pos_;
  }
  void skip_blanks() {
    while (!at_end() && is_blank(s_[pos_])) ++pos_;
  }
  void expect(char c, const char* what) {
    skip_space();
    if (peek() != c || at_end()) fail_here(what);
    ++pos_;
  }

  std::string_view bare_token() {
    size_t start = pos_;
    while (!at_end() && !ends_token(s_[pos_])) ++pos_;
    return s_.substr(start, pos_ - start);
  }
  // A keyword is a bare token followed by a token end.
  bool take_keyword(std::string_view word) {
    if (!looking_at(word)) return false;
    size_t after = pos_ + word.size();
    if (after < s_.size() && !ends_token(s_[after])) return false;
    pos_ = after;
    return true;
  }

  bool at_name() const { return peek() == '"' || (peek() == 'x' && peek(1) == 'X'); }

  std::string name() {
    skip_space();
    std::string out;
    if (peek() == '"') {
      size_t close = pos_ + 1;
      while (close < s_.size() && s_[close] != '"' && s_[close] != '\n') ++close;
      if (close >= s_.size() || s_[close] != '"') fail("unterminated name");
      out.assign(s_.substr(pos_ + 1, close - pos_ - 1));
      pos_ = close + 1;
      return out;
    }
    if (peek() == 'x' && peek(1) == 'X') {
      pos_ += 2;
      out = hex_bytes("hex name");
      return out;
    }
    fail_here("expected a name");
  }

  std::string hex_bytes(const char* what) {
    size_t start = pos_;
    while (!at_end() && is_hex(s_[pos_])) ++pos_;
    if ((pos_ - start) % 2 != 0) fail(std::string("odd number of digits in a ") + what);
    std::string out;
    out.reserve((pos_ - start) / 2);
    for (size_t i = start; i < pos_; i += 2) {
      out.push_back(static_cast<char>(hex_value(s_[i]) * 16 + hex_value(s_[i + 1])));
    }
    return out;
  }

  std::string byte_string() {
    skip_blanks();
    if (!(peek() == 'b' && peek(1) == 'X')) fail_here("expected a byte string (bX...)");
    pos_ += 2;
    return hex_bytes("byte string");
  }

  NumberToken number(const char* what) {
    skip_space();
    size_t start = pos_;
    std::string_view text = bare_token();
    auto token = classify_number(text);
    if (!token) {
      pos_ = start;
      fail_here(what);
    }
    return *token;
  }

  int32_t integer(const char* what) {
    NumberToken token = number(what);
    if (!token.as_int) {
      std::string owned(token.text);
      char* end = nullptr;
      unsigned long long u = std::strtoull(owned.c_str(), &end, 10);
      if (owned[0] != '-' && end == owned.c_str() + owned.size() && u <= UINT32_MAX) {
        return static_cast<int32_t>(static_cast<uint32_t>(u));
      }
      fail(std::string(what) + ": not an integer: " + owned);
    }
    return token.int_value;
  }

  // Numbers up to the end of the line (keyword style), a comma or a bracket.
  std::vector<NumberToken> numbers_on_line() {
    std::vector<NumberToken> out;
    while (true) {
      skip_blanks();
      if (at_end() || ends_token(peek())) break;
      out.push_back(number("expected a number"));
    }
    return out;
  }

  // ---- output modes -------------------------------------------------------

  void require(std::optional<bool> indent, std::optional<bool> raw) {
    bool change = false;
    if (indent && indent != indent_) change = true;
    if (raw && raw != raw_) change = true;
    if (!change) return;
    if (indent) indent_ = indent;
    if (raw) raw_ = raw;
    int flags = kFlagBase;
    if (!indent_.value_or(false)) flags |= kFlagNoIndent;
    if (raw_.value_or(true)) flags |= kFlagRaw;
    indent_ = indent_.value_or(false);
    raw_ = raw_.value_or(true);
    api_.set_flags(flags);
  }

  // The blanks in front of a statement that starts a line show whether the
  // writer indented: any blank means yes, none inside a block means no.
  // Returns the number of blanks, or -1 when the statement does not start a line.
  int observe_indentation() {
    size_t i = pos_;
    while (i > 0 && is_blank(s_[i - 1])) --i;
    if (i > 0 && s_[i - 1] != '\n') return -1;
    int blanks = static_cast<int>(pos_ - i);
    if (blanks > 0) {
      require(true, std::nullopt);
    } else if (!stack_.empty()) {
      require(false, std::nullopt);
    }
    return blanks;
  }

  // ---- blocks -------------------------------------------------------------

  void open(Block block) {
    if (static_cast<int>(stack_.size()) >= kMaxNesting) fail("blocks nested too deeply");
    stack_.push_back(block);
  }

  // Closes the innermost block; returns true when it was an anonymous shader.
  bool close_block() {
    if (stack_.empty()) fail("'}' without an open block");
    Block block = stack_.back();
    stack_.pop_back();
    switch (block) {
      case Block::kGroup:
        api_.end_group();
        break;
      case Block::kObject:
        api_.end_object();
        break;
      case Block::kGeometry:
        api_.end_geometry();
        break;
      case Block::kAnimation:
        api_.end_animation();
        break;
      case Block::kLoad:
        api_.end_load();
        break;
      case Block::kOptions:
        api_.end_options();
        break;
      case Block::kCamera:
        api_.end_camera();
        break;
      case Block::kImage:
        api_.end_image();
        break;
      case Block::kOutput:
        api_.end_output();
        break;
      case Block::kLight:
        api_.end_light();
        break;
      case Block::kAccel:
        api_.end_accel();
        break;
      case Block::kMatrix:
        api_.end_matrix();
        break;
      case Block::kMaterial:
        api_.end_material();
        break;
      case Block::kShader:
        api_.end_shader();
        break;
      case Block::kAnonymousShader:
        api_.end_shader();
        return true;
    }
    return false;
  }

  // ---- statements ---------------------------------------------------------

  // One statement; returns true when it closed an anonymous shader.
  bool statement() {
    size_t start = pos_;
    int blanks = observe_indentation();
    char c = peek();
    if (c == '}') {
      ++pos_;
      return close_block();
    }
    if (c == '/' && peek(1) == '/') {
      comment();
      return false;
    }
    if (c == '#') {
      directive(blanks);
      return false;
    }
    if (at_name()) {
      list_item();
      return false;
    }
    if (keyword_statement()) return false;
    pos_ = start;
    keyword_parameter();
    return false;
  }

  void comment() {
    size_t end = pos_;
    while (end < s_.size() && s_[end] != '\n') ++end;
    std::string text(s_.substr(pos_, end - pos_));
    bool line_end = end < s_.size();
    pos_ = line_end ? end + 1 : end;
    // The writer's own note in front of a surface shader of an unknown kind.
    if (text == "// assuming surface shader") {
      size_t save = pos_;
      skip_space();
      bool surface = take_keyword("surface");
      pos_ = save;
      if (surface) {
        pending_unknown_kind_ = true;
        return;
      }
    }
    if (!line_end) {
      api_.write_text(text.c_str());
      return;
    }
    text += '\n';
    // Empty lines after a comment belong to it, except the one that the next
    // statement writes itself.
    size_t scan = pos_;
    int newlines = 0;
    while (scan < s_.size() && is_space(s_[scan])) {
      if (s_[scan] == '\n') ++newlines;
      ++scan;
    }
    newlines -= leading_newlines_at(scan);
    size_t consumed = pos_;
    for (int i = 0; i < newlines; ++i) {
      while (s_[consumed] != '\n') ++consumed;
      ++consumed;
      text += '\n';
    }
    pos_ = consumed;
    api_.write_text(text.c_str());
  }

  // How many line breaks the statement at pos writes in front of itself.
  int leading_newlines_at(size_t pos) const {
    auto word_at = [&](size_t p, std::string_view word) {
      if (s_.substr(p, word.size()) != word) return false;
      size_t after = p + word.size();
      return after >= s_.size() || ends_token(s_[after]);
    };
    for (std::string_view word :
         {"group", "options", "camera", "image", "light", "accel", "render"}) {
      if (word_at(pos, word)) return 1;
    }
    if (word_at(pos, "#define")) {
      size_t p = pos + 7;
      while (p < s_.size() && is_blank(s_[p])) ++p;
      if (word_at(p, "group") || word_at(p, "material")) return 1;
    }
    return 0;
  }

  void directive(int blanks) {
    if (take_keyword("#define")) {
      skip_space();
      if (take_keyword("group")) return open_group(false);
      if (take_keyword("object")) return open_object(false);
      if (take_keyword("material")) return open_material(false);
      if (take_keyword("matrix")) {
        std::string n = name();
        expect('{', "expected '{' after the matrix name");
        open(Block::kMatrix);
        api_.begin_matrix(n.c_str());
        return;
      }
      if (take_keyword("shader")) return open_defined_shader();
      fail_here("expected group, object, material, matrix or shader after #define");
    }
    if (take_keyword("#print")) {
      std::string text = message_text(blanks);
      api_.print(text.c_str());
      return;
    }
    if (take_keyword("#error")) {
      std::string text = message_text(blanks);
      api_.error(text.c_str());
      return;
    }
    if (take_keyword("#modify")) {
      // "#modify " stands directly in front of a camera block.
      api_.write_text("#modify ");
      return;
    }
    fail_here("unknown directive");
  }

  // The verbatim text of #print and #error, between a double quote and a
  // double quote that ends the line. The writer indented the text and every
  // continuation line of it by the statement's own indentation; that is
  // taken out again.
  std::string message_text(int blanks) {
    skip_blanks();
    if (peek() != '"') fail_here("expected '\"' to open the message");
    size_t start = ++pos_;
    size_t close = std::string_view::npos;
    for (size_t i = start; i < s_.size(); ++i) {
      if (s_[i] == '"' && (i + 1 == s_.size() || s_[i + 1] == '\n')) {
        close = i;
        break;
      }
    }
    if (close == std::string_view::npos) fail("unterminated message text");
    std::string text;
    int strip = blanks > 0 ? blanks : 0;
    // The text is an indented write of its own: it starts with the indentation.
    for (int k = 0; k < strip && start < close && s_[start] == ' '; ++k) ++start;
    for (size_t i = start; i < close; ++i) {
      text += s_[i];
      if (s_[i] == '\n') {
        for (int k = 0; k < strip && i + 1 < close && s_[i + 1] == ' '; ++k) ++i;
      }
    }
    pos_ = close + 1;
    return text;
  }

  void open_group(bool in_place) {
    std::string n = name();
    expect('{', "expected '{' after the group name");
    open(Block::kGroup);
    api_.begin_group(n.c_str(), in_place);
  }
  void open_object(bool in_place) {
    std::string n = name();
    expect('{', "expected '{' after the object name");
    open(Block::kObject);
    api_.begin_object(n.c_str(), in_place);
  }
  void open_material(bool in_place) {
    std::string n = name();
    skip_space();
    if (in_place && peek() != '{') {
      api_.use_material(n.c_str());
      return;
    }
    expect('{', "expected '{' after the material name");
    open(Block::kMaterial);
    api_.begin_material(n.c_str(), in_place);
  }

  void open_defined_shader() {
    skip_space();
    if (at_name()) {
      std::string n = name();
      std::string type = name();
      expect('{', "expected '{' after the shader type");
      open(Block::kShader);
      api_.begin_shader(n.c_str(), type.c_str());
      return;
    }
    int32_t id = integer("expected a shader name or number");
    skip_blanks();
    // The type is written unquoted up to " {" at the end of the line.
    size_t start = pos_;
    size_t eol = start;
    while (eol < s_.size() && s_[eol] != '\n') ++eol;
    size_t brace = eol;
    while (brace > start && is_blank(s_[brace - 1])) --brace;
    if (brace == start || s_[brace - 1] != '{') fail("expected '{' at the end of the shader line");
    size_t type_end = brace - 1;
    if (type_end > start && s_[type_end - 1] == ' ') --type_end;
    std::string type(s_.substr(start, type_end - start));
    pos_ = brace;
    open(Block::kShader);
    api_.begin_shader_id(type.c_str(), id);
  }

  bool keyword_statement() {
    if (take_keyword("group")) return open_group(true), true;
    if (take_keyword("object")) return open_object(true), true;
    if (take_keyword("material")) return open_material(true), true;
    if (take_keyword("geometry")) {
      std::string type = name();
      expect('{', "expected '{' after the geometry type");
      open(Block::kGeometry);
      api_.begin_geometry(type.c_str());
      return true;
    }
    if (take_keyword("animation")) {
      std::string n = name();
      std::string type = name();
      expect('{', "expected '{' after the animation type");
      open(Block::kAnimation);
      api_.begin_animation(n.c_str(), type.c_str());
      return true;
    }
    if (take_keyword("load")) {
      std::string n = name();
      expect('{', "expected '{' after the module name");
      open(Block::kLoad);
      api_.begin_load(n.c_str());
      return true;
    }
    if (take_keyword("options")) {
      expect('{', "expected '{' after options");
      open(Block::kOptions);
      if (!api_.begin_options()) fail("options block not allowed here");
      return true;
    }
    if (take_keyword("image")) {
      expect('{', "expected '{' after image");
      open(Block::kImage);
      if (!api_.begin_image()) fail("image block not allowed here");
      return true;
    }
    if (take_keyword("camera")) {
      skip_space();
      bool named = at_name();
      std::string n = named ? name() : std::string();
      expect('{', "expected '{' to open the camera");
      open(Block::kCamera);
      if (!api_.begin_camera(named ? n.c_str() : nullptr)) fail("camera block not allowed here");
      return true;
    }
    if (take_keyword("output")) {
      std::string a = name();
      std::string b = name();
      std::string c = name();
      expect('{', "expected '{' after the output names");
      open(Block::kOutput);
      api_.begin_output(a.c_str(), b.c_str(), c.c_str());
      return true;
    }
    if (take_keyword("light")) {
      std::string n = name();
      expect('{', "expected '{' after the light name");
      open(Block::kLight);
      api_.begin_light(n.c_str());
      return true;
    }
    if (take_keyword("accel")) {
      std::string n = name();
      expect('{', "expected '{' after the accel name");
      open(Block::kAccel);
      api_.begin_accel(n.c_str());
      return true;
    }
    for (int kind = 0; kind < 4; ++kind) {
      static const char* const kKinds[] = {"surface", "shadow", "volume", "reflection"};
      if (!take_keyword(kKinds[kind])) continue;
      if (kind == 3) {
        skip_blanks();
        if (!take_keyword("map")) fail_here("expected 'map' after 'reflection'");
      }
      if (pending_unknown_kind_) {
        pending_unknown_kind_ = false;
        if (kind == 0) kind = 4;
      }
      skip_blanks();
      if (at_name() || peek() == '{') {
        ShaderBuffer* shader = anonymous_shader();
        // A keyword-style parameter with a shader value and this name ends its
        // line straight after the shader; an assignment ends it with an
        // indented line break, which carries the indentation.
        if (indent_.value_or(false) && !stack_.empty() && peek() == '\n') {
          api_.parameter(kShaderKindNames[kind > 3 ? 0 : kind], ORV_SHADER, &shader);
        } else {
          api_.assign_shader(kind, shader);
        }
      } else {
        // A shader number, or else a keyword-style parameter of that name.
        size_t value_start = pos_;
        std::optional<NumberToken> id = classify_number(bare_token());
        pos_ = value_start;
        if (id && id->as_int) {
          api_.assign_shader_id(kind, integer("expected a shader number"));
        } else {
          Value value = parse_value(true);
          pass_parameter(kShaderKindNames[kind > 3 ? 0 : kind], value);
        }
      }
      return true;
    }
    if (take_keyword("transform")) return matrix_statement(false), true;
    if (take_keyword("set")) {
      skip_blanks();
      if (!take_keyword("transform")) fail_here("expected 'transform' after 'set'");
      matrix_statement(true);
      return true;
    }
    for (int which = 0; which < 3; ++which) {
      static const char* const kWords[] = {"scale", "rotate", "translate"};
      if (!take_keyword(kWords[which])) continue;
      double v[3];
      for (double& x : v) x = number("expected a number").value;
      if (which == 0) api_.scale(v[0], v[1], v[2]);
      if (which == 1) api_.rotate(v[0], v[1], v[2]);
      if (which == 2) api_.translate(v[0], v[1], v[2]);
      return true;
    }
    if (take_keyword("attribute")) {
      std::string key = name();
      std::string value = name();
      api_.attribute(key.c_str(), value.c_str());
      return true;
    }
    if (take_keyword("version")) {
      api_.version(integer("expected a version number"));
      return true;
    }
    if (take_keyword("progress")) {
      std::string label = name();
      api_.progress(label.c_str(), static_cast<float>(number("expected a fraction").value));
      return true;
    }
    if (take_keyword("icon")) {
      std::string bytes = byte_string();
      api_.icon(reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<int>(bytes.size()));
      return true;
    }
    if (take_keyword("id")) {
      api_.id(static_cast<unsigned>(integer("expected an id")));
      return true;
    }
    if (take_keyword("flags")) {
      api_.flags(static_cast<unsigned>(integer("expected flags")));
      return true;
    }
    if (take_keyword("render")) {
      api_.render();
      return true;
    }
    return false;
  }

  void matrix_statement(bool replace) {
    double m[16];
    for (double& x : m) x = number("expected 16 numbers").value;
    if (replace) {
      api_.set_transform(m);
    } else {
      api_.transform(m);
    }
  }

  // name value (keyword style) or name bX.. (a byte-string parameter).
  void keyword_parameter() {
    std::string key(bare_token());
    if (key.empty()) fail_here("expected a statement");
    skip_blanks();
    if (peek() == 'b' && peek(1) == 'X') {
      std::string bytes = byte_string();
      api_.data_parameter(key.c_str(), reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size()));
      return;
    }
    Value value = parse_value(true);
    pass_parameter(key, value);
  }

  // Statements of the list style, which start with a name: parameters,
  // shader links and element-by-element arrays.
  void list_item() {
    std::string key = name();
    skip_blanks();
    if (peek() == '!') {
      ++pos_;
      skip_blanks();
      if (at_name() || peek() == '{') {
        ShaderBuffer* shader = anonymous_shader();
        api_.link_shader(key.c_str(), shader);
      } else {
        api_.link_shader_id(key.c_str(), integer("expected a shader number"));
      }
      expect(',', "expected ',' after the shader link");
      return;
    }
    if (peek() == '[' && (peek(1) == '\n' || peek(1) == '\r')) {
      ++pos_;
      element_array(key);
      return;
    }
    Value value = parse_value(false);
    pass_parameter(key, value);
    expect(',', "expected ',' after the parameter value");
  }

  // ---- values -------------------------------------------------------------

  struct Value {
    int code = 0;
    std::vector<float> floats;
    std::vector<double> doubles;
    std::vector<int32_t> ints;
    std::string text;
    std::vector<std::string> names;
    std::vector<const char*> name_pointers;
    ShaderBuffer* shader = nullptr;
    // Never null, so an empty array hands the writer a valid address.
    orvArray array{nullptr, 0};
  };

  void pass_parameter(const std::string& key, Value& value) {
    api_.parameter(key.c_str(), value.code, value_pointer(value));
  }

  const void* value_pointer(Value& value) {
    if ((value.code & ORV_ARRAY) != 0 && value.code != ORV_SHADER) {
      int element = value.code - ORV_ARRAY;
      value.array.data = &value.array;
      if (element == ORV_STRING_REF) {
        value.name_pointers.clear();
        for (auto& n : value.names) value.name_pointers.push_back(n.c_str());
        value.array.data = value.name_pointers.data();
      } else if (!value.floats.empty()) {
        value.array.data = value.floats.data();
      } else if (!value.doubles.empty()) {
        value.array.data = value.doubles.data();
      } else if (!value.ints.empty()) {
        value.array.data = value.ints.data();
      }
      return &value.array;
    }
    switch (value.code) {
      case ORV_STRING:
        return value.text.c_str();
      case ORV_SHADER:
        return &value.shader;
      case ORV_DOUBLE:
      case ORV_DOUBLE3:
      case ORV_MATRIX:
        return value.doubles.data();
      case ORV_INT:
      case ORV_BOOL:
      case ORV_INT2:
      case ORV_INT3:
      case ORV_INT4:
      case ORV_INT_B:
        return value.ints.data();
      default:
        return value.floats.data();
    }
  }

  // A single value up to the end of its line (keyword style), or up to a
  // comma or a closing bracket (list style, array elements).
  Value parse_value(bool keyword_style) {
    skip_blanks();
    Value value;
    if (keyword_style && (at_end() || peek() == '\n' || peek() == '\r')) {
      fail_here("expected a value");
    }
    if (peek() == '[') {
      ++pos_;
      parameter_array(value);
      return value;
    }
    if (at_name()) {
      size_t save = pos_;
      name();
      skip_blanks();
      bool shader = peek() == '{';
      pos_ = save;
      if (shader) {
        value.code = ORV_SHADER;
        value.shader = anonymous_shader();
        return value;
      }
      value.code = ORV_STRING;
      value.text = name();
      return value;
    }
    if (take_keyword("on") || take_keyword("off")) {
      value.code = ORV_BOOL;
      value.ints.push_back(s_[pos_ - 1] == 'n' ? 1 : 0);
      return value;
    }
    std::vector<NumberToken> tokens = numbers_on_line();
    if (tokens.empty()) fail_here("expected a value");
    numbers_to_value(tokens, value, false);
    return value;
  }

  static bool all(const std::vector<NumberToken>& tokens, bool NumberToken::*flag) {
    for (const auto& t : tokens) {
      if (!(t.*flag)) return false;
    }
    return true;
  }

  void numbers_to_value(const std::vector<NumberToken>& tokens, Value& value, bool element) {
    size_t n = tokens.size();
    bool ints = all(tokens, &NumberToken::as_int);
    bool floats = all(tokens, &NumberToken::as_float);
    auto take_floats = [&] {
      for (const auto& t : tokens) value.floats.push_back(static_cast<float>(t.value));
    };
    auto take_doubles = [&] {
      for (const auto& t : tokens) value.doubles.push_back(t.value);
    };
    auto take_ints = [&] {
      for (const auto& t : tokens) value.ints.push_back(t.int_value);
    };
    switch (n) {
      case 1:
        if (ints) {
          // Elements use the second int code, which the writer never gathers
          // into a raw block.
          value.code = element ? ORV_INT_B : ORV_INT;
          take_ints();
        } else if (tokens[0].as_fixed) {
          value.code = ORV_DOUBLE;
          take_doubles();
        } else {
          value.code = ORV_FLOAT;
          take_floats();
        }
        return;
      case 2:
        if (!floats && ints) {
          value.code = ORV_INT2;
          take_ints();
        } else {
          value.code = ORV_FLOAT2;
          take_floats();
        }
        return;
      case 3:
        if (floats) {
          value.code = ORV_FLOAT3;
          take_floats();
        } else if (ints) {
          value.code = ORV_INT3;
          take_ints();
        } else {
          value.code = ORV_DOUBLE3;
          take_doubles();
        }
        return;
      case 4:
        if (!floats && ints) {
          value.code = ORV_INT4;
          take_ints();
        } else {
          value.code = ORV_FLOAT4;
          take_floats();
        }
        return;
      case 16:
        value.code = ORV_MATRIX;
        take_doubles();
        return;
      default:
        fail("a value of " + std::to_string(n) + " numbers has no type");
    }
  }

  // After "[": a raw block or text elements, then "]".
  void parameter_array(Value& value) {
    skip_blanks();
    if (peek() == '\x01' && peek(1) == '\x02' && peek(2) == '\x03') {
      raw_parameter(value);
      expect(']', "expected ']' after the raw array");
      return;
    }
    std::vector<std::vector<NumberToken>> numeric;
    std::vector<std::string> names;
    while (true) {
      skip_space();
      if (peek() == ']') {
        ++pos_;
        break;
      }
      if (at_end()) fail("unterminated array");
      if (at_name()) {
        if (!numeric.empty()) fail("an array mixes names and numbers");
        names.push_back(name());
      } else {
        if (!names.empty()) fail("an array mixes names and numbers");
        std::vector<NumberToken> element;
        while (true) {
          skip_space();
          if (at_end() || ends_token(peek())) break;
          element.push_back(number("expected a number in the array"));
        }
        if (element.empty()) fail_here("expected an array element");
        numeric.push_back(std::move(element));
      }
      skip_space();
      if (peek() == ',') ++pos_;
    }
    if (!names.empty()) {
      value.code = ORV_ARRAY + ORV_STRING_REF;
      value.array.count = static_cast<int32_t>(names.size());
      value.names = std::move(names);
      return;
    }
    if (numeric.empty()) {
      // An empty text array; float quadruples are never written raw.
      value.code = ORV_ARRAY + ORV_FLOAT4;
      return;
    }
    size_t width = numeric[0].size();
    std::vector<NumberToken> flat;
    for (auto& element : numeric) {
      if (element.size() != width) fail("array elements of different sizes");
      flat.insert(flat.end(), element.begin(), element.end());
    }
    value.array.count = static_cast<int32_t>(numeric.size());
    bool ints = all(flat, &NumberToken::as_int);
    bool floats = all(flat, &NumberToken::as_float);
    bool fixed = true, any_fixed = false;
    for (const auto& t : flat) {
      if (t.as_fixed)
        any_fixed = true;
      else if (t.text != "-1")
        fixed = false;
    }
    int element = 0;
    if (width == 1) {
      if (ints && !any_fixed)
        element = ORV_INT;
      else if (fixed && any_fixed)
        element = ORV_DOUBLE;
      else
        element = ORV_FLOAT;
    } else if (width == 3) {
      element = floats ? ORV_FLOAT3 : ORV_DOUBLE3;
    } else if (width == 4) {
      element = ORV_FLOAT4;
    } else if (width == 16) {
      element = ORV_MATRIX;
    } else {
      fail("array elements of " + std::to_string(width) + " numbers have no type");
    }
    value.code = ORV_ARRAY + element;
    for (const auto& t : flat) {
      if (element == ORV_INT)
        value.ints.push_back(t.int_value);
      else if (element == ORV_FLOAT || element == ORV_FLOAT3 || element == ORV_FLOAT4)
        value.floats.push_back(static_cast<float>(t.value));
      else
        value.doubles.push_back(t.value == -1 && element == ORV_DOUBLE ? -1.0 : t.value);
    }
    if (element == ORV_INT || element == ORV_FLOAT || element == ORV_FLOAT3 ||
        element == ORV_DOUBLE) {
      require(std::nullopt, false);
    }
  }

  struct RawBlock {
    char tag;
    uint32_t count;
    std::string_view data;
  };

  RawBlock raw_block() {
    if (s_.size() - pos_ < 8) fail("raw array block cut short");
    char tag = s_[pos_ + 3];
    uint32_t count = 0;
    for (int i = 0; i < 4; ++i) {
      count |= static_cast<uint32_t>(static_cast<unsigned char>(s_[pos_ + 4 + i])) << (8 * i);
    }
    uint64_t size = 0;
    switch (tag) {
      case 'c':
      case 'f':
      case 'i':
        size = uint64_t{count} * 4;
        break;
      case 'r':
        size = uint64_t{count} * 8;
        break;
      default:
        fail(std::string("unknown raw array tag '") + tag + "'");
    }
    size_t start = pos_;
    if (size > s_.size() - pos_ - 8)
      fail("raw array of " + std::to_string(count) + " values is longer than the text");
    pos_ += 8;
    raw_spans_.emplace_back(start, pos_ + size);
    RawBlock block{tag, count, s_.substr(pos_, size)};
    pos_ += size;
    require(std::nullopt, true);
    return block;
  }

  void raw_parameter(Value& value) {
    RawBlock block = raw_block();
    switch (block.tag) {
      case 'c':
        if (block.count % 3 != 0) fail("raw float triples with a partial triple");
        value.code = ORV_ARRAY + ORV_FLOAT3;
        value.floats.resize(block.count);
        value.array.count = static_cast<int32_t>(block.count / 3);
        copy_bytes(value.floats.data(), block.data);
        break;
      case 'f':
        value.code = ORV_ARRAY + ORV_FLOAT;
        value.floats.resize(block.count);
        value.array.count = static_cast<int32_t>(block.count);
        copy_bytes(value.floats.data(), block.data);
        break;
      case 'i':
        value.code = ORV_ARRAY + ORV_INT;
        value.ints.resize(block.count);
        value.array.count = static_cast<int32_t>(block.count);
        copy_bytes(value.ints.data(), block.data);
        break;
      case 'r':
        value.code = ORV_ARRAY + ORV_DOUBLE;
        value.doubles.resize(block.count);
        value.array.count = static_cast<int32_t>(block.count);
        copy_bytes(value.doubles.data(), block.data);
        break;
    }
  }

  // After `name [` and the line break: elements one by one, an optional raw
  // block, then " ],".
  void element_array(const std::string& key) {
    if (!api_.begin_array(key.c_str())) fail("array refused");
    int count = 0;
    bool raw_seen = false;
    size_t separator_start = pos_;
    while (true) {
      skip_space();
      if (at_end()) fail("unterminated element array");
      if (peek() == ']') {
        ++pos_;
        break;
      }
      if (peek() == '\x01' && peek(1) == '\x02' && peek(2) == '\x03') {
        if (raw_seen) fail("two raw blocks in one array");
        raw_seen = true;
        raw_elements(raw_block());
        continue;
      }
      if (raw_seen) fail_here("expected ']' after the raw block");
      bool line_break_before =
          std::memchr(s_.data() + separator_start, '\n', pos_ - separator_start) != nullptr;
      Value value;
      if (at_name() || peek() == '{') {
        size_t save = pos_;
        if (peek() != '{') name();
        skip_blanks();
        bool shader = peek() == '{';
        pos_ = save;
        if (shader) {
          value.code = ORV_SHADER;
          value.shader = anonymous_shader();
        } else {
          value.code = ORV_STRING;
          value.text = name();
        }
      } else if (take_keyword("on") || take_keyword("off")) {
        value.code = ORV_BOOL;
        value.ints.push_back(s_[pos_ - 1] == 'n' ? 1 : 0);
      } else {
        std::vector<NumberToken> tokens;
        while (true) {
          skip_blanks();
          if (at_end() || ends_token(peek())) break;
          tokens.push_back(number("expected a number in the array"));
        }
        if (tokens.empty()) fail_here("expected an array element");
        numbers_to_value(tokens, value, true);
        if (value.code == ORV_FLOAT3 && count > 0 && count % 6 != 0 && count % 2 == 0 &&
            !line_break_before) {
          // The writer breaks the line before every second triple of floats;
          // without the break these were three doubles.
          value.code = ORV_DOUBLE3;
          for (float f : value.floats) value.doubles.push_back(f);
          value.floats.clear();
        }
        if (value.code == ORV_FLOAT3 || value.code == ORV_FLOAT) require(std::nullopt, false);
      }
      api_.array_element(value.code, value_pointer(value));
      ++count;
      skip_space();
      separator_start = pos_;
      if (peek() == ',') {
        ++pos_;
      } else if (peek() != ']' && !(peek() == '\x01' && peek(1) == '\x02')) {
        fail_here("expected ',' or ']' in the array");
      }
    }
    api_.end_array();
    expect(',', "expected ',' after the array");
  }

  void raw_elements(const RawBlock& block) {
    const char* data = block.data.data();
    auto word = [&](uint32_t i) {
      uint32_t w;
      std::memcpy(&w, data + 4 * i, 4);
      return w;
    };
    if (block.tag == 'r') fail("raw doubles cannot stand in an element array");
    int code = block.tag == 'c' ? ORV_FLOAT3 : block.tag == 'f' ? ORV_FLOAT : ORV_INT;
    if (code == ORV_FLOAT3 && block.count < 3) fail("raw float triples with a partial triple");
    // The tag is that of the last element gathered, so a block that does not
    // divide into triples starts with single floats.
    uint32_t singles = block.count;
    if (code == ORV_FLOAT3) singles = block.count % 3 == 0 ? 0 : block.count - 3;
    for (uint32_t i = 0; i < singles; ++i) {
      uint32_t w = word(i);
      api_.array_element(code == ORV_INT ? ORV_INT : ORV_FLOAT, &w);
    }
    if (code == ORV_FLOAT3) {
      for (uint32_t i = singles; i + 3 <= block.count; i += 3) {
        float triple[3];
        std::memcpy(triple, data + 4 * i, 12);
        api_.array_element(ORV_FLOAT3, triple);
      }
    }
  }

  // An anonymous shader used as a value: `type { ... }`. It is captured by
  // the target, bracketed so that an outer capture continues afterwards.
  ShaderBuffer* anonymous_shader() {
    skip_blanks();
    std::string type = name();
    expect('{', "expected '{' to open the shader");
    open(Block::kAnonymousShader);
    api_.push_shader();
    api_.begin_shader(nullptr, type.c_str());
    while (true) {
      skip_space();
      if (at_end()) fail("the text ends inside a shader");
      if (statement()) break;
    }
    ShaderBuffer* shader = api_.current_shader();
    api_.pop_shader();
    return shader;
  }

  std::string_view s_;
  orvScene_api& api_;
  size_t pos_ = 0;
  std::vector<Block> stack_;
  std::vector<std::pair<size_t, size_t>> raw_spans_;
  std::optional<bool> indent_;
  std::optional<bool> raw_;
  bool pending_unknown_kind_ = false;
};

}  // namespace

bool read_scene_text(std::string_view text, orvScene_api& target, ReadError* error) {
  Reader reader(text, target);
  std::optional<Failure> failure = reader.run();
  if (!failure) return true;
  if (error) {
    error->line = reader.line_of(failure->pos);
    error->message = failure->message;
  }
  return false;
}

std::string describe(const ReadError& error) {
  return "line " + std::to_string(error.line) + ": " + error.message;
}

}  // namespace livelink
