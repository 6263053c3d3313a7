// The agents a run can choose, driven from outside: the console agent in a pseudo-terminal, and
// the runs without a person.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The demo program in a pseudo-terminal, with the console agent.
class Terminal {
 public:
  explicit Terminal(const char* argument) {
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      setenv("NIVSIM_AGENT", "console", 1);
      execl(FORMS_CONSOLE_DEMO, FORMS_CONSOLE_DEMO, argument, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  // Reads until the screen shows text after the point reached so far; false after 20 seconds.
  bool Shows(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      size_t at = screen_.find(text, seen_);
      if (at != std::string::npos) {
        seen_ = at + text.size();
        return true;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) return screen_.find(text, seen_) != std::string::npos;
      // The terminal ends lines with CR LF.
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] != '\r') screen_ += buffer[i];
      }
    }
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(write(fd_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  int ExitCode() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Screen() const { return screen_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool reaped_ = false;
  std::string screen_;
  size_t seen_ = 0;
};

TEST(ConsoleAgent, ShowsTheFormAndAKeyPressReachesItsHandler) {
  Terminal t("box");
  ASSERT_TRUE(t.Shows("---- message box: Demo\nНачать?")) << t.Screen();
  ASSERT_TRUE(t.Shows("1) OK  2) Cancel")) << t.Screen();
  t.Type("2\n");
  ASSERT_TRUE(t.Shows("answer 2")) << t.Screen();
  // The form in UTF-8 with its numbered buttons.
  ASSERT_TRUE(t.Shows("==== Демо")) << t.Screen();
  ASSERT_TRUE(t.Shows("нажато 0")) << t.Screen();
  ASSERT_TRUE(t.Shows("[1] button Ещё")) << t.Screen();
  ASSERT_TRUE(t.Shows("[2] button Done")) << t.Screen();
  t.Type("1\n");
  ASSERT_TRUE(t.Shows("нажато 1")) << t.Screen();
  t.Type("1\n");
  ASSERT_TRUE(t.Shows("нажато 2")) << t.Screen();
  t.Type("2\n");
  ASSERT_TRUE(t.Shows("result 1 after 2 presses")) << t.Screen();
  EXPECT_EQ(t.ExitCode(), 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs without a person: the exit code and what the run said.
TEST(Agents, RunsWithoutAPersonEndWithAClearMessage) {
  struct Case {
    const char* agent;  // NIVSIM_AGENT, "" for none
    const char* mode;   // the demo's argument
    const char* script;
    int exitCode;
    const char* output;
    const char* diagnostic;
  } const cases[] = {
      {"", "box", "", 3, "", "no terminal and no script"},
      {"first", "box", "", 3, "answer 1",
       "agent first: the program waits for input other than a message box"},
      {"script", "box", "answer Начать OK\npress Ещё\nexpect text Count \"нажато 1\"\npress Done\n",
       0, "result 1 after 1 presses", ""},
      {"script", "box", "answer Начать OK\npress Done\npress Done\n", 3, "result 1 after 0 presses",
       "line 3: press Done"},
      {"script", "box", "answer Начать OK\nexpect text Count \"нажато 5\"\n", 3, "",
       "line 2 (expect text Count \"нажато 5\"): expectation failed: Count shows \"нажато 0\""},
      // A child process goes on with the script where its parent is, and the parent after it.
      {"script", "parent", "answer Начать OK\nanswer Child No\npress Done\n", 0,
       "child answer 7\nchild exit 0\nresult 1", ""},
      {"script", "parent", "answer Начать OK\nanswer Child No\n", 3, "child exit 0\n",
       "the program waits for input and the script has no line left"},
      {"console", "box", "", 3, "", "the terminal closed"},
      {"mouse", "box", "", 3, "", "NIVSIM_AGENT=mouse: unknown user agent"},
  };
  std::string dir = ::testing::TempDir();
  for (const Case& c : cases) {
    std::string script = dir + "/forms_agent.script";
    std::ofstream(script) << c.script;
    std::string agent = std::string(c.agent) == "script" ? "script:" + script : c.agent;
    std::string command = "NIVSIM_AGENT='" + agent + "' " FORMS_CONSOLE_DEMO " " + c.mode +
                          " </dev/null >" + dir + "/forms_agent.out 2>" + dir + "/forms_agent.err";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.agent;
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.agent << " " << c.script;
    std::string out = ReadFile(dir + "/forms_agent.out");
    std::string err = ReadFile(dir + "/forms_agent.err");
    EXPECT_NE(out.find(c.output), std::string::npos) << c.agent << ": " << out;
    EXPECT_NE(err.find(c.diagnostic), std::string::npos) << c.agent << ": " << err;
  }
}

}  // namespace
