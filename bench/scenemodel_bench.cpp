// Emitting a triangle mesh node against writing the same arrays with bare
// parameter calls, through the file writer, in one run. The node may cost at
// most 1.1 times the bare writes: it hands its arrays over as one pointer and
// count each, so only its few statements around the arrays should show.
//
//   scenemodel_bench            Google Benchmark's usual output, then the ratios
//   scenemodel_bench --ratios   only the ratio lines (what bench/run prints)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_main.h"
#include "sceneapi/orvScene_api_file.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace {

constexpr size_t kTriangles = 1'000'000;
constexpr size_t kVertices = kTriangles / 2;
constexpr double kTarget = 1.1;

struct MeshArrays {
  std::vector<float> vertices, normals, uvs;
  std::vector<int32_t> triangles;
};

const MeshArrays& meshArrays() {
  static const MeshArrays arrays = [] {
    MeshArrays a;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int32_t> index(0, kVertices - 1);
    a.vertices.resize(3 * kVertices);
    a.normals.resize(3 * kVertices);
    a.uvs.resize(2 * kVertices);
    a.triangles.resize(3 * kTriangles);
    for (float& v : a.vertices) v = coordinate(random);
    for (float& n : a.normals) n = unit(random);
    for (float& t : a.uvs) t = unit(random);
    for (int32_t& i : a.triangles) i = index(random);
    return a;
  }();
  return arrays;
}

// One temporary file per benchmark, rewound before every scene so that each
// iteration writes the same bytes to the same place.
struct Sink {
  explicit Sink(bool rawArrays) : file(std::tmpfile()), writer(file, rawArrays) {
    // Text arrays with indentation, as an exported file; raw arrays as the
    // live link sends them.
    if (!rawArrays) writer.set_flags(1);
  }
  ~Sink() { std::fclose(file); }
  void rewind() { std::fseek(file, 0, SEEK_SET); }
  std::FILE* file;
  orvScene_api_file writer;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Processor time (user and system) of the body: time spent while the
// scheduler runs other processes is left out, and the file writes count.
template <typename Body>
double secondsOf(Body&& body) {
  const std::clock_t start = std::clock();
  body();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Each iteration writes the scene both ways, back to back into the same file
// (alternating which goes first), so both see the same load on the machine;
// the ratio is the median of the per-iteration ratios. The bare writes use
// the node's own arrays, so both read the same memory.
void meshNodeAgainstBareWrites(benchmark::State& state, bool rawArrays) {
  const MeshArrays& a = meshArrays();
  orv::TriangleObject mesh("mesh");
  mesh.setVertices(a.vertices.data(), a.vertices.size());
  mesh.setNormals(a.normals.data(), a.normals.size());
  mesh.setUVs(a.uvs.data(), a.uvs.size());
  mesh.setTriangles(a.triangles.data(), a.triangles.size());
  Sink sink(rawArrays);
  orv::orvSceneapi_oo wrapper(nullptr);
  wrapper.setSceneApi(&sink.writer);

  const orvArray vertices{mesh.vertices().data(), static_cast<int32_t>(kVertices)};
  const orvArray triangles{mesh.triangles().data(), static_cast<int32_t>(3 * kTriangles)};
  const orvArray uvs{mesh.uvs().data(), static_cast<int32_t>(mesh.uvs().size())};
  const orvArray normals{mesh.normals().data(), static_cast<int32_t>(kVertices)};
  auto emitNode = [&] {
    sink.rewind();
    wrapper.emitNode(&mesh);
  };
  auto writeBare = [&] {
    sink.rewind();
    sink.writer.parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &vertices);
    sink.writer.parameter("triangles", ORV_ARRAY + ORV_INT, &triangles);
    sink.writer.parameter("uv_tex", ORV_ARRAY + ORV_FLOAT, &uvs);
    sink.writer.parameter("normals", ORV_ARRAY + ORV_FLOAT3, &normals);
  };

  std::vector<double> nodeTimes, bareTimes, ratios;
  bool nodeFirst = true;
  for (auto _ : state) {
    double node = 0, bare = 0;
    if (nodeFirst) {
      node = secondsOf(emitNode);
      bare = secondsOf(writeBare);
    } else {
      bare = secondsOf(writeBare);
      node = secondsOf(emitNode);
    }
    nodeFirst = !nodeFirst;
    nodeTimes.push_back(node);
    bareTimes.push_back(bare);
    ratios.push_back(node / bare);
  }
  if (!mesh.errorText().empty()) state.SkipWithError(mesh.errorText().c_str());
  state.counters["node_ms"] = 1e3 * median(nodeTimes);
  state.counters["bare_ms"] = 1e3 * median(bareTimes);
  state.counters["ratio"] = median(ratios);
}

// Collects the ratio counter of every run and optionally passes the runs on
// to the console.
class RatioCollector : public benchmark::BenchmarkReporter {
 public:
  explicit RatioCollector(benchmark::BenchmarkReporter* display) : display_(display) {}
  bool ReportContext(const Context& context) override {
    return display_ == nullptr || display_->ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto ratio = run.counters.find("ratio");
      if (run.run_type != Run::RT_Iteration || run.error_occurred || ratio == run.counters.end()) {
        continue;
      }
      ratios[run.run_name.function_name] = ratio->second.value;
    }
    if (display_ != nullptr) display_->ReportRuns(runs);
  }
  void Finalize() override {
    if (display_ != nullptr) display_->Finalize();
  }
  std::map<std::string, double> ratios;

 private:
  benchmark::BenchmarkReporter* display_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool ratiosOnly = bench::initializeBenchmarks(argc, argv);

  // Iterations are pairs of scenes; the text form takes about a second a pair.
  const struct {
    const char* form;
    bool raw;
    int pairs;
  } forms[] = {{"text", false, 9}, {"raw", true, 151}};
  for (const auto& f : forms) {
    const bool raw = f.raw;
    benchmark::RegisterBenchmark((std::string("mesh_node_vs_bare/") + f.form).c_str(),
                                 [raw](benchmark::State& s) { meshNodeAgainstBareWrites(s, raw); })
        ->Iterations(f.pairs)
        ->Unit(benchmark::kMillisecond);
  }

  benchmark::ConsoleReporter console;
  RatioCollector reporter(ratiosOnly ? nullptr : &console);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  bool allMet = true;
  for (const auto& f : forms) {
    const auto found = reporter.ratios.find(std::string("mesh_node_vs_bare/") + f.form);
    if (found == reporter.ratios.end()) continue;
    const double ratio = found->second;
    allMet = allMet && ratio <= kTarget;
    std::printf(
        "mesh node (1M triangles, %s arrays) vs bare parameter writes: %.3fx (target <= %.1f) %s\n",
        f.form, ratio, kTarget, ratio <= kTarget ? "ok" : "MISSED");
  }
  return allMet ? 0 : 1;
}
