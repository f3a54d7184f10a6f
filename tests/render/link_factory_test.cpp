// The live link connection against an in-memory library: reading the two XML
// texts, choosing an instance, launching and polling, connecting or scanning,
// the failure texts, close.
#include <gtest/gtest.h>

#include <climits>

#include "link_fakes.h"
#include "sceneapi/dev/RepeatLinkFactory.h"
#include "sceneapi/dev/RepeatLinkFactoryXml.h"

namespace {

using link_fakes::ConnectCall;
using link_fakes::FakeAccess;
using link_fakes::instance;
using link_fakes::kEmptyScene;
using link_fakes::listing;
using link_fakes::showing;
using orv::InstanceInfo;
using orv::RepeatLinkFactory;

// ---- reading the XML texts --------------------------------------------------

TEST(XmlReading, ReadsWhatTheLibrarySendsAndRefusesBrokenTexts) {
  const auto parse = &orv::linkxml::parseDocument;
  auto root = parse(
      "<?xml version=\"1.0\"?>\n<!-- instances -->\n<a x='1' y=\"&lt;&amp;&#x41;&#66;\">"
      "<b>  7 </b><c><![CDATA[<raw>]]></c><d><!--c-->5</d>\n  <e/></a>");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->name, "a");
  ASSERT_TRUE(root->attribute("y"));
  EXPECT_EQ(*root->attribute("y"), "<&AB");
  EXPECT_EQ(root->attribute("z"), nullptr);
  ASSERT_EQ(root->children.size(), 4u);
  EXPECT_EQ(root->children[0].text, "  7 ");
  EXPECT_EQ(root->children[1].text, "<raw>");
  EXPECT_EQ(root->children[2].text, "5") << "a comment before the text does not hide it";
  EXPECT_FALSE(root->children[3].text);

  const char* broken[] = {nullptr,    "",          "   ",     "<a><b></a>",        "<a>",
                          "<a x=1/>", "text only", "<a></b>", "<!-- never closed", "<a><b/>"};
  for (const char* text : broken) EXPECT_FALSE(parse(text)) << (text ? text : "(null)");

  // Nesting far beyond anything a scene description holds is refused, not
  // followed down the stack.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<n>";
  for (int i = 0; i < 100000; ++i) deep += "</n>";
  EXPECT_FALSE(parse(deep.c_str()));
}

TEST(InstanceList, KeepsOnlyCompleteEntriesInTheVersionRange) {
  struct Case {
    const char* label;
    std::string xml;
    std::vector<InstanceInfo> expected;
  };
  const Case cases[] = {
      {"two instances in order",
       listing({instance(9, 100, 47600), instance(10, 200, 0)}),
       {{9, 100, 47600}, {10, 200, 0}}},
      {"versions outside 9 to 10 are ignored",
       listing({instance(8, 1, 1), instance(11, 2, 2), instance(10, 3, 3)}),
       {{10, 3, 3}}},
      {"numbers are found anywhere below the entry",
       "<i><e><info><version_major> 9 </version_major></info><p><process_id>5</process_id>"
       "</p><livelink_port>-1</livelink_port></e></i>",
       {{9, 5, -1}}},
      {"entries without a number or with other text are skipped",
       "<i><e><process_id>1</process_id><livelink_port>2</livelink_port></e>"
       "<e><version_major>9x</version_major><process_id>1</process_id><livelink_port>2"
       "</livelink_port></e>"
       "<e><version_major>9</version_major><process_id/><livelink_port>2</livelink_port></e>"
       "<e><version_major>9</version_major><process_id>7</process_id></e>"
       "<e><version_major>99999999999</version_major><process_id>1</process_id>"
       "<livelink_port>2</livelink_port></e>" +
           instance(9, 8, 9) + "</i>",
       {{9, 8, 9}}},
      {"a port beyond the TCP range counts as none", listing({instance(9, 4, 70000)}), {{9, 4, 0}}},
      {"a listing that does not parse gives nothing", "<instances><instance>", {}},
      {"a listing without root gives nothing", "<?xml version=\"1.0\"?>", {}},
  };
  for (const auto& c : cases) {
    auto found = orv::parseInstanceList(c.xml.c_str(), 9, 10);
    ASSERT_EQ(found.size(), c.expected.size()) << c.label;
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].version, c.expected[i].version) << c.label;
      EXPECT_EQ(found[i].processId, c.expected[i].processId) << c.label;
      EXPECT_EQ(found[i].port, c.expected[i].port) << c.label;
    }
  }
  EXPECT_TRUE(orv::parseInstanceList(nullptr, 9, 10).empty());
}

