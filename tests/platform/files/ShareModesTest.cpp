#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "FilesMachine.h"
#include "platform/Exceptions.h"

namespace {

using namespace plat;

class ShareModesTest : public niv::testing::FilesMachine {
 protected:
  void SetUp() override {
    FilesMachine::SetUp();
    Write("C:\\f.txt", "data");
  }

  static bool Opens(uint16_t mode) {
    try {
      TFileStream f("C:\\f.txt", mode);
      return true;
    } catch (const EFOpenError&) {
      EXPECT_EQ(LastError(), ERROR_SHARING_VIOLATION);
      return false;
    } catch (const EFCreateError&) {
      EXPECT_EQ(LastError(), ERROR_SHARING_VIOLATION);
      return false;
    }
  }
};

TEST_F(ShareModesTest, SecondOpenAgainstFirst) {
  const uint16_t R = fmOpenRead, W = fmOpenWrite, RW = fmOpenReadWrite;
  struct Case {
    uint16_t first, second;
    bool allowed;
  } cases[] = {
      {R | fmShareDenyNone, RW | fmShareDenyNone, true},
      {R | fmShareDenyNone, R | fmShareDenyWrite, true},
      {RW | fmShareDenyNone, R | fmShareDenyWrite, false},  // it has a writer
      {R | fmShareDenyWrite, R | fmShareDenyWrite, true},
      {R | fmShareDenyWrite, R | fmShareDenyNone, true},
      {R | fmShareDenyWrite, W | fmShareDenyNone, false},
      {W | fmShareDenyWrite, R | fmShareDenyNone, true},
      {W | fmShareDenyWrite, W | fmShareDenyNone, false},
      {R | fmShareDenyRead, R | fmShareDenyNone, false},
      {R | fmShareDenyRead, W | fmShareDenyNone, true},
      {R | fmShareExclusive, R | fmShareDenyNone, false},
      {R | fmShareDenyNone, R | fmShareExclusive, false},
      {R | fmShareCompat, R | fmShareDenyNone, false},  // compatibility is exclusive
      {R | fmShareDenyNone, fmCreate, false},
      {R | fmShareDenyNone, fmCreate | fmShareDenyNone, true},
      {fmCreate, R | fmShareDenyNone, false},
      {RW | fmShareExclusive, RW | fmShareExclusive, false},
      {RW | fmShareExclusive, W | fmShareDenyNone, false},
      {W | fmShareDenyNone, RW | fmShareExclusive, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.first << " then " << c.second);
    TFileStream first("C:\\f.txt", c.first);
    EXPECT_EQ(Opens(c.second), c.allowed);
  }
  EXPECT_TRUE(Opens(fmOpenRead | fmShareExclusive));  // everything closed again
}

TEST_F(ShareModesTest, OpenFilesCannotBeDeletedOrRenamed) {
  {
    TFileStream f("C:\\f.txt", fmOpenRead | fmShareDenyNone);
    EXPECT_FALSE(FileDelete("C:\\f.txt"));
    EXPECT_EQ(LastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(FileRename("C:\\f.txt", "C:\\g.txt"));
    EXPECT_EQ(LastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(FileCopy("C:\\WINDOWS\\none", "C:\\f.txt", false));
  }
  EXPECT_TRUE(FileDelete("C:\\f.txt"));
}

// One process holds the file with deny-write; the other process cannot write it, but can read.
TEST_F(ShareModesTest, DenyWriteHoldsBetweenProcesses) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t child = fork();
  if (child == 0) {
    char c;
    {
      TFileStream log("C:\\f.txt", fmOpenWrite | fmShareDenyWrite);
      if (write(toParent[1], "o", 1) != 1) _exit(2);
      if (read(toChild[0], &c, 1) != 1) _exit(3);
    }
    if (write(toParent[1], "c", 1) != 1) _exit(4);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  EXPECT_FALSE(Opens(fmOpenWrite | fmShareDenyNone));
  EXPECT_FALSE(Opens(fmOpenRead | fmShareDenyWrite));  // the child writes
  EXPECT_TRUE(Opens(fmOpenRead | fmShareDenyNone));
  EXPECT_FALSE(FileDelete("C:\\f.txt"));
  ASSERT_EQ(write(toChild[1], "x", 1), 1);
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  EXPECT_TRUE(Opens(fmOpenWrite | fmShareDenyWrite));
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Two processes append to one log, each open with deny-write and a retry on a sharing violation:
// every line arrives whole.
TEST_F(ShareModesTest, TwoProcessesAppendWithDenyWrite) {
  constexpr int kLines = 200;
  auto append = [](char tag) {
    for (int i = 0; i < kLines; ++i) {
      for (;;) {
        try {
          TFileStream log("C:\\log.txt", fmOpenReadWrite | fmShareDenyWrite);
          log.Seek(0, soEnd);
          std::string line = std::string(1, tag) + std::to_string(i) + "\n";
          log.WriteBuffer(line.data(), static_cast<int32_t>(line.size()));
          break;
        } catch (const EFOpenError&) {
          if (LastError() != ERROR_SHARING_VIOLATION) _exit(5);
          sched_yield();
        }
      }
    }
  };
  Write("C:\\log.txt", "");
  pid_t child = fork();
  if (child == 0) {
    append('b');
    _exit(0);
  }
  append('a');
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::istringstream in(Read("C:\\log.txt"));
  int next[2] = {0, 0};
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    ASSERT_GE(line.size(), 2u);
    int who = line[0] - 'a';
    ASSERT_TRUE(who == 0 || who == 1) << line;
    EXPECT_EQ(std::stoi(line.substr(1)), next[who]++);
    ++count;
  }
  EXPECT_EQ(count, 2 * kLines);
}

}  // namespace
