// Reading the directory of an archive with 65520 entries, the most the directory holds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ZipBuilder.h"
#include "archive/ZipReader.h"
#include "platform/sim/Machine.h"

namespace fs = std::filesystem;

static void BM_ReadDirectory65520(benchmark::State& state) {
  char pattern[] = "/tmp/nivzip-bench-XXXXXX";
  fs::path root = mkdtemp(pattern);
  plat::sim::CreateMachineLayout((root / "machine").string(), {});
  plat::sim::UseMachine((root / "machine").string());
  std::vector<ziptest::Member> members(65520);
  for (size_t i = 0; i < members.size(); ++i)
    members[i].name = "dir" + std::to_string(i % 97) + "/file" + std::to_string(i) + ".txt";
  std::ofstream(root / "machine" / "drives" / "C" / "full.zip", std::ios::binary)
      << ziptest::Build(members);
  for (auto _ : state) {
    niv::TZipReader reader;
    reader.SetZipName("C:\\full.zip");
    reader.ReadZipDirectory();
    benchmark::DoNotOptimize(reader.EntryCount());
  }
  state.SetItemsProcessed(state.iterations() * 65520);
  fs::remove_all(root);
}
BENCHMARK(BM_ReadDirectory65520)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