TEST(InstanceSceneText, TellsEmptyAndShownScenes) {
  struct Case {
    const char* label;
    std::string xml;
    int version;
    bool parsed, empty, shows;
  };
  const Case cases[] = {
      {"the renderer shows the document", showing("Bracket"), 9, true, false, true},
      {"another document", showing("Housing"), 9, true, false, false},
      {"a longer or shorter name is another name", showing("Bracket2"), 9, true, false, false},
      {"no scenes", kEmptyScene, 9, true, true, false},
      {"scenes without content",
       "<r><scenes><scene name=\"Bracket\" modelset=\"active\"/></scenes></r>", 9, true, true,
       true},
      {"a root without children is not an empty scene", "<r/>", 9, true, false, false},
      {"an inactive model set hides the scene",
       "<r><scenes modelset=\"archive\"><scene name=\"Bracket\"/></scenes></r>", 9, true, true,
       false},
      {"modelset active does not hide it",
       "<r modelset=\"active\"><s><scene name=\"Bracket\"><g/></scene></s></r>", 9, true, false,
       true},
      {"the fourth level counts from version 7 on", "<r><a><b><c name=\"Bracket\"/></b></a></r>", 9,
       true, false, true},
      {"before version 7 only three levels", "<r><a><b><c name=\"Bracket\"/></b></a></r>", 6, true,
       false, false},
      {"the fifth level never counts", "<r><a><b><c><d name=\"Bracket\"/></c></b></a></r>", 10,
       true, false, false},
      {"a text that does not parse", "<r><scenes><scene name=\"Bracket\">", 9, false, false, false},
  };
  for (const auto& c : cases) {
    auto scene = orv::readInstanceScene(c.xml.c_str(), "Bracket", c.version);
    EXPECT_EQ(scene.parsed, c.parsed) << c.label;
    EXPECT_EQ(scene.empty, c.empty) << c.label;
    EXPECT_EQ(scene.showsDocument, c.shows) << c.label;
  }
  EXPECT_FALSE(orv::readInstanceScene(showing("").c_str(), "", 9).showsDocument)
      << "an empty document name finds nothing";
}

// ---- choosing an instance -----------------------------------------------------

struct Choice {
  int64_t processId;
  bool sceneFound;
};

Choice choose(FakeAccess& access, bool acceptAny = false) {
  RepeatLinkFactory factory(access);
  factory.setVersionRange(9, 10);
  factory.setDocumentName("Bracket");
  factory.setAcceptAnyInstance(acceptAny);
  InstanceInfo chosen = factory.chooseInstance(access.query);
  return {chosen.version == 0 ? 0 : chosen.processId, factory.sceneFound()};
}

TEST(InstanceChoice, PrefersTheInstanceShowingTheDocumentThenTheHighestVersion) {
  FakeAccess access;
  auto& q = access.query;

  q.listing = listing({instance(9, 1, 10), instance(10, 2, 20)});
  q.scenes = {{1, showing("Bracket")}, {2, showing("Bracket")}};
  EXPECT_EQ(choose(access).processId, 2);
  EXPECT_TRUE(choose(access).sceneFound);

  // An empty instance of a higher version loses to the one showing the scene.
  q.scenes = {{1, showing("Bracket")}, {2, kEmptyScene}};
  EXPECT_EQ(choose(access).processId, 1);
  EXPECT_TRUE(choose(access).sceneFound);

  // Equal versions: the first listed stays.
  q.listing = listing({instance(9, 1, 10), instance(9, 2, 20)});
  q.scenes = {{1, kEmptyScene}, {2, kEmptyScene}};
  EXPECT_EQ(choose(access).processId, 1);
  EXPECT_FALSE(choose(access).sceneFound);

  // Another scene: only an empty one will do, unless any instance is accepted.
  q.scenes = {{1, showing("Housing")}, {2, kEmptyScene}};
  EXPECT_EQ(choose(access).processId, 2);
  q.scenes = {{1, showing("Housing")}, {2, showing("Housing")}};
  EXPECT_EQ(choose(access).processId, 0);
  EXPECT_EQ(choose(access, true).processId, 1);
  EXPECT_FALSE(choose(access, true).sceneFound);

  // Version 8 is outside the range, whatever it shows.
  q.listing = listing({instance(8, 1, 10)});
  q.scenes = {{1, showing("Bracket")}};
  EXPECT_EQ(choose(access).processId, 0);
}

