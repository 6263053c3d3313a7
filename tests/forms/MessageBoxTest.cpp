#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "forms/Agent.h"
#include "forms/Application.h"
#include "forms/MessageBox.h"
#include "forms/Thread.h"
#include "platform/Record.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"

namespace forms {
namespace {

TEST(MessageBox, AnswersComeFromTheAgentAndEveryBoxIsKept) {
  TApplication app;
  RecordingAgent agent;
  agent.QueueAnswers({IDNO, IDOK});
  ScopedAgent scope(agent);

  EXPECT_EQ(ShowMessageBox("Continue?", "", MB_YESNO | MB_TASKMODAL), IDNO);
  EXPECT_EQ(ShowMessageBox("Done", "Setup", MB_OK), IDOK);

  auto boxes = agent.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text, "Continue?");
  EXPECT_EQ(boxes[0].Flags, MB_YESNO | MB_TASKMODAL);
  EXPECT_EQ(boxes[1].Caption, "Setup");
  EXPECT_FALSE(boxes[1].FromWorkerThread);
}

TEST(MessageBox, ABoxWithoutAnAnswerStopsTheRunInsteadOfWaiting) {
  TApplication app;
  RecordingAgent agent;
  ScopedAgent scope(agent);
  try {
    ShowMessageBox("Where to?", "", MB_OKCANCEL);
    FAIL() << "no stop";
  } catch (const EAgentStop& stop) {
    EXPECT_NE(std::string(stop.what()).find("Where to?"), std::string::npos) << stop.what();
  }
  EXPECT_EQ(agent.Boxes().size(), 1u);
}

TEST(MessageBox, OnBoxAnswersWhenTheQueueIsEmpty) {
  TApplication app;
  RecordingAgent agent;
  agent.OnBox = [](const MessageBoxInfo& box) { return box.DefaultButton(); };
  ScopedAgent scope(agent);
  EXPECT_EQ(ShowMessageBox("Sure?", "", MB_YESNO | MB_DEFBUTTON2), IDNO);
}

TEST(MessageBox, AWorkerThreadWithoutALoopGetsItsAnswerDirectly) {
  TApplication app;
  RecordingAgent agent;
  agent.QueueAnswer(IDRETRY);
  ScopedAgent scope(agent);
  int answer = 0;
  std::thread worker([&] { answer = ShowMessageBox("Disk?", "", MB_RETRYCANCEL); });
  worker.join();
  EXPECT_EQ(answer, IDRETRY);
  ASSERT_EQ(agent.Boxes().size(), 1u);
  EXPECT_TRUE(agent.Boxes()[0].FromWorkerThread);
}

TEST(MessageBox, EveryBoxGoesToTheMachinesRecordWithItsAnswer) {
  std::string dir = ::testing::TempDir() + "/forms_record_machine";
  std::filesystem::remove_all(dir);
  plat::sim::NewMachine(dir, {});
  plat::sim::UseMachine(dir);
  TApplication app;
  RecordingAgent agent;
  agent.QueueAnswers({IDYES, IDOK});
  ScopedAgent scope(agent);
  ShowMessageBox(plat::A("Продолжить?"), "", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
  ShowMessageBox("Installation is completed", "Setup", MB_OK | MB_SYSTEMMODAL);

  std::vector<plat::RecordEvent> boxes;
  for (auto& e : plat::ReadRecord(dir)) {
    if (e.kind == "msgbox") boxes.push_back(e);
  }
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Field("text"), plat::A("Продолжить?"));
  EXPECT_EQ(boxes[0].Field("caption"), "");
  EXPECT_EQ(boxes[0].Field("flags"), "0x2024");
  EXPECT_EQ(boxes[0].Field("answer"), "6");
  EXPECT_EQ(boxes[1].Field("caption"), "Setup");
  EXPECT_EQ(boxes[1].Field("flags"), "0x1000");
  EXPECT_EQ(boxes[1].Field("answer"), "1");
}

// A thread made running starts once the main loop runs: its body sees the whole object.
TEST(MessageBox, AProgramThreadsBoxWaitsForTheMainLoop) {
  TApplication app;
  RecordingAgent agent;
  agent.QueueAnswer(IDCANCEL);
  ScopedAgent scope(agent);
  struct Asker : TThread {
    Asker() : TThread(false) {}
    int answer = 0;
    void Execute() override { answer = ShowMessageBox("Insert disk 2", "", MB_OKCANCEL); }
  } asker;
  asker.WaitFor();  // starts it (a posted call) and shows its box in the main thread
  EXPECT_EQ(asker.answer, IDCANCEL);
  ASSERT_EQ(agent.Boxes().size(), 1u);
  EXPECT_TRUE(agent.Boxes()[0].FromWorkerThread);
}

TEST(MessageBox, ButtonsFollowTheFlags) {
  struct Case {
    uint32_t flags;
    std::vector<int> buttons;
    int defaultButton;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
      {MB_YESNOCANCEL | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDYES},
      {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, IDYES},  // no third button: the first
      {MB_RETRYCANCEL | MB_SYSTEMMODAL, {IDRETRY, IDCANCEL}, IDRETRY},
  };
  for (const Case& c : cases) {
    MessageBoxInfo box;
    box.Flags = c.flags;
    EXPECT_EQ(box.Buttons(), c.buttons) << std::hex << c.flags;
    EXPECT_EQ(box.DefaultButton(), c.defaultButton) << std::hex << c.flags;
  }
  EXPECT_EQ(ButtonCode("yes"), IDYES);
  EXPECT_EQ(ButtonName(IDCANCEL), "Cancel");
  EXPECT_EQ(ButtonCode("Maybe"), 0);
}

}  // namespace
}  // namespace forms
