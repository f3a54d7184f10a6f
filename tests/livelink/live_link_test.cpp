// The development live-link library and lvsim as real processes on the
// loopback interface: discovery through the installation, listing, the scene
// description, full streams, updates, cut streams and misbehaving clients,
// two versions side by side, and a graceful stop. Every lvsim a test starts
// is stopped (or killed) when the test ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "livelink/Installation.h"
#include "livelink/Instances.h"
#include "livelink/Protocol.h"
#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/folder.h"
#include "platform/fs.h"
#include "platform/process_control.h"
#include "platform/registry.h"
#include "platform/socket.h"
#include "render_streams.h"
#include "sceneapi/dev/RepeatLinkFactory.h"
#include "sceneapi/dev/lumivex_discovery.h"
#include "sceneapi/dev/lumivexlive.h"
#include "sceneapi/dev/lumivexlive_loader.h"
#include "support/scene_capture.h"

namespace {

using render_streams::Design;

constexpr unsigned kStartLimitMs = 20000;
// Ports per test: room for the instances a test starts, and for ports that
// other programs on the machine happen to hold.
constexpr int kPortCount = 8;

std::string here() {
  std::u8string path = std::filesystem::current_path().u8string();
  return std::string(path.begin(), path.end());
}

std::string program(const std::string& name) {
  std::string windows = platform::join_path(here(), name + ".exe");
  return platform::is_readable_file(windows) ? windows : platform::join_path(here(), name);
}

std::string read_file(const std::string& path) {
  return platform::read_small_file(path, 64u << 20).value_or(std::string());
}

// The value of <tag> in the first instance entry that holds <process_id>pid.
std::optional<int> listed(const std::string& xml, int64_t pid, const std::string& tag) {
  const std::string id = "<process_id>" + std::to_string(pid) + "</process_id>";
  size_t at = xml.find(id);
  if (at == std::string::npos) return std::nullopt;
  size_t start = xml.rfind("<instance>", at);
  size_t end = xml.find("</instance>", at);
  size_t open = xml.find("<" + tag + ">", start);
  if (open == std::string::npos || open > end) return std::nullopt;
  return std::stoi(xml.substr(open + tag.size() + 2));
}

// One installation for versions 9 and 10 in a fresh folder, the library
// loaded from the build's bin folder, and the lvsim processes of a test.
class LiveLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    folder_ = platform::join_path(platform::temp_folder(),
                                  "lvlink-test-" + std::to_string(platform::current_process_id()) +
                                      "-" + std::to_string(++counter));
    ASSERT_TRUE(platform::make_folders(folder_));
    // A port range of our own, away from other test runs on the machine.
    first_port_ =
        30000 + static_cast<int>((platform::current_process_id() * 128 + counter * 8) % 20000);
    std::vector<livelink::Installation> installations;
    for (int version : {9, 10}) {
      livelink::Installation i;
      i.version = version;
      i.executable = program("lvsim");
      i.bin_folder = here();
      i.resource_folder = folder_;
      i.first_port = first_port_;
      i.last_port = first_port_ + kPortCount - 1;
      installations.push_back(i);
    }
    const std::string reg = platform::join_path(folder_, "lvsim.reg");
    ASSERT_TRUE(platform::write_file_atomically(
        reg, livelink::installation_reg(installations, platform::join_path(folder_, "instances"))));
    ASSERT_TRUE(platform::import_registry_file(reg));
    ASSERT_EQ(livelink::instance_folder(), platform::join_path(folder_, "instances"));

