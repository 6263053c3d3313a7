#pragma once
// The lists a run takes from its trees, and the per-subsystem "Installed" registry values.
// Each list goes over every node below the given root, depth first, and, but for
// ListDependentsOf, only over the nodes that are not Selected (in the trees of a run: the ones
// still to do).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/SysNode.h"

namespace plat {
class TRegistry;
}
namespace forms {
class TStringList;
}

namespace niv {

enum TLinkKind : int { lkMenu = 0, lkDesktop = 1 };

// The ShortName of every node that is not Selected.
void ListDeselectedNames(const TCustomSysNode& root, std::vector<std::string>& lines);
// The link definitions of one kind, without their "?menu" or "?desktop" marker.
void ListLinks(const TCustomSysNode& root, std::vector<std::string>& list, TLinkKind kind);
// The file names of CheckFiles (respectively ReqFiles), trimmed, empty ones left out.
void ListCheckFiles(const TCustomSysNode& root, std::vector<std::string>& list);
void ListReqFiles(const TCustomSysNode& root, std::vector<std::string>& list);
// The same lists into string lists of the window framework (appended).
void ListDeselectedNames(const TCustomSysNode& root, forms::TStringList& lines);
void ListLinks(const TCustomSysNode& root, forms::TStringList& list, TLinkKind kind);
void ListCheckFiles(const TCustomSysNode& root, forms::TStringList& list);
void ListReqFiles(const TCustomSysNode& root, forms::TStringList& list);
// The Dependents of every node, each number once, in order, joined by ",".
std::string ListDependentsOf(const TCustomSysNode& root);

enum TInstalledValues : int {
  ivWriteInstalled = 1,  // subsystems were installed or added
  ivDeleteRemoved = 2,   // subsystems were deleted
};
// On an open key: ivWriteInstalled writes ShortName = "Installed" for every Selected node that
// has no such value yet; ivDeleteRemoved deletes the value of every node whose PriorSelected is
// false. Errors are swallowed; the result is always true.
bool WriteInstalledValues(const TCustomSysNode& root, plat::TRegistry& key, TInstalledValues kind);

}  // namespace niv
