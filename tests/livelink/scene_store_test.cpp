// The scenes a stand-in renderer holds: streams recorded and replayed byte
// for byte, updates merged so the held scene is always what a full Render of
// the current design gives, refused streams leaving everything as it was.
#include <gtest/gtest.h>

#include <string>

#include "livelink/Instances.h"
#include "livelink/RecordedScene.h"
#include "livelink/SceneStore.h"
#include "render_streams.h"
#include "support/scene_capture.h"

namespace {

using render_streams::Design;

std::string stream(const Design& d, bool full) {
  return capture_scene([&](orvScene_api& api) { render_streams::render(api, d, full); }, true);
}

// What the held scene must be: the file of one full Render of the design.
std::string full_file(const Design& d) {
  return capture_scene(
      [&](orvScene_api& api) {
        render_streams::header(api);
        render_streams::render(api, d, true);
      },
      true);
}

TEST(SceneStore, UpdatesMergeIntoTheHeldScene) {
  struct Press {
    const char* what;
    Design design;
    bool full;
  };
  Design moved;
  moved.part_x = 7;
  moved.root_changed = moved.part_changed = false;
  moved.adjust_camera = false;
  Design recoloured = moved;
  recoloured.part_red = 0.125f;
  recoloured.part_changed = true;
  Design untouched = recoloured;
  untouched.part_changed = false;
  Design placed_twice = untouched;
  placed_twice.second_part = true;
  placed_twice.root_changed = true;  // its child components changed
  const Press presses[] = {
      {"first render", Design{}, true},
      {"part moved, nothing changed", moved, false},
      {"part recoloured", recoloured, false},
      {"no change at all", untouched, false},
      {"part placed a second time", placed_twice, false},
  };
  livelink::SceneStore store;
  for (const Press& press : presses) {
    SCOPED_TRACE(press.what);
    livelink::SceneStore::Outcome outcome = store.take_stream(stream(press.design, press.full));
    ASSERT_TRUE(outcome.accepted) << outcome.problem;
    EXPECT_EQ(outcome.name, "Bracket");
    EXPECT_EQ(store.scene_file_text("Bracket"), full_file(press.design));
  }
  // The second placement had never been held: it found nothing to keep.
  EXPECT_EQ(store.take_stream(stream(placed_twice, false)).unmatched, 0);
}

TEST(SceneStore, AnUpdateWithoutAHeldSceneKeepsItsSkeletonAndSaysSo) {
  Design update;
  update.root_changed = update.part_changed = false;
  livelink::SceneStore store;
  livelink::SceneStore::Outcome outcome = store.take_stream(stream(update, false));
  ASSERT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.unmatched, 2);
  EXPECT_EQ(store.scene_file_text("Bracket"), capture_scene(
                                                  [&](orvScene_api& api) {
                                                    render_streams::header(api);
                                                    render_streams::render(api, update, false);
                                                  },
                                                  true));
}

TEST(SceneStore, ARefusedStreamChangesNothing) {
  livelink::SceneStore store;
  ASSERT_TRUE(store.take_stream(stream(Design{}, true)).accepted);
  const std::string held = store.scene_file_text("Bracket");
  std::string broken = stream(Design{}, true);
  broken.resize(broken.size() - 10);  // the closing braces are missing
  livelink::SceneStore::Outcome outcome = store.take_stream(broken);
  EXPECT_FALSE(outcome.accepted);
  EXPECT_NE(outcome.problem.find("does not read"), std::string::npos) << outcome.problem;
  EXPECT_EQ(store.scene_file_text("Bracket"), held);
}

TEST(SceneStore, ScenesAreHeldPerDocumentAndDescribedAsXml) {
  livelink::SceneStore store;
  EXPECT_EQ(store.scene_xml(9, 42),
            "<lvsim version=\"9\" process_id=\"42\">\n <scenes/>\n</lvsim>\n");
  ASSERT_TRUE(store.take_stream(stream(Design{}, true)).accepted);
  ASSERT_TRUE(store
                  .take_stream(capture_scene([](orvScene_api& api) {
                    api.begin_group("A<&>\"b", true);
                    api.end_group();
                  }))
                  .accepted);
  EXPECT_EQ(store.names().size(), 2u);
  EXPECT_EQ(store.scene_xml(10, 7),
            "<lvsim version=\"10\" process_id=\"7\">\n <scenes>\n"
            "  <scene name=\"A&lt;&amp;&gt;&quot;b\" modelset=\"active\">"
            "<group name=\"A&lt;&amp;&gt;&quot;b\"/></scene>\n"
            "  <scene name=\"Bracket\" modelset=\"active\"><group name=\"Bracket\"/></scene>\n"
            " </scenes>\n</lvsim>\n");
}

TEST(SceneStore, FileNamesOfScenesStayInTheirFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"Bracket", "Bracket.lvs"}, {"../../etc/passwd", ".._.._etc_passwd.lvs"},
      {"C:\\x", "C__x.lvs"},      {"", "_.lvs"},
      {"..", "_...lvs"},          {"Caf\xc3\xa9 v2", "Caf__ v2.lvs"},
  };
  for (const auto& [name, file] : cases) EXPECT_EQ(livelink::scene_file_name(name), file) << name;
}

TEST(SceneRecorder, ReplayGivesTheSameCallsAsRecorded) {
  // Captured shaders inside captured shaders, stray ends and element arrays:
  // the recorder hands out handles as the writer does, so the replay matches.
  auto body = [](orvScene_api& api) {
    render_streams::render(api, Design{}, true);
    api.end_group();  // an end without its begin
    api.begin_material("m", true);
    api.begin_shader(nullptr, "outer");
    api.push_shader();
    api.begin_shader(nullptr, "inner");
    api.end_shader();
    ShaderBuffer* inner = api.current_shader();
    api.pop_shader();
    api.parameter("input", ORV_SHADER, &inner);
    api.end_shader();
    api.assign_shader(ORV_SHADOW, api.current_shader());
    api.end_material();
    api.begin_array("e");
    const float f = 1.5f;
    api.array_element(ORV_FLOAT, &f);
    api.array_element(ORV_STRING, "s");
    api.end_array();
  };
  for (bool raw : {false, true}) {
    livelink::SceneRecorder recorder;
    body(recorder);
    std::string replayed =
        capture_scene([&](orvScene_api& api) { livelink::replay(recorder.nodes(), api); }, raw);
    EXPECT_EQ(replayed, capture_scene(body, raw));
  }
}

TEST(InstanceRecords, OnlyCompleteRecordsRead) {
  livelink::InstanceRecord record{10, 4242, 47601};
  EXPECT_EQ(livelink::record_text(record),
            "lumivex-instance 1\nversion_major 10\nprocess_id 4242\nlivelink_port 47601\n");
  auto back = livelink::parse_record(livelink::record_text(record));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->version, 10);
  EXPECT_EQ(back->process_id, 4242);
  EXPECT_EQ(back->port, 47601);
  for (const char* bad :
       {"", "lumivex-instance 1\nversion_major 9\nprocess_id 1\n",
        "lumivex-instance 2\nversion_major 9\nprocess_id 1\nlivelink_port 2\n",
        "lumivex-instance 1\nversion_major -9\nprocess_id 1\nlivelink_port 2\n",
        "lumivex-instance 1\nversion_major 9\nprocess_id 1\nlivelink_port 70000\n",
        "lumivex-instance 1\nversion_major 9\nprocess_id 0\nlivelink_port 2\n",
        "lumivex-instance 1\nversion_major 99999999999999999999\n"}) {
    EXPECT_FALSE(livelink::parse_record(bad)) << bad;
  }
}

}  // namespace
