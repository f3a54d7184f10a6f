// The common start and run of the benchmark programs. "--ratios" asks for the
// program's figure lines alone (what bench/run prints), so Google Benchmark's
// own table is silenced; every other argument goes to Google Benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace bench {

// Returns whether only the figure lines are wanted.
inline bool initializeBenchmarks(int argc, char** argv) {
  bool ratiosOnly = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ratios") == 0) {
      ratiosOnly = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  return ratiosOnly;
}

class SilentReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>&) override {}
};

// Runs what was registered, with or without Google Benchmark's table.
inline void runBenchmarks(bool ratiosOnly) {
  if (ratiosOnly) {
    SilentReporter silent;
    benchmark::RunSpecifiedBenchmarks(&silent);
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
}

}  // namespace bench
