#pragma once
// The selection rules of the component tree. Selecting a subsystem selects its parents (not
// their other children), everything it depends on, its view children and its view parent;
// deselecting one deselects its children, everything that depends on it and its view children,
// and its view parent when that has no setup library and no other view child left selected.
//
// The propagation runs on an explicit work stack: chains of parents, dependencies and view
// parents of any length are fine.
#include <string>
#include <vector>

#include "model/SysNode.h"

namespace forms {
class TStringList;
class TTreeNodes;
}  // namespace forms

namespace niv {

// Set, respectively clear, Selected and FullySelected of every node below.
void SelectAll(TCustomSysNode& root);
void DeselectAll(TCustomSysNode& root);
// PriorSelected := Selected for every node below.
void KeepSelection(TCustomSysNode& root);

// The user's switch of one subsystem, with all propagation. A "Depend" item that is not an
// integer raises plat::EConvertError once the items before it are processed.
void SelectNode(TSysNode& node);
void DeselectNode(TSysNode& node);
// Every direct child is FullySelected (true without children).
bool AllChildrenFull(const TCustomSysNode& node);
// DeselectNode on every node that is selected, not view-only, and whose ShortName is not among
// names (letter case ignored).
void DeselectNotInstalled(TSysTree& tree, const std::vector<std::string>& names);
void DeselectNotInstalled(TSysTree& tree, const forms::TStringList& names);

// Fills the component tree: an item per shown node (text ShortName, data the node) under the
// item of its view parent; every shown node and every node that is never shown (ViewParent -1)
// becomes selected and fully selected. A node numbered 0 is shown without view children, and a
// node is never shown again under its own item. False on an error.
bool FillView(TSysTree& tree, forms::TTreeNodes& items);

}  // namespace niv
