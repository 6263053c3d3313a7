// nivzip on host paths: what a person or a check script sees.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ZipBuilder.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int code;
  std::string out;  // stdout and stderr
};

ToolRun Nivzip(const std::string& args) {
  std::string command = std::string("'") + NIVZIP_PATH + "' " + args + " 2>&1";
  ToolRun run{0, ""};
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class NivzipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nivzip-tool-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return "'" + (dir_ / name).string() + "'";
  }
  static std::string Read(const fs::path& p) {
    std::stringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(NivzipTest, ListsTestsAndExtracts) {
  std::string good = Put("good.zip", ziptest::Build({{"a.txt", "alpha"}, {"sub/b.txt", "beta"}}));
  ToolRun list = Nivzip("l " + good);
  EXPECT_EQ(list.code, 0);
  EXPECT_NE(list.out.find("         5          5      0 2020-05-17 10:30:00"), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("sub\\b.txt"), std::string::npos);
  EXPECT_EQ(Nivzip("t " + good).code, 0);

  ToolRun x = Nivzip("x " + good + " '" + (dir_ / "out").string() + "' 'sub\\*'");
  EXPECT_EQ(x.code, 0) << x.out;
  EXPECT_EQ(Read(dir_ / "out" / "sub" / "b.txt"), "beta");
  EXPECT_FALSE(fs::exists(dir_ / "out" / "a.txt"));
}

TEST_F(NivzipTest, FailuresAreNamedAndSetTheExitCode) {
  std::string bad =
      Put("bad.zip", ziptest::Build({{"ok.txt", "fine"},
                                     {.name = "broken.txt", .data = "x", .crcOverride = 1},
                                     {"../escape.txt", "x"}}));
  ToolRun t = Nivzip("t " + bad);
  EXPECT_EQ(t.code, 1);
  EXPECT_NE(t.out.find("broken.txt: bad CRC"), std::string::npos) << t.out;
  EXPECT_NE(t.out.find("..\\escape.txt: path leads outside"), std::string::npos) << t.out;
  ToolRun x = Nivzip("x " + bad + " '" + (dir_ / "out").string() + "'");
  EXPECT_EQ(x.code, 1);
  EXPECT_EQ(Read(dir_ / "out" / "ok.txt"), "fine");
  EXPECT_FALSE(fs::exists(dir_ / "escape.txt"));

  EXPECT_EQ(Nivzip("l " + Put("junk.zip", "not an archive at all")).code, 2);
  EXPECT_EQ(Nivzip("q " + bad).code, 2);
}

TEST_F(NivzipTest, PasswordBeforeTheArchive) {
  fs::create_directories(dir_ / "src");
  std::ofstream(dir_ / "src" / "s.txt") << "secret";
  std::string zip = (dir_ / "enc.zip").string();
  ASSERT_EQ(
      std::system(
          ("cd '" + (dir_ / "src").string() + "' && zip -q -P pw '" + zip + "' s.txt").c_str()),
      0);
  EXPECT_EQ(Nivzip("t '" + zip + "'").code, 1);
  EXPECT_EQ(Nivzip("-P pw t '" + zip + "'").code, 0);
  EXPECT_EQ(Nivzip("x -P pw '" + zip + "' '" + (dir_ / "o").string() + "'").code, 0);
  EXPECT_EQ(Read(dir_ / "o" / "s.txt"), "secret");
}

}  // namespace