TEST(InstanceChoice, SkipsInstancesThatCannotBeOpenedOrAnswerNothingUsable) {
  FakeAccess access;
  auto& q = access.query;
  q.listing =
      listing({instance(10, 1, 10), instance(10, 2, 20), instance(10, 3, 30), instance(9, 4, 40)});
  q.scenes = {{2, std::nullopt},
              {3, std::string("<scenes><scene name=\"Bracket\">")},
              {4, kEmptyScene}};  // 1 cannot be opened
  EXPECT_EQ(choose(access).processId, 4);
  EXPECT_EQ(q.opens, 3);
  EXPECT_EQ(q.closes, 3) << "every successful open is closed, with or without a scene text";
  EXPECT_FALSE(q.doubleOpen);
  EXPECT_FALSE(q.strayClose);

  q.hasListing = false;
  EXPECT_EQ(choose(access).processId, 0);
}

// ---- connecting -----------------------------------------------------------------

struct Connection {
  orvScene_api* api;
  std::string error;
  bool sceneFound;
};

Connection connect(FakeAccess& access, int polls = RepeatLinkFactory::kDefaultLaunchPolls) {
  RepeatLinkFactory factory(access);
  factory.setVersionRange(9, 10);
  factory.setDocumentName("Bracket");
  factory.setLaunchPolling(polls, 1000);
  orvScene_api* api = factory.getSceneApi();
  return {api, factory.errorText(), factory.sceneFound()};
}

TEST(Connection, ConnectsToTheChosenInstancesPort) {
  FakeAccess access;
  access.query.listing = listing({instance(10, 7, 47601)});
  access.query.scenes = {{7, showing("Bracket")}};
  access.scene.acceptingPorts = {47601};
  Connection c = connect(access);
  EXPECT_EQ(c.api, &access.scene);
  EXPECT_EQ(c.error, "");
  EXPECT_TRUE(c.sceneFound);
  EXPECT_EQ(access.scene.ids, std::vector<unsigned>{1}) << "the link number goes first";
  EXPECT_EQ(access.scene.connects, (std::vector<ConnectCall>{{"localhost", 47601, 4}}));
  EXPECT_TRUE(access.launches.empty());
  EXPECT_EQ(access.ranges, (std::vector<std::pair<int, int>>{{9, 10}, {9, 10}}));

  // A refused advertised port is final: no scan.
  access.scene.acceptingPorts = {3000};
  access.scene.connects.clear();
  c = connect(access);
  EXPECT_EQ(c.api, nullptr);
  EXPECT_EQ(access.scene.connects, (std::vector<ConnectCall>{{"localhost", 47601, 4}}));
  EXPECT_TRUE(access.portRanges.empty());
}

TEST(Connection, ScansTheInstallationsPortsWhenNoPortIsAdvertised) {
  FakeAccess access;
  access.query.listing = listing({instance(9, 7, 0)});
  access.query.scenes = {{7, kEmptyScene}};
  access.scene.acceptingPorts = {3001, 3002};
  Connection c = connect(access);
  EXPECT_EQ(c.api, &access.scene);
  EXPECT_EQ(access.scene.connects,
            (std::vector<ConnectCall>{{"127.0.0.1", 3000, 1}, {"127.0.0.1", 3001, 1}}));
  EXPECT_EQ(access.portRanges, (std::vector<std::pair<int, int>>{{5, 20}}));

  // A range reaching past the last TCP port stops there instead of trying
  // two billion ports.
  access.scene.acceptingPorts.clear();
  access.scene.connects.clear();
  access.firstPortValue = 65534;
  access.lastPortValue = INT_MAX;
  c = connect(access);
  EXPECT_EQ(c.api, nullptr);
  EXPECT_EQ(access.scene.connects,
            (std::vector<ConnectCall>{{"127.0.0.1", 65534, 1}, {"127.0.0.1", 65535, 1}}));
}

TEST(Connection, FailureTextsAndWhatIsLeftBehind) {
  const std::string noPort =
      "Failed to connect. Could not connect on any known port. Please check your LumiVex "
      "installation and Live Link settings.";
  struct Case {
    const char* label;
    std::function<void(FakeAccess&)> setUp;
    std::string error;
  };
  const Case cases[] = {
      {"no scene api", [](FakeAccess& a) { a.withScene = false; },
       "Failed to connect. Could not get a scene api. Please check your LumiVex installation.\n"},
      {"no query api", [](FakeAccess& a) { a.withQuery = false; },
       "Failed to connect. Could not get a query api. Please check your LumiVex installation.\n"},
      {"launch fails", [](FakeAccess& a) { a.launchSucceeds = false; },
       "Failed to connect. Unabled to launch LumiVex. Please check your LumiVex installation."},
      {"no LiveLinkMaxPort", [](FakeAccess& a) { a.portStatus = -1; }, noPort},
      {"no LiveLinkPort", [](FakeAccess& a) { a.portStatus = -2; }, noPort},
      {"no installation for the ports", [](FakeAccess& a) { a.portStatus = -3; }, noPort},
      {"a reversed range", [](FakeAccess& a) { a.lastPortValue = 2999; }, noPort},
      {"no port answers", [](FakeAccess&) {}, noPort},
  };
  for (const auto& c : cases) {
    FakeAccess access;
    c.setUp(access);
    Connection result = connect(access, 3);
    EXPECT_EQ(result.api, nullptr) << c.label;
    EXPECT_EQ(result.error, c.error) << c.label;
    EXPECT_EQ(access.unloads, 0) << c.label << ": the library stays loaded for the next attempt";
    EXPECT_EQ(access.scene.disconnects, 0) << c.label;
  }
}

