#pragma once
// Copies, comparisons and merges of subsystem trees: how the trees of a run are made from the
// full tree and cut back when a run is rolled back. Copies start Selected and FullySelected.
#include <cstdint>

#include "model/SysNode.h"

namespace niv {

// Replaces the target's children by copies of the selected, not view-only children of the
// source, at every depth; what hangs under a node that is not copied is not copied either.
void CopySelected(TCustomSysNode& target, const TCustomSysNode& source);
// Every node of the source that is not Selected, under selected ancestors only, becomes a new
// top-level node of the target (not Selected) with copies of its whole subtree.
void CopyDeselectedBranches(const TCustomSysNode& source, TSysTree& target);
// Adds to the target what the source has at places the target lacks (with the source's
// Selected); a node found at the same place is deselected when the source's is not. Nothing
// without a target; an error stops the merge silently.
void MergeInto(const TSysTree& source, TSysTree* target);
// Adds to the target a chain of copies of the node's ancestors, each holding only the next, and
// under the last a copy of the node with its whole subtree. Gives the copy of the node.
TSysNode& CopyWithAncestors(const TSysNode& node, TSysTree& target);
// A node of A keeps Selected only when B has a node of the same number under the same chain of
// numbers from the top; then FullySelected is computed again over A. False without B or on an
// error.
bool KeepPresentIn(TSysTree& a, const TSysTree* b);
// FullySelected := Selected, cleared when any child's own result is false; gives the flag.
bool ComputeFull(TSysNode& node);
// Deletes every child that is FullySelected with its subtree, and looks inside the others.
void RemoveFullySelected(TCustomSysNode& root);
// Deletes the children that are not Selected; with allDepths, at every depth.
void RemoveDeselected(TCustomSysNode& root, bool allDepths);
// The first node below with that number, depth first, each node before its descendants.
TSysNode* FindDescendant(const TCustomSysNode& root, int32_t number);
// Keeps in every node's Depend and Dependents only the numbers the tree has, in order. An item
// that is not an integer raises plat::EConvertError.
void PruneReferences(TSysTree& tree);

}  // namespace niv
