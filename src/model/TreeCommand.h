#pragma once
// The checker's view of a subsystem tree: what the setup program makes of a description.
#include <string>

#include "description/IDFTextFile.h"

namespace niv {

// Loads the tree of the description and describes it for people, in UTF-8: one subsystem per
// line, indented by depth, then the messages loading would have shown, then the outcome.
// result is 0 when the tree loaded, 1 when loading failed.
std::string TreeReport(const TIDFTextFile& description, int& result);

// `nividf tree FILE`: reads the description from a host file, prints its report; gives the
// exit code (2 when the file cannot be read as a description).
int RunTreeCommand(const std::string& hostFile);

}  // namespace niv
