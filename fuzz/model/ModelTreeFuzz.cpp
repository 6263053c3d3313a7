// Reads arbitrary lines as the body of a setup description, loads its subsystem tree and runs
// the tree operations over it: loading, selecting and deselecting every subsystem, filling a
// view, copies, the add/delete difference and saving. Checks that every node of the tree is
// registered once and that a switch leaves the switched subsystem as the user set it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "description/IDFTextFile.h"
#include "forms/ComCtrls.h"
#include "model/Selection.h"
#include "model/TreeCopies.h"
#include "model/TreeLists.h"
#include "model/TreeLoad.h"
#include "platform/Exceptions.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

int CountBelow(const niv::TCustomSysNode& root) {
  int count = 0;
  niv::ForEachBelow(root, [&](const niv::TSysNode&) { ++count; });
  return count;
}

// A "Depend" item that is not an integer raises where the rules read it, as they should.
template <class Action>
void Guarded(Action action) {
  try {
    action();
  } catch (const plat::EConvertError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = "IDF-CPS-text\r\n\r\n";
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') text += '\r';
    text += static_cast<char>(data[i]);
  }
  niv::TIDFTextFile description;
  if (!description.LoadFromText(text)) return 0;

  niv::TSysTree tree;
  bool loaded = false;
  Guarded([&] { loaded = niv::LoadTree(tree, &description, [](const std::string&, uint32_t) {}); });
  Check(tree.AllNodesCount() == CountBelow(tree));
  if (!loaded) return 0;

  std::vector<niv::TSysNode*> nodes = tree.AllNodes();
  if (nodes.size() > 64) nodes.resize(64);
  for (niv::TSysNode* node : nodes) {
    Guarded([&] { niv::SelectNode(*node); });
    Check(node->Info.Selected);
    Guarded([&] { niv::DeselectNode(*node); });
    Check(!node->Info.Selected);
  }

  forms::TTreeNodes items(nullptr);
  niv::FillView(tree, items);
  Guarded([&] { niv::DeselectNotInstalled(tree, {"a", "b"}); });

  niv::TSysTree install, uninstall, merged;
  niv::CopySelected(uninstall, tree);
  niv::SelectAll(tree);
  niv::CopySelected(install, tree);
  niv::KeepPresentIn(install, &uninstall);
  niv::KeepPresentIn(uninstall, &install);
  niv::RemoveFullySelected(install);
  niv::RemoveFullySelected(uninstall);
  Guarded([&] { niv::PruneReferences(install); });
  niv::MergeInto(install, &merged);
  niv::MergeInto(uninstall, &merged);
  Check(merged.AllNodesCount() == CountBelow(merged));
  if (!nodes.empty()) niv::CopyWithAncestors(*nodes.back(), merged);
  niv::CopyDeselectedBranches(install, merged);
  niv::RemoveDeselected(merged, true);
  Check(merged.AllNodesCount() == CountBelow(merged));

  std::vector<std::string> list;
  niv::ListLinks(tree, list, niv::lkMenu);
  niv::ListCheckFiles(install, list);
  niv::ListDependentsOf(tree);

  niv::TIDFTextFile saved;
  Check(niv::SaveTree(tree, saved));
  niv::TSysTree again;
  Guarded([&] { niv::LoadTree(again, &saved, [](const std::string&, uint32_t) {}); });
  Check(again.AllNodesCount() == CountBelow(again));
  return 0;
}
