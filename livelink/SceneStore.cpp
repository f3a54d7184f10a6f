#include "livelink/SceneStore.h"

#include "livelink/Instances.h"
#include "livelink/SceneTextReader.h"
#include "sceneapi/orvScene_api_file.h"

namespace livelink {
namespace {

class StringSink : public SceneTextSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  bool write(const char* data, size_t size) override {
    out_.append(data, size);
    return true;
  }

 private:
  std::string& out_;
};

}  // namespace

SceneStore::Outcome SceneStore::take_stream(std::string_view text) {
  Outcome outcome;
  SceneRecorder recorder;
  ReadError error;
  if (!read_scene_text(text, recorder, &error)) {
    outcome.problem = "the scene text does not read: " + describe(error);
    return outcome;
  }
  SceneNodes scene = recorder.take();
  outcome.name = scene_name(scene);
  auto held = scenes_.find(outcome.name);
  outcome.unmatched = merge_update(scene, held != scenes_.end() ? held->second : SceneNodes());
  scenes_[outcome.name] = std::move(scene);
  outcome.accepted = true;
  return outcome;
}

std::vector<std::string> SceneStore::names() const {
  std::vector<std::string> out;
  for (const auto& entry : scenes_) out.push_back(entry.first);
  return out;
}

std::string SceneStore::scene_file_text(const std::string& name) const {
  std::string text;
  auto it = scenes_.find(name);
  if (it == scenes_.end()) return text;
  StringSink sink(text);
  {
    orvScene_api_file writer(&sink, true);
    writer.write_text("//---orvane:dal:7---\n");
    writer.write_text("//---import:dal:1---\n");
    writer.write_text("//---id:1---\n");
    writer.write_text("// This is a LumiVex scene file\n\n");
    replay(it->second, writer);
  }
  return text;
}

std::string SceneStore::scene_xml(int version, long long process_id) const {
  std::string xml = "<lvsim version=\"" + std::to_string(version) + "\" process_id=\"" +
                    std::to_string(process_id) + "\">\n";
  if (scenes_.empty()) return xml + " <scenes/>\n</lvsim>\n";
  xml += " <scenes>\n";
  for (const auto& [name, nodes] : scenes_) {
    xml += "  <scene name=\"" + xml_escape(name) + "\" modelset=\"active\">";
    for (const std::string& group : top_group_names(nodes)) {
      xml += "<group name=\"" + xml_escape(group) + "\"/>";
    }
    xml += "</scene>\n";
  }
  return xml + " </scenes>\n</lvsim>\n";
}

std::string scene_file_name(const std::string& name) {
  std::string out;
  for (char c : name) {
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == ' ' || c == '-' || c == '_' || c == '.';
    out += keep ? c : '_';
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out + ".lvs";
}

}  // namespace livelink
