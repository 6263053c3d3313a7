#pragma once
// The agents the environment can choose, made by their own files.
#include <memory>
#include <string_view>

#include "forms/Agent.h"

namespace forms::internal {

std::unique_ptr<UserAgent> MakeScriptAgentFromFile(std::string_view hostPath);
std::unique_ptr<UserAgent> MakeConsoleAgent();
std::unique_ptr<UserAgent> MakeFirstAgent();
std::unique_ptr<UserAgent> MakeNoInputAgent();
bool StandardInputIsTerminal();

}  // namespace forms::internal
