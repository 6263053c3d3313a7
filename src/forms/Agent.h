#pragma once
// The user behind the forms: an agent that answers message boxes and acts on forms when the main
// thread waits for input (Application.h says when that is). The program's agent is chosen by the
// environment variable NIVSIM_AGENT ("script:FILE", "console", "first"; docs/agents.md); tests
// install their own with ScopedAgent.
//
// Test hook, for example:
//
//   forms::RecordingAgent agent;
//   agent.QueueAnswers({forms::IDYES, forms::IDOK});  // the answers, in order
//   forms::ScopedAgent scope(agent);                 // this agent until the scope ends
//   CodeUnderTest();                                 // shows two message boxes
//   ASSERT_EQ(agent.Boxes().size(), 2u);
//   EXPECT_EQ(agent.Boxes()[0].Text, "Continue?");
//   EXPECT_EQ(agent.Boxes()[0].Flags, forms::MB_YESNO | forms::MB_TASKMODAL);
//
// Instead of a queue, OnBox may answer (0: no answer). With neither, a box is not answered and
// the run stops: inside a ScopedAgent a stop throws forms::EAgentStop, so the test fails with
// the diagnostic instead of hanging.
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "forms/MessageBox.h"

namespace forms {

class TForm;

// A message box as the user sees it. Texts are in the ANSI code page.
struct MessageBoxInfo {
  std::string Text;
  std::string Caption;
  uint32_t Flags = 0;
  bool FromWorkerThread = false;  // shown by a thread other than the main one
  uint64_t Id = 0;                // a number of its own for each box shown
  // The button codes of the box, left to right (IDOK, IDCANCEL, IDYES, ...).
  std::vector<int> Buttons() const;
  int DefaultButton() const;  // by MB_DEFBUTTON2/3, the first button otherwise
};
std::string ButtonName(int code);       // "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"
int ButtonCode(std::string_view name);  // by name, ASCII case ignored; 0 when unknown

// What is on screen while the main thread waits for input.
struct Screen {
  std::vector<TForm*> Forms;            // visible forms, the topmost first
  TForm* ModalForm = nullptr;           // the form of the innermost modal wait
  const MessageBoxInfo* Box = nullptr;  // the box of the innermost modal wait, when it is one
  // The forms that take input now: the modal form when a form is modal, else every visible
  // enabled form (none while a box is on top).
  std::vector<TForm*> InputForms() const;
  // The screen as text (UTF-8 when utf8, else the ANSI texts as they are): each form with its
  // caption and the controls it shows, the box on top.
  std::string Describe(bool utf8 = true) const;
};
// One form as text, as Screen::Describe shows it.
std::string DescribeForm(TForm& form, bool utf8 = true);

class UserAgent {
 public:
  virtual ~UserAgent() = default;
  // A box waits for its answer: the button code, or nothing to let it wait. Called in the main
  // thread; for a box of another thread while the main thread runs no loop, in that thread
  // (agents keep their state under a lock).
  virtual std::optional<int> AnswerBox(const MessageBoxInfo& box) = 0;
  // The main thread waits for input with no box on top; true when the agent did something.
  virtual bool Act(const Screen& screen) { return false; }
  // The wait cannot end or lasted beyond Patience: the message that ends the run.
  virtual std::string Stuck(const Screen& screen);
  // What the agent was told to do and did not (script lines never used): "" when nothing.
  virtual std::string Unfinished() { return {}; }
  // A virtual clock makes timers deterministic; a person at a terminal wants real time.
  virtual bool UsesVirtualClock() const { return true; }
  // How long (ms of the application clock) a wait may go on without the agent doing anything
  // while no thread of ours runs, and while one does; 0: for ever (a person decides).
  virtual uint64_t PatienceMs() const { return 30'000; }
  virtual uint64_t PatienceWithThreadsMs() const { return 600'000; }
};

// Ending a run for the agent: the diagnostic goes to stderr and the process ends with
// kAgentStopExitCode; inside a ScopedAgent, EAgentStop is thrown instead.
constexpr int kAgentStopExitCode = 3;
class EAgentStop : public std::runtime_error {
 public:
  explicit EAgentStop(const std::string& message) : std::runtime_error(message) {}
};
[[noreturn]] void StopRun(const std::string& message);

// The current agent: the innermost ScopedAgent's, else the one SetAgent gave, else the one
// NIVSIM_AGENT names (read once). Without NIVSIM_AGENT: the console agent when standard input
// is a terminal, else an agent that ends the run at the first wait for input.
UserAgent& CurrentAgent();
void SetAgent(std::unique_ptr<UserAgent> agent);
// "script:FILE", "console", "first"; raises plat::Exception for anything else or a script that
// cannot be read or parsed.
std::unique_ptr<UserAgent> MakeAgent(std::string_view spec);
// The end of a run: a current agent with Unfinished work ends the run with its diagnostic.
void FinishAgent();

class ScopedAgent {
 public:
  explicit ScopedAgent(UserAgent& agent);
  ~ScopedAgent();
  ScopedAgent(const ScopedAgent&) = delete;
  ScopedAgent& operator=(const ScopedAgent&) = delete;

 private:
  UserAgent* previous_;
};

// For tests: answers boxes from a queue (then OnBox) and keeps every box it saw, answered or
// not. OnIdle, when set, runs at every other wait for input and may press controls (true when
// it did something).
class RecordingAgent : public UserAgent {
 public:
  void QueueAnswer(int code);
  void QueueAnswers(std::initializer_list<int> codes);
  std::function<int(const MessageBoxInfo&)> OnBox;
  std::function<bool(const Screen&)> OnIdle;

  std::vector<MessageBoxInfo> Boxes() const;  // in the order shown
  size_t PendingAnswers() const;

  std::optional<int> AnswerBox(const MessageBoxInfo& box) override;
  bool Act(const Screen& screen) override;
  std::string Stuck(const Screen& screen) override;

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<MessageBoxInfo> boxes_;
};

}  // namespace forms