TEST(Connection, WaitsForALaunchedRendererPollByPoll) {
  FakeAccess access;
  access.scene.acceptingPorts = {47600};
  // The renderer appears with the third listing after the launch.
  access.query.onList = [&access](int lists) {
    if (lists == 4) access.query.listing = listing({instance(9, 5, 47600)});
  };
  access.query.scenes = {{5, kEmptyScene}};
  Connection c = connect(access);
  EXPECT_EQ(c.api, &access.scene);
  EXPECT_FALSE(c.sceneFound);
  EXPECT_EQ(access.launches, (std::vector<std::pair<int, int>>{{9, 10}}));
  EXPECT_EQ(access.sleeps, (std::vector<unsigned>{1000, 1000, 1000}))
      << "a sleep after every poll, the finding one included";
  EXPECT_EQ(access.scene.connects, (std::vector<ConnectCall>{{"localhost", 47600, 4}}));
}

TEST(Connection, GivesUpPollingAfterNineteenPollsAndScans) {
  FakeAccess access;
  access.scene.acceptingPorts = {3002};
  Connection c = connect(access);
  EXPECT_EQ(c.api, &access.scene);
  EXPECT_EQ(access.query.lists, 1 + 19);
  EXPECT_EQ(access.sleeps.size(), 19u);
  EXPECT_EQ(access.scene.connects.back(), (ConnectCall{"127.0.0.1", 3002, 1}));
}

TEST(FactoryLife, ConnectsOnceAndClosesOnce) {
  FakeAccess access;
  access.query.listing = listing({instance(9, 5, 47600)});
  access.query.scenes = {{5, kEmptyScene}};
  access.scene.acceptingPorts = {47600};
  {
    RepeatLinkFactory factory(access);
    factory.setVersionRange(9, 10);
    ASSERT_EQ(factory.getSceneApi(), &access.scene);
    EXPECT_EQ(factory.getSceneApi(), &access.scene);
    EXPECT_EQ(access.scene.connects.size(), 1u) << "a held scene api is not connected again";
    EXPECT_EQ(access.query.lists, 1);
    factory.close();
    EXPECT_EQ(access.scene.disconnects, 1);
    EXPECT_EQ(access.unloads, 1);
    EXPECT_TRUE(factory.lastCloseDelivered());
    factory.close();
  }
  EXPECT_EQ(access.scene.disconnects, 1) << "neither a second close nor destruction disconnects";
  EXPECT_EQ(access.unloads, 1);

  // Destruction closes a link that is still open, and tells nothing was
  // delivered when the library says so.
  access.scene.delivers = false;
  {
    RepeatLinkFactory factory(access);
    factory.setVersionRange(9, 10);
    ASSERT_TRUE(factory.getSceneApi());
    factory.close();
    EXPECT_FALSE(factory.lastCloseDelivered());
  }
  {
    RepeatLinkFactory factory(access);
    factory.setVersionRange(9, 10);
    ASSERT_TRUE(factory.getSceneApi());
  }
  EXPECT_EQ(access.scene.disconnects, 3);
  EXPECT_EQ(access.unloads, 3);
}

TEST(FactoryLife, ASecondRequestAfterAFailureTriesAgainAndClearsTheText) {
  FakeAccess access;
  access.withScene = false;
  RepeatLinkFactory factory(access);
  factory.setVersionRange(9, 10);
  factory.setLaunchPolling(1, 0);
  EXPECT_EQ(factory.getSceneApi(), nullptr);
  EXPECT_NE(factory.errorText(), "");
  access.withScene = true;
  access.query.listing = listing({instance(9, 5, 47600)});
  access.query.scenes = {{5, kEmptyScene}};
  access.scene.acceptingPorts = {47600};
  EXPECT_EQ(factory.getSceneApi(), &access.scene);
  EXPECT_EQ(factory.errorText(), "");
}

}  // namespace
