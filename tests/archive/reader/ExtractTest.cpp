// Member selection and extraction: destinations, overwrite modes, passwords, CRC checks, the
// events in their order, and the results compared with unzip and 7-Zip.
#include <set>

#include "ReaderFixture.h"
#include "ZipBuilder.h"
#include "archive/ZipReader.h"
#include "forms/Agent.h"
#include "platform/Files.h"

namespace ziptest {
namespace {

using niv::TZipReader;

class ExtractTest : public ReaderTest {
 protected:
  // Logs every event of the reader as one short line.
  void Watch() {
    reader.OnStartUnZipInfo = [&](TZipReader&, int n, int64_t total, bool&) {
      events.push_back("info " + std::to_string(n) + " " + std::to_string(total));
    };
    reader.OnStartUnZip = [&](TZipReader&, int i, const std::string& f, bool&) {
      events.push_back("start " + std::to_string(i) + " " + f);
    };
    reader.OnEndUnZip = [&](TZipReader&, int i, const std::string& f) {
      events.push_back("end " + std::to_string(i) + " " + f);
    };
    reader.OnSkippingFile = [&](TZipReader&, niv::TSkipReason why, const std::string& f, int i) {
      events.push_back("skip " + std::to_string(why) + " " + f + " " + std::to_string(i));
    };
    reader.OnBadCRC = [&](TZipReader&, uint32_t calc, uint32_t stored, int i) {
      events.push_back("badcrc " + std::to_string(i));
    };
    reader.OnTotalPercentDone = [&](TZipReader&, int p) { lastTotalPercent = p; };
  }
  int Extract(const std::string& archive, const std::string& dest = "C:\\out") {
    reader.SetZipName(archive);
    reader.SetDestDir(dest);
    return reader.ExtractFiles();
  }
  fs::path Out() const { return HostC() / "out"; }

  TZipReader reader;
  std::vector<std::string> events;
  int lastTotalPercent = -1;
};

// Every regular file below root: relative path -> (bytes, modification time in seconds).
std::map<std::string, std::pair<std::string, int64_t>> Tree(const fs::path& root) {
  std::map<std::string, std::pair<std::string, int64_t>> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      tree[rel + "/"] = {"", 0};
      continue;
    }
    if (!e.is_regular_file()) continue;
    auto t =
        std::chrono::duration_cast<std::chrono::seconds>(e.last_write_time().time_since_epoch())
            .count();
    tree[rel] = {ReaderTest::ReadHost(e.path()), t};
  }
  return tree;
}

void ExpectSameTree(const fs::path& ours, const fs::path& oracle) {
  auto a = Tree(ours), b = Tree(oracle);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [path, file] : b) {
    ASSERT_TRUE(a.count(path)) << path;
    EXPECT_EQ(a[path].first, file.first) << path;
    if (path.back() != '/') {
      EXPECT_LE(std::abs(a[path].second - file.second), 1) << path;
    }
  }
}

TEST_F(ExtractTest, SameFilesAndTimesAsUnzipAnd7zip) {
  fs::path src = Work() / "src";
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
  std::string binary = Noise(70000);
  WriteHost(src / "text.txt", text);
  WriteHost(src / "bin" / "random.bin", binary);
  WriteHost(src / "bin" / "deep" / "empty.dat", "");
  WriteHost(src / "same" / "rep.txt", std::string(100000, 'a'));
  fs::create_directories(src / "emptydir");
  Sh(src,
     "touch -d '2019-03-04 05:06:07' text.txt && touch -d '1999-12-31 23:59:58' bin/random.bin");
  std::string info = (HostC() / "arc" / "info.zip").string();
  std::string seven = (HostC() / "arc" / "seven.zip").string();
  Sh(src, "zip -r -q " + info + " . && 7zz a -tzip -mm=Deflate -mx=7 " + seven + " .");
  struct {
    const char* name;
    std::string oracle;
  } cases[] = {{"info.zip", "unzip -q -o " + info}, {"seven.zip", "7zz x -y " + seven}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path oracle = Work() / (std::string("oracle-") + c.name);
    fs::create_directories(oracle);
    Sh(oracle, c.oracle);
    fs::remove_all(Out());
    reader.CloseZip();
    reader.DoAll = true;
    reader.RecreateDirs = true;
    reader.OverwriteMode = niv::Always;
    Watch();
    int written = Extract(std::string("C:\\arc\\") + c.name);
    EXPECT_EQ(written, reader.EntryCount());
    EXPECT_EQ(lastTotalPercent, 100);
    ExpectSameTree(Out(), oracle);
  }
}

