#include "app/MessageBoxes.h"

#include "MachineFixture.h"
#include "app/FileServices.h"
#include "app/RunState.h"
#include "forms/Agent.h"
#include "forms/Application.h"
#include "platform/Files.h"
#include "platform/Stream.h"

namespace niv {
namespace {

class MessageBoxInMachine : public testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ResetRunState();
    ProgramLog = std::make_unique<TLogFile>();
    ProgramLog->SetFileName("C:\\WINDOWS\\TEMP\\nivinst.log");
    ProgramLog->WriteHeader = false;
    ProgramLog->FormatString = false;
    agent_.OnBox = [](const forms::MessageBoxInfo&) { return forms::IDOK; };
  }
  void TearDown() override {
    ResetRunState();
    MachineTest::TearDown();
  }
  std::string Log() const { return HostBytes("C:\\WINDOWS\\TEMP\\nivinst.log"); }

  forms::TApplication application_;
  forms::RecordingAgent agent_;
  forms::ScopedAgent scope_{agent_};
};

TEST_F(MessageBoxInMachine, TheRunsLanguageIsShownAndTheEnglishTextLogged) {
  Language = lgRussian;
  EXPECT_EQ(LangMessageBox("ru", "en", "", kErrorBoxFlags), forms::IDOK);
  Language = lgEnglish;
  LangMessageBox("ru2", "en2", "Caption", forms::MB_OK);
  Language = static_cast<TLanguage>(2);
  EXPECT_EQ(LangMessageBox("ru3", "en3", "", forms::MB_YESNO), forms::IDOK);
  PlainMessageBox("plain", "", forms::MB_OK);
  auto boxes = agent_.Boxes();
  ASSERT_EQ(boxes.size(), 3u);  // nothing shown for a language outside the two
  EXPECT_EQ(boxes[0].Text, "ru");
  EXPECT_EQ(boxes[0].Flags, forms::MB_TASKMODAL | forms::MB_ICONERROR);
  EXPECT_EQ(boxes[1].Text, "en2");
  EXPECT_EQ(boxes[1].Caption, "Caption");
  EXPECT_EQ(boxes[2].Text, "plain");
  EXPECT_EQ(Log(), " en\r\n en2\r\n en3\r\n plain\r\n");
}

TEST_F(MessageBoxInMachine, DeleteFilesShowsTheFileItCouldNotDelete) {
  Language = lgEnglish;
  ASSERT_TRUE(plat::CreateDir("C:\\F"));
  plat::TFileStream(std::string("C:\\F\\b.tmp"), plat::fmCreate).WriteBuffer("x", 1);
  plat::TFileStream busy("C:\\F\\b.tmp", plat::fmOpenRead | plat::fmShareExclusive);
  EXPECT_FALSE(DeleteFiles("C:\\F", "*.*", true));
  auto boxes = agent_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Error deleting file C:\\F\\b.tmp");
  EXPECT_EQ(boxes[0].Caption, "Error");
}

}  // namespace
}  // namespace niv
