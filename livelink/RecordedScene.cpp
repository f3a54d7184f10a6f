#include "livelink/RecordedScene.h"

#include <cstring>
#include <map>

namespace livelink {
namespace {

constexpr uint32_t kUnchangedComponent = 1;
constexpr uint32_t kFullComponent = 32769;

// Bytes of one value of a type code; 0 for codes without a fixed layout.
size_t value_size(int code) {
  switch (code) {
    case ORV_FLOAT3:
      return 12;
    case ORV_FLOAT4:
    case ORV_FLOAT4B:
      return 16;
    case ORV_FLOAT:
      return 4;
    case ORV_DOUBLE:
      return 8;
    case ORV_DOUBLE3:
      return 24;
    case ORV_INT:
    case ORV_BOOL:
    case ORV_INT_B:
      return 4;
    case ORV_MATRIX:
      return 128;
    case ORV_FLOAT2:
      return 8;
    case ORV_INT2:
      return 8;
    case ORV_INT3:
      return 12;
    case ORV_INT4:
      return 16;
    default:
      return 0;
  }
}

// Element codes the text writer writes in arrays (texts aside).
bool array_element_known(int code) {
  switch (code) {
    case ORV_FLOAT3:
    case ORV_FLOAT4:
    case ORV_FLOAT:
    case ORV_DOUBLE:
    case ORV_DOUBLE3:
    case ORV_INT:
    case ORV_BOOL:
    case ORV_MATRIX:
    case ORV_INT_B:
      return true;
    default:
      return false;
  }
}

std::string text_or_empty(const char* text) { return text ? std::string(text) : std::string(); }

// Stores bytes in 8-byte words, so a replayed value is aligned for any type.
std::vector<uint64_t> words_of(const void* data, size_t size) {
  std::vector<uint64_t> words((size + 7) / 8);
  if (size > 0) std::memcpy(words.data(), data, size);
  return words;
}

// The begin that an end call of this kind closes (shaders: either begin).
bool closes(Op begin, Op end_kind) {
  if (end_kind == Op::begin_shader)
    return begin == Op::begin_shader || begin == Op::begin_shader_id;
  return begin == end_kind;
}

}  // namespace

struct SceneRecorder::State {
  SceneNodes root;
  std::vector<SceneNode*> open;  // path of open blocks, innermost last
  // Capture emulation, so current_shader hands out the handle a text writer
  // would: the id of the latest anonymous shader or of a restored one.
  uint64_t next_shader = 1;
  uint64_t current = 0;
  std::vector<uint64_t> buffer_stack;

  SceneNodes& level() { return open.empty() ? root : open.back()->children; }

  SceneCall& add(Op op) {
    SceneNodes& nodes = level();
    SceneNode node;
    node.call.op = op;
    nodes.push_back(std::move(node));
    return nodes.back().call;
  }

  SceneCall& begin(Op op) {
    SceneNodes& nodes = level();
    SceneNode block;
    block.call.op = op;
    block.is_block = true;
    nodes.push_back(std::move(block));
    // Safe to keep: while this block is open only its own children grow, so
    // the vector holding it never reallocates.
    SceneNode* node = &nodes.back();
    open.push_back(node);
    return node->call;
  }

