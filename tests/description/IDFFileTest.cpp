#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "description/IDFTextFile.h"
#include "platform/Files.h"
#include "platform/Stream.h"
#include "platform/sim/Machine.h"

namespace niv {
namespace {

class IDFFileInMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "niv_idf_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    plat::sim::NewMachine(root_ + "/m", {});
    plat::sim::UseMachine(root_ + "/m");
    SetIDFLogSink([this](const std::string& line) { log_.push_back(line); });
  }
  void TearDown() override {
    SetIDFLogSink(nullptr);
    std::filesystem::remove_all(root_);
  }
  static void Put(const std::string& path, const std::string& bytes) {
    plat::TFileStream(path, plat::fmCreate)
        .WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(plat::sim::HostPathOf(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  std::string root_;
  std::vector<std::string> log_;
};

TEST_F(IDFFileInMachine, LoadLogsTheNameAndFailsForMissingOrLockedFiles) {
  TIDFTextFile file;
  file.AddSection("Kept");
  EXPECT_FALSE(file.LoadFromFile("C:\\setup.idf"));
  EXPECT_EQ(log_, std::vector<std::string>{" Load IDF file C:\\setup.idf"});
  Put("C:\\setup.idf", "IDF-CPS-text\r\n\r\n[New]\r\n");
  {
    plat::TFileStream lock("C:\\setup.idf", plat::fmOpenReadWrite | plat::fmShareExclusive);
    EXPECT_FALSE(file.LoadFromFile("C:\\setup.idf"));
  }
  EXPECT_EQ(file.GetSection(0).Name, "Kept");
  EXPECT_TRUE(file.LoadFromFile("c:\\SETUP.IDF"));
  EXPECT_EQ(file.GetSection(0).Name, "New");
}

TEST_F(IDFFileInMachine, LineEndSplitAcrossReadChunksStaysOneLineEnd) {
  // CR LF pairs and lone CRs at every offset around the reader's 64 K chunks.
  std::string text = "IDF-CPS-text\r\n\r\n[S]\r\n";
  int expected = 0;
  while (text.size() < 3 * 65536) {
    std::string line = "k" + std::to_string(expected) + "=" + std::string(expected % 97, 'v');
    text += line + (expected % 3 == 0 ? "\r" : "\r\n");
    ++expected;
  }
  Put("C:\\big.idf", text);
  TIDFTextFile file;
  ASSERT_TRUE(file.LoadFromFile("C:\\big.idf"));
  ASSERT_EQ(file.GetSection(0).ParamCount(), expected);
  for (int i = 0; i < expected; ++i)
    ASSERT_EQ(file.GetSection(0).GetParam(i)->AsString(), std::string(i % 97, 'v')) << i;
}

TEST_F(IDFFileInMachine, SaveReplacesTheFileOrReportsFalse) {
  Put("C:\\out.idf", std::string(1000, 'z'));
  TIDFTextFile file;
  file.AddSection("A").AddParam("k").SetAsString("v");
  EXPECT_TRUE(file.SaveToFile("C:\\out.idf"));
  EXPECT_EQ(Bytes("C:\\out.idf"), "IDF-CPS-text\r\n\r\n[A]\r\nk=v\r\n");
  EXPECT_FALSE(file.SaveToFile("C:\\NO\\SUCH\\out.idf"));
  plat::TFileStream lock("C:\\out.idf", plat::fmOpenRead | plat::fmShareExclusive);
  EXPECT_FALSE(file.SaveToFile("C:\\out.idf"));
}

}  // namespace
}  // namespace niv
