#pragma once
// Reading a subsystem tree from a setup description and writing one back.
//
// The description has a section "SubSystems" with one entry per subsystem (key: the name of the
// subsystem's own section, value: its number) and a section per subsystem with the keys
// "Parent", "Depend", "Library", "Parameter", "Archive", "Short name", "Full name",
// "ViewParent", "ViewOnly" and any number of MENULINK..., DESKTOPLINK..., CHECKFILE... and
// REQFILE... keys.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "description/IDFTextFile.h"
#include "model/SysNode.h"

namespace niv {

// Where the loader's messages go: the text and the message-box flags (the caption is empty).
using TTreeMessageSink = std::function<void(const std::string& text, uint32_t flags)>;
// Shows the message in a message box of the window framework.
void ShowTreeMessage(const std::string& text, uint32_t flags);

// Replaces the tree's content with the subsystems of the description. False without a
// description and, after the message "Найдены системы с одинаковыми номерами", when two
// entries of "SubSystems" have the same number (the tree stays empty). A "SubSystems" value
// that is not an integer raises plat::EConvertError with the tree empty. A subsystem whose
// "Parent" or "ViewParent" is not an integer is left out with what would hang under it, and so
// is one whose "Parent" names no loaded subsystem.
bool LoadTree(TSysTree& tree, const TIDFTextFile* description,
              const TTreeMessageSink& show = ShowTreeMessage);
// Appends a section "SubSystems" and one section per node, each node before its children.
// "ViewParent", "ViewOnly", Dependents and the flags are not written.
bool SaveTree(const TSysTree& tree, TIDFTextFile& description);

// Fills the record from a subsystem section, all but Number and Dependents. An integer key that
// is not an integer raises plat::EConvertError.
void ReadSubsystemSection(TSysNode& node, const TIDFSection& section);
// Adds the subsystems whose "Parent" is the node's number, and theirs in turn; true when at
// least one child was added.
bool LoadChildren(TSysNode& node, const TIDFSection& subsystems, const TIDFTextFile& description,
                  const TTreeMessageSink& show = ShowTreeMessage);
// The numbers of the other subsystems whose "Depend" names number, in the order of
// "SubSystems". A "Depend" item that is not an integer is reported with
// "Invalid 'depend' string in setup.idf. Section - <name>" and ends the scan of that list.
std::string CollectDependents(int32_t number, const TIDFSection& subsystems,
                              const TIDFTextFile& description,
                              const TTreeMessageSink& show = ShowTreeMessage);

// 0 when the key is missing or empty; otherwise its value as an integer (plat::EConvertError
// when it is not one).
int32_t ReadIntKey(const TIDFSection& section, std::string_view key);
// The value of the key, empty when there is none.
std::string ReadTextKey(const TIDFSection& section, std::string_view key);
// The value of the first "SubSystems" entry whose key is exactly sectionName and whose value is
// an integer; 0 when there is none.
int32_t NumberOfSection(const TIDFSection& subsystems, std::string_view sectionName);

}  // namespace niv
