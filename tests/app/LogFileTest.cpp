#include "app/LogFile.h"

#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "MachineFixture.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Stream.h"

namespace niv {
namespace {

using LogFileInMachine = testing::MachineTest;

constexpr const char* kLog = "C:\\WINDOWS\\TEMP\\nivinst.log";
const char* const kStamp = "[05.03.2004 14:22:05.1234]:";

std::unique_ptr<TLogFile> FixedLog() {
  auto log = std::make_unique<TLogFile>();
  log->Clock = [] { return plat::TLocalTime{2004, 3, 5, 14, 22, 5, 123400}; };
  log->SetFileName(kLog);
  log->WriteHeader = false;
  return log;
}

TEST_F(LogFileInMachine, CreatesTheFileThenAppendsCodePageBytesWithCrLf) {
  {
    auto log = FixedLog();
    log->WriteLine("");
    log->WriteLine(" \xD2\xE5\xF1\xF2");  // 1251 bytes pass unchanged
  }
  FixedLog()->WriteLine(" next run");
  EXPECT_EQ(HostBytes(kLog), std::string(kStamp) + "\r\n" + kStamp + " \xD2\xE5\xF1\xF2\r\n" +
                                 kStamp + " next run\r\n");
}

TEST_F(LogFileInMachine, HeaderLineBeforeTheFirstLineOnly) {
  auto log = FixedLog();
  log->WriteHeader = true;
  log->FormatHeader = false;
  log->WriteLine("a");
  log->WriteLine("b");
  log->SetHeader("H");
  log->FormatHeader = true;
  log->WriteLine("c");
  EXPECT_EQ(HostBytes(kLog), std::string("\r\n") + kStamp + "a\r\n" + kStamp + "b\r\n" +
                                 "H-----------[05.03.2004 14:22:05.1234]\r\n" + kStamp + "c\r\n");
}

TEST_F(LogFileInMachine, WaitsForAnotherWriterAndGivesUpAfter51Attempts) {
  FixedLog()->WriteLine("first");
  auto holder =
      std::make_unique<plat::TFileStream>(kLog, plat::fmOpenReadWrite | plat::fmShareDenyWrite);
  auto log = FixedLog();
  int pauses = 0;
  log->Sleep = [&](uint32_t ms) {
    EXPECT_EQ(ms, 100u);
    if (++pauses == 3) holder.reset();  // the other writer finishes during the third pause
  };
  log->WriteLine("second");
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(HostBytes(kLog), std::string(kStamp) + "first\r\n" + kStamp + "second\r\n");

  plat::TFileStream keeper(kLog, plat::fmOpenReadWrite | plat::fmShareDenyWrite);
  pauses = 0;
  log->Sleep = [&](uint32_t) { ++pauses; };
  EXPECT_THROW(log->WriteLine("lost"), plat::EStreamError);
  EXPECT_EQ(pauses, 50);
}

TEST_F(LogFileInMachine, AMissingDirectoryRaisesToTheCaller) {
  TLogFile log;
  log.SetFileName("C:\\NO\\SUCH\\DIR\\x.log");
  log.Sleep = [](uint32_t) {};
  EXPECT_THROW(log.WriteLine("x"), plat::Exception);
}

TEST_F(LogFileInMachine, TwoProcessesAppendingAtOnceLoseNoLine) {
  constexpr int kLines = 300;
  std::vector<pid_t> children;
  for (char writer : {'A', 'B'}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int rc = 0;
      try {
        TLogFile log;
        log.SetFileName(kLog);
        log.WriteHeader = false;
        for (int i = 0; i < kLines; ++i)
          log.WriteLine(std::string(" ") + writer + std::to_string(i));
      } catch (...) {
        rc = 1;
      }
      _exit(rc);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::istringstream in(HostBytes(kLog));
  std::set<std::string> seen;
  std::string line;
  while (std::getline(in, line)) {
    ASSERT_TRUE(line.size() > 28 && line.back() == '\r' && line.substr(0, 1) == "[" &&
                line.substr(25, 3) == "]: ")
        << line;
    seen.insert(line.substr(28, line.size() - 29));
  }
  EXPECT_EQ(seen.size(), 2u * kLines);
}

}  // namespace
}  // namespace niv
