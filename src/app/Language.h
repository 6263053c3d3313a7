#pragma once
#include "app/RunState.h"
#include "description/IDFTextFile.h"

namespace niv {

// English when the section "Language" holds "Language" = ENGLISH (any ASCII case, blanks
// around it allowed); Russian otherwise, also on any error.
TLanguage DecideLanguage(const TIDFTextFile& description);

}  // namespace niv