    library_ = platform::load_library(platform::join_path(here(), "orvlumivexlive6_64.so"));
    ASSERT_NE(library_, nullptr);
    auto initialize = reinterpret_cast<LiveInitializeFunction>(
        platform::library_symbol(library_, kLiveInitializeSymbol));
    ASSERT_NE(initialize, nullptr);
    live_ = initialize();
    ASSERT_NE(live_, nullptr);
    scene_ = live_->sceneApi();
    query_ = live_->queryApi();
    ASSERT_NE(scene_, nullptr);
    ASSERT_NE(query_, nullptr);
  }

  void TearDown() override {
    delete live_;
    platform::release_library(library_);
    renderers_.clear();  // kills what is still running
    std::error_code ignored;
    std::filesystem::remove_all(
        std::filesystem::path(std::u8string(folder_.begin(), folder_.end())), ignored);
  }

  std::string path(const std::string& name) const { return platform::join_path(folder_, name); }

  // Starts lvsim and waits until the library lists it; returns its index.
  size_t start_renderer(int version, std::vector<std::string> extra = {}) {
    const std::string tag = std::to_string(version) + "-" + std::to_string(renderers_.size());
    std::vector<std::string> arguments = {"--version", std::to_string(version),
                                          "--log",     path("lvsim" + tag + ".log"),
                                          "--dump",    path("dump" + tag)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    auto child = platform::ChildProcess::start(program("lvsim"), arguments);
    EXPECT_TRUE(child);
    if (!child) return 0;
    renderers_.push_back(std::move(*child));
    Renderer r{renderers_.size() - 1, version, tag, 0};
    for (unsigned waited = 0; waited < kStartLimitMs; waited += 50) {
      auto port = listed(query_->listInstances(), renderers_.back().id(), "livelink_port");
      if (port) {
        r.port = *port;
        break;
      }
      if (renderers_.back().wait(0)) break;
      platform::sleep_milliseconds(50);
    }
    EXPECT_GT(r.port, 0) << "lvsim " << version
                         << " did not come up: " << read_file(path("lvsim" + tag + ".log"));
    started_.push_back(r);
    return r.index;
  }

  struct Renderer {
    size_t index;
    int version;
    std::string tag;
    int port;
  };

  const Renderer& renderer(size_t index) const { return started_[index]; }
  int64_t pid(size_t index) { return renderers_[index].id(); }
  std::string log(size_t index) { return read_file(path("lvsim" + renderer(index).tag + ".log")); }
  std::string dump(size_t index, const std::string& scene) {
    return read_file(path("dump" + renderer(index).tag + "/" + scene + ".lvs"));
  }

  std::string scene_xml(size_t index) {
    if (!query_->openInstance(pid(index))) return "(not open)";
    const char* xml = query_->instanceScene();
    std::string text = xml ? xml : "(no scene)";
    query_->closeInstance();
    return text;
  }

  bool send(const Renderer& r, const Design& design, bool full) {
    scene_->id(1);
    if (!scene_->connect("localhost", r.port, 4)) return false;
    render_streams::render(*scene_, design, full);
    return scene_->disconnect();
  }

  static std::string full_file(const Design& d) {
    return capture_scene(
        [&](orvScene_api& api) {
          render_streams::header(api);
          render_streams::render(api, d, true);
        },
        true);
  }

  std::string folder_;
  int first_port_ = 0;
  platform::LibraryHandle library_ = nullptr;
  LiveLink* live_ = nullptr;
  orvScene_api* scene_ = nullptr;
  LiveQuery* query_ = nullptr;
  std::vector<platform::ChildProcess> renderers_;
  std::vector<Renderer> started_;
};

TEST_F(LiveLinkTest, ListsRunningInstancesAndDescribesTheirScenes) {
  size_t r = start_renderer(9);
  // A record left behind by a process that is gone is not listed, also while
  // the ended process has not been collected by its parent yet.
  auto gone = platform::ChildProcess::start(program("lvsim"), {"--no-such-option", "x"});
  ASSERT_TRUE(gone);
  ASSERT_TRUE(livelink::publish_instance(livelink::instance_folder(), {9, gone->id(), 1234}));
  bool unlisted = false;
  for (unsigned waited = 0; waited < kStartLimitMs && !unlisted; waited += 50) {
    unlisted = !listed(query_->listInstances(), gone->id(), "version_major");
    if (!unlisted) platform::sleep_milliseconds(50);
  }
  EXPECT_TRUE(unlisted);
  EXPECT_FALSE(query_->openInstance(gone->id()));
  EXPECT_EQ(gone->wait(kStartLimitMs), 2);

  const std::string list = query_->listInstances();
  EXPECT_EQ(listed(list, pid(r), "version_major"), 9);
  EXPECT_GE(renderer(r).port, first_port_);
  EXPECT_LE(renderer(r).port, first_port_ + kPortCount - 1);

  EXPECT_EQ(scene_xml(r), "<lvsim version=\"9\" process_id=\"" + std::to_string(pid(r)) +
                              "\">\n <scenes/>\n</lvsim>\n");
  ASSERT_TRUE(send(renderer(r), Design{}, true)) << log(r);
  EXPECT_NE(scene_xml(r).find("<scene name=\"Bracket\" modelset=\"active\"><group "
                              "name=\"Bracket\"/></scene>"),
            std::string::npos);
}