  void end(Op kind) {
    if (!open.empty() && closes(open.back()->call.op, kind)) {
      open.pop_back();
      return;
    }
    SceneCall& call = add(Op::stray_end);
    call.end_of = kind;
  }
};

SceneRecorder::SceneRecorder() : state_(std::make_unique<State>()) {}
SceneRecorder::~SceneRecorder() = default;

const SceneNodes& SceneRecorder::nodes() const { return state_->root; }

SceneNodes SceneRecorder::take() {
  SceneNodes nodes = std::move(state_->root);
  state_ = std::make_unique<State>();
  return nodes;
}

namespace {

void copy_value(SceneCall& call, int type, const void* value) {
  call.number = type;
  if (!value) return;
  if (type == ORV_STRING) {
    call.strings.push_back(static_cast<const char*>(value));
    return;
  }
  if (type == ORV_STRING_REF) {
    call.strings.push_back(text_or_empty(*static_cast<const char* const*>(value)));
    return;
  }
  if (type == ORV_SHADER) {
    call.shader = reinterpret_cast<uintptr_t>(*static_cast<ShaderBuffer* const*>(value));
    return;
  }
  if (type > ORV_ARRAY && type < ORV_ARRAY + ORV_ARRAY) {
    const orvArray& array = *static_cast<const orvArray*>(value);
    int element = type - ORV_ARRAY;
    int32_t count = array.count > 0 && array.data ? array.count : 0;
    if (element == ORV_STRING || element == ORV_STRING_REF) {
      const char* const* texts = static_cast<const char* const*>(array.data);
      for (int32_t i = 0; i < count; ++i) call.strings.push_back(text_or_empty(texts[i]));
    } else if (array_element_known(element)) {
      size_t size = value_size(element) * static_cast<size_t>(count);
      std::vector<uint64_t> words = words_of(array.data, size);
      call.bytes.assign(reinterpret_cast<const char*>(words.data()), size);
      call.numbers.push_back(count);
    }
    return;
  }
  size_t size = value_size(type);
  call.bytes.assign(static_cast<const char*>(value), size);
}

}  // namespace

void SceneRecorder::reserved_1() { state_->add(Op::reserved_1); }

bool SceneRecorder::begin_group(const char* name, bool in_place) {
  SceneCall& c = state_->begin(Op::begin_group);
  c.texts = {text_or_empty(name)};
  c.in_place = in_place;
  return true;
}
void SceneRecorder::end_group() { state_->end(Op::begin_group); }

bool SceneRecorder::begin_object(const char* name, bool in_place) {
  SceneCall& c = state_->begin(Op::begin_object);
  c.texts = {text_or_empty(name)};
  c.in_place = in_place;
  return true;
}
void SceneRecorder::end_object() { state_->end(Op::begin_object); }

bool SceneRecorder::begin_geometry(const char* type) {
  state_->begin(Op::begin_geometry).texts = {text_or_empty(type)};
  return true;
}
void SceneRecorder::end_geometry() { state_->end(Op::begin_geometry); }

bool SceneRecorder::begin_animation(const char* name, const char* type) {
  state_->begin(Op::begin_animation).texts = {text_or_empty(name), text_or_empty(type)};
  return true;
}
void SceneRecorder::end_animation() { state_->end(Op::begin_animation); }

bool SceneRecorder::begin_load(const char* name) {
  state_->begin(Op::begin_load).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_load() { state_->end(Op::begin_load); }

bool SceneRecorder::begin_options() {
  state_->begin(Op::begin_options);
  return true;
}
void SceneRecorder::end_options() { state_->end(Op::begin_options); }

bool SceneRecorder::begin_camera(const char* name) {
  SceneCall& c = state_->begin(Op::begin_camera);
  c.texts = {text_or_empty(name)};
  c.has_null_text = name == nullptr;
  return true;
}
void SceneRecorder::end_camera() { state_->end(Op::begin_camera); }

bool SceneRecorder::begin_image() {
  state_->begin(Op::begin_image);
  return true;
}
void SceneRecorder::end_image() { state_->end(Op::begin_image); }

bool SceneRecorder::begin_output(const char* a, const char* b, const char* c) {
  state_->begin(Op::begin_output).texts = {text_or_empty(a), text_or_empty(b), text_or_empty(c)};
  return true;
}
void SceneRecorder::end_output() { state_->end(Op::begin_output); }

bool SceneRecorder::begin_light(const char* name) {
  state_->begin(Op::begin_light).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_light() { state_->end(Op::begin_light); }

bool SceneRecorder::begin_accel(const char* name) {
  state_->begin(Op::begin_accel).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_accel() { state_->end(Op::begin_accel); }

void SceneRecorder::transform(const double* matrix) {
  state_->add(Op::transform).numbers.assign(matrix, matrix + 16);
}
void SceneRecorder::set_transform(const double* matrix) {
  state_->add(Op::set_transform).numbers.assign(matrix, matrix + 16);
}
void SceneRecorder::scale(const double& x, const double& y, const double& z) {
  state_->add(Op::scale).numbers = {x, y, z};
}
void SceneRecorder::rotate(const double& x, const double& y, const double& z) {
  state_->add(Op::rotate).numbers = {x, y, z};
}
void SceneRecorder::translate(const double& x, const double& y, const double& z) {
  state_->add(Op::translate).numbers = {x, y, z};
}

bool SceneRecorder::begin_matrix(const char* name) {
  state_->begin(Op::begin_matrix).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_matrix() { state_->end(Op::begin_matrix); }

bool SceneRecorder::begin_material(const char* name, bool in_place) {
  SceneCall& c = state_->begin(Op::begin_material);
  c.texts = {text_or_empty(name)};
  c.in_place = in_place;
  return true;
}
bool SceneRecorder::use_material(const char* name) {
  state_->add(Op::use_material).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_material() { state_->end(Op::begin_material); }

void SceneRecorder::assign_shader(int kind, ShaderBuffer* shader) {
  SceneCall& c = state_->add(Op::assign_shader);
  c.number = kind;
  c.shader = reinterpret_cast<uintptr_t>(shader);
}
void SceneRecorder::assign_shader_id(int kind, int id) {
  SceneCall& c = state_->add(Op::assign_shader_id);
  c.number = kind;
  c.numbers = {static_cast<double>(id)};
}

bool SceneRecorder::begin_shader(const char* name, const char* type) {
  SceneCall& c = state_->begin(Op::begin_shader);
  c.texts = {text_or_empty(name), text_or_empty(type)};
  c.has_null_text = name == nullptr;
  state_->buffer_stack.push_back(state_->current);
  if (!name) state_->current = state_->next_shader++;
  return true;
}
bool SceneRecorder::begin_shader_id(const char* type, int id) {
  SceneCall& c = state_->begin(Op::begin_shader_id);
  c.texts = {text_or_empty(type)};
  c.number = id;
  state_->buffer_stack.push_back(state_->current);
  return true;
}
void SceneRecorder::end_shader() {
  // The buffer saved at the begin is dropped: the shader's buffer stays current.
  if (!state_->buffer_stack.empty()) state_->buffer_stack.pop_back();
  state_->end(Op::begin_shader);
}
ShaderBuffer* SceneRecorder::current_shader() {
  state_->add(Op::current_shader).shader = state_->current;
  return reinterpret_cast<ShaderBuffer*>(static_cast<uintptr_t>(state_->current));
}
int SceneRecorder::push_shader() {
  state_->add(Op::push_shader);
  state_->buffer_stack.push_back(state_->current);
  return static_cast<int>(state_->buffer_stack.size()) - 1;
}
void SceneRecorder::pop_shader() {
  state_->add(Op::pop_shader);
  if (state_->buffer_stack.empty()) {
    state_->current = 0;
  } else {
    state_->current = state_->buffer_stack.back();
    state_->buffer_stack.pop_back();
  }
}

bool SceneRecorder::parameter(const char* name, int type, const void* value) {
  SceneCall& c = state_->add(Op::parameter);
  c.texts = {text_or_empty(name)};
  copy_value(c, type, value);
  return true;
}
bool SceneRecorder::link_shader_id(const char* name, int id) {
  SceneCall& c = state_->add(Op::link_shader_id);
  c.texts = {text_or_empty(name)};
  c.number = id;
  return true;
}
bool SceneRecorder::link_shader(const char* name, ShaderBuffer* shader) {
  SceneCall& c = state_->add(Op::link_shader);
  c.texts = {text_or_empty(name)};
  c.shader = reinterpret_cast<uintptr_t>(shader);
  return true;
}

bool SceneRecorder::begin_array(const char* name) {
  state_->begin(Op::begin_array).texts = {text_or_empty(name)};
  return true;
}
void SceneRecorder::end_array() { state_->end(Op::begin_array); }
void SceneRecorder::array_element(int type, const void* value) {
  copy_value(state_->add(Op::array_element), type, value);
}

int SceneRecorder::reserved_51() { return 10; }
int SceneRecorder::reserved_52() { return 10; }
int SceneRecorder::reserved_53() { return 0; }

void SceneRecorder::attribute(const char* name, const char* value) {
  state_->add(Op::attribute).texts = {text_or_empty(name), text_or_empty(value)};
}
void SceneRecorder::write_text(const char* text) {
  state_->add(Op::write_text).texts = {text_or_empty(text)};
}
bool SceneRecorder::set_flags(int flags) {
  state_->add(Op::set_flags).number = flags;
  return (flags & 2) != 0;
}
void SceneRecorder::version(int version) { state_->add(Op::version).number = version; }
void SceneRecorder::reserved_58() {}
void SceneRecorder::progress(const char* label, float fraction) {
  SceneCall& c = state_->add(Op::progress);
  c.texts = {text_or_empty(label)};
  c.numbers = {fraction};
}
void SceneRecorder::icon(const unsigned char* data, int length) {
  SceneCall& c = state_->add(Op::icon);
  if (data && length > 0) c.bytes.assign(reinterpret_cast<const char*>(data), length);
}
void SceneRecorder::data_parameter(const char* name, const unsigned char* data, int length) {
  SceneCall& c = state_->add(Op::data_parameter);
  c.texts = {text_or_empty(name)};
  if (data && length > 0) c.bytes.assign(reinterpret_cast<const char*>(data), length);
}
void SceneRecorder::id(unsigned id) { state_->add(Op::id).number = id; }
void SceneRecorder::flags(unsigned flags) { state_->add(Op::flags).number = flags; }
bool SceneRecorder::reserved_64() { return false; }
bool SceneRecorder::render() {
  state_->add(Op::render);
  return true;
}
void SceneRecorder::print(const char* text) {
  state_->add(Op::print).texts = {text_or_empty(text)};
}
void SceneRecorder::error(const char* text) {
  state_->add(Op::error).texts = {text_or_empty(text)};
}

// ---- replay ---------------------------------------------------------------

namespace {

class Replayer {
 public:
  explicit Replayer(orvScene_api& target) : api_(target) {}

  void nodes(const SceneNodes& list) {
    for (const SceneNode& node : list) this->node(node);
  }

 private:
  ShaderBuffer* handle(uint64_t recorded) const {
    auto it = handles_.find(recorded);
    return it == handles_.end() ? nullptr : it->second;
  }

  // Calls fn with the value pointer the recorded value stands for.
  template <typename Fn>
  void with_value(const SceneCall& c, Fn fn) {
    int type = static_cast<int>(c.number);
    if (type == ORV_STRING) return fn(c.strings.empty() ? "" : c.strings[0].c_str());
    if (type == ORV_STRING_REF) {
      const char* text = c.strings.empty() ? "" : c.strings[0].c_str();
      return fn(&text);
    }
    if (type == ORV_SHADER) {
      ShaderBuffer* shader = handle(c.shader);
      return fn(&shader);
    }
    if (type > ORV_ARRAY && type < ORV_ARRAY + ORV_ARRAY) {
      int element = type - ORV_ARRAY;
      std::vector<const char*> texts;
      std::vector<uint64_t> words = words_of(c.bytes.data(), c.bytes.size());
      orvArray array{&array, 0};
      if (element == ORV_STRING || element == ORV_STRING_REF) {
        for (const auto& s : c.strings) texts.push_back(s.c_str());
        array.count = static_cast<int32_t>(texts.size());
        if (!texts.empty()) array.data = texts.data();
      } else if (!c.numbers.empty()) {
        array.count = static_cast<int32_t>(c.numbers[0]);
        if (!words.empty()) array.data = words.data();
      }
      return fn(&array);
    }
    std::vector<uint64_t> words = words_of(c.bytes.data(), c.bytes.size());
    words.resize(16);  // an unknown code still gets a readable, zeroed value
    return fn(words.data());
  }

  void node(const SceneNode& n) {
    const SceneCall& c = n.call;
    auto text = [&](size_t i) { return i < c.texts.size() ? c.texts[i].c_str() : ""; };
    switch (c.op) {
      case Op::reserved_1:
        api_.reserved_1();
        return;
      case Op::begin_group:
        api_.begin_group(text(0), c.in_place);
        break;
      case Op::begin_object:
        api_.begin_object(text(0), c.in_place);
        break;
      case Op::begin_geometry:
        api_.begin_geometry(text(0));
        break;
      case Op::begin_animation:
        api_.begin_animation(text(0), text(1));
        break;
      case Op::begin_load:
        api_.begin_load(text(0));
        break;
      case Op::begin_options:
        api_.begin_options();
        break;
      case Op::begin_camera:
        api_.begin_camera(c.has_null_text ? nullptr : text(0));
        break;
      case Op::begin_image:
        api_.begin_image();
        break;
      case Op::begin_output:
        api_.begin_output(text(0), text(1), text(2));
        break;
      case Op::begin_light:
        api_.begin_light(text(0));
        break;
      case Op::begin_accel:
        api_.begin_accel(text(0));
        break;
      case Op::begin_matrix:
        api_.begin_matrix(text(0));
        break;
      case Op::begin_material:
        api_.begin_material(text(0), c.in_place);
        break;
      case Op::begin_shader:
        api_.begin_shader(c.has_null_text ? nullptr : text(0), text(1));
        break;
      case Op::begin_shader_id:
        api_.begin_shader_id(text(0), static_cast<int>(c.number));
        break;
      case Op::begin_array:
        api_.begin_array(text(0));
        break;
      case Op::transform:
      case Op::set_transform: {
        double m[16] = {};
        for (size_t i = 0; i < 16 && i < c.numbers.size(); ++i) m[i] = c.numbers[i];
        if (c.op == Op::transform)
          api_.transform(m);
        else
          api_.set_transform(m);
        return;
      }
      case Op::scale:
      case Op::rotate:
      case Op::translate: {
        double v[3] = {};
        for (size_t i = 0; i < 3 && i < c.numbers.size(); ++i) v[i] = c.numbers[i];
        if (c.op == Op::scale)
          api_.scale(v[0], v[1], v[2]);
        else if (c.op == Op::rotate)
          api_.rotate(v[0], v[1], v[2]);
        else
          api_.translate(v[0], v[1], v[2]);
        return;
      }
      case Op::use_material:
        api_.use_material(text(0));
        return;
      case Op::assign_shader:
        api_.assign_shader(static_cast<int>(c.number), handle(c.shader));
        return;
      case Op::assign_shader_id:
        api_.assign_shader_id(static_cast<int>(c.number),
                              c.numbers.empty() ? 0 : static_cast<int>(c.numbers[0]));
        return;
      case Op::current_shader:
        handles_[c.shader] = api_.current_shader();
        return;
      case Op::push_shader:
        api_.push_shader();
        return;
      case Op::pop_shader:
        api_.pop_shader();
        return;
      case Op::parameter:
        with_value(c,
                   [&](const void* v) { api_.parameter(text(0), static_cast<int>(c.number), v); });
        return;
      case Op::link_shader_id:
        api_.link_shader_id(text(0), static_cast<int>(c.number));
        return;
      case Op::link_shader:
        api_.link_shader(text(0), handle(c.shader));
        return;
      case Op::array_element:
        with_value(c, [&](const void* v) { api_.array_element(static_cast<int>(c.number), v); });
        return;
      case Op::attribute:
        api_.attribute(text(0), text(1));
        return;
      case Op::write_text:
        api_.write_text(text(0));
        return;
      case Op::set_flags:
        api_.set_flags(static_cast<int>(c.number));
        return;
      case Op::version:
        api_.version(static_cast<int>(c.number));
        return;
      case Op::progress:
        api_.progress(text(0), c.numbers.empty() ? 0.0f : static_cast<float>(c.numbers[0]));
        return;
      case Op::icon:
        api_.icon(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                  static_cast<int>(c.bytes.size()));
        return;
      case Op::data_parameter:
        api_.data_parameter(text(0), reinterpret_cast<const unsigned char*>(c.bytes.data()),
                            static_cast<int>(c.bytes.size()));
        return;
      case Op::id:
        api_.id(static_cast<unsigned>(c.number));
        return;
      case Op::flags:
        api_.flags(static_cast<unsigned>(c.number));
        return;
      case Op::render:
        api_.render();
        return;
      case Op::print:
        api_.print(text(0));
        return;
      case Op::error:
        api_.error(text(0));
        return;
      case Op::stray_end:
        end(c.end_of);
        return;
    }
    nodes(n.children);
    end(c.op);
  }

  void end(Op begin) {
    switch (begin) {
      case Op::begin_group:
        api_.end_group();
        break;
      case Op::begin_object:
        api_.end_object();
        break;
      case Op::begin_geometry:
        api_.end_geometry();
        break;
      case Op::begin_animation:
        api_.end_animation();
        break;
      case Op::begin_load:
        api_.end_load();
        break;
      case Op::begin_options:
        api_.end_options();
        break;
      case Op::begin_camera:
        api_.end_camera();
        break;
      case Op::begin_image:
        api_.end_image();
        break;
      case Op::begin_output:
        api_.end_output();
        break;
      case Op::begin_light:
        api_.end_light();
        break;
      case Op::begin_accel:
        api_.end_accel();
        break;
      case Op::begin_matrix:
        api_.end_matrix();
        break;
      case Op::begin_material:
        api_.end_material();
        break;
      case Op::begin_shader:
      case Op::begin_shader_id:
        api_.end_shader();
        break;
      case Op::begin_array:
        api_.end_array();
        break;
      default:
        break;
    }
  }

  orvScene_api& api_;
  std::map<uint64_t, ShaderBuffer*> handles_;
};

bool is_group(const SceneNode& node) { return node.is_block && node.call.op == Op::begin_group; }

SceneCall* flags_call(SceneNode& group) {
  for (SceneNode& child : group.children) {
    if (!child.is_block && child.call.op == Op::flags) return &child.call;
  }
  return nullptr;
}

uint32_t flags_of(const SceneNode& group) {
  for (const SceneNode& child : group.children) {
    if (!child.is_block && child.call.op == Op::flags)
      return static_cast<uint32_t>(child.call.number);
  }
  return 0;
}

bool is_component(const SceneNode& node) {
  if (!is_group(node)) return false;
  uint32_t flags = flags_of(node);
  return flags == kUnchangedComponent || flags == kFullComponent;
}

const std::string& group_name(const SceneNode& node) {
  static const std::string empty;
  return node.call.texts.empty() ? empty : node.call.texts[0];
}

// The body groups of every component the held scene carries in full, by
// component name. A component's bodies are the same wherever it is placed.
void collect_bodies(const SceneNodes& nodes, std::map<std::string, const SceneNode*>& found) {
  for (const SceneNode& node : nodes) {
    if (!node.is_block) continue;
    if (is_component(node) && flags_of(node) != kUnchangedComponent) {
      found.emplace(group_name(node), &node);
    }
    collect_bodies(node.children, found);
  }
}

int fill_unchanged(SceneNodes& nodes, const std::map<std::string, const SceneNode*>& held) {
  int missing = 0;
  for (SceneNode& node : nodes) {
    if (!node.is_block) continue;
    missing += fill_unchanged(node.children, held);
    if (!is_group(node) || flags_of(node) != kUnchangedComponent) continue;
    auto it = held.find(group_name(node));
    if (it == held.end()) {
      ++missing;
      continue;
    }
    for (const SceneNode& child : it->second->children) {
      if (is_group(child) && !is_component(child)) node.children.push_back(child);
    }
    if (SceneCall* flags = flags_call(node)) flags->number = flags_of(*it->second);
  }
  return missing;
}

}  // namespace

void replay(const SceneNodes& nodes, orvScene_api& target) { Replayer(target).nodes(nodes); }

std::string scene_name(const SceneNodes& nodes) {
  for (const SceneNode& node : nodes) {
    if (is_group(node)) return group_name(node);
  }
  return std::string();
}

std::vector<std::string> top_group_names(const SceneNodes& nodes) {
  std::vector<std::string> names;
  for (const SceneNode& node : nodes) {
    if (is_group(node)) names.push_back(group_name(node));
  }
  return names;
}

int merge_update(SceneNodes& update, const SceneNodes& held) {
  std::map<std::string, const SceneNode*> bodies;
  collect_bodies(held, bodies);
  return fill_unchanged(update, bodies);
}

}  // namespace livelink
