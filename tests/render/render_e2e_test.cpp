// lvlink render against lvsim, both real processes on the loopback
// interface. The installation's "renderer" is lvtest_renderer, which starts
// lvsim with a dump folder and stops it when the test says so; a recording
// relay put in front of lvsim shows the streams of single presses.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "SceneOutline.h"
#include "livelink/Instances.h"
#include "livelink/Protocol.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/process_control.h"
#include "reg_fixture.h"
#include "render_designs.h"
#include "scene_compare.h"

namespace {

namespace fs = std::filesystem;
using reg_fixture::utf8_of;
using render_designs::Spec;

constexpr unsigned kWaitMs = 60000;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// lvlink's standard error without carriage returns and without the lines of
// the lvsim it started, which shares it.
std::string lvlinkLines(const std::string& text) {
  std::istringstream lines(text);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    std::erase(line, '\r');
    if (line.rfind("lvsim: ", 0) != 0) kept += line + "\n";
  }
  return kept;
}

bool waitFor(const std::function<bool()>& condition, unsigned timeoutMs = kWaitMs) {
  const uint64_t start = platform::tick_milliseconds();
  while (!condition()) {
    if (platform::tick_milliseconds() - start > timeoutMs) return false;
    platform::sleep_milliseconds(50);
  }
  return true;
}

// Sits between the add-in and lvsim: passes queries through and records
// every complete scene stream before handing it on.
class RecordingRelay {
 public:
  // onStream, when given, runs as soon as a scene stream has begun; the
  // stream is then cut off without an answer.
  explicit RecordingRelay(int targetPort, std::function<void()> onStream = {})
      : target_(targetPort), onStream_(std::move(onStream)) {
    listener_ = platform::Socket::listen_loopback(0);
    if (listener_) thread_ = std::thread([this] { run(); });
  }
  ~RecordingRelay() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int port() const { return listener_ ? listener_->local_port() : -1; }
  std::vector<std::string> streams() {
    std::lock_guard<std::mutex> lock(mutex_);
    return streams_;
  }

 private:
  void run() {
    while (!stop_) {
      if (auto client = listener_->accept_connection(100)) serve(*client);
    }
  }

  void serve(platform::Socket& client) {
    auto hello = livelink::receive_hello(client, 5000);
    if (!hello) return;
    auto upstream = platform::Socket::connect_to("127.0.0.1", target_, 5000);
    if (!upstream || !livelink::send_hello(*upstream, hello->request, hello->link_number)) return;
    std::string text;
    if (hello->request == livelink::Request::scene && onStream_) {
      livelink::Frame first;
      if (livelink::receive_frame(client, first, 30000) == livelink::FrameStatus::ok) onStream_();
      return;
    }
    if (hello->request == livelink::Request::scene) {
      livelink::ReceivedStream stream = livelink::receive_stream(client, 30000, uint64_t(1) << 32);
      if (!stream.complete) return;
      text = std::move(stream.text);
      for (size_t at = 0; at < text.size(); at += 65536) {
        livelink::send_frame(*upstream, livelink::FrameType::data,
                             std::string_view(text).substr(at, 65536));
      }
      std::string count(8, '\0');
      for (int i = 0; i < 8; ++i)
        count[i] = static_cast<char>((uint64_t(text.size()) >> (8 * i)) & 0xFF);
      livelink::send_frame(*upstream, livelink::FrameType::end, count);
    }
    livelink::Frame answer;
    if (livelink::receive_frame(*upstream, answer, 60000) != livelink::FrameStatus::ok) return;
    livelink::send_frame(client, answer.type, answer.payload);
    if (hello->request == livelink::Request::scene) {
      std::lock_guard<std::mutex> lock(mutex_);
      streams_.push_back(std::move(text));
    }
  }

  int target_;
  std::function<void()> onStream_;
  std::optional<platform::Socket> listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> streams_;
};

struct RunResult {
  int status;
  std::string err;
};

class RenderEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = fs::current_path();
    ASSERT_TRUE(fs::exists(bin_ / program("lvsim")))
        << "the tests run in the build's bin folder, beside lvsim and lvlink (ctest does this)";
    std::random_device seed;
    dir_ = fs::temp_directory_path() / ("lv-render-" + std::to_string(seed()));
    for (const char* sub : {"renderer", "instances", "resources", "dump"}) {
      fs::create_directories(dir_ / sub);
    }
    firstPort_ = 30000 + static_cast<int>(seed() % 3000) * 10;
    platform::set_environment("LVTEST_RENDERER_DIR", utf8_of(dir_ / "renderer"));
    platform::set_environment("LVTEST_LVSIM", utf8_of(bin_ / program("lvsim")));
    platform::set_environment("LUMIVEX_POLL_INTERVAL_MS", "100");
    platform::set_environment("LUMIVEX_LAUNCH_POLLS", "150");
    setMode("run", {"--dump", utf8_of(dir_ / "dump"), "--log", utf8_of(dir_ / "lvsim.log")});
    installRenderer();
  }

  void TearDown() override {
    stopRenderers();
    reg_fixture::install(dir_ / "empty.reg", "[-HKEY_CURRENT_USER\\SOFTWARE\\Orvane]\n\n");
    for (const char* name : {"LVTEST_RENDERER_DIR", "LVTEST_LVSIM", "LUMIVEX_POLL_INTERVAL_MS",
                             "LUMIVEX_LAUNCH_POLLS"}) {
      platform::unset_environment(name);
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static std::string program(const std::string& name) { return name + LVTEST_EXE_SUFFIX; }

  // The installation: version 9 with the test renderer as its executable and
  // this build's live-link library. extra replaces the port values.
  void installRenderer(const std::string& binName = "", std::optional<std::string> ports = {}) {
    char portValues[128];
    std::snprintf(portValues, sizeof portValues,
                  "\"LiveLinkPort\"=dword:%08x\n\"LiveLinkMaxPort\"=dword:%08x\n", firstPort_,
                  firstPort_ + 9);
    const std::string body =
        "[-HKEY_CURRENT_USER\\SOFTWARE\\Orvane]\n\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane]\n"
        "\"LiveInstanceFolder\"=" +
        reg_fixture::quoted(utf8_of(dir_ / "instances")) +
        "\n\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvane\\LumiVex 9]\n"
        "\"BinName\"=" +
        reg_fixture::quoted(binName.empty() ? utf8_of(bin_ / program("lvtest_renderer"))
                                            : binName) +
        "\n\"BinFolder\"=" + reg_fixture::quoted(utf8_of(bin_)) +
        "\n\"ResourceFolder\"=" + reg_fixture::quoted(utf8_of(dir_ / "resources")) + "\n" +
        ports.value_or(portValues) + "\n";
    ASSERT_TRUE(
        reg_fixture::install(dir_ / ("install" + std::to_string(++imports_) + ".reg"), body));
  }

  void setMode(const std::string& mode, const std::vector<std::string>& arguments = {}) {
    std::ofstream out(dir_ / "renderer" / "mode", std::ios::trunc);
    out << mode << "\n";
    for (const auto& argument : arguments) out << argument << "\n";
  }

  std::vector<std::string> launches() const {
    std::ifstream in(dir_ / "renderer" / "launches");
    std::vector<std::string> pids;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) pids.push_back(line);
    }
    return pids;
  }

  // Stops every lvsim the renderer started and waits until they are gone.
  void stopRenderers() {
    const fs::path stop = dir_ / "renderer" / "stop-all";
    std::ofstream(stop) << "stop\n";
    const bool stopped = waitFor([&] {
      for (const auto& pid : launches()) {
        if (!fs::exists(dir_ / "renderer" / ("ended-" + pid))) return false;
      }
      return true;
    });
    fs::remove(stop);
    EXPECT_TRUE(stopped) << "a launched renderer did not stop";
    waitFor([&] { return fs::is_empty(dir_ / "instances"); }, 5000);
  }

  std::string writeDesign(const std::string& name, const Spec& spec) const {
    const fs::path path = dir_ / name;
    const fs::path temporary = dir_ / (name + ".new");
    std::ofstream(temporary, std::ios::binary) << render_designs::json(spec);
    fs::rename(temporary, path);  // lvlink --watch never sees half a file
    return utf8_of(path);
  }

  int heldScenes() const {
    const std::string log = readFile(dir_ / "lvsim.log");
    int count = 0;
    for (size_t at = log.find("\" held ("); at != std::string::npos;
         at = log.find("\" held (", at + 1)) {
      ++count;
    }
    return count;
  }

  std::string dump() const { return readFile(dir_ / "dump" / "Bracket.lvs"); }

  RunResult lvlink(const std::string& arguments) {
    // Files of their own for each run: a renderer this run starts inherits
    // them and keeps them open (on Windows, for writing).
    const std::string run = std::to_string(++runs_);
    const std::string out = utf8_of(dir_ / ("stdout" + run + ".txt"));
    const std::string err = utf8_of(dir_ / ("stderr" + run + ".txt"));
    // The command starts with the program's plain name, run from the bin
    // folder, so sh and cmd read it alike.
    const std::string command = std::string(LVTEST_LVLINK_COMMAND) + " " + arguments + " > \"" +
                                out + "\" 2> \"" + err + "\"";
    int status = std::system(command.c_str());
    if (status >= 256) status >>= 8;
    return {status, lvlinkLines(readFile(err))};
  }

  // What one full Render of the design gives: a fresh lvsim takes it from a
  // fresh host session.
  std::string freshFullSend(const std::string& design) {
    stopRenderers();
    fs::remove(dir_ / "dump" / "Bracket.lvs");
    RunResult run = lvlink("render \"" + design + "\"");
    EXPECT_EQ(run.status, 0) << run.err;
    return dump();
  }

  // The only running lvsim's record now points at a relay in front of it.
  std::unique_ptr<RecordingRelay> relayInFront(bool killOnStream = false) {
    std::vector<fs::path> records;
    for (const auto& entry : fs::directory_iterator(dir_ / "instances")) {
      if (entry.path().extension() == ".instance") records.push_back(entry.path());
    }
    if (records.size() != 1) return nullptr;
    auto record = livelink::parse_record(readFile(records[0]));
    if (!record) return nullptr;
    std::function<void()> kill;
    if (killOnStream) {
      // lvsim is killed, and gone, before the relay lets the stream fail.
      kill = [this, pid = record->process_id] {
        std::ofstream(dir_ / "renderer" / ("kill-" + std::to_string(pid))) << "kill\n";
        waitFor([pid] { return !platform::process_alive(pid); });
      };
    }
    auto relay = std::make_unique<RecordingRelay>(record->port, kill);
    record->port = relay->port();
    std::ofstream(records[0], std::ios::binary | std::ios::trunc) << livelink::record_text(*record);
    return relay;
  }

  fs::path bin_, dir_;
  int firstPort_ = 0;
  int imports_ = 0;
  int runs_ = 0;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The scene text of a stream as the add-in sent it, as an outline of groups.