TEST_F(LiveLinkTest, FullStreamsAndUpdatesBuildTheHeldScene) {
  size_t r = start_renderer(9);
  ASSERT_TRUE(send(renderer(r), Design{}, true)) << log(r);
  EXPECT_EQ(dump(r, "Bracket"), full_file(Design{}));

  Design moved;
  moved.part_x = -3;
  moved.root_changed = moved.part_changed = false;
  moved.adjust_camera = false;
  ASSERT_TRUE(send(renderer(r), moved, false)) << log(r);
  EXPECT_EQ(dump(r, "Bracket"), full_file(moved));

  Design recoloured = moved;
  recoloured.part_red = 0.25f;
  recoloured.part_changed = true;
  ASSERT_TRUE(send(renderer(r), recoloured, false)) << log(r);
  EXPECT_EQ(dump(r, "Bracket"), full_file(recoloured));
}

TEST_F(LiveLinkTest, CutStreamsAreDroppedWholeAndTheRendererCarriesOn) {
  size_t r = start_renderer(9);
  ASSERT_TRUE(send(renderer(r), Design{}, true)) << log(r);
  const std::string held = dump(r, "Bracket");
  Design changed;
  changed.part_red = 0.5f;

  // The library goes away mid-stream (the host closed): no end frame is sent.
  ASSERT_TRUE(scene_->connect("127.0.0.1", renderer(r).port, 1));
  render_streams::render(*scene_, changed, true);
  delete live_;
  live_ = nullptr;

  // Clients that are not the library at all.
  struct Rogue {
    const char* what;
    std::string bytes;
  };
  std::string hello = "LVLK";
  hello += '\x01';
  hello += 'S';
  hello += std::string(4, '\0');
  const Rogue rogues[] = {
      {"not the protocol", "GET / HTTP/1.0\r\n\r\n"},
      {"a frame claiming 4 GiB", hello + "D\xff\xff\xff\xff"},
      {"an end that counts more than was sent", hello + "D" + std::string("\x02\0\0\0", 4) + "{}" +
                                                    "E" + std::string("\x08\0\0\0", 4) +
                                                    std::string("\x09\0\0\0\0\0\0\0", 8)},
      {"half a data frame", hello + "D" + std::string("\x10\0\0\0", 4) + "abc"},
  };
  for (const Rogue& rogue : rogues) {
    SCOPED_TRACE(rogue.what);
    auto socket = platform::Socket::connect_to("127.0.0.1", renderer(r).port, 2000);
    ASSERT_TRUE(socket);
    socket->send_all(rogue.bytes.data(), rogue.bytes.size());
    socket->shutdown_send();
    char reply[256];
    while (socket->receive(reply, sizeof reply, 5000) > 0) {
    }
  }

  // Reload the library and check that nothing changed and lvsim still works.
  live_ = reinterpret_cast<LiveInitializeFunction>(
      platform::library_symbol(library_, kLiveInitializeSymbol))();
  ASSERT_NE(live_, nullptr);
  scene_ = live_->sceneApi();
  query_ = live_->queryApi();
  for (unsigned waited = 0; waited < 5000 && log(r).find("dropped") == std::string::npos;
       waited += 50) {
    platform::sleep_milliseconds(50);
  }
  EXPECT_EQ(dump(r, "Bracket"), held);
  const std::string text = log(r);
  EXPECT_NE(text.find("dropped: the connection closed before the end of the stream"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("dropped: a frame of an unknown type or too long"), std::string::npos);
  EXPECT_NE(text.find("dropped: the stream ended after 2 of 9 bytes"), std::string::npos);
  EXPECT_NE(text.find("refused a connection that is not a live-link client"), std::string::npos);
  EXPECT_FALSE(renderers_[r].wait(0));

  // A complete stream whose text does not read is refused, and disconnect says so.
  ASSERT_TRUE(scene_->connect("127.0.0.1", renderer(r).port, 1));
  scene_->end_group();
  EXPECT_FALSE(scene_->disconnect());
  EXPECT_NE(log(r).find("bytes refused: the scene text does not read: line 1: '}' without an "
                        "open block"),
            std::string::npos)
      << log(r);
  EXPECT_EQ(dump(r, "Bracket"), held);

  ASSERT_TRUE(send(renderer(r), changed, true)) << log(r);
  EXPECT_EQ(dump(r, "Bracket"), full_file(changed));
}

TEST_F(LiveLinkTest, StreamsBeyondTheLimitAreRefused) {
  size_t r = start_renderer(9, {"--max-stream-mib", "1"});
  const int port = renderer(r).port;
  // One stream longer than the limit: lvsim cuts it while the library writes.
  ASSERT_TRUE(scene_->connect("127.0.0.1", port, 1));
  std::vector<float> vertices(3 * 120000, 0.25f);
  orvArray array{vertices.data(), 120000};
  scene_->begin_group("big", true);
  scene_->parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &array);
  scene_->end_group();
  EXPECT_FALSE(scene_->disconnect());

  // Two streams arriving together share the limit.
  auto start_stream = [&](size_t bytes) {
    auto socket = platform::Socket::connect_to("127.0.0.1", port, 2000);
    EXPECT_TRUE(socket);
    EXPECT_TRUE(livelink::send_hello(*socket, livelink::Request::scene, 7));
    EXPECT_TRUE(livelink::send_frame(*socket, livelink::FrameType::data, std::string(bytes, ' ')));
    return std::move(*socket);
  };
  platform::Socket first = start_stream(700000);
  platform::sleep_milliseconds(500);
  platform::Socket second = start_stream(700000);
  livelink::Frame reply;
  EXPECT_EQ(livelink::receive_frame(second, reply, 10000), livelink::FrameStatus::ok);
  EXPECT_EQ(reply.type, livelink::FrameType::rejected);
  EXPECT_EQ(reply.payload, "streams arriving together exceed 1048576 bytes");
  // The first one still completes; blanks alone are an empty scene.
  std::string count(8, '\0');
  count[0] = static_cast<char>(700000 & 0xff);
  count[1] = static_cast<char>((700000 >> 8) & 0xff);
  count[2] = static_cast<char>((700000 >> 16) & 0xff);
  ASSERT_TRUE(livelink::send_frame(first, livelink::FrameType::end, count));
  EXPECT_EQ(livelink::receive_frame(first, reply, 10000), livelink::FrameStatus::ok);
  EXPECT_EQ(reply.type, livelink::FrameType::accepted) << reply.payload;

  EXPECT_NE(log(r).find("dropped: the stream is longer than 1048576 bytes"), std::string::npos)
      << log(r);
  EXPECT_TRUE(send(renderer(r), Design{}, true)) << log(r);
  EXPECT_EQ(dump(r, "Bracket"), full_file(Design{}));
}

