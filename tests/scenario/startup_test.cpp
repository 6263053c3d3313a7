// setup.exe started in a fresh machine from a distribution on drive D:, answered by the agent
// that presses the first button.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Record.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"

namespace {

namespace fs = std::filesystem;

const std::string kGoodRussian = "IDF-CPS-text\r\n\r\n[Params]\r\nSystem name=NIV\r\n";
const std::string kGoodEnglish = kGoodRussian + "[Language]\r\nLanguage= english \r\n";

class StartupScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "niv_startup_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    dist_ = root_ + "/dist";
    machine_ = root_ + "/m";
    fs::create_directories(dist_);
    fs::copy_file(NIV_BINARY_DIR "/src/app/setup.exe", dist_ + "/setup.exe");
    plat::sim::MachineOptions options;
    options.drives.push_back({'D', 3, "DIST", -1, dist_});
    plat::sim::NewMachine(machine_, options);
    plat::sim::UseMachine(machine_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void PutDist(const std::string& relative, const std::string& bytes) {
    fs::create_directories(fs::path(dist_ + "/" + relative).parent_path());
    std::ofstream(dist_ + "/" + relative, std::ios::binary) << bytes;
  }

  int Run(const std::string& commandLine) {
    return plat::sim::RunInMachine(machine_, "D:\\", commandLine, "first");
  }

  // The texts of the message boxes the machine saw, in UTF-8.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const plat::RecordEvent& event : plat::ReadRecord(machine_))
      if (event.kind == "msgbox") texts.push_back(plat::AnsiToUtf8(event.Field("text")));
    return texts;
  }

  // The log's lines with their time stamps replaced by "[T]".
  std::vector<std::string> LogLines() const {
    std::ifstream in(plat::sim::HostPathOf("C:\\WINDOWS\\TEMP\\nivinst.log"), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    std::vector<std::string> lines;
    const std::regex stamp(R"(^\[\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{4}\]:)");
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(std::regex_replace(text.substr(start, end - start), stamp, "[T]:"));
    EXPECT_EQ(start, text.size()) << "the log ends inside a line";
    return lines;
  }

  std::string root_, dist_, machine_;
};

TEST_F(StartupScenario, MissingDescriptionIsReportedInRussianAndLoggedInEnglish) {
  ASSERT_EQ(Run("D:\\setup.exe"), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"setup.idf не найден"});
  for (const plat::RecordEvent& event : plat::ReadRecord(machine_)) {
    if (event.kind != "msgbox") continue;
    EXPECT_EQ(event.Field("flags"), "0x2010");  // task-modal error box
    EXPECT_EQ(event.Field("caption"), "");
  }
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"[T]:", "[T]:", "[T]: setup.idf does not exist"}));
}

TEST_F(StartupScenario, InvalidDescriptionIsReportedEvenWhenItAsksForEnglish) {
  PutDist("setup.idf", "IDF-CPS-text\r\nnot empty\r\n[Language]\r\nLanguage=english\r\n");
  ASSERT_EQ(Run("D:\\setup.exe"), 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"неверный формат файла setup.idf"});
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"[T]:", "[T]:", "[T]: Load IDF file setup.idf",
                                                  "[T]: Invalid file format setup.idf"}));
}

TEST_F(StartupScenario, HostileDescriptionsAreInvalidWithoutACrash) {
  std::string garbage;
  for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
  for (const std::string& bytes :
       {std::string("\0\0IDF\0", 6), garbage, std::string(10 * 1024 * 1024, 'x')}) {
    PutDist("setup.idf", bytes);
    ASSERT_EQ(Run("D:\\setup.exe"), 0);
  }
  EXPECT_EQ(Boxes(), std::vector<std::string>(3, "неверный формат файла setup.idf"));
}

TEST_F(StartupScenario, LanguageOfTheDescriptionIsTheLanguageOfTheRun) {
  PutDist("setup.idf", kGoodEnglish);
  ASSERT_EQ(Run("D:\\setup.exe"), 0);
  PutDist("setup.idf", kGoodRussian);
  ASSERT_EQ(Run("D:\\setup.exe"), 0);
  EXPECT_EQ(Boxes(),
            (std::vector<std::string>{"The setup wizard is not part of this build",
                                      "Мастер установки отсутствует в этой сборке программы"}));
  // The log grows over the runs; each starts with two bare time stamps.
  const std::vector<std::string> run = {"[T]:", "[T]:", "[T]: Load IDF file setup.idf",
                                        "[T]: The setup wizard is not part of this build"};
  std::vector<std::string> both = run;
  both.insert(both.end(), run.begin(), run.end());
  EXPECT_EQ(LogLines(), both);
}

TEST_F(StartupScenario, CommandLineForms) {
  struct Case {
    std::string arguments;
    std::vector<std::string> logAfterStamps;
    std::string box;
  };
  PutDist("setup.idf", kGoodEnglish);
  PutDist("My Dist/temp.inf", kGoodRussian);
  const std::vector<Case> cases = {
      {"uninstall",
       {" Load IDF file setup.idf", " The setup wizard is not part of this build"},
       "The setup wizard is not part of this build"},
      {"UNINSTALL x",
       {" command line parameter : UNINSTALL x", " UNINSTALL x does not exist"},
       "UNINSTALL x не найден"},
      {"D:\\My Dist\\temp.inf",
       {" command line parameter : D:\\My Dist\\temp.inf", " Load IDF file D:\\My Dist\\temp.inf",
        " The setup wizard is not part of this build"},
       "Мастер установки отсутствует в этой сборке программы"},
      {"\"D:\\My Dist\\temp.inf\"",
       {" command line parameter : D:\\My Dist\\temp.inf", " Load IDF file D:\\My Dist\\temp.inf",
        " The setup wizard is not part of this build"},
       "Мастер установки отсутствует в этой сборке программы"},
  };
  size_t logStart = 0, boxCount = 0;
  for (const Case& c : cases) {
    ASSERT_EQ(Run("D:\\setup.exe " + c.arguments), 0) << c.arguments;
    std::vector<std::string> log = LogLines();
    std::vector<std::string> expected = {"[T]:", "[T]:"};
    for (const std::string& line : c.logAfterStamps) expected.push_back("[T]:" + line);
    EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<long>(logStart), log.end()),
              expected)
        << c.arguments;
    logStart = log.size();
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), boxCount + 1) << c.arguments;
    EXPECT_EQ(boxes.back(), c.box) << c.arguments;
    boxCount = boxes.size();
  }
}

TEST_F(StartupScenario, ALogThatCannotBeWrittenEndsTheRunWithTheErrorShown) {
  fs::remove_all(plat::sim::HostPathOf("C:\\WINDOWS\\TEMP"));
  EXPECT_EQ(Run("D:\\setup.exe"), 1);
  const std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  // The class name and the message, without a separator, in a plain task-modal box.
  EXPECT_EQ(boxes[0].rfind("EFCreateErrorCannot create file \"C:\\WINDOWS\\TEMP\\nivinst.log\"", 0),
            0u)
      << boxes[0];
  for (const plat::RecordEvent& event : plat::ReadRecord(machine_))
    if (event.kind == "msgbox") {
      EXPECT_EQ(event.Field("flags"), "0x2000");
    }
}

TEST_F(StartupScenario, UninstallSignalIsClearedAtStart) {
  {
    plat::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\NIVUNINSTALL", true));
  }
  ASSERT_EQ(Run("D:\\setup.exe"), 0);
  plat::sim::UseMachine(machine_);  // the registry as the run left it
  plat::TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\NIVUNINSTALL"));
}

}  // namespace
