// Reading archive directories: the end record, the central directory, damaged directories and
// the rebuild by scanning.
#include <cmath>

#include "ReaderFixture.h"
#include "ZipBuilder.h"
#include "archive/ZipReader.h"
#include "platform/Exceptions.h"

namespace ziptest {
namespace {

using niv::TZipReader;

std::vector<std::string> Names(const TZipReader& r) {
  std::vector<std::string> names;
  for (int i = 0; i < r.EntryCount(); ++i) names.push_back(r.EntryPath(i) + r.EntryName(i));
  return names;
}

class DirectoryTest : public ReaderTest {
 protected:
  // Reads the directory of bytes stored under name; the reader stays for inspection.
  void Read(const std::string& name, const std::string& bytes) {
    reader.SetZipName(PutArchive(name, bytes));
    reader.ReadZipDirectory();
  }
  template <typename E>
  std::string ReadFails(const std::string& name, const std::string& bytes) {
    try {
      Read(name, bytes);
    } catch (const E& e) {
      EXPECT_EQ(reader.ZipName(), "");  // back to the state without a directory
      EXPECT_EQ(reader.EntryCount(), 0);
      return e.Message();
    }
    ADD_FAILURE() << "no error";
    return "";
  }
  TZipReader reader;
};

TEST_F(DirectoryTest, EndRecordSearch) {
  // 21 bytes cannot hold an end record.
  EXPECT_EQ(ReadFails<niv::EIncompleteZip>("short.zip", std::string(21, 'P')),
            "Incomplete Zip File");
  // 22 bytes of end record alone: an empty archive.
  std::string empty = Build({});
  ASSERT_EQ(empty.size(), 22u);
  Read("empty.zip", empty);
  EXPECT_EQ(reader.EntryCount(), 0);
  // A comment that ends in the bytes of an end record: the later occurrence is taken.
  std::string fake = "PK\x05\x06" + std::string(18, '\0');
  Read("fake.zip", Build({{"a.txt", "aaa"}}, {.comment = "hello " + fake}));
  EXPECT_EQ(reader.EntryCount(), 0);
  // A plain comment is read, also when its recorded length points past the end of the file.
  Read("comment.zip", Build({{"a.txt", "aaa"}}, {.comment = "hello", .commentLengthDelta = 200}));
  EXPECT_EQ(Names(reader), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(reader.EndCentral().Comment, "hello");
}

TEST_F(DirectoryTest, DamagedCentralDirectoryFailsInsteadOfInventingEntries) {
  std::vector<Member> two = {{"a.txt", "aaa"}, {"b.txt", "bbb"}};
  EXPECT_EQ(ReadFails<niv::EBadZipFile>("more.zip", Build(two, {.totalEntriesDelta = 3})),
            "Not a valid zip file!");
  EXPECT_EQ(ReadFails<niv::EBadZipFile>("name.zip", Build(two, {.nameLengthDelta = 40})),
            "Not a valid zip file!");
  std::vector<Member> same = {{"a.txt", "aaa"},
                              {.name = "b.txt", .data = "bbb", .offsetOverride = 0}};
  try {
    Read("dup.zip", Build(same));
    FAIL();
  } catch (const plat::EListError& e) {
    EXPECT_EQ(e.Message(), "Duplicate Object index");
  }
}

TEST_F(DirectoryTest, EntriesPathsDatesAndIndexErrors) {
  Member bad{"sub/dir/f.txt", "x"};
  bad.dosDateTime = (uint32_t{(2020 - 1980) << 9 | 13 << 5 | 17} << 16) | (25 << 11);
  std::vector<Member> members = {{"root.txt", "r"}, bad, {"\x8F\xE0\xA8.txt", "oem"}};
  Read("a.zip", Build(members));
  ASSERT_EQ(reader.EntryCount(), 3);
  EXPECT_EQ(reader.EntryPath(0), "");
  EXPECT_EQ(reader.EntryName(0), "root.txt");
  EXPECT_EQ(reader.EntryPath(1), "sub\\dir\\");
  EXPECT_EQ(reader.EntryName(1), "f.txt");
  EXPECT_EQ(reader.EntryName(2), "\xCF\xF0\xE8.txt");
  EXPECT_EQ(reader.EntrySize(2), 3u);
  EXPECT_EQ(reader.EntryAttributes(0), 0x20u);
  // 2020-05-17 10:30:00; the hour 25 of the second entry became 24 and month 13 became 12,
  // a moment that does not exist: the current time is shown.
  EXPECT_NEAR(reader.EntryDateTime(0), 43968 + 10.5 / 24, 1e-9);
  EXPECT_EQ(reader.Entry(1).ModifDateTime >> 11 & 0x1F, 24u);
  EXPECT_EQ(reader.Entry(1).ModifDateTime >> 21 & 0x0F, 12u);
  EXPECT_NEAR(reader.EntryDateTime(1), niv::NowDateTime(), 1.0 / 24);
  try {
    reader.EntryName(3);
    FAIL();
  } catch (const plat::EListError& e) {
    EXPECT_EQ(e.Message(), "Index 3 is out of range");
  }
  reader.SetSortMode(niv::ByName);
  EXPECT_EQ(reader.EntryName(0), "root.txt");
  EXPECT_EQ(reader.EntryName(1), "f.txt");  // "sub\dir\f.txt" after "root.txt"
  EXPECT_EQ(reader.EntryName(2), "\xCF\xF0\xE8.txt");
}

TEST_F(DirectoryTest, MissingEndRecordRebuildsByScanWhenAsked) {
  std::vector<Member> members = {{.name = "a.txt", .data = "aaa", .externalAttributes = 0x21},
                                 {"d/b.txt", "bb"}};
  std::string bytes = Build(members, {.endRecord = false});
  EXPECT_EQ(ReadFails<niv::EIncompleteZip>("noend.zip", bytes), "Incomplete Zip File");

  int asked = 0;
  reader.OnInCompleteZip = [&](TZipReader&, niv::TIncompleteZipMode& mode) {
    ++asked;
    mode = niv::izAssumeBad;
  };
  Read("noend.zip", bytes);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(reader.DirectoryRebuilt());
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"a.txt", "d\\b.txt"}));
  // The central headers after the local ones matched the scanned records.
  EXPECT_EQ(reader.EntryAttributes(0), 0x21u);

