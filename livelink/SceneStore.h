// The scenes a renderer instance holds, one per document name, and what it
// does with a complete stream: read it whole into a recorded scene (a text
// that does not read changes nothing), merge it as an update into the scene
// of the same name, and keep the result.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "livelink/RecordedScene.h"

namespace livelink {

class SceneStore {
 public:
  struct Outcome {
    bool accepted = false;
    std::string name;     // the document name the stream was held under
    std::string problem;  // why a stream was refused
    int unmatched = 0;    // unchanged components with nothing held to take bodies from
  };

  Outcome take_stream(std::string_view text);

  std::vector<std::string> names() const;
  bool holds(const std::string& name) const { return scenes_.count(name) != 0; }

  // The held scene as a scene file: the file header, then the stream's calls.
  std::string scene_file_text(const std::string& name) const;

  // The description the connection code reads:
  // <lvsim version=".." process_id=".."><scenes>
  //   <scene name="doc" modelset="active"><group name="doc"/></scene> ...
  // </scenes></lvsim>
  // An instance without scenes gives an empty <scenes/>.
  std::string scene_xml(int version, long long process_id) const;

 private:
  std::map<std::string, SceneNodes> scenes_;
};

// A file name for a held scene: the document name with every character
// outside letters, digits, blank, '-', '_' and '.' replaced by '_', and ".lvs".
std::string scene_file_name(const std::string& name);

}  // namespace livelink