std::string outlineOf(const std::string& streamText) {
  livelink::SceneRecorder recorder;
  if (!livelink::read_scene_text(streamText, recorder)) return "unreadable";
  return outline::of(capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    livelink::replay(recorder.nodes(), api);
  }));
}

std::string optionsOf(const std::string& sceneText) {
  const size_t start = sceneText.find("orvrtopt.so");
  return start == std::string::npos ? ""
                                    : sceneText.substr(start, sceneText.find('}', start) - start);
}

void expectSameScene(const std::string& held, const std::string& full) {
  const std::string a = scene_compare::canonical(held);
  const std::string b = scene_compare::canonical(full);
  ASSERT_FALSE(a.rfind("unreadable", 0) == 0) << a;
  ASSERT_FALSE(b.rfind("unreadable", 0) == 0) << b;
  if (a == b) return;
  size_t line = 1, at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) line += a[at++] == '\n';
  ADD_FAILURE() << "the held scene differs from a full send from line " << line
                << ":\nheld: " << a.substr(a.rfind('\n', at) + 1, 200)
                << "\nfull: " << b.substr(b.rfind('\n', at) + 1, 200);
}

const char kFull[] =
    "Bracket(Bracket/32769(Part/32769@(Plate/1024(Plate/65536(o))) "
    "Bolt/32769@(Shank/1024(Shank/65536(o)) Head/1024(Head/65536(o))) "
    "Bolt/32769@(Shank/1024(Shank/65536(o)) Head/1024(Head/65536(o))) "
    "Base/1024(Base/65536(o))))";

