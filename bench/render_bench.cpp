// The Render command on a design of 50 components and 1,000,000 triangles.
//
// Bytes: what a press after one component changed puts on the link, against
// that component's share of a full send plus 2% of the full send.
// Throughput: the scene stream over a loopback connection (the scene writer
// on the live link's frame sink, read by the renderer's stream reader)
// against a plain socket copy of the same bytes, in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_main.h"
#include "grid_mesh.h"
#include "FakeHost.h"
#include "addin/FusionSceneConverter.h"
#include "livelink/Protocol.h"
#include "platform/socket.h"
#include "sceneapi/dev/RepeatLinkFactory.h"
#include "sceneapi/orvScene_api_file.h"

namespace {

constexpr int kComponents = 50;
constexpr int kFacesPerBody = 20;
constexpr int kChanged = 17;  // the component edited between presses

struct LargeDesign {
  host::Ptr<fake::Document> document;
  std::vector<host::Ptr<fake::Component>> parts;
  host::Ptr<fake::Face> changedFace;
  host::Ptr<host::Appearance> paint;
  size_t triangles = 0;
};

LargeDesign makeLargeDesign() {
  LargeDesign design;
  auto steel = fake::appearance(
      "Steel", {fake::colorProperty("metal_color", std::make_shared<fake::Color>(180, 180, 190))});
  design.paint = fake::appearance(
      "Paint",
      {fake::colorProperty("generic_diffuse", std::make_shared<fake::Color>(200, 30, 20))});
  auto root = fake::component("Assembly");
  for (int c = 0; c < kComponents; ++c) {
    std::vector<host::Ptr<host::BRepFace>> faces;
    for (int f = 0; f < kFacesPerBody; ++f) {
      auto mesh = bench::gridMesh(static_cast<float>(f));
      design.triangles += mesh->indices.size() / 3;
      auto face = fake::face(nullptr, {mesh});
      if (c == kChanged && f == 0) design.changedFace = face;
      faces.push_back(face);
    }
    auto part = fake::component("Part " + std::to_string(c),
                                {fake::body("Body " + std::to_string(c), faces, steel)});
    part->physical->a = c + 1.0;
    fake::place(root, part, fake::translation(c, 0, 0));
    design.parts.push_back(part);
  }
  design.document = fake::document("Large v1", {fake::design(root, "mm")});
  return design;
}

class CountingSink : public SceneTextSink {
 public:
  bool write(const char*, size_t size) override {
    bytes += size;
    return true;
  }
  uint64_t bytes = 0;
};

// The live scene API as the library makes it: the text writer with raw
// arrays, here writing into a byte counter.
struct CountingLink {
  CountingSink sink;
};
class CountingScene : private CountingLink, public orvScene_api_file {
 public:
  CountingScene() : orvScene_api_file(&sink, true) {}
  bool connect(const char*, int, int) override { return true; }
  bool disconnect() override { return true; }
  uint64_t take() { return std::exchange(sink.bytes, 0); }
};

// One running renderer that shows the scene once it has been sent.
class BenchQuery : public LiveQuery {
 public:
  const char* listInstances() override {
    return "<i><e><version_major>9</version_major><process_id>1</process_id>"
           "<livelink_port>47600</livelink_port></e></i>";
  }
  bool openInstance(int64_t) override { return true; }
  void closeInstance() override {}
  const char* instanceScene() override {
    return holdsScene ? "<r><scenes><scene name=\"Large\"><g/></scene></scenes></r>"
                      : "<r><scenes/></r>";
  }
  bool holdsScene = false;
};

class BenchAccess : public orv::LiveLinkAccess {
 public:
  orvScene_api* sceneApi(int, int) override { return &scene; }
  LiveQuery* queryApi(int, int) override { return &query; }
  void unloadLibrary() override {}
  bool launchRenderer(int, int) override { return false; }
  int livePorts(int, int, int&, int&) override { return -3; }
  void sleepMilliseconds(unsigned) override {}
  CountingScene scene;
  BenchQuery query;
};

struct Figures {
  uint64_t fullBytes = 0, updateBytes = 0, shareBytes = 0;
  double streamSeconds = 0, copySeconds = 0;
  uint64_t streamedBytes = 0;
  size_t triangles = 0;
};
Figures gFigures;

// The bytes of one component sent with its bodies, on its own.
uint64_t componentShare(addin::FusionSceneConverter& converter,
                        const host::Ptr<fake::Component>& part) {
  auto saved = converter.sentStates();
  converter.sentStates().clear();
  auto group = converter.convertComponent(part, nullptr, true);
  converter.sentStates() = saved;
  CountingScene scene;
  orv::orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&scene);
  wrapper.emitNode(group.get());
  return scene.take();
}

void bytesOnTheLink(benchmark::State& state) {
  const LargeDesign design = makeLargeDesign();
  gFigures.triangles = design.triangles;
  for (auto _ : state) {
    auto app = std::make_shared<fake::Application>();
    addin::FusionSceneConverter converter(app->ui, app);
    BenchAccess access;
    design.changedFace->look = nullptr;
    converter.renderScene(design.document, access);
    gFigures.fullBytes = access.scene.take();
    access.query.holdsScene = true;
    design.changedFace->look = design.paint;
    converter.renderScene(design.document, access);
    gFigures.updateBytes = access.scene.take();
    gFigures.shareBytes = componentShare(converter, design.parts[kChanged]);
    if (!app->ui->messages.empty()) state.SkipWithError(app->ui->messages.front().text.c_str());
  }
  state.counters["full_MB"] = gFigures.fullBytes / 1e6;
  state.counters["update_MB"] = gFigures.updateBytes / 1e6;
}