TEST_F(ExtractTest, WrongCrcDeletesTheFileAndTheNextMemberFollows) {
  std::string archive =
      PutArchive("crc.zip", Build({{"a.txt", "aaa"},
                                   {.name = "b.txt", .data = "bbb", .crcOverride = 0x12345678},
                                   {"c.txt", "ccc"}}));
  reader.DoAll = true;
  Watch();
  EXPECT_EQ(Extract(archive), 2);
  EXPECT_EQ(events,
            (std::vector<std::string>{"info 3 9", "start 0 C:\\out\\a.txt", "end 0 C:\\out\\a.txt",
                                      "start 1 C:\\out\\b.txt", "badcrc 1",
                                      "start 2 C:\\out\\c.txt", "end 2 C:\\out\\c.txt"}));
  EXPECT_TRUE(fs::exists(Out() / "a.txt"));
  EXPECT_FALSE(fs::exists(Out() / "b.txt"));
  EXPECT_EQ(ReadHost(Out() / "c.txt"), "ccc");
}

TEST_F(ExtractTest, OverwriteModes) {
  std::string archive = PutArchive("o.zip", Build({{"a.txt", "new"}, {"b.txt", "new"}}));
  struct Case {
    niv::TUZOverwriteMode mode;
    int answer;  // -1: no handler
    int written;
    const char* a;
  } cases[] = {{niv::Always, -1, 2, "new"},
               {niv::Never, -1, 1, "old"},
               {niv::Prompt, 0, 1, "old"},
               {niv::Prompt, 1, 2, "new"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode * 10 + c.answer);
    WriteHost(Out() / "a.txt", "old");
    fs::remove(Out() / "b.txt");
    events.clear();
    reader.DoAll = true;
    reader.OverwriteMode = c.mode;
    Watch();
    reader.OnPromptForOverwrite = nullptr;
    if (c.answer >= 0)
      reader.OnPromptForOverwrite = [&](TZipReader&, bool& overwrite, int i, std::string& f) {
        EXPECT_FALSE(overwrite);
        EXPECT_EQ(f, "C:\\out\\a.txt");
        overwrite = c.answer == 1;
      };
    EXPECT_EQ(Extract(archive), c.written);
    EXPECT_EQ(ReadHost(Out() / "a.txt"), c.a);
    EXPECT_EQ(ReadHost(Out() / "b.txt"), "new");
    bool skipped = std::count(events.begin(), events.end(), "skip 1 a.txt 0") == 1;
    EXPECT_EQ(skipped, c.written == 1);
  }
}

TEST_F(ExtractTest, DefaultOverwriteQuestionAndStopNow) {
  std::string archive = PutArchive("q.zip", Build({{"a.txt", "new"}, {"b.txt", "new"}}));
  WriteHost(Out() / "a.txt", "old");
  WriteHost(Out() / "b.txt", "old");
  forms::RecordingAgent agent;
  agent.QueueAnswers({forms::IDNO, forms::IDYES});
  forms::ScopedAgent scope(agent);
  reader.DoAll = true;
  EXPECT_EQ(Extract(archive), 1);
  ASSERT_EQ(agent.Boxes().size(), 2u);
  EXPECT_EQ(agent.Boxes()[0].Text, "Replace existing file a.txt?");
  EXPECT_EQ(agent.Boxes()[0].Caption, "File Exists Alert");
  EXPECT_EQ(agent.Boxes()[0].Buttons(), (std::vector<int>{forms::IDYES, forms::IDNO}));
  EXPECT_EQ(ReadHost(Out() / "a.txt"), "old");
  EXPECT_EQ(ReadHost(Out() / "b.txt"), "new");

  // A handler that stops before the first member: nothing is written, and nothing counted.
  reader.OnStartUnZipInfo = [](TZipReader&, int, int64_t, bool& stop) { stop = true; };
  reader.OverwriteMode = niv::Always;
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_EQ(ReadHost(Out() / "a.txt"), "old");
}