TEST_F(LiveLinkTest, TheLibrarySurvivesARendererThatVanishes) {
  size_t r = start_renderer(9);
  ASSERT_TRUE(scene_->connect("localhost", renderer(r).port, 4));
  renderers_[r].kill();
  // Far more than the socket buffers hold, so the writes meet the closed peer.
  std::vector<float> vertices(3 * 1000000, 0.5f);
  orvArray array{vertices.data(), 1000000};
  scene_->begin_group("big", true);
  for (int i = 0; i < 8; ++i) scene_->parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &array);
  scene_->end_group();
  EXPECT_FALSE(scene_->disconnect());
  // Unconnected, every operation is harmless and connecting again works.
  EXPECT_FALSE(scene_->begin_group("after", true));
  EXPECT_FALSE(scene_->disconnect());
  size_t second = start_renderer(9);
  EXPECT_TRUE(send(renderer(second), Design{}, true)) << log(second);
}

TEST_F(LiveLinkTest, TheLoaderFindsTheLibraryThroughTheInstallation) {
  size_t r = start_renderer(10);
  orvScene_api* api = orv_get_scene_api(9, 10);
  LiveQuery* query = orv_get_query_api(9, 10);
  ASSERT_NE(api, nullptr);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(listed(query->listInstances(), pid(r), "version_major"), 10);
  api->id(1);
  ASSERT_TRUE(api->connect("localhost", renderer(r).port, 4));
  render_streams::render(*api, Design{}, true);
  EXPECT_TRUE(api->disconnect()) << log(r);
  unload_live_library();
  EXPECT_EQ(dump(r, "Bracket"), full_file(Design{}));
}

