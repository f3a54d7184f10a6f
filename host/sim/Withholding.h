// Which host objects the stand-in host pretends not to have, so that every
// path the add-in takes when the host does not supply something can be run.
//
// An entry is a kind ("faces", "transform", ...) or a kind and the name of the
// object asked ("faces@Plate": only the faces of bodies named Plate). The
// kinds are listed in docs/design-format.md.
#pragma once

#include <set>
#include <string>

namespace host::sim {

class Withholding {
 public:
  void add(const std::string& entry) { entries_.insert(entry); }
  void remove(const std::string& entry) { entries_.erase(entry); }
  void clear() { entries_.clear(); }
  bool withheld(const std::string& kind, const std::string& name = {}) const {
    return !entries_.empty() && (entries_.count(kind) || entries_.count(kind + "@" + name));
  }

 private:
  std::set<std::string> entries_;
};

}  // namespace host::sim
