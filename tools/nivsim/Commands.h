#pragma once
// The commands of nivsim. Each takes the arguments after the command's name and returns the exit
// code; a wrong use raises UsageError.
#include <stdexcept>
#include <string>
#include <vector>

namespace nivsim {

using Args = std::vector<std::string>;

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int CmdPut(const Args& args);
int CmdGet(const Args& args);
int CmdLs(const Args& args);
int CmdCat(const Args& args);

// Windows paths typed at a terminal are UTF-8; the machine's are ANSI.
std::string FromTerminal(const std::string& utf8);

}  // namespace nivsim
