// What the change tracking remembers of a component between traversals: a
// few measures and text summaries, never geometry.
#pragma once

#include <map>
#include <set>
#include <string>

namespace addin {

struct ComponentState {
  bool visible = true;
  double area = 0.0;
  double volume = 0.0;
  // Per body, per appearance name in first-seen order: "<faces>x<name> ".
  std::string faceAppearanceSignature;
  std::map<std::string, bool> bodyVisibility;
  std::set<std::string> childComponents;

  // A measure that is not a number never matches, so such a component is
  // always sent again.
  bool differsFrom(const ComponentState& other) const;
};

// Keyed by component name; std::string orders by unsigned bytes.
using ComponentStates = std::map<std::string, ComponentState>;

}  // namespace addin