TEST_F(ExtractTest, PatternsSelectByAsciiCaseOnly) {
  std::string archive = PutArchive("p.zip", Build({{"docs/a.TXT", "1"},
                                                   {"a.txt.bak", "2"},
                                                   {"b/x.dat", "3"},
                                                   {"d/y.dat", "4"},
                                                   {"\x8F"
                                                    "1.txt",
                                                    "5"},
                                                   {"\xAF"
                                                    "2.TXT",
                                                    "6"}}));  // OEM capital and small Pe
  struct Case {
    std::vector<std::string> patterns;
    std::set<std::string> files;
  } cases[] = {
      {{"*.txt"},
       {"docs/a.TXT",
        "\xD0\x9F"
        "1.txt",
        "\xD0\xBF"
        "2.TXT"}},
      {{"<a-c>*"}, {"a.txt.bak", "b/x.dat"}},
      {{"d\\*", "*.bak"}, {"d/y.dat", "a.txt.bak"}},
      {{"\xCF"
        "1.txt",
        "\xCF"
        "2.txt"},
       {"\xD0\x9F"
        "1.txt"}},  // Cyrillic letters keep their case
  };
  for (const Case& c : cases) {
    fs::remove_all(Out());
    reader.DoAll = false;
    reader.RecreateDirs = true;
    reader.OverwriteMode = niv::Always;
    reader.FilesList = c.patterns;
    EXPECT_EQ(Extract(archive), static_cast<int>(c.files.size())) << c.patterns[0];
    std::set<std::string> got;
    for (const auto& [path, file] : Tree(Out()))
      if (path.back() != '/') got.insert(path);
    EXPECT_EQ(got, c.files) << c.patterns[0];
  }
}

TEST_F(ExtractTest, RecreateDirsAndDestinations) {
  std::string archive = PutArchive("d.zip", Build({{"a/b.txt", "first"},
                                                   {"c/b.txt", "second"},
                                                   {"e/", ""},
                                                   {"\\abs\\x.txt", "abs"},
                                                   {"C:\\abs\\y.txt", "drive"},
                                                   {"top/in/z.txt", "z"}}));
  reader.DoAll = true;
  reader.OverwriteMode = niv::Always;
  reader.RecreateDirs = false;
  EXPECT_EQ(Extract(archive), 5);  // the directory entry is neither counted nor created
  EXPECT_EQ(ReadHost(Out() / "b.txt"), "second");
  EXPECT_FALSE(fs::exists(Out() / "e"));
  EXPECT_FALSE(fs::exists(Out() / "a"));

  fs::remove_all(Out());
  reader.RecreateDirs = true;
  reader.SetRootDir("top");
  Watch();
  EXPECT_EQ(Extract(archive, "C:\\out\\t\\"), 6);
  fs::path t = Out() / "t";
  EXPECT_EQ(ReadHost(t / "a" / "b.txt"), "first");
  EXPECT_TRUE(fs::is_directory(t / "e"));
  EXPECT_EQ(ReadHost(t / "abs" / "x.txt"), "abs");
  EXPECT_EQ(ReadHost(t / "abs" / "y.txt"), "drive");
  EXPECT_EQ(ReadHost(t / "in" / "z.txt"), "z");
  EXPECT_NE(std::find(events.begin(), events.end(), "start 2 C:\\out\\t\\e"), events.end());
}

TEST_F(ExtractTest, MembersThatWouldLeaveTheDestinationAreNeverWritten) {
  std::string archive = PutArchive("evil.zip", Build({{"../evil1.txt", "x"},
                                                      {"a/../../evil2.txt", "x"},
                                                      {"..\\evil3.txt", "x"},
                                                      {"ok/fine.txt", "fine"},
                                                      {"a/.. ./evil4.txt", "x"},
                                                      {"a/..", "x"},
                                                      {"C:..\\evil5.txt", "x"},
                                                      {"a:b/fine6.txt", "x"}}));
  fs::create_directories(Out() / "deep");
  reader.DoAll = true;
  reader.OverwriteMode = niv::Always;
  Watch();
  for (bool recreate : {true, false}) {
    events.clear();
    reader.RecreateDirs = recreate;
    int written = Extract(archive, "C:\\out\\deep");
    int unsafe = static_cast<int>(std::count_if(
        events.begin(), events.end(), [](auto& e) { return e.rfind("skip 2 ", 0) == 0; }));
    EXPECT_EQ(written, recreate ? 2 : 7);
    EXPECT_EQ(unsafe, recreate ? 6 : 1);  // without paths only the name ".." is unsafe
  }
  // Every file that was written at all stands below the destination.
  for (const auto& e : fs::recursive_directory_iterator(HostC() / "out")) {
    bool evil = e.path().filename().string().rfind("evil", 0) == 0;
    if (evil) {
      EXPECT_EQ(e.path().parent_path(), Out() / "deep") << e.path();
    }
  }
}