// Everything that arrives, until the sender closes.
std::string receiveAll(platform::Socket& socket) {
  std::string bytes;
  std::vector<char> block(1 << 16);
  while (true) {
    long got = socket.receive(block.data(), block.size(), 60000);
    if (got <= 0) break;
    bytes.append(block.data(), static_cast<size_t>(got));
  }
  return bytes;
}

struct Loopback {
  platform::Socket sender, receiver;
};
std::optional<Loopback> connectLoopback() {
  auto listener = platform::Socket::listen_loopback(0);
  if (!listener) return std::nullopt;
  auto sender = platform::Socket::connect_to("127.0.0.1", listener->local_port(), 5000);
  if (!sender) return std::nullopt;
  auto receiver = listener->accept_connection(5000);
  if (!receiver) return std::nullopt;
  return Loopback{std::move(*sender), std::move(*receiver)};
}

void streamOverLoopback(benchmark::State& state) {
  const LargeDesign design = makeLargeDesign();
  auto app = std::make_shared<fake::Application>();
  addin::FusionSceneConverter converter(app->ui, app);
  converter.setMeterScale(addin::FusionSceneConverter::designMeterScale(design.document));
  auto root = converter.buildScene(design.document);

  // The same bytes as one text, for the plain copy.
  std::string text;
  {
    struct StringSink : SceneTextSink {
      bool write(const char* data, size_t size) override {
        out->append(data, size);
        return true;
      }
      std::string* out;
    } sink;
    sink.out = &text;
    orvScene_api_file writer(&sink, true);
    orv::orvSceneapi_oo wrapper(nullptr);
    wrapper.setSceneApi(&writer);
    wrapper.emitNode(root.get());
  }

  for (auto _ : state) {
    auto link = connectLoopback();
    if (!link) {
      state.SkipWithError("no loopback connection");
      break;
    }
    livelink::ReceivedStream received;
    auto start = std::chrono::steady_clock::now();
    std::thread reader(
        [&] { received = livelink::receive_stream(link->receiver, 60000, uint64_t(1) << 34); });
    {
      livelink::FrameSink sink(link->sender);
      orvScene_api_file writer(&sink, true);
      orv::orvSceneapi_oo wrapper(nullptr);
      wrapper.setSceneApi(&writer);
      wrapper.emitNode(root.get());
      wrapper.setSceneApi(nullptr);
      sink.finish();
    }
    reader.join();
    gFigures.streamSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    gFigures.streamedBytes += received.text.size();
    if (!received.complete || received.text != text) {
      state.SkipWithError("the stream did not arrive whole");
      break;
    }

    auto plain = connectLoopback();
    if (!plain) {
      state.SkipWithError("no loopback connection");
      break;
    }
    std::string copied;
    start = std::chrono::steady_clock::now();
    std::thread copier([&] { copied = receiveAll(plain->receiver); });
    for (size_t at = 0; at < text.size(); at += 1 << 16) {
      plain->sender.send_all(text.data() + at, std::min<size_t>(1 << 16, text.size() - at));
    }
    plain->sender.shutdown_send();
    copier.join();
    gFigures.copySeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (copied.size() != text.size()) {
      state.SkipWithError("the plain copy did not arrive whole");
      break;
    }
  }
  state.counters["stream_MB_per_s"] = gFigures.streamedBytes / 1e6 / gFigures.streamSeconds;
}

}  // namespace

int main(int argc, char** argv) {
  const bool figuresOnly = bench::initializeBenchmarks(argc, argv);
  benchmark::RegisterBenchmark("render_command/bytes_after_one_change", bytesOnTheLink)
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("render_command/stream_over_loopback", streamOverLoopback)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  bench::runBenchmarks(figuresOnly);
  if (gFigures.fullBytes == 0 || gFigures.streamSeconds == 0 || gFigures.copySeconds == 0) {
    return 1;
  }

  const double full = static_cast<double>(gFigures.fullBytes);
  const double limit = static_cast<double>(gFigures.shareBytes) + 0.02 * full;
  const bool bytesMet = static_cast<double>(gFigures.updateBytes) <= limit;
  std::printf(
      "render update after one changed component (%zu triangles, %d components): %.3f of a full "
      "send (%.1f MB of %.1f MB; target <= its share %.3f + 0.020 = %.3f) %s\n",
      gFigures.triangles, kComponents, gFigures.updateBytes / full, gFigures.updateBytes / 1e6,
      full / 1e6, gFigures.shareBytes / full, limit / full, bytesMet ? "ok" : "MISSED");
  const double ratio = gFigures.copySeconds / gFigures.streamSeconds;
  const bool speedMet = ratio >= 0.5;
  std::printf(
      "render stream over loopback: %.2fx the speed of a plain socket copy of the same bytes "
      "(%.0f MB/s against %.0f MB/s; target >= 0.50x) %s\n",
      ratio, gFigures.streamedBytes / 1e6 / gFigures.streamSeconds,
      gFigures.streamedBytes / 1e6 / gFigures.copySeconds, speedMet ? "ok" : "MISSED");
  return bytesMet && speedMet ? 0 : 1;
}
