#include <gtest/gtest.h>

#include "FilesMachine.h"
#include "platform/Paths.h"

namespace {

using namespace plat;

TEST(Paths, ExtractParts) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
    const char* drive;
  } cases[] = {
      {"C:\\Dir\\File.txt", "C:\\Dir\\", "File.txt", ".txt", "C:"},
      {"C:File", "C:", "File", "", "C:"},
      {"\\\\Server\\Share\\a.b.c", "\\\\Server\\Share\\", "a.b.c", ".c", "\\\\Server\\Share"},
      {"Dir.ext\\Name", "Dir.ext\\", "Name", "", ""},
      {"NoDelimiter", "", "NoDelimiter", "", ""},
      {"C:\\Dir\\", "C:\\Dir\\", "", "", "C:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFilePath(c.path), c.dir);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
    EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
  }
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\file.txt", ".log"), "C:\\a.b\\file.log");
  EXPECT_EQ(ChangeFileExt("C:\\a.b\\file", ".log"), "C:\\a.b\\file.log");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\x\\"), "C:\\x");
}

class ExpandFileNameTest : public niv::testing::FilesMachine {};

TEST_F(ExpandFileNameTest, ResolvesAgainstTheCurrentDirectory) {
  ASSERT_TRUE(CreateDir("C:\\Work"));
  ASSERT_TRUE(CreateDir("C:\\Work\\Sub"));
  ASSERT_TRUE(SetCurrentDir("c:/work/SUB"));
  EXPECT_EQ(GetCurrentDir(), "C:\\work\\SUB");
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"file.txt", "C:\\work\\SUB\\file.txt"},
      {"..\\x", "C:\\work\\x"},
      {"..\\..\\..\\..\\x", "C:\\x"},
      {"\\root.txt", "C:\\root.txt"},
      {"C:name", "C:\\work\\SUB\\name"},
      {"D:name", "D:\\name"},
      {"C:..\\..\\..", "C:\\"},
      {"/etc/passwd", "C:\\etc\\passwd"},
      {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
      {"C:\\trail. . \\name.. ", "C:\\trail\\name"},
      {"C:\\dir\\", "C:\\dir\\"},
      {"\\\\Srv\\Share\\a\\..\\..\\b", "\\\\Srv\\Share\\b"},
      {"", "C:\\work\\SUB"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandFileName(c.in), c.out) << c.in;
}

TEST_F(ExpandFileNameTest, CurrentDirectoryStartsFromTheEnvironment) {
  ASSERT_TRUE(CreateDir("C:\\Start"));
  setenv("NIVSIM_CWD", "C:\\Start", 1);
  plat::sim::UseMachine(machine_);
  EXPECT_EQ(GetCurrentDir(), "C:\\Start");
  unsetenv("NIVSIM_CWD");
  plat::sim::UseMachine(machine_);
  EXPECT_EQ(GetCurrentDir(), "C:\\");
  EXPECT_FALSE(SetCurrentDir("C:\\Missing"));
  EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetCurrentDir(), "C:\\");
}

}  // namespace
