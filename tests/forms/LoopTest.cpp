// The message loop with threads, timers, modal waits and exceptions, on small forms of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "forms/Agent.h"
#include "forms/Application.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/MessageBox.h"
#include "forms/StdCtrls.h"
#include "forms/Thread.h"

namespace forms {
namespace {

// A thread that runs a function as its body.
class BodyThread : public TThread {
 public:
  explicit BodyThread(std::function<void(BodyThread&)> body)
      : TThread(true), body_(std::move(body)) {}
  using TThread::Synchronize;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(BodyThread&)> body_;
};

struct LoopTest : ::testing::Test {
  TApplication app;
  RecordingAgent agent;
  ScopedAgent scope{agent};
};

TEST_F(LoopTest, ASynchronisedCallCompletesWhileTheMainThreadShowsAModalBox) {
  bool synced = false;  // main thread only
  std::thread::id syncThread;
  agent.OnBox = [&](const MessageBoxInfo&) { return synced ? IDOK : 0; };
  BodyThread worker([&](BodyThread& self) {
    self.Synchronize([&] {
      synced = true;
      syncThread = std::this_thread::get_id();
    });
  });
  worker.Resume();
  // The box can only be answered once the worker's call ran inside the box's own loop.
  EXPECT_EQ(ShowMessageBox("Wait for the worker", "", MB_OK), IDOK);
  worker.WaitFor();
  EXPECT_TRUE(synced);
  EXPECT_EQ(syncThread, std::this_thread::get_id());
}

TEST_F(LoopTest, ATimerFiresDuringAModalWait) {
  auto form = MakeForm<TForm>();
  TTimer* timer = form->Make<TTimer>("Timer1");
  timer->SetInterval(5000);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    if (++ticks == 3) form->SetModalResult(mrOk);
  };
  uint64_t before = app.Now();
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(ticks, 3);
  // Fifteen seconds passed on the application's clock, none on the wall clock.
  EXPECT_GE(app.Now() - before, 15000u);
  EXPECT_FALSE(form->Visible());
}

TEST_F(LoopTest, ATimerFiresWhileABoxWaitsForItsAnswer) {
  auto form = MakeForm<TForm>();
  TTimer* timer = form->Make<TTimer>("Poll");
  timer->SetInterval(200);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) { ++ticks; };
  agent.OnBox = [&](const MessageBoxInfo&) { return ticks >= 2 ? IDNO : 0; };
  EXPECT_EQ(ShowMessageBox("Abort installation?", "", MB_YESNO), IDNO);
  EXPECT_EQ(ticks, 2);
}

TEST_F(LoopTest, TheTerminationHandlerRunsOnTheMainThreadAfterExecute) {
  std::atomic<bool> executed{false};
  std::thread::id handlerThread;
  bool executedBeforeHandler = false;
  auto* worker = new BodyThread([&](BodyThread&) { executed = true; });
  worker->FreeOnTerminate = true;
  worker->OnTerminate = [&](TObject*) {
    handlerThread = std::this_thread::get_id();
    executedBeforeHandler = executed;
    app.Terminate();
  };
  worker->Resume();
  app.Run();
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
  EXPECT_TRUE(executedBeforeHandler);
}

TEST_F(LoopTest, WaitForOnTheMainThreadRunsSynchronisedCalls) {
  int calls = 0;
  bool terminated = false;
  BodyThread worker([&](BodyThread& self) {
    for (int i = 0; i < 5; ++i) self.Synchronize([&] { ++calls; });
  });
  worker.OnTerminate = [&](TObject*) { terminated = true; };
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(calls, 5);
  EXPECT_TRUE(terminated);
  EXPECT_TRUE(worker.Finished());
}

TEST_F(LoopTest, AnExceptionOfASynchronisedCallComesBackToTheThread) {
  std::string caught;
  BodyThread worker([&](BodyThread& self) {
    try {
      self.Synchronize([] { throw plat::EListError("List index out of bounds (3)"); });
    } catch (const plat::Exception& e) {
      caught = e.ClassName() + ": " + e.Message();
    }
  });
  worker.Resume();
  worker.WaitFor();
  EXPECT_EQ(caught, "EListError: List index out of bounds (3)");
}

