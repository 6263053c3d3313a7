// The pieces without files: date corrections, name splitting, the sorted list and the matcher.
#include <gtest/gtest.h>

#include "archive/SortedZip.h"
#include "archive/WildcardMatch.h"
#include "archive/ZipHeaderInfo.h"
#include "platform/Exceptions.h"

namespace niv {
namespace {

uint32_t Dos(int year, int month, int day, int hour, int minute, int seconds2) {
  return static_cast<uint32_t>((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 |
                               minute << 5 | seconds2);
}

TEST(DosDateCorrection, ImpossibleFieldsComeIntoRange) {
  struct Case {
    uint32_t stored, corrected;
  } cases[] = {
      {Dos(2020, 5, 17, 10, 30, 0), Dos(2020, 5, 17, 10, 30, 0)},    // valid: unchanged
      {Dos(2020, 5, 17, 25, 30, 0), Dos(2020, 5, 17, 24, 30, 0)},    // hour 25
      {Dos(2020, 0, 17, 10, 30, 0), Dos(2020, 1, 17, 10, 30, 0)},    // month 0
      {Dos(2020, 13, 17, 10, 30, 0), Dos(2020, 12, 17, 10, 30, 0)},  // month 13
      {Dos(2107, 5, 17, 10, 30, 0), Dos(2099, 5, 17, 10, 30, 0)},    // year field 127
      {Dos(2020, 5, 0, 10, 63, 31), Dos(2020, 5, 1, 10, 59, 29)},    // day 0, minute 63, 62 s
      {Dos(2020, 2, 31, 24, 0, 0), Dos(2020, 2, 31, 24, 0, 0)},      // in range, not a real day
  };
  for (const Case& c : cases)
    EXPECT_EQ(CorrectDosDateTime(c.stored), c.corrected) << std::hex << c.stored;
  // Values that name no real moment give nothing; the reader then shows the current time.
  EXPECT_FALSE(DosDateTimeToDateTime(Dos(2020, 5, 17, 24, 0, 0)));
  EXPECT_FALSE(DosDateTimeToDateTime(Dos(2021, 2, 29, 1, 0, 0)));
  EXPECT_DOUBLE_EQ(*DosDateTimeToDateTime(Dos(2000, 1, 1, 12, 0, 0)), 36526.5);
}

TEST(StoredName, SplitsIntoPathAndNameAndConvertsOem) {
  struct Case {
    const char* stored;
    const char* path;
    const char* name;
  } cases[] = {
      {"sub/dir/f.txt", "sub\\dir\\", "f.txt"},
      {"f.txt", "", "f.txt"},
      {"dir/", "dir\\", ""},
      {"a\\b.txt", "a\\", "b.txt"},
      {"C:x.txt", "C:\\", "x.txt"},
      {"\x8F\xE0\xA8\xA2\xA5\xE2/\x94\xA0\xA9\xAB.txt", "\xCF\xF0\xE8\xE2\xE5\xF2\\",
       "\xD4\xE0\xE9\xEB.txt"},  // cp866 -> cp1251
  };
  for (const Case& c : cases) {
    TZipHeaderInfo e;
    e.SetStoredName(c.stored);
    EXPECT_EQ(e.FilePath, c.path) << c.stored;
    EXPECT_EQ(e.FileName, c.name) << c.stored;
    EXPECT_EQ(e.FileNameLength, e.FilePath.size() + e.FileName.size());
  }
}

std::unique_ptr<TZipHeaderInfo> At(uint16_t disk, uint32_t offset, std::string name = "") {
  auto e = std::make_unique<TZipHeaderInfo>();
  e->DiskStart = disk;
  e->RelOffLocalHdr = offset;
  e->FileName = std::move(name);
  return e;
}

TEST(SortedZip, KeepsPhysicalOrderAndRefusesDuplicates) {
  TSortedZip list;
  list.Add(At(1, 10, "c"));
  list.Add(At(0, 50, "a"));
  list.Add(At(0, 20, "b"));
  EXPECT_EQ(list.Capacity(), 4);
  EXPECT_EQ(list[0].FileName, "b");
  EXPECT_EQ(list[2].FileName, "c");
  try {
    list.Add(At(0, 50));
    FAIL();
  } catch (const plat::EListError& e) {
    EXPECT_EQ(e.Message(), "Duplicate Object index");
  }
  try {
    list.Items(3);
    FAIL();
  } catch (const plat::EListError& e) {
    EXPECT_EQ(e.Message(), "Index 3 is out of range");
  }
  TSortedZipView byName(ByName);
  for (int i = 0; i < list.Count(); ++i) byName.Add(&list[i]);
  EXPECT_EQ(byName[0].FileName, "a");
  EXPECT_EQ(byName[2].FileName, "c");
}

TEST(SortedZip, Holds65520EntriesAndRefusesOneMore) {
  TSortedZip list;
  EXPECT_EQ(NextListCapacity(0), 4);
  EXPECT_EQ(NextListCapacity(4), 8);
  EXPECT_EQ(NextListCapacity(8), 16);
  EXPECT_EQ(NextListCapacity(16), 32);
  for (uint32_t i = 0; i < 65520; ++i) list.Add(At(0, i));
  EXPECT_EQ(list.Count(), 65520);
  EXPECT_THROW(list.Add(At(0, 65520)), plat::EListError);
  EXPECT_EQ(list.Count(), 65520);
}

TEST(WildcardMatch, Patterns) {
  struct Case {
    const char* text;
    const char* pattern;
    bool match;
  } cases[] = {
      {"anything\\at all", "*", true},
      {"docs\\a.txt", "*.txt", true},
      {"a.txt.bak", "*.txt", false},
      {"a.txt", "a.tx", false},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {"b\\x", "<a-c>*", true},
      {"d\\x", "<a-c>*", false},
      {"d\\x", "<!a-c>*", true},
      {"b\\x", "<^a-c>*", false},
      {"x-", "x<-z>", true},
      {"abcab.z", "*<abc>.z", true},
      {"abdab.z", "*<abc>.z", false},
      {"xyz.z", "*<!abc>.z", true},
      {"a", "<abc", false},  // a set without its closing '>' never matches
      {"a<b", "a<b", false},
      {"", "", true},
      {"", "*<a>", true},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*c", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
}

}  // namespace
}  // namespace niv
