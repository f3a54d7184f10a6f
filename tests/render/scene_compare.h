// Scene files compared as scenes: the groups with their transforms, the
// objects with their meshes and materials, the camera. What differs between
// an update and a full send by nature is left out: the banner, version,
// process attribute and import options, component flags (1 and 32769), the
// definition ids, and shader numbers, whose definitions are put in place of
// every reference to them.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "livelink/RecordedScene.h"
#include "livelink/SceneTextReader.h"

namespace scene_compare {

using livelink::Op;
using livelink::SceneNode;
using livelink::SceneNodes;

class Canonical {
 public:
  explicit Canonical(const SceneNodes& nodes) {
    collectShaders(nodes);
    for (const auto& node : nodes) write(node, 0, text_);
  }
  const std::string& text() const { return text_; }

 private:
  void collectShaders(const SceneNodes& nodes) {
    for (const auto& node : nodes) {
      if (node.call.op == Op::begin_shader_id) {
        std::string body;
        write(node, 0, body, true);
        shaders_[node.call.number] = body;
      }
      collectShaders(node.children);
    }
  }

  std::string shader(int64_t id) const {
    auto it = shaders_.find(id);
    return it == shaders_.end() ? "<undefined shader " + std::to_string(id) + ">" : it->second;
  }

  static std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", value);
    return buffer;
  }

  void write(const SceneNode& node, int depth, std::string& out, bool definition = false) const {
    const auto& c = node.call;
    switch (c.op) {
      case Op::print:
      case Op::version:
      case Op::attribute:
      case Op::write_text:
      case Op::set_flags:
      case Op::id:
      case Op::begin_load:
        return;
      case Op::begin_shader_id:
        if (!definition) return;  // written where it is used
        break;
      case Op::flags:
        if (c.number == 1 || c.number == 32769) return;
        break;
      default:
        break;
    }
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line += std::to_string(static_cast<int>(c.op));
    for (const auto& t : c.texts) line += " \"" + t + "\"";
    if (c.has_null_text) line += " null";
    if (c.in_place) line += " in_place";
    if (c.op == Op::assign_shader_id) {
      line += " kind " + std::to_string(c.number) + " {\n" +
              shader(static_cast<int64_t>(c.numbers.empty() ? 0 : c.numbers[0])) + "}";
    } else if (c.op == Op::link_shader_id) {
      line += " {\n" + shader(c.number) + "}";
    } else if (c.op != Op::begin_shader_id) {
      line += " " + std::to_string(c.number);
    }
    for (double v : c.numbers) {
      if (c.op != Op::assign_shader_id) line += " " + number(v);
    }
    if (!c.bytes.empty()) line += " bytes:" + std::to_string(c.bytes.size()) + ":" + c.bytes;
    for (const auto& s : c.strings) line += " \"" + s + "\"";
    if (c.shader) line += " shader " + std::to_string(c.shader);
    out += line + "\n";
    for (const auto& child : node.children) write(child, depth + 1, out);
  }

  std::map<int64_t, std::string> shaders_;
  std::string text_;
};

// The canonical text of a scene file, or a line starting with "unreadable".
inline std::string canonical(const std::string& sceneFileText) {
  livelink::SceneRecorder recorder;
  livelink::ReadError error;
  if (!livelink::read_scene_text(sceneFileText, recorder, &error)) {
    return "unreadable: " + livelink::describe(error);
  }
  return Canonical(recorder.nodes()).text();
}

}  // namespace scene_compare
