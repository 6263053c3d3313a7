#include "forms/StringList.h"

#include <algorithm>
#include <memory>

#include "platform/Stream.h"
#include "platform/Text.h"

namespace forms {

TStringList::TStringList(const TStringList& other)
    : TObject(),
      Duplicates(other.Duplicates),
      CaseSensitive(other.CaseSensitive),
      items_(other.items_),
      sorted_(other.sorted_) {}

TStringList& TStringList::operator=(const TStringList& other) {
  Assign(other);
  return *this;
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
  if (CaseSensitive) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return plat::AnsiCompareText(a, b);
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw plat::EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

void TStringList::Changed() {
  if (OnChange) OnChange(this);
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void TStringList::Put(int index, std::string value) {
  if (sorted_) throw plat::EListError("Operation not allowed on sorted string list");
  CheckIndex(index);
  items_[index].text = std::move(value);
  Changed();
}

void* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  items_[index].object = object;
  Changed();
}

int TStringList::Add(std::string value) {
  return AddObject(std::move(value), nullptr);
}

int TStringList::AddObject(std::string value, void* object) {
  int index = Count();
  if (sorted_) {
    if (Find(value, index)) {
      if (Duplicates == dupIgnore) return index;
      if (Duplicates == dupError) {
        throw plat::EListError("String list does not allow duplicates");
      }
    }
  }
  items_.insert(items_.begin() + index, Item{std::move(value), object});
  Changed();
  return index;
}

void TStringList::Insert(int index, std::string value) {
  InsertObject(index, std::move(value), nullptr);
}

void TStringList::InsertObject(int index, std::string value, void* object) {
  if (sorted_) throw plat::EListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count()) {
    throw plat::EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  items_.insert(items_.begin() + index, Item{std::move(value), object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  std::swap(items_[a], items_[b]);
  Changed();
}

void TStringList::AddStrings(const TStringList& other) {
  auto copy = other.items_;  // other may be this list
  for (auto& item : copy) AddObject(std::move(item.text), item.object);
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  items_.clear();
  sorted_ = other.sorted_;
  Duplicates = other.Duplicates;
  CaseSensitive = other.CaseSensitive;
  items_ = other.items_;
  Changed();
}

int TStringList::IndexOf(std::string_view value) const {
  if (sorted_) {
    int index = 0;
    return Find(value, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(items_[i].text, value) == 0) return i;
  }
  return -1;
}

int TStringList::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[i].object == object) return i;
  }
  return -1;
}

bool TStringList::Find(std::string_view value, int& index) const {
  if (!sorted_) {
    index = -1;
    for (int i = 0; i < Count(); ++i) {
      if (Compare(items_[i].text, value) == 0) {
        index = i;
        return true;
      }
    }
    return false;
  }
  // The first position whose string is not less than value.
  int low = 0;
  int high = Count();
  while (low < high) {
    int mid = (low + high) / 2;
    if (Compare(items_[mid].text, value) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  index = low;
  return low < Count() && Compare(items_[low].text, value) == 0;
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (sorted_) Sort();
}

std::string TStringList::Text() const {
  std::string text;
  for (const auto& item : items_) {
    text += item.text;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

void TStringList::SetText(std::string_view text) {
  items_.clear();
  for (auto& line : SplitLines(text)) items_.push_back(Item{std::move(line), nullptr});
  if (sorted_) {
    std::stable_sort(items_.begin(), items_.end(),
                     [&](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  }
  Changed();
}

std::string TStringList::CommaText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (i) text += ',';
    const std::string& s = items_[i].text;
    bool quote = s.empty() || s.find_first_of(" ,\"") != std::string::npos;
    if (!quote) {
      text += s;
      continue;
    }
    text += '"';
    for (char c : s) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

void TStringList::LoadFromFile(std::string_view fileName) {
  plat::TFileStream file(fileName, plat::fmOpenRead | plat::fmShareDenyWrite);
  int64_t size = file.Size();
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0) file.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  SetText(bytes);
}

void TStringList::SaveToFile(std::string_view fileName) const {
  plat::TFileStream file(fileName, plat::fmCreate);
  std::string text = Text();
  if (!text.empty()) file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

}  // namespace forms