// The add-in's connection code against real instances: it reads their
// listing and scene descriptions, prefers the one that shows the document,
// and starts a renderer when none can take the scene.
TEST_F(LiveLinkTest, TheConnectionCodeFindsTheInstanceThatShowsTheDocument) {
  size_t nine = start_renderer(9);
  size_t ten = start_renderer(10);
  struct Outcome {
    bool connected = false;
    bool found = false;
    bool delivered = false;
  };
  auto press = [&](const std::string& document, const Design& design, bool full) {
    Outcome outcome;
    orv::RepeatLinkFactory factory;
    factory.setVersionRange(9, 10);
    factory.setDocumentName(document);
    factory.setAcceptAnyInstance(false);
    factory.setLaunchPolling(100, 200);
    orvScene_api* api = factory.getSceneApi();
    outcome.connected = api != nullptr;
    outcome.found = factory.sceneFound();
    if (api) render_streams::render(*api, design, full);
    factory.close();
    outcome.delivered = factory.lastCloseDelivered();
    EXPECT_TRUE(api) << factory.errorText();
    return outcome;
  };

  // Both show nothing: the higher version takes the new scene.
  Outcome first = press("Bracket", Design{}, true);
  EXPECT_TRUE(first.connected && first.delivered);
  EXPECT_FALSE(first.found);
  EXPECT_EQ(dump(ten, "Bracket"), full_file(Design{}));

  // Version 9 now shows another document; version 10 still shows Bracket.
  scene_->connect("localhost", renderer(nine).port, 4);
  scene_->begin_group("Other", true);
  scene_->end_group();
  ASSERT_TRUE(scene_->disconnect());

  Design moved;
  moved.part_x = 11;
  moved.root_changed = moved.part_changed = false;
  moved.adjust_camera = false;
  Outcome second = press("Bracket", moved, false);
  EXPECT_TRUE(second.found && second.delivered);
  EXPECT_EQ(dump(ten, "Bracket"), full_file(moved));
  EXPECT_EQ(dump(nine, "Bracket"), "");

  // A third document: neither instance can take it, so a renderer is started
  // (lvsim as the installation's executable, without arguments).
  const std::string before = query_->listInstances();
  Outcome third = press("Third", Design{}, true);
  EXPECT_TRUE(third.connected && third.delivered);
  EXPECT_FALSE(third.found);
  int64_t launched = 0;
  for (int64_t candidate : {pid(nine), pid(ten)})
    EXPECT_TRUE(listed(before, candidate, "version_major"));
  const std::string after = query_->listInstances();
  for (size_t at = after.find("<process_id>"); at != std::string::npos;
       at = after.find("<process_id>", at + 1)) {
    int64_t id = std::stoll(after.substr(at + 12));
    if (id != pid(nine) && id != pid(ten)) launched = id;
  }
  ASSERT_GT(launched, 0) << after;
  ASSERT_TRUE(query_->openInstance(launched));
  const char* xml = query_->instanceScene();
  ASSERT_NE(xml, nullptr);
  EXPECT_NE(std::string(xml).find("<scene name=\"Bracket\""), std::string::npos) << xml;
  query_->closeInstance();
  ASSERT_TRUE(platform::request_process_stop(launched));
  for (unsigned waited = 0; waited < 10000; waited += 50) {
    if (!listed(query_->listInstances(), launched, "version_major")) break;
    platform::sleep_milliseconds(50);
  }
  EXPECT_FALSE(listed(query_->listInstances(), launched, "version_major"));
}

TEST_F(LiveLinkTest, AFloodOfIdleConnectionsIsBounded) {
  size_t r = start_renderer(9);
  std::vector<platform::Socket> idle;
  for (int i = 0; i < 16; ++i) {
    auto socket = platform::Socket::connect_to("127.0.0.1", renderer(r).port, 2000);
    ASSERT_TRUE(socket);
    idle.push_back(std::move(*socket));
  }
  // One more is closed by lvsim at once.
  auto extra = platform::Socket::connect_to("127.0.0.1", renderer(r).port, 2000);
  ASSERT_TRUE(extra);
  char byte;
  EXPECT_EQ(extra->receive(&byte, 1, 4000), 0);
  EXPECT_NE(log(r).find("refused a connection: 16 already open"), std::string::npos);
  idle.clear();
  for (unsigned waited = 0; waited < 5000; waited += 50) {
    if (send(renderer(r), Design{}, true)) break;
    platform::sleep_milliseconds(50);
  }
  EXPECT_EQ(dump(r, "Bracket"), full_file(Design{})) << log(r);
}

