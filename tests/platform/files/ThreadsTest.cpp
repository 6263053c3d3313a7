// Threads of one process share the machine: share modes hold between them, and the folder
// cache stays right when they create files side by side.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "FilesMachine.h"
#include "platform/Exceptions.h"

namespace {

using namespace plat;

class ThreadsTest : public niv::testing::FilesMachine {};

TEST_F(ThreadsTest, ExclusiveOpensNeverOverlap) {
  Write("C:\\shared.txt", "");
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::atomic<int> opened{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        try {
          TFileStream f("C:\\shared.txt", fmOpenReadWrite | fmShareExclusive);
          if (inside.fetch_add(1) != 0) overlapped = true;
          f.Write("x", 1);
          inside.fetch_sub(1);
          ++opened;
        } catch (const EFOpenError&) {
          if (LastError() != ERROR_SHARING_VIOLATION) overlapped = true;
        }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(overlapped);
  EXPECT_GT(opened.load(), 0);
}

TEST_F(ThreadsTest, FilesCreatedSideBySideAreAllFound) {
  ASSERT_TRUE(CreateDir("C:\\Many"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 100; ++i)
        Write("C:\\Many\\File " + std::to_string(t) + "-" + std::to_string(i) + ".txt", "x");
    });
  for (auto& t : threads) t.join();
  int found = 0;
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 100; ++i)
      found += FileExists("c:\\many\\FILE " + std::to_string(t) + "-" + std::to_string(i) + ".TXT");
  EXPECT_EQ(found, 400);
  TSearchRec rec;
  std::set<std::string> shortNames;
  for (int r = FindFirst("C:\\Many\\*.txt", 0, rec); r == 0; r = FindNext(rec))
    shortNames.insert(rec.ShortName);
  FindClose(rec);
  EXPECT_EQ(shortNames.size(), 400u);  // every short name is its own
}

}  // namespace
