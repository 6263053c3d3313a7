#pragma once
// The record of one subsystem, as read from its section of a setup description.
#include <cstdint>
#include <string>

namespace niv {

struct TSubsystemInfo {
  // Selected, and so is everything under it (children and, for view parents, view children).
  bool FullySelected = false;
  // Archive file names separated by ",".
  std::string Archives;
  // Numbers of the subsystems whose "Depend" names this one; computed when a tree is loaded.
  std::string Dependents;
  // The check mark; in the trees of a run it means done or already present.
  bool Selected = false;
  std::string CheckFiles;  // values of the CHECKFILE keys joined by ","
  std::string Depend;      // numbers of the subsystems this one needs, separated by ","
  std::string FullName;
  bool PriorSelected = false;  // Selected as it was before the setup libraries ran
  std::string LibraryName;     // setup library file name, empty when there is none
  // Link definitions in section order, each followed by "?menu" or "?desktop", joined by "*".
  std::string Links;
  std::string Parameter;  // text for the setup library
  int32_t ParentNumber = 0;
  std::string ReqFiles;  // values of the REQFILE keys joined by ","
  std::string SectionName;
  std::string ShortName;
  int32_t Number = 0;
  // 0: a root of the component tree; -1: never shown; otherwise the number it is shown under.
  int32_t ViewParent = 0;
  bool ViewOnly = false;  // a grouping item of the component tree, never installed
};

// Copies every field but the three selection flags.
void CopyInfo(TSubsystemInfo& target, const TSubsystemInfo& source);

}  // namespace niv
