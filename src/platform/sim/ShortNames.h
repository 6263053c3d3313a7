#pragma once
// Short (8.3) names in the style of the FAT and NTFS generators: "Program Files" is
// "PROGRA~1", "readme.first.txt" is "README~1.TXT".
#include <string>
#include <string_view>

namespace plat::sim {

// A name that is already a valid 8.3 name (in any case) has no separate short name.
bool IsShortName(std::string_view name);
// The n-th candidate short name for a long name (n from 1): "PROGRA~1" to "PROGRA~4"; from the
// fifth on, as the NTFS generator does, two characters, four hexadecimal digits of a hash of the
// long name and "~1" ("PR3A7F~1"), so that many similar names do not try a long row of numbers.
std::string ShortNameCandidate(std::string_view longName, int n);

}  // namespace plat::sim
