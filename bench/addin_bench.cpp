// The Export command on a large design held in memory: 1,000,000 triangles
// over 100 components. Only the command is timed, not building the design.
// Prints the .lvs megabytes per second and how far the heap grew during the
// export, as a multiple of the design's mesh bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "bench_main.h"
#include "grid_mesh.h"
#include "FakeHost.h"
#include "addin/FusionSceneConverter.h"

// ---- heap accounting: every operator new counts its bytes -------------------

namespace {

std::atomic<std::int64_t> gLiveBytes{0};
std::atomic<std::int64_t> gPeakBytes{0};

// Room before each block for its size, keeping the block max-aligned.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* countedAlloc(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  std::memcpy(block, &size, sizeof size);
  const std::int64_t live = gLiveBytes += static_cast<std::int64_t>(size);
  std::int64_t peak = gPeakBytes.load();
  while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live)) {
  }
  return block + kHeader;
}

void countedFree(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  gLiveBytes -= static_cast<std::int64_t>(size);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void operator delete(void* pointer) noexcept { countedFree(pointer); }
void operator delete[](void* pointer) noexcept { countedFree(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { countedFree(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { countedFree(pointer); }

namespace {

constexpr int kComponents = 100;
constexpr int kFacesPerBody = 10;
constexpr double kTargetMultiple = 1.5;
constexpr double kTargetSlackBytes = 64.0 * 1024 * 1024;

struct LargeDesign {
  host::Ptr<fake::Document> document;
  std::size_t triangles = 0;
  std::size_t meshBytes = 0;
};

LargeDesign makeLargeDesign() {
  LargeDesign design;
  auto steel = fake::appearance(
      "Steel", {fake::colorProperty("metal_color", std::make_shared<fake::Color>(180, 180, 190))});
  auto paint = fake::appearance(
      "Paint",
      {fake::colorProperty("generic_diffuse", std::make_shared<fake::Color>(200, 30, 20))});
  auto root = fake::component("Assembly");
  for (int c = 0; c < kComponents; ++c) {
    std::vector<host::Ptr<host::BRepFace>> faces;
    for (int f = 0; f < kFacesPerBody; ++f) {
      auto mesh = bench::gridMesh(static_cast<float>(f));
      design.triangles += mesh->indices.size() / 3;
      design.meshBytes += 4 * (mesh->coordinates.size() + mesh->normals.size() + mesh->uvs.size() +
                               mesh->indices.size());
      faces.push_back(fake::face(f % 3 == 0 ? paint : nullptr, {mesh}));
    }
    auto part = fake::component("Part " + std::to_string(c),
                                {fake::body("Body " + std::to_string(c), faces, steel)});
    part->physical->a = c + 1.0;
    fake::place(root, part, fake::translation(c, 0, 0));
  }
  design.document = fake::document("Large v1", {fake::design(root, "mm")});
  return design;
}

struct Figures {
  double megabytesPerSecond = 0;
  double growthBytes = 0;
  std::size_t meshBytes = 0;
  std::size_t triangles = 0;
};
Figures gFigures;

void exportLargeDesign(benchmark::State& state) {
  const LargeDesign design = makeLargeDesign();
  const std::string path =
      (std::filesystem::temp_directory_path() / "lumivex-addin-bench.lvs").string();
  auto app = std::make_shared<fake::Application>();
  app->ui->dialog->chosen = path;
  addin::FusionSceneConverter converter(app->ui, app);

  double seconds = 0, bytes = 0, growth = 0;
  for (auto _ : state) {
    const std::int64_t before = gLiveBytes.load();
    gPeakBytes = before;
    const auto start = std::chrono::steady_clock::now();
    converter.exportScene(design.document);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    growth = std::max(growth, static_cast<double>(gPeakBytes.load() - before));
    if (!app->ui->messages.empty()) {
      state.SkipWithError(app->ui->messages.front().text.c_str());
      break;
    }
    bytes += static_cast<double>(std::filesystem::file_size(path));
  }
  std::filesystem::remove(path);
  gFigures = {bytes / 1e6 / seconds, growth, design.meshBytes, design.triangles};
  state.counters["lvs_MB_per_s"] = gFigures.megabytesPerSecond;
  state.counters["growth_x_mesh"] = growth / static_cast<double>(design.meshBytes);
}

}  // namespace

int main(int argc, char** argv) {
  const bool figuresOnly = bench::initializeBenchmarks(argc, argv);
  benchmark::RegisterBenchmark("export_command/1M_triangles_100_components", exportLargeDesign)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  bench::runBenchmarks(figuresOnly);
  if (gFigures.meshBytes == 0) return 1;

  const double mib = 1024.0 * 1024.0;
  const double limit =
      kTargetMultiple * static_cast<double>(gFigures.meshBytes) + kTargetSlackBytes;
  const bool met = gFigures.growthBytes <= limit;
  std::printf("export command (%zu triangles, 100 components): %.1f MB/s of .lvs\n",
              gFigures.triangles, gFigures.megabytesPerSecond);
  std::printf(
      "export command peak memory growth: %.2fx the mesh bytes (%.1f MiB over %.1f MiB of "
      "meshes; target <= 1.5x + 64 MiB = %.1f MiB) %s\n",
      gFigures.growthBytes / static_cast<double>(gFigures.meshBytes), gFigures.growthBytes / mib,
      static_cast<double>(gFigures.meshBytes) / mib, limit / mib, met ? "ok" : "MISSED");
  return met ? 0 : 1;
}