TEST_F(LiveLinkTest, ConnectHonoursItsBudget) {
  // Nothing listens on the last port of the range.
  const int port = first_port_ + kPortCount - 1;
  const uint64_t start = platform::tick_milliseconds();
  EXPECT_FALSE(scene_->connect("127.0.0.1", port, 3));
  const uint64_t elapsed = platform::tick_milliseconds() - start;
  EXPECT_GE(elapsed, 2 * 250u);  // three attempts, a quarter second apart
  EXPECT_FALSE(scene_->disconnect());
}

TEST_F(LiveLinkTest, VersionsNineAndTenRunSideBySide) {
  size_t nine = start_renderer(9);
  size_t ten = start_renderer(10);
  const std::string list = query_->listInstances();
  EXPECT_EQ(listed(list, pid(nine), "version_major"), 9);
  EXPECT_EQ(listed(list, pid(ten), "version_major"), 10);
  EXPECT_NE(renderer(nine).port, renderer(ten).port);
  Design other;
  other.part_red = 0.0625f;
  ASSERT_TRUE(send(renderer(nine), Design{}, true)) << log(nine);
  ASSERT_TRUE(send(renderer(ten), other, true)) << log(ten);
  EXPECT_EQ(dump(nine, "Bracket"), full_file(Design{}));
  EXPECT_EQ(dump(ten, "Bracket"), full_file(other));
  EXPECT_NE(scene_xml(ten).find("<lvsim version=\"10\""), std::string::npos);
}

TEST_F(LiveLinkTest, AStopRequestEndsLvsimAndItsRecord) {
  size_t r = start_renderer(9);
  ASSERT_TRUE(renderers_[r].request_stop());
  std::optional<int> code = renderers_[r].wait(10000);
  ASSERT_TRUE(code) << "lvsim did not stop";
  EXPECT_EQ(*code, 0) << log(r);
  EXPECT_FALSE(listed(query_->listInstances(), pid(r), "version_major"));
  EXPECT_NE(log(r).find("stopping"), std::string::npos);
}

TEST(LvsimCommandLine, InstallWritesWhatDiscoveryReads) {
  const std::string folder = platform::join_path(
      platform::temp_folder(), "lvsim-install-" + std::to_string(platform::current_process_id()));
  ASSERT_TRUE(platform::make_folders(folder));
  const std::string reg = platform::join_path(folder, "install.reg");
  const std::string instances = platform::join_path(folder, "in \"stances\"");
  auto child = platform::ChildProcess::start(
      program("lvsim"), {"install", "--reg", reg, "--version", "12", "--version", "13",
                         "--executable", program("lvsim"), "--resource-folder", folder, "--ports",
                         "41000-41007", "--instances", instances});
  ASSERT_TRUE(child);
  ASSERT_EQ(child->wait(kStartLimitMs), 0);
  ASSERT_TRUE(platform::import_registry_file(reg));
  int version = 0;
  EXPECT_EQ(lumivex::lookup_bin_folder(12, 13, version), here());
  EXPECT_EQ(version, 13);
  EXPECT_EQ(lumivex::lookup_executable(12, 12), program("lvsim"));
  EXPECT_EQ(lumivex::lookup_resource_folder(12, 12), folder);
  int first = 0, last = 0;
  EXPECT_EQ(lumivex::lookup_live_link_ports(12, 12, first, last), lumivex::kPortsRead);
  EXPECT_EQ(first, 41000);
  EXPECT_EQ(last, 41007);
  EXPECT_EQ(livelink::instance_folder(), instances);
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(std::u8string(folder.begin(), folder.end())),
                              ignored);
}

TEST(LvsimCommandLine, BadUseIsRefusedWithAClearMessage) {
  struct Case {
    std::vector<std::string> arguments;
    int code;
  };
  const Case cases[] = {
      {{"--version", "zero"}, 2},
      {{"--version"}, 2},
      {{"--frobnicate", "1"}, 2},
      {{"install"}, 2},
      {{"install", "--reg", "x.reg", "--ports", "9-3"}, 2},
      // No installation of version 77 in the registry.
      {{"--version", "77"}, 3},
  };
  for (const Case& c : cases) {
    auto child = platform::ChildProcess::start(program("lvsim"), c.arguments);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(kStartLimitMs), c.code) << c.arguments[0];
  }
}

}  // namespace
