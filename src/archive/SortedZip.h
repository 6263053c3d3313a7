#pragma once
// The directory of an archive: entries in their physical order in an owning sorted list, and
// views of the same entries in another order.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZipHeaderInfo.h"
#include "platform/Exceptions.h"

namespace niv {

enum TZipSortMode {
  ByName = 0,
  ByFileName,
  ByDirectoryName,
  ByDate,
  ByCompressedSize,
  ByUnCompressedSize,
  ByRate,
  ByNone
};

using TZipCompare = int (*)(const TZipHeaderInfo&, const TZipHeaderInfo&);
TZipCompare CompareFor(TZipSortMode mode);

// The list grows by 4, 8 and then 16 places; a capacity of kListCapacityLimit or more is refused,
// so a list holds at most 65520 items.
constexpr int kListCapacityLimit = 65535;
int NextListCapacity(int capacity);
[[noreturn]] void RaiseIndexOutOfRange(int index);

// A list kept sorted by its compare rule. Ptr is std::unique_ptr<TZipHeaderInfo> for a list
// that owns its items and TZipHeaderInfo* for a view of another list's items.
template <typename Ptr>
class TSortedObjectList {
 public:
  TSortedObjectList(TZipCompare compare, bool refuseDuplicates)
      : compare_(compare), refuseDuplicates_(refuseDuplicates) {}

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  TZipHeaderInfo& Items(int index) const {
    if (index < 0 || index >= Count()) RaiseIndexOutOfRange(index);
    return *items_[static_cast<size_t>(index)];
  }
  TZipHeaderInfo& operator[](int index) const { return Items(index); }

  // Inserts at the item's place in the order; equal items stand in the order they came.
  // Refuses an item equal to one already listed with "Duplicate Object index" when asked to.
  int Add(Ptr item) {
    auto pos =
        std::upper_bound(items_.begin(), items_.end(), item,
                         [this](const Ptr& a, const Ptr& b) { return compare_(*a, *b) < 0; });
    if (refuseDuplicates_ && pos != items_.begin() && compare_(**(pos - 1), *item) == 0)
      throw plat::EListError("Duplicate Object index");
    if (Count() == capacity_) capacity_ = NextListCapacity(capacity_);
    int index = static_cast<int>(pos - items_.begin());
    items_.insert(pos, std::move(item));
    return index;
  }

  // The index of an item equal to probe under the compare rule, or -1.
  int IndexOf(const TZipHeaderInfo& probe) const {
    auto pos = std::lower_bound(
        items_.begin(), items_.end(), probe,
        [this](const Ptr& a, const TZipHeaderInfo& b) { return compare_(*a, b) < 0; });
    if (pos == items_.end() || compare_(**pos, probe) != 0) return -1;
    return static_cast<int>(pos - items_.begin());
  }

  void Clear() {
    items_.clear();
    capacity_ = 0;
  }

 private:
  TZipCompare compare_;
  bool refuseDuplicates_;
  std::vector<Ptr> items_;
  int capacity_ = 0;
};

// The entries of a directory in ByNone order (starting volume, then local header offset); it
// owns them.
class TSortedZip : public TSortedObjectList<std::unique_ptr<TZipHeaderInfo>> {
 public:
  TSortedZip() : TSortedObjectList(CompareFor(ByNone), true) {}
};

// The same entries in another order, not owning them.
class TSortedZipView : public TSortedObjectList<TZipHeaderInfo*> {
 public:
  explicit TSortedZipView(TZipSortMode mode) : TSortedObjectList(CompareFor(mode), false) {}
};

}  // namespace niv