TEST_F(ExtractTest, EncryptedMembers) {
  fs::path src = Work() / "enc";
  WriteHost(src / "secret.txt", std::string(20000, 's') + "end");
  WriteHost(src / "small.txt", "tiny");
  Sh(src, "zip -q -P right " + (HostC() / "arc" / "enc.zip").string() + " secret.txt small.txt");
  reader.DoAll = true;
  reader.OverwriteMode = niv::Always;
  Watch();
  // No password: both passed over with reason 0.
  EXPECT_EQ(Extract("C:\\arc\\enc.zip"), 0);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](auto& e) { return e.rfind("skip 0 ", 0) == 0; }),
            2);
  EXPECT_FALSE(fs::exists(Out() / "secret.txt"));
  // The handler gives the right password once; it then serves every member.
  int asked = 0;
  reader.OnBadPassword = [&](TZipReader&, int, std::string& p) {
    ++asked;
    p = "right";
  };
  EXPECT_EQ(Extract("C:\\arc\\enc.zip"), 2);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ReadHost(Out() / "secret.txt"), std::string(20000, 's') + "end");
  EXPECT_EQ(ReadHost(Out() / "small.txt"), "tiny");
}

TEST_F(ExtractTest, AttributesAndTimeOfWrittenFiles) {
  Member m{
      .name = "ro.txt", .data = "data", .externalAttributes = plat::faReadOnly | plat::faHidden};
  m.dosDateTime = (uint32_t{(2001 - 1980) << 9 | 2 << 5 | 3} << 16) | (4 << 11 | 5 << 5 | 3);
  std::string archive = PutArchive("attr.zip", Build({m}));
  reader.DoAll = true;
  EXPECT_EQ(Extract(archive), 1);
  EXPECT_EQ(plat::FileGetAttr("C:\\out\\ro.txt") & (plat::faReadOnly | plat::faHidden),
            plat::faReadOnly | plat::faHidden);
  plat::FileTime t = 0;
  ASSERT_TRUE(plat::FileGetModTime("C:\\out\\ro.txt", t));
  EXPECT_EQ(plat::FileTimeToDosDateTime(t), m.dosDateTime);
  reader.RetainAttributes = false;
  reader.OverwriteMode = niv::Always;
  ASSERT_TRUE(plat::FileSetAttr("C:\\out\\ro.txt", plat::faArchive));
  EXPECT_EQ(Extract(archive), 1);
  EXPECT_EQ(plat::FileGetAttr("C:\\out\\ro.txt") & plat::faReadOnly, 0u);
}

TEST_F(ExtractTest, TruncatedArchiveEndsWithPrematureEndAfterCompleteMembers) {
  fs::path src = Work() / "trunc";
  WriteHost(src / "a.txt", "complete");
  std::string big = Noise(200000);
  WriteHost(src / "z.bin", big);
  Sh(src, "zip -q " + (Work() / "t.zip").string() + " a.txt z.bin");
  std::string bytes = ReadHost(Work() / "t.zip");
  std::string archive = PutArchive("t.zip", bytes.substr(0, bytes.size() / 2));
  reader.DoAll = true;
  reader.IncompleteZipMode = niv::izAssumeBad;
  try {
    Extract(archive);
    FAIL();
  } catch (const niv::EFatalUnzipError& e) {
    EXPECT_EQ(e.Message(), "Premature end of file reached");
  }
  EXPECT_EQ(ReadHost(Out() / "a.txt"), "complete");
  EXPECT_TRUE(fs::exists(Out() / "z.bin"));  // the partial file remains
}

}  // namespace
}  // namespace ziptest
