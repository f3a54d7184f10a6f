// Reads scene text back into a one-line outline of its groups and objects,
// so tests can state a tree's shape and flags without restating every byte:
//   group "Bolt" { flags 32769 ... object ... }   ->   Bolt/32769(o)
// Groups show their name, "/flags" when they have a flags statement and "@"
// when they carry a transform; objects show as "o".
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "scenemodel/LightNode.h"
#include "scenemodel/orvSceneapi_oo.h"
#include "support/scene_capture.h"

namespace outline {

inline std::string of(const std::string& sceneText) {
  struct Block {
    enum Kind { kGroup, kObject, kOther } kind;
    std::string name, flags;
    bool transformed = false;
    std::vector<std::string> children;
  };
  std::vector<Block> stack{{Block::kGroup, "", "", false, {}}};
  std::istringstream lines(sceneText);
  std::string line;
  while (std::getline(lines, line)) {
    const auto start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    const std::string text = line.substr(start);
    Block& top = stack.back();
    if (text.rfind("group \"", 0) == 0) {
      stack.push_back({Block::kGroup, text.substr(7, text.rfind('"') - 7), "", false, {}});
    } else if (text.rfind("object ", 0) == 0) {
      stack.push_back({Block::kObject, "", "", false, {}});
    } else if (text.back() == '{') {
      stack.push_back({Block::kOther, "", "", false, {}});
    } else if (text[0] == '}') {
      Block done = stack.back();
      stack.pop_back();
      if (stack.empty()) return "unbalanced";
      if (done.kind == Block::kObject) stack.back().children.push_back("o");
      if (done.kind != Block::kGroup) continue;
      std::string shown = done.name + (done.flags.empty() ? "" : "/" + done.flags) +
                          (done.transformed ? "@" : "") + "(";
      for (std::size_t i = 0; i < done.children.size(); ++i)
        shown += (i ? " " : "") + done.children[i];
      stack.back().children.push_back(shown + ")");
    } else if (top.kind == Block::kGroup && text.rfind("flags ", 0) == 0) {
      top.flags = text.substr(6);
    } else if (top.kind == Block::kGroup && text.rfind("transform ", 0) == 0) {
      top.transformed = true;
    }
  }
  std::string all;
  for (const auto& child : stack.front().children) all += (all.empty() ? "" : " ") + child;
  return all;
}

// The text a node writes through a wrapper on the file backend (indentation
// on, text arrays), without any file header or banner.
inline std::string textOf(orv::LightNode& node) {
  return capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    orv::orvSceneapi_oo wrapper(nullptr);
    wrapper.setSceneApi(&api);
    wrapper.emitNode(&node);
  });
}

}  // namespace outline
