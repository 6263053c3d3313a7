#include "model/NumberList.h"

#include "platform/Text.h"

namespace niv {

std::vector<std::string> SplitList(std::string_view text, char separator) {
  std::vector<std::string> items;
  while (!text.empty()) {
    size_t end = text.find(separator);
    if (end == std::string_view::npos) {
      items.emplace_back(text);
      break;
    }
    items.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  return items;
}

int32_t ListItemNumber(std::string_view item) {
  return plat::StrToInt(plat::Trim(item));
}

std::string JoinNumbers(const std::vector<int32_t>& numbers) {
  std::string text;
  for (int32_t number : numbers) {
    if (!text.empty()) text += ',';
    text += plat::IntToStr(number);
  }
  return text;
}

int32_t NthNumber(std::string_view list, int n) {
  if (n < 1) return -1;
  std::vector<std::string> items = SplitList(list);
  if (items.size() < static_cast<size_t>(n)) return -1;
  int32_t value = 0;
  return plat::TryStrToInt(items[n - 1], value) ? value : -1;
}

}  // namespace niv
