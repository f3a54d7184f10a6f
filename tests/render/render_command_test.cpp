// The Render command on the converter, with an in-memory host and an
// in-memory live-link library: what goes on the link for a new scene and an
// update, and what a failed link leaves behind.
#include <gtest/gtest.h>

#include "FakeHost.h"
#include "SceneOutline.h"
#include "addin/FusionSceneConverter.h"
#include "addin/RenderCommand.h"
#include "link_fakes.h"
#include "platform/process_control.h"
#include "support/scene_capture.h"

namespace {

using addin::FusionSceneConverter;
using link_fakes::FakeAccess;

const std::string kNoSceneApiMessage =
    "Live link failed. Reason: \"Failed to connect. Could not get a scene api. Please check your "
    "LumiVex installation.\n\"";

struct Design {
  host::Ptr<fake::Document> document;
  host::Ptr<fake::Component> root, part, bolt;
  host::Ptr<fake::Face> partFace;
  host::Ptr<host::Appearance> red, blue;
};

// A root with a body, a part placed once and a bolt placed twice.
Design makeDesign(const std::string& name) {
  Design d;
  d.red = fake::appearance("Red", {});
  d.blue = fake::appearance("Blue", {});
  d.partFace = fake::face(d.red);
  d.part = fake::component("Part", {fake::body("Plate", {d.partFace})});
  d.bolt = fake::component("Bolt", {fake::body("Shank", {fake::face(d.blue)})});
  d.root = fake::component("Box", {fake::body("Base", {fake::face(d.red)})});
  fake::place(d.root, d.part, fake::translation(1, 0, 0));
  fake::place(d.root, d.bolt, fake::translation(0, 1, 0));
  fake::place(d.root, d.bolt, fake::translation(0, 2, 0));
  d.document = fake::document(name, {fake::design(d.root, "mm")});
  return d;
}

// The outline of what one press sent, and the text of its options block.
struct Sent {
  std::string outline;
  std::string text;
};

struct RenderFixture : ::testing::Test {
  RenderFixture() : converter(app->ui, app) {
    // No renderer runs until the command launches one, which then shows
    // nothing until it gets a scene.
    access.onLaunch = [this] {
      access.query.listing = link_fakes::listing({link_fakes::instance(9, 42, 47600)});
      access.query.scenes = {{42, link_fakes::kEmptyScene}};
    };
    access.scene.acceptingPorts = {47600};
  }

  Sent press(const host::Ptr<host::Document>& document) {
    converter.renderScene(document, access);
    livelink::SceneNodes nodes = access.scene.take();
    Sent sent;
    sent.text = capture_scene([&](orvScene_api& api) {
      api.set_flags(1);
      livelink::replay(nodes, api);
    });
    sent.outline = outline::of(sent.text);
    return sent;
  }

  // The renderer now shows the scene under this name.
  void rendererShows(const std::string& name) {
    access.query.scenes = {{42, link_fakes::showing(name)}};
  }