  // Without central headers the records keep the local headers' data.
  Read("nocentral.zip", Build(members, {.endRecord = false, .centralDirectory = false}));
  EXPECT_EQ(reader.EntryCount(), 2);
  EXPECT_EQ(reader.EntryAttributes(0), 0u);

  EXPECT_EQ(ReadFails<niv::EBadZipFile>("junk.zip", std::string(100, 'x')),
            "Not a valid zip file!");
}

TEST_F(DirectoryTest, SelfExtractingExeScanStartsAt14000OnlyForUpperCaseExe) {
  // A program stub with a stray local header signature early on, then an archive whose
  // offsets do not count the stub.
  std::string stray =
      Build({{"stub.bin", std::string(40, 's')}}, {.endRecord = false, .centralDirectory = false});
  std::string stub = std::string(100, 'M') + stray;
  stub.resize(15000, 'Z');
  std::string archive = Build({{"real.txt", "real"}, {"two.txt", "2"}}, {.prefix = stub});
  Read("SETUP.EXE", archive);
  EXPECT_TRUE(reader.DirectoryRebuilt());
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"real.txt", "two.txt"}));
  Read("other.exe", archive);
  EXPECT_EQ(Names(reader), std::vector<std::string>{"stub.bin"});
}

TEST_F(DirectoryTest, ScanCanBeCancelled) {
  std::string bytes = std::string(50000, 'x') + Build({{"a.txt", "a"}}, {.endRecord = false});
  reader.IncompleteZipMode = niv::izAssumeBad;
  reader.SetZipName(PutArchive("late.zip", bytes));
  // The scan lets messages through every 10240 bytes; a cancel set before it is noticed there.
  reader.OnInCompleteZip = [](TZipReader& r, niv::TIncompleteZipMode&) { r.CancelExtraction(); };
  try {
    reader.ReadZipDirectory();
    FAIL();
  } catch (const niv::EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User Aborted Operation");
  }
}

TEST_F(DirectoryTest, Reads65520EntriesAndRefuses65521) {
  std::vector<Member> members(65521);
  for (size_t i = 0; i < members.size(); ++i) members[i].name = "f" + std::to_string(i);
  try {
    Read("over.zip", Build(members));
    FAIL();
  } catch (const plat::EListError&) {
  }
  members.pop_back();
  Read("full.zip", Build(members));
  EXPECT_EQ(reader.EntryCount(), 65520);
  EXPECT_EQ(reader.EntryName(65519), "f65519");
}

TEST_F(DirectoryTest, RereadsOnlyWhenTheFileChanges) {
  std::string name = PutArchive("a.zip", Build({{"a.txt", "a"}}));
  reader.SetZipName(name);
  reader.ReadZipDirectory();
  const niv::TZipHeaderInfo* first = &reader.Entry(0);
  reader.ReadZipDirectory();
  EXPECT_EQ(&reader.Entry(0), first);   // not read again
  reader.SetZipName("C:\\ARC\\A.ZIP");  // the same name in other letter case
  EXPECT_EQ(reader.EntryCount(), 1);
  reader.CloseZip();
  EXPECT_EQ(reader.EntryCount(), 0);
  EXPECT_EQ(reader.ZipName(), "");
}

TEST_F(DirectoryTest, ArchiveFromZipWithDirectoriesAndComment) {
  fs::path src = Work() / "src";
  WriteHost(src / "top.txt", "top\n");
  WriteHost(src / "sub" / "deep" / "x.bin", std::string(5000, '\x01'));
  fs::create_directories(src / "empty");
  Sh(src, "zip -r -q " + (HostC() / "arc" / "z.zip").string() + " . && echo 'a comment' | zip -z " +
              (HostC() / "arc" / "z.zip").string());
  reader.SetZipName("C:\\arc\\z.zip");
  reader.ReadZipDirectory();
  reader.SetSortMode(niv::ByName);
  EXPECT_EQ(Names(reader), (std::vector<std::string>{"empty\\", "sub\\", "sub\\deep\\",
                                                     "sub\\deep\\x.bin", "top.txt"}));
  EXPECT_EQ(reader.EntrySize(3), 5000u);
  EXPECT_EQ(reader.EndCentral().Comment, "a comment");  // zip keeps the line without its end
}

}  // namespace
}  // namespace ziptest
