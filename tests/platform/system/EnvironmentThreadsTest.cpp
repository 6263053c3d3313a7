// The process environment is shared by the main thread and the install thread.
#include <gtest/gtest.h>

#include <thread>

#include "platform/System.h"

TEST(EnvironmentThreads, ChangesAndReadsFromTwoThreadsDoNotRace) {
  std::thread writer([] {
    for (int i = 0; i < 2000; ++i) plat::SetEnv("Path", "C:\\A;" + std::to_string(i));
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string path = plat::GetEnv("PATH");
    EXPECT_TRUE(path.empty() || path.rfind("C:\\A;", 0) == 0) << path;
  }
  writer.join();
  EXPECT_EQ(plat::GetEnv("path"), "C:\\A;1999");
}
