// The text writer's array parameters against the plainest code that writes the
// same bytes: snprintf per element for the text form, one fwrite per piece for
// the raw form. Both sides write to the null device, back to back in every
// iteration (alternating which goes first); a figure is the median of the
// per-iteration ratios.
//
//   sceneapi_bench            Google Benchmark's usual output, then the figures
//   sceneapi_bench --ratios   only the figure lines (what bench/run prints)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_main.h"
#include "sceneapi/orvScene_api_file.h"

namespace {

constexpr size_t kTriples = 1'000'000;
constexpr size_t kInts = 3'000'000;
constexpr double kTextTarget = 3.0;  // at least this many times faster than snprintf
constexpr double kRawTarget = 0.5;   // at least half as fast as fwrite

struct Arrays {
  std::vector<float> points;
  std::vector<int32_t> ints;
};

const Arrays& arrays() {
  static const Arrays a = [] {
    Arrays a;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::uniform_int_distribution<int32_t> index(0, 500'000);
    a.points.resize(3 * kTriples);
    a.ints.resize(kInts);
    for (float& v : a.points) v = coordinate(random);
    for (int32_t& i : a.ints) i = index(random);
    return a;
  }();
  return a;
}

std::FILE* null_device() {
  static std::FILE* device = [] {
    std::FILE* f = std::fopen("/dev/null", "wb");
    if (!f) f = std::fopen("NUL", "wb");
    return f;
  }();
  return device;
}

// The text form by hand: "[ ", the elements with "," between them and " "
// after the last, a line break after every 8th element past the first, "] ".
template <typename Element>
void snprintf_array(std::FILE* out, size_t count, Element&& element) {
  static char chunk[1 << 16];
  size_t used = 0;
  std::fputs("[ ", out);
  for (size_t i = 0; i < count; ++i) {
    if (sizeof chunk - used < 256) {
      std::fwrite(chunk, 1, used, out);
      used = 0;
    }
    used += element(chunk + used, i, i + 1 < count ? "," : " ");
    if (i > 0 && i % 8 == 0) chunk[used++] = '\n';
  }
  std::fwrite(chunk, 1, used, out);
  std::fputs("] ", out);
}

void snprintf_triples(std::FILE* out) {
  const float* p = arrays().points.data();
  snprintf_array(out, kTriples, [p](char* at, size_t i, const char* separator) {
    return std::snprintf(at, 256, "%g %g %g%s", p[3 * i], p[3 * i + 1], p[3 * i + 2], separator);
  });
}

void snprintf_ints(std::FILE* out) {
  const int32_t* v = arrays().ints.data();
  snprintf_array(out, kInts, [v](char* at, size_t i, const char* separator) {
    return std::snprintf(at, 256, "%d%s", v[i], separator);
  });
}

void fwrite_raw(std::FILE* out, char tag, const void* data, uint32_t scalars) {
  const char head[8] = {1,
                        2,
                        3,
                        tag,
                        char(scalars & 0xff),
                        char((scalars >> 8) & 0xff),
                        char((scalars >> 16) & 0xff),
                        char(scalars >> 24)};
  std::fwrite("[ ", 1, 2, out);
  std::fwrite(head, 1, sizeof head, out);
  std::fwrite(data, 4, scalars, out);
  std::fwrite("] ", 1, 2, out);
}

void fwrite_triples(std::FILE* out) { fwrite_raw(out, 'c', arrays().points.data(), 3 * kTriples); }

void fwrite_ints(std::FILE* out) { fwrite_raw(out, 'i', arrays().ints.data(), kInts); }

void writer_triples(orvScene_api& api) {
  const orvArray array{arrays().points.data(), static_cast<int32_t>(kTriples)};
  api.parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &array);
}

void writer_ints(orvScene_api& api) {
  const orvArray array{arrays().ints.data(), static_cast<int32_t>(kInts)};
  api.parameter("triangles", ORV_ARRAY + ORV_INT, &array);
}

// The parameter statement around the array: name and trailing ",\n".
void baseline_statement(std::FILE* out, const char* name,
                        const std::function<void(std::FILE*)>& array) {
  std::fprintf(out, "\"%s\" ", name);
  array(out);
  std::fputs(",\n", out);
}

struct Figure {
  const char* label;
  const char* name;  // of the parameter
  bool raw;
  std::function<void(orvScene_api&)> writer;
  std::function<void(std::FILE*)> baseline;
};

const std::vector<Figure>& figures() {
  static const std::vector<Figure> all = {
      {"text float triples vs snprintf", "vertices", false, writer_triples, snprintf_triples},
      {"text ints vs snprintf", "triangles", false, writer_ints, snprintf_ints},
      {"raw float triples vs fwrite", "vertices", true, writer_triples, fwrite_triples},
      {"raw ints vs fwrite", "triangles", true, writer_ints, fwrite_ints},
  };
  return all;
}

std::string bytes_of(const std::function<void(std::FILE*)>& write) {
  std::FILE* file = std::tmpfile();
  write(file);
  std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(got);
  std::fclose(file);
  return bytes;
}

// Both sides must write the same bytes, or the comparison means nothing.
bool same_bytes(const Figure& figure) {
  const std::string from_writer = bytes_of([&](std::FILE* f) {
    orvScene_api_file writer(f, figure.raw);
    writer.set_flags(figure.raw ? 3 : 1);
    figure.writer(writer);
  });
  const std::string from_baseline =
      bytes_of([&](std::FILE* f) { baseline_statement(f, figure.name, figure.baseline); });
  return from_writer == from_baseline;
}

template <typename Body>
double seconds_of(Body&& body) {
  const std::clock_t start = std::clock();
  body();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::map<std::string, double> g_speedups;  // baseline time / writer time, by label

void compare(benchmark::State& state, const Figure& figure) {
  std::FILE* out = null_device();
  orvScene_api_file writer(out, figure.raw);
  writer.set_flags(figure.raw ? 3 : 1);
  // A raw array is a few writes of memory that the null device takes at once:
  // repeated, so that each sample is well above the clock's resolution.
  const int repeats = figure.raw ? 200 : 1;
  auto run_writer = [&] {
    for (int i = 0; i < repeats; ++i) figure.writer(writer);
    std::fflush(out);
  };
  auto run_baseline = [&] {
    for (int i = 0; i < repeats; ++i) baseline_statement(out, figure.name, figure.baseline);
    std::fflush(out);
  };
  std::vector<double> writer_times, baseline_times, speedups;
  bool writer_first = true;
  for (auto _ : state) {
    double w = 0, b = 0;
    if (writer_first) {
      w = seconds_of(run_writer);
      b = seconds_of(run_baseline);
    } else {
      b = seconds_of(run_baseline);
      w = seconds_of(run_writer);
    }
    writer_first = !writer_first;
    writer_times.push_back(w);
    baseline_times.push_back(b);
    if (w > 0) speedups.push_back(b / w);
  }
  state.counters["writer_ms"] = 1e3 * median(writer_times);
  state.counters["baseline_ms"] = 1e3 * median(baseline_times);
  if (!speedups.empty()) {
    state.counters["speedup"] = median(speedups);
    g_speedups[figure.label] = median(speedups);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool ratios_only = bench::initializeBenchmarks(argc, argv);
  if (!null_device()) {
    std::fprintf(stderr, "sceneapi_bench: cannot open the null device\n");
    return 1;
  }
  for (const Figure& figure : figures()) {
    if (!same_bytes(figure)) {
      std::fprintf(stderr, "sceneapi_bench: %s: the two sides write different bytes\n",
                   figure.label);
      return 1;
    }
    benchmark::RegisterBenchmark(figure.label, compare, figure)
        ->Iterations(figure.raw ? 21 : 9)
        ->Unit(benchmark::kMillisecond);
  }
  bench::runBenchmarks(ratios_only);

  for (const Figure& figure : figures()) {
    const auto found = g_speedups.find(figure.label);
    if (found == g_speedups.end()) continue;
    const double speedup = found->second;
    if (figure.raw) {
      std::printf("%s: %.2fx as fast (target >= %g)%s\n", figure.label, speedup, kRawTarget,
                  speedup >= kRawTarget ? "" : "  MISSED");
    } else {
      std::printf("%s: %.1fx faster (target >= %g)%s\n", figure.label, speedup, kTextTarget,
                  speedup >= kTextTarget ? "" : "  MISSED");
    }
  }
  return 0;
}