  host::Ptr<fake::Application> app = std::make_shared<fake::Application>();
  FusionSceneConverter converter;
  FakeAccess access;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ProcessIdentifier, IsTheHostProcessInHexadecimal) {
  EXPECT_EQ(addin::processIdentifierText(300), "Fusion 360, 0x12c");
  EXPECT_EQ(addin::processIdentifierText(0xdeadbeef), "Fusion 360, 0xdeadbeef");
}

TEST_F(RenderFixture, FirstPressLaunchesAndSendsEverythingThenUpdatesSendOnlyWhatChanged) {
  app->prefs->general->orientation = host::ZUpModelingOrientation;
  Design d = makeDesign("Box v3");

  Sent first = press(d.document);
  EXPECT_EQ(access.launches.size(), 1u);
  EXPECT_EQ(first.outline,
            "Box(Box/32769(Part/32769@(Plate/1024(Plate/65536(o))) Bolt/32769@(Shank/1024("
            "Shank/65536(o))) Bolt/32769@(Shank/1024(Shank/65536(o))) Base/1024(Base/65536(o))))");
  EXPECT_TRUE(contains(first.text, "#print \"LumiVex SceneApi oo 9.1.3"));
  EXPECT_TRUE(contains(first.text,
                       "\"process identifier\" \"" +
                           addin::processIdentifierText(platform::current_process_id()) + "\""));
  EXPECT_TRUE(contains(first.text, "\"import_up_vector\" 2,")) << first.text;
  EXPECT_TRUE(contains(first.text, "\"meter_scale\" 1000,"));
  EXPECT_TRUE(contains(first.text, "\"import_adjust_camera\" on,"));
  EXPECT_TRUE(contains(first.text, "\"import_adjust_environment\" on,"));
  EXPECT_TRUE(contains(first.text, "\"import_center_geometry\" off,"));
  EXPECT_TRUE(contains(first.text, "\"import_snap_to_ground\" off,"));
  EXPECT_TRUE(contains(first.text, "\"import_keep_original\" off,"));
  EXPECT_TRUE(contains(first.text, "\"import_use_camera\" \"Active Camera\","));
  EXPECT_TRUE(contains(first.text, "camera \"Active Camera\""));
  // The order on the link: banner, process attribute, options, camera, design.
  const size_t attribute = first.text.find("process identifier");
  const size_t options = first.text.find("load \"orvrtopt.so\"");
  const size_t camera = first.text.find("camera \"Active Camera\"");
  const size_t design = first.text.find("group \"Box\"");
  EXPECT_LT(first.text.find("#print"), attribute);
  EXPECT_LT(attribute, options);
  EXPECT_LT(options, camera);
  EXPECT_LT(camera, design);
  EXPECT_EQ(access.scene.disconnects, 1) << "the link is closed at the end of the press";
  EXPECT_TRUE(app->ui->messages.empty());

  // Unchanged, and a new version of the document: the same scene, updated.
  rendererShows("Box");
  d.document->documentName = "Box v4";
  Sent second = press(d.document);
  EXPECT_EQ(access.launches.size(), 1u) << "the running renderer is used";
  EXPECT_EQ(second.outline, "Box(Box/1(Part/1@() Bolt/1@() Bolt/1@()))");
  EXPECT_TRUE(contains(second.text, "\"import_adjust_camera\" off,"));
  EXPECT_TRUE(contains(second.text, "\"import_adjust_environment\" off,"));
  EXPECT_TRUE(contains(second.text, "camera \"Active Camera\""));

  // One component changed: only it carries its bodies.
  d.partFace->look = d.blue;
  Sent third = press(d.document);
  EXPECT_EQ(third.outline,
            "Box(Box/1(Part/32769@(Plate/1024(Plate/65536(o))) Bolt/1@() Bolt/1@()))");

  // The renderer lost the scene: everything again, with adjustment on.
  access.query.scenes = {{42, link_fakes::kEmptyScene}};
  Sent fourth = press(d.document);
  EXPECT_EQ(fourth.outline, first.outline);
  EXPECT_TRUE(contains(fourth.text, "\"import_adjust_camera\" on,"));
}

TEST_F(RenderFixture, AFailedLinkShowsOneMessageAndChangesNoState) {
  Design d = makeDesign("Box v1");
  press(d.document);
  rendererShows("Box");
  const auto sent = converter.sentStates();
  const auto current = converter.currentStates();

  access.withScene = false;
  d.partFace->look = d.blue;
  press(d.document);
  ASSERT_EQ(app->ui->messages.size(), 1u);
  EXPECT_EQ(app->ui->messages[0].text, kNoSceneApiMessage);
  EXPECT_EQ(app->ui->messages[0].title, "");
  EXPECT_EQ(app->ui->messages[0].buttons, 0);
  EXPECT_EQ(app->ui->messages[0].icon, 0);
  EXPECT_EQ(converter.sentStates().size(), sent.size());
  EXPECT_EQ(converter.currentStates().size(), current.size());
  for (const auto& [name, state] : sent) {
    EXPECT_FALSE(converter.sentStates().at(name).differsFrom(state)) << name;
  }
  for (const auto& [name, state] : current) {
    EXPECT_FALSE(converter.currentStates().at(name).differsFrom(state)) << name;
  }

  // The link is back: the changed component is still sent with its bodies.
  access.withScene = true;
  EXPECT_EQ(press(d.document).outline,
            "Box(Box/1(Part/32769@(Plate/1024(Plate/65536(o))) Bolt/1@() Bolt/1@()))");
}

// A wrapper made while the link was down must not be written through: the
// command connects at its own request and the stream still starts with the
// banner and version.
TEST_F(RenderFixture, ALinkThatComesUpAtTheSecondRequestGetsACompleteStream) {
  Design d = makeDesign("Box v1");
  int requests = 0;
  struct FlakyAccess : FakeAccess {
    int* requests;
    orvScene_api* sceneApi(int minVersion, int maxVersion) override {
      return ++*requests == 1 ? nullptr : FakeAccess::sceneApi(minVersion, maxVersion);
    }
  } flaky;
  flaky.requests = &requests;
  flaky.onLaunch = access.onLaunch;
  flaky.query.listing = link_fakes::listing({link_fakes::instance(9, 42, 47600)});
  flaky.query.scenes = {{42, link_fakes::kEmptyScene}};
  flaky.scene.acceptingPorts = {47600};

  converter.renderScene(d.document, flaky);
  EXPECT_TRUE(app->ui->messages.empty());
  const std::string text = capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    livelink::replay(flaky.scene.take(), api);
  });
  EXPECT_EQ(requests, 2);
  EXPECT_LT(text.find("#print \"LumiVex SceneApi oo"), text.find("version 9"));
  EXPECT_LT(text.find("version 9"), text.find("process identifier"));
  EXPECT_TRUE(contains(outline::of(text), "Part/32769@(Plate/1024"));
}

TEST_F(RenderFixture, AStreamTheRendererDidNotTakeIsReportedAndSentInFullNextTime) {
  Design d = makeDesign("Box v1");
  press(d.document);
  rendererShows("Box");
  access.scene.delivers = false;
  press(d.document);
  ASSERT_EQ(app->ui->messages.size(), 1u);
  EXPECT_EQ(app->ui->messages[0].text,
            "Live link failed. Reason: \"The renderer did not take the scene.\"");
  access.scene.delivers = true;
  EXPECT_EQ(press(d.document).outline,
            "Box(Box/32769(Part/32769@(Plate/1024(Plate/65536(o))) Bolt/32769@(Shank/1024("
            "Shank/65536(o))) Bolt/32769@(Shank/1024(Shank/65536(o))) Base/1024(Base/65536(o))))")
      << "the renderer still shows its older scene, so nothing may count as sent";
}

TEST_F(RenderFixture, MissingPreferencesEndTheCommandAfterTheProcessAttribute) {
  Design d = makeDesign("Box v1");
  app->prefs->general = nullptr;
  EXPECT_ANY_THROW(converter.renderScene(d.document, access));
  EXPECT_EQ(access.scene.disconnects, 1) << "the link is closed on the way out";
  const std::string text = capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    livelink::replay(access.scene.take(), api);
  });
  EXPECT_TRUE(contains(text, "process identifier"));
  EXPECT_FALSE(contains(text, "orvrtopt.so"));
  EXPECT_EQ(converter.sceneWriter()->getSceneApi(), nullptr)
      << "the wrapper must not point at the closed link";

  EXPECT_ANY_THROW(converter.renderScene(nullptr, access));
}

}  // namespace