TEST_F(RenderEndToEnd, LaunchesSendsUpdatesAndHoldsWhatAFullSendGives) {
  Spec spec;
  const std::string design = writeDesign("bracket.json", spec);
  auto session = platform::ChildProcess::start(utf8_of(bin_ / program("lvlink")),
                                               {"render", design, "--watch"});
  ASSERT_TRUE(session);

  // No renderer ran: one is launched through the installation, polled for
  // and sent the whole scene with camera and environment adjustment on.
  ASSERT_TRUE(waitFor([&] { return heldScenes() == 1; })) << "no scene arrived";
  EXPECT_EQ(launches().size(), 1u);
  std::string held = dump();
  EXPECT_TRUE(contains(optionsOf(held), "\"import_adjust_camera\" on"));
  EXPECT_TRUE(contains(optionsOf(held), "\"import_adjust_environment\" on"));
  EXPECT_TRUE(contains(held, "camera \"Active Camera\""));
  EXPECT_EQ(outlineOf(held), kFull);

  auto relay = relayInFront();
  ASSERT_TRUE(relay);
  size_t seen = 0;
  auto nextStream = [&]() -> std::string {
    if (!waitFor([&] { return relay->streams().size() > seen; })) return "no stream";
    return relay->streams()[seen++];
  };

  // Pressed again without a change (the file is rewritten, the design is not).
  spec.comment = "touched";
  writeDesign("bracket.json", spec);
  std::string stream = nextStream();
  EXPECT_TRUE(contains(optionsOf(stream), "\"import_adjust_camera\" off"));
  EXPECT_TRUE(contains(optionsOf(stream), "\"import_adjust_environment\" off"));
  EXPECT_TRUE(contains(stream, "camera \"Active Camera\""));
  EXPECT_EQ(outlineOf(stream), "Bracket(Bracket/1(Part/1@() Bolt/1@() Bolt/1@()))");

  // One component changed at a time: only it carries its bodies.
  struct Edit {
    const char* label;
    std::function<void(Spec&)> change;
    std::string outline;
  };
  const Edit edits[] = {
      {"an appearance", [](Spec& s) { s.plateAppearance = "blue"; },
       "Bracket(Bracket/1(Part/32769@(Plate/1024(Plate/65536(o))) Bolt/1@() Bolt/1@()))"},
      {"a body's visibility", [](Spec& s) { s.shankVisible = false; },
       "Bracket(Bracket/1(Part/1@() Bolt/32769@(Shank/33793() Head/1024(Head/65536(o))) "
       "Bolt/32769@(Shank/33793() Head/1024(Head/65536(o)))))"},
      {"a child added", [](Spec& s) { s.washer = true; },
       "Bracket(Bracket/1(Part/32769@(Washer/32769@(Ring/1024(Ring/65536(o))) "
       "Plate/1024(Plate/65536(o))) Bolt/1@() Bolt/1@()))"},
      {"a new version of the document", [](Spec& s) { s.name = "Bracket v4"; },
       "Bracket(Bracket/1(Part/1@(Washer/1@()) Bolt/1@() Bolt/1@()))"},
  };
  for (const auto& edit : edits) {
    edit.change(spec);
    writeDesign("bracket.json", spec);
    EXPECT_EQ(outlineOf(nextStream()), edit.outline) << edit.label;
  }
  ASSERT_TRUE(waitFor([&] { return heldScenes() == 2 + int(std::size(edits)); }));
  EXPECT_EQ(launches().size(), 1u) << "every update went to the same renderer";
  held = dump();
  relay.reset();

  // lvsim gone between presses: the next press launches a new one and sends
  // everything.
  stopRenderers();
  spec.plateAppearance = "red";
  writeDesign("bracket.json", spec);
  ASSERT_TRUE(waitFor([&] { return launches().size() == 2 && heldScenes() == 7; }))
      << "no new renderer took the scene";
  const std::string afterRestart = dump();
  EXPECT_TRUE(contains(optionsOf(afterRestart), "\"import_adjust_camera\" on"));
  EXPECT_TRUE(session->request_stop());
  EXPECT_EQ(session->wait(kWaitMs), 0) << "every press succeeded";

  // What lvsim held after the updates is what one full Render gives.
  Spec beforeRestart = spec;
  beforeRestart.plateAppearance = "blue";
  expectSameScene(held, freshFullSend(writeDesign("v4.json", beforeRestart)));
  expectSameScene(afterRestart, freshFullSend(writeDesign("v5.json", spec)));
}

