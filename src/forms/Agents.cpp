// The simple agents: "first", and the one that stops at the first wait when there is neither a
// script nor a terminal.
#include "forms/internal/Agents.h"
#include "forms/Agent.h"
#include "platform/Text.h"

namespace forms::internal {

namespace {

class FirstAgent : public UserAgent {
 public:
  std::optional<int> AnswerBox(const MessageBoxInfo& box) override { return box.Buttons()[0]; }
  std::string Stuck(const Screen& screen) override {
    return "agent first: the program waits for input other than a message box; run ended\n" +
           screen.Describe();
  }
};

class NoInputAgent : public UserAgent {
 public:
  std::optional<int> AnswerBox(const MessageBoxInfo&) override { return std::nullopt; }
  std::string Stuck(const Screen& screen) override {
    return "the program waits for input, but there is no terminal and no script "
           "(NIVSIM_AGENT: script:FILE, console or first); run ended\n" +
           screen.Describe();
  }
};

}  // namespace

std::unique_ptr<UserAgent> MakeFirstAgent() {
  return std::make_unique<FirstAgent>();
}
std::unique_ptr<UserAgent> MakeNoInputAgent() {
  return std::make_unique<NoInputAgent>();
}

}  // namespace forms::internal
