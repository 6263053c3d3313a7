#pragma once
// Lists in record fields: items separated by one character. Lists of numbers are decimal
// integers separated by ","; blanks around an item are ignored where such a list is read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace niv {

// While text is left, the part before the first separator (all of it when there is none) is one
// item. So "" has no item, "a," has one, and "a,,b" has an empty item in the middle.
std::vector<std::string> SplitList(std::string_view text, char separator = ',');
// The item without surrounding blanks, as an integer; anything else raises plat::EConvertError.
int32_t ListItemNumber(std::string_view item);
// Decimal numbers joined by ",".
std::string JoinNumbers(const std::vector<int32_t>& numbers);
// The n-th item (from 1) of a comma-separated list as an integer, not trimmed; -1 when the list
// has fewer items or the item is not an integer.
int32_t NthNumber(std::string_view list, int n);

}  // namespace niv