TEST_F(RenderEndToEnd, ScansThePortRangeWhenTheInstanceAdvertisesNoPort) {
  // An lvsim that records itself with port 0, and a renderer executable
  // that starts nothing: no instance can be asked for its scene, the
  // launch brings none, and the scan of the installation's ports finds lvsim.
  auto lvsim = platform::ChildProcess::start(
      utf8_of(bin_ / program("lvsim")),
      {"--dump", utf8_of(dir_ / "dump"), "--log", utf8_of(dir_ / "lvsim.log")});
  ASSERT_TRUE(lvsim);
  const fs::path record = dir_ / "instances" / (std::to_string(lvsim->id()) + ".instance");
  ASSERT_TRUE(waitFor([&] { return fs::exists(record); }));
  auto parsed = livelink::parse_record(readFile(record));
  ASSERT_TRUE(parsed);
  parsed->port = 0;
  std::ofstream(record, std::ios::binary | std::ios::trunc) << livelink::record_text(*parsed);
  setMode("noop");
  platform::set_environment("LUMIVEX_LAUNCH_POLLS", "2");

  RunResult run = lvlink("render \"" + writeDesign("bracket.json", Spec{}) + "\"");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(heldScenes(), 1);
  EXPECT_EQ(outlineOf(dump()), kFull);
  EXPECT_EQ(launches().size(), 1u);
  lvsim->request_stop();
  EXPECT_EQ(lvsim->wait(kWaitMs), 0);
}

TEST_F(RenderEndToEnd, FailureTextsReachStandardError) {
  const std::string design = writeDesign("bracket.json", Spec{});
  const std::string notAProgram = utf8_of(dir_ / "resources" / "renderer.txt");
  std::ofstream(notAProgram) << "not a program\n";
  struct Case {
    const char* label;
    std::function<void()> setUp;
    std::string message;
  };
  const Case cases[] = {
      {"no installation",
       [&] {
         ASSERT_TRUE(
             reg_fixture::install(dir_ / "none.reg", "[-HKEY_CURRENT_USER\\SOFTWARE\\Orvane]\n\n"));
       },
       "Live link failed. Reason: \"Failed to connect. Could not get a scene api. Please check "
       "your LumiVex installation.\n\"\n"},
      {"a launch that fails", [&] { installRenderer(notAProgram); },
       "Live link failed. Reason: \"Failed to connect. Unabled to launch LumiVex. Please check "
       "your LumiVex installation.\"\n"},
      {"no LiveLinkMaxPort",
       [&] {
         setMode("noop");
         platform::set_environment("LUMIVEX_LAUNCH_POLLS", "2");
         installRenderer("", "\"LiveLinkPort\"=dword:00007530\n");
       },
       "Live link failed. Reason: \"Failed to connect. Could not connect on any known port. "
       "Please check your LumiVex installation and Live Link settings.\"\n"},
  };
  for (const auto& c : cases) {
    c.setUp();
    RunResult run = lvlink("render \"" + design + "\"");
    EXPECT_EQ(run.status, 1) << c.label;
    EXPECT_EQ(run.err, c.message) << c.label;
  }
}

TEST_F(RenderEndToEnd, AStreamCutMidwayLeavesTheHostWorking) {
  // This lvsim refuses streams over 1 MiB and drops the connection midway.
  setMode("run", {"--dump", utf8_of(dir_ / "dump"), "--log", utf8_of(dir_ / "lvsim.log"),
                  "--max-stream-mib", "1"});
  Spec big;
  big.gridSize = 200;
  RunResult run = lvlink("render \"" + writeDesign("big.json", big) + "\" \"" +
                         writeDesign("small.json", Spec{}) + "\"");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Live link failed. Reason: \"The renderer did not take the scene.\"\n");
  // The next press found no scene held and sent everything.
  EXPECT_EQ(heldScenes(), 1);
  EXPECT_EQ(outlineOf(dump()), kFull);
}

TEST_F(RenderEndToEnd, LvsimKilledInTheMiddleOfAStreamLeavesTheHostWorking) {
  const std::string design = writeDesign("bracket.json", Spec{});
  ASSERT_EQ(lvlink("render \"" + design + "\"").status, 0);
  ASSERT_EQ(heldScenes(), 1);
  auto relay = relayInFront(true);
  ASSERT_TRUE(relay);

  // Two presses in one session: lvsim dies under the first, whose stream is
  // lost; the second finds no renderer, launches one and sends everything.
  Spec edited;
  edited.plateAppearance = "blue";
  RunResult run =
      lvlink("render \"" + design + "\" \"" + writeDesign("edited.json", edited) + "\"");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Live link failed. Reason: \"The renderer did not take the scene.\"\n");
  EXPECT_EQ(launches().size(), 2u);
  EXPECT_EQ(heldScenes(), 2);
  const std::string held = dump();
  EXPECT_EQ(outlineOf(held), kFull);
  EXPECT_TRUE(contains(optionsOf(held), "\"import_adjust_camera\" on"));
  relay.reset();
  expectSameScene(held, freshFullSend(writeDesign("full.json", edited)));
}

}  // namespace
