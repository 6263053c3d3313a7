// The one log of a run is written by the main thread and the install thread without a lock.
#include <set>
#include <thread>

#include "MachineFixture.h"
#include "app/LogFile.h"

namespace niv {
namespace {

using LogThreadsInMachine = testing::MachineTest;

TEST_F(LogThreadsInMachine, TwoThreadsSharingTheLogLoseNoLine) {
  constexpr int kLines = 200;
  TLogFile log;
  log.SetFileName("C:\\WINDOWS\\TEMP\\nivinst.log");
  log.WriteHeader = false;
  log.FormatString = false;
  auto writer = [&log](char name) {
    for (int i = 0; i < kLines; ++i) log.WriteLine(name + std::to_string(i));
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  std::istringstream in(HostBytes("C:\\WINDOWS\\TEMP\\nivinst.log"));
  std::set<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    ASSERT_EQ(line.back(), '\r');
    lines.insert(line);
  }
  EXPECT_EQ(lines.size(), 2u * kLines);
}

}  // namespace
}  // namespace niv
