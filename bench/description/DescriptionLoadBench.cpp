// Loading a description of 100,000 lines against reading the same file line by line with
// std::getline. The ratio of the two is printed at the end; it should stay below 3.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "description/IDFTextFile.h"

namespace {

const std::string& BenchFile() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "niv_bench_100k.idf").string();
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << "IDF-FPS-text\r\n\r\nSystem=NIV Systems\r\n";
    int lines = 3;
    for (int section = 0; lines < 100000; ++section) {
      out << (section % 4 == 0 ? "[" + std::to_string(section) + "]-tree\r\n"
                               : "[Section " + std::to_string(section) + "]\r\n");
      ++lines;
      for (int k = 0; k < 19 && lines < 100000; ++k, ++lines) {
        if (k == 0)
          out << "  // a comment line\r\n";
        else if (section % 4 == 0)
          out << "Key" << k << "=INTEGER=" << section * 100 + k << "\r\n";
        else
          out << "Archive " << k << " = disk" << k << "\\part" << section << ".zip\r\n";
      }
    }
    return p;
  }();
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void BM_TIDFTextFileLoad(benchmark::State& state) {
  const std::string& path = BenchFile();
  for (auto _ : state) {
    niv::TIDFTextFile file;
    bool loaded = file.LoadFromText(ReadAll(path));
    if (!loaded) state.SkipWithError("did not load");
    benchmark::DoNotOptimize(file.SectionCount());
  }
}
BENCHMARK(BM_TIDFTextFileLoad)->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state) {
  const std::string& path = BenchFile();
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    size_t total = 0;
    while (std::getline(in, line)) total += line.size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.benchmark_name() == "BM_TIDFTextFileLoad") load_ = run.GetAdjustedRealTime();
      if (run.benchmark_name() == "BM_StdGetline") getline_ = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (load_ > 0 && getline_ > 0)
      std::printf("load / getline ratio: %.2f (goal: below 3)\n", load_ / getline_);
  }

 private:
  double load_ = 0, getline_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::remove(BenchFile().c_str());
  return 0;
}
