#include "forms/Agent.h"

#include <cstdio>
#include <cstdlib>

#include "forms/Application.h"
#include "forms/Forms.h"
#include "forms/internal/Agents.h"
#include "platform/Text.h"

namespace forms {

std::vector<int> MessageBoxInfo::Buttons() const {
  switch (Flags & 0xF) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

int MessageBoxInfo::DefaultButton() const {
  std::vector<int> buttons = Buttons();
  size_t index = (Flags & MB_DEFBUTTON3) ? 2 : (Flags & MB_DEFBUTTON2) ? 1 : 0;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

namespace {
const char* const kButtonNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
}

std::string ButtonName(int code) {
  if (code >= 1 && code <= 7) return kButtonNames[code];
  return "button " + std::to_string(code);
}

int ButtonCode(std::string_view name) {
  for (int code = 1; code <= 7; ++code) {
    if (plat::AsciiSameText(name, kButtonNames[code])) return code;
  }
  return 0;
}

std::vector<TForm*> Screen::InputForms() const {
  if (Box) return {};
  if (ModalForm) return {ModalForm};
  std::vector<TForm*> forms;
  for (TForm* f : Forms) {
    if (f->Enabled()) forms.push_back(f);
  }
  return forms;
}

std::string UserAgent::Stuck(const Screen& screen) {
  return "the program waits for input that no one gives\n" + screen.Describe();
}

namespace {

struct AgentState {
  std::mutex mutex;
  UserAgent* scoped = nullptr;
  std::unique_ptr<UserAgent> chosen;
  bool fromEnvironmentTried = false;
};

AgentState& State() {
  static AgentState* state = new AgentState;  // used until the very end of the process
  return *state;
}

void FinishAtExit() {
  AgentState& state = State();
  UserAgent* agent = nullptr;
  {
    std::lock_guard lock(state.mutex);
    if (state.scoped) return;
    agent = state.chosen.get();
  }
  if (!agent) return;
  std::string unfinished = agent->Unfinished();
  if (unfinished.empty()) return;
  std::fprintf(stderr, "%s\n", unfinished.c_str());
  std::fflush(nullptr);
  internal::RemoveScriptCursor();
  std::_Exit(kAgentStopExitCode);
}

std::unique_ptr<UserAgent> AgentFromEnvironment() {
  const char* spec = std::getenv("NIVSIM_AGENT");
  if (spec && *spec) {
    try {
      return MakeAgent(spec);
    } catch (const plat::Exception& e) {
      std::fprintf(stderr, "NIVSIM_AGENT=%s: %s\n", spec, e.Message().c_str());
      std::fflush(nullptr);
      std::_Exit(kAgentStopExitCode);
    }
  }
  if (internal::StandardInputIsTerminal()) return internal::MakeConsoleAgent();
  return internal::MakeNoInputAgent();
}

}  // namespace

void StopRun(const std::string& message) {
  {
    std::lock_guard lock(State().mutex);
    if (State().scoped) throw EAgentStop(message);
  }
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(nullptr);
  internal::RemoveScriptCursor();
  std::_Exit(kAgentStopExitCode);
}

UserAgent& CurrentAgent() {
  AgentState& state = State();
  std::lock_guard lock(state.mutex);
  if (state.scoped) return *state.scoped;
  if (!state.chosen && !state.fromEnvironmentTried) {
    state.fromEnvironmentTried = true;
    state.chosen = AgentFromEnvironment();
    std::atexit(FinishAtExit);
  }
  return *state.chosen;
}

void SetAgent(std::unique_ptr<UserAgent> agent) {
  AgentState& state = State();
  std::lock_guard lock(state.mutex);
  if (!state.fromEnvironmentTried) {
    state.fromEnvironmentTried = true;
    std::atexit(FinishAtExit);
  }
  state.chosen = std::move(agent);
}

std::unique_ptr<UserAgent> MakeAgent(std::string_view spec) {
  if (spec.substr(0, 7) == "script:") return internal::MakeScriptAgentFromFile(spec.substr(7));
  if (spec == "console") return internal::MakeConsoleAgent();
  if (spec == "first") return internal::MakeFirstAgent();
  throw plat::Exception("unknown user agent \"" + std::string(spec) +
                        "\" (script:FILE, console or first)");
}

void FinishAgent() {
  std::string unfinished = CurrentAgent().Unfinished();
  if (!unfinished.empty()) StopRun(unfinished);
}

ScopedAgent::ScopedAgent(UserAgent& agent) {
  std::lock_guard lock(State().mutex);
  previous_ = State().scoped;
  State().scoped = &agent;
}

ScopedAgent::~ScopedAgent() {
  std::lock_guard lock(State().mutex);
  State().scoped = previous_;
}

void RecordingAgent::QueueAnswer(int code) {
  std::lock_guard lock(mutex_);
  answers_.push_back(code);
}

void RecordingAgent::QueueAnswers(std::initializer_list<int> codes) {
  std::lock_guard lock(mutex_);
  answers_.insert(answers_.end(), codes.begin(), codes.end());
}

std::vector<MessageBoxInfo> RecordingAgent::Boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

size_t RecordingAgent::PendingAnswers() const {
  std::lock_guard lock(mutex_);
  return answers_.size();
}

std::optional<int> RecordingAgent::AnswerBox(const MessageBoxInfo& box) {
  std::function<int(const MessageBoxInfo&)> onBox;
  {
    std::lock_guard lock(mutex_);
    boxes_.push_back(box);
    if (!answers_.empty()) {
      int answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    onBox = OnBox;
  }
  if (onBox) {
    if (int answer = onBox(box)) return answer;
  }
  // Not answered: the box stays; it is counted once.
  std::lock_guard lock(mutex_);
  boxes_.pop_back();
  return std::nullopt;
}

bool RecordingAgent::Act(const Screen& screen) {
  return OnIdle && OnIdle(screen);
}

std::string RecordingAgent::Stuck(const Screen& screen) {
  if (screen.Box) {
    std::lock_guard lock(mutex_);
    boxes_.push_back(*screen.Box);
    return "no answer for the message box \"" + plat::AnsiToUtf8(screen.Box->Text) + "\"\n" +
           screen.Describe();
  }
  return UserAgent::Stuck(screen);
}

}  // namespace forms
