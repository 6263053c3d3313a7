#pragma once
// The scripted user: one line of the script per action or expectation, taken in order, each when
// the main thread waits for input and the line can apply. The format is in docs/agents.md.
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Agent.h"

namespace forms {

class TControl;

class ScriptAgent : public UserAgent {
 public:
  struct Line {
    int number = 0;                 // in the script file, from 1
    std::string source;             // the line as written (UTF-8)
    std::string verb;               // "press", "type", "expect", ...
    std::vector<std::string> args;  // ANSI, quotes and escapes resolved
  };

  // Parses a UTF-8 script; raises plat::Exception naming the line for a line it cannot read.
  // `name` names the script in diagnostics (its file name).
  ScriptAgent(std::string_view script, std::string name);
  static std::unique_ptr<ScriptAgent> FromFile(std::string_view hostPath);

  std::optional<int> AnswerBox(const MessageBoxInfo& box) override;
  bool Act(const Screen& screen) override;
  std::string Stuck(const Screen& screen) override;
  std::string Unfinished() override;
  uint64_t PatienceWithThreadsMs() const override { return patienceWithThreadsMs_; }

  size_t LinesUsed() const;
  // Shares the place in the script through a file with the processes of the same run: a child
  // process goes on where its parent is and the parent after the child's lines. Only the owner
  // (the first process) reports lines never used.
  void ShareCursor(std::string file, bool owner);
  const std::vector<Line>& Lines() const { return lines_; }

 private:
  enum class Outcome { Done, NotYet };
  Outcome Apply(const Line& line, const Screen& screen, std::string& why);
  Outcome Expect(const Line& line, const Screen& screen, std::string& why);
  std::string Where(const Line& line) const;
  void LoadCursor();  // under mutex_
  void SaveCursor();  // under mutex_

  std::string name_;
  std::vector<Line> lines_;
  mutable std::mutex mutex_;
  size_t next_ = 0;
  std::string lastWhy_;  // why the next line did not apply at the last try
  std::vector<MessageBoxInfo> boxesSeen_;
  std::set<uint64_t> boxIds_;
  uint64_t patienceWithThreadsMs_ = 120'000;
  std::string cursorFile_;
  bool ownsCursor_ = true;
};

// Tokens of a script line: words separated by blanks, or "quoted" with \" \\ \n escapes.
// Raises plat::Exception for an open quote.
std::vector<std::string> SplitScriptLine(std::string_view line);

}  // namespace forms