TEST_F(LoopTest, ABoxOfAWorkerThreadWhileTheLoopRunsIsAnsweredInTheMainThread) {
  std::thread::id answeredOn;
  agent.OnBox = [&](const MessageBoxInfo&) {
    answeredOn = std::this_thread::get_id();
    return IDYES;
  };
  std::atomic<int> answer{0};
  auto* worker = new BodyThread([&](BodyThread&) {
    answer = ShowMessageBox("Replace the file?", "", MB_YESNO | MB_TASKMODAL);
  });
  worker->FreeOnTerminate = true;
  worker->OnTerminate = [&](TObject*) { app.Terminate(); };
  worker->Resume();
  app.Run();
  EXPECT_EQ(answer, IDYES);
  EXPECT_EQ(answeredOn, std::this_thread::get_id());
  ASSERT_EQ(agent.Boxes().size(), 1u);
  EXPECT_TRUE(agent.Boxes()[0].FromWorkerThread);
}

TEST_F(LoopTest, AnExceptionInAHandlerReachesTheApplicationsHandlerAndTheLoopGoesOn) {
  auto form = MakeForm<TForm>();
  TTimer* timer = form->Make<TTimer>("Tick");
  timer->SetInterval(10);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) {
    if (++ticks == 1) throw plat::EConvertError("'x' is not a valid integer value");
    app.Terminate();
  };
  std::vector<std::string> reported;
  app.OnException = [&](TObject* sender, const plat::Exception& e) {
    reported.push_back(e.ClassName() + " : " + e.Message());
    EXPECT_EQ(sender, timer);
  };
  app.Run();
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(reported, std::vector<std::string>{"EConvertError : 'x' is not a valid integer value"});
}

TEST_F(LoopTest, WithoutAHandlerAnExceptionIsShownInABox) {
  agent.QueueAnswer(IDOK);
  app.Title = "Setup";
  app.Post([] { throw plat::Exception("Disk error"); });
  app.Post([&] { app.Terminate(); });
  app.Run();
  ASSERT_EQ(agent.Boxes().size(), 1u);
  EXPECT_EQ(agent.Boxes()[0].Text, "Disk error");
  EXPECT_EQ(agent.Boxes()[0].Flags & MB_ICONERROR, MB_ICONERROR);
}

TEST_F(LoopTest, ProcessMessagesRunsWhatIsPendingWithoutWaitingForInput) {
  int posted = 0;
  app.Post([&] { ++posted; });
  app.Post([&] { ++posted; });
  agent.OnIdle = [](const Screen&) -> bool { throw std::logic_error("asked for input"); };
  app.ProcessMessages();
  EXPECT_EQ(posted, 2);
  app.ProcessMessages();  // nothing pending: returns at once
  EXPECT_EQ(posted, 2);
}

TEST_F(LoopTest, AModalWaitThatNothingCanEndStopsTheRun) {
  auto form = MakeForm<TForm>();
  form->SetCaption("Lonely");
  try {
    form->ShowModal();
    FAIL() << "the wait did not stop";
  } catch (const EAgentStop& stop) {
    EXPECT_NE(std::string(stop.what()).find("Lonely"), std::string::npos) << stop.what();
  }
}

TEST_F(LoopTest, ClosingAModalFormAsksItsCloseHandlers) {
  auto form = MakeForm<TForm>();
  TButton* ok = form->Make<TButton>("BtnOk");
  ok->ModalResult = mrOk;
  int refusals = 0;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++refusals > 1; };
  int presses = 0;
  agent.OnIdle = [&](const Screen& screen) {
    if (screen.ModalForm != form.get()) return false;
    ++presses;
    ok->Click();
    return true;
  };
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(presses, 2);  // the first close was refused and the form stayed
}

TEST_F(LoopTest, ClosingTheMainFormEndsTheApplication) {
  TForm* main = app.CreateForm<TForm>();
  TForm* other = app.CreateForm<TForm>();
  EXPECT_EQ(app.MainForm, main);
  bool closed = false;
  other->OnClose = [&](TObject*, TCloseAction& action) {
    closed = true;
    action = caFree;
  };
  agent.OnIdle = [&](const Screen&) {
    if (!closed) {
      other->Close();  // freed once the loop has control again
    } else {
      main->Close();
    }
    return true;
  };
  other->Show();
  app.Run();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(app.ComponentCount(), 1);  // the freed form is gone
}

}  // namespace
}  // namespace forms
