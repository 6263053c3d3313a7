// A description of 5,000 subsystems: 100 top-level subsystems, each with a branch of children
// three levels deep, 20 view-only groups over the top level, one core subsystem that 4,000
// others depend on, and a chain of dependencies among the rest. Measures LoadTree and the
// selection and deselection of one subsystem, as the component tree does on every click.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "description/IDFTextFile.h"
#include "model/Selection.h"
#include "model/TreeLoad.h"

namespace {

constexpr int kCount = 5000;
constexpr int kCore = 1;
constexpr int kFirstGroup = kCount - 19;  // 4981..5000 are the groups
constexpr int kWide = 4000;               // 2..4001 depend on the core

std::string Number(int i) {
  return std::to_string(i);
}

std::string DescriptionText() {
  std::string entries = "IDF-CPS-text\r\n\r\n[SubSystems]\r\n", sections;
  for (int i = 1; i <= kCount; ++i) {
    entries += "S" + Number(i) + "=" + Number(i) + "\r\n";
    sections += "[S" + Number(i) + "]\r\nShort name=Subsystem " + Number(i) + "\r\n";
    sections += "Archive=a" + Number(i % 300) + ".zip\r\n";
    if (i >= kFirstGroup) {
      sections += "ViewOnly=TRUE\r\n";
      continue;
    }
    if (i == kCore) continue;
    // 2..101 are top-level; every later one hangs under the one 100 before it.
    if (i > 101) sections += "Parent=" + Number(i - 100) + "\r\n";
    if (i >= 2 && i <= 101) sections += "ViewParent=" + Number(kFirstGroup + i % 20) + "\r\n";
    std::string depend = i <= kWide + 1 ? Number(kCore) : "";
    if (i > 2 && i % 7 == 0) depend += (depend.empty() ? "" : ",") + Number(i - 5);
    if (!depend.empty()) sections += "Depend=" + depend + "\r\n";
  }
  return entries + sections;
}

const niv::TIDFTextFile& Description() {
  static const auto description = [] {
    auto file = std::make_unique<niv::TIDFTextFile>();
    file->LoadFromText(DescriptionText());
    return file;
  }();
  return *description;
}

void Quiet(const std::string&, uint32_t) {}

std::unique_ptr<niv::TSysTree> LoadedTree() {
  auto tree = std::make_unique<niv::TSysTree>();
  niv::LoadTree(*tree, &Description(), Quiet);
  return tree;
}

void BM_LoadTree(benchmark::State& state) {
  niv::TSysTree tree;
  for (auto _ : state) {
    niv::LoadTree(tree, &Description(), Quiet);
    benchmark::DoNotOptimize(tree.AllNodesCount());
  }
  state.counters["subsystems"] = tree.AllNodesCount();
}
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond);

// Deselecting the core deselects the 4,000 subsystems that depend on it and what hangs under
// them.
void BM_DeselectCore(benchmark::State& state) {
  auto tree = LoadedTree();
  niv::TSysNode& core = *tree->FindNode(kCore);
  for (auto _ : state) {
    state.PauseTiming();
    niv::SelectAll(*tree);
    state.ResumeTiming();
    niv::DeselectNode(core);
  }
}
BENCHMARK(BM_DeselectCore)->Unit(benchmark::kMicrosecond);

// Selecting the deepest subsystem of a branch brings its parents, their dependencies (the core
// and a chain through other branches) and the view groups of the top level.
void BM_SelectDeepLeaf(benchmark::State& state) {
  auto tree = LoadedTree();
  niv::TSysNode& leaf = *tree->FindNode(4977);
  for (auto _ : state) {
    state.PauseTiming();
    niv::DeselectAll(*tree);
    state.ResumeTiming();
    niv::SelectNode(leaf);
  }
}
BENCHMARK(BM_SelectDeepLeaf)->Unit(benchmark::kMicrosecond);

// Selecting a group selects its top-level view children and, through their dependencies, the
// core.
void BM_SelectGroup(benchmark::State& state) {
  auto tree = LoadedTree();
  niv::TSysNode& group = *tree->FindNode(kFirstGroup);
  for (auto _ : state) {
    state.PauseTiming();
    niv::DeselectAll(*tree);
    state.ResumeTiming();
    niv::SelectNode(group);
  }
}
BENCHMARK(BM_SelectGroup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
