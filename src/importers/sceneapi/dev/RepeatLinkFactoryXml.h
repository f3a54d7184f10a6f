// The two XML texts of the live-link library (the running instances and one
// instance's scene) as a small tree of elements. The reading is bounded: a
// hostile or broken text gives nothing, never a crash.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv::linkxml {

struct Element {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // in document order
  // The element's text: its first child node when that is text, else nothing.
  std::optional<std::string> text;
  std::vector<Element> children;

  // The value of the first attribute of that name, or null.
  const std::string* attribute(std::string_view attributeName) const;
};

// Elements nested deeper than this make the text unreadable.
inline constexpr int kMaxDepth = 100;

// The root element of the text; nothing when the text is null, does not
// parse, or has no root element.
std::optional<Element> parseDocument(const char* text);

}  // namespace orv::linkxml
