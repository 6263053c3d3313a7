#pragma once
// The agents the environment can choose, made by their own files.
#include <memory>
#include <string>
#include <string_view>

#include "forms/Agent.h"

namespace forms::internal {

std::unique_ptr<UserAgent> MakeScriptAgentFromFile(std::string_view hostPath);
std::unique_ptr<UserAgent> MakeConsoleAgent();
std::unique_ptr<UserAgent> MakeFirstAgent();
std::unique_ptr<UserAgent> MakeNoInputAgent();
bool StandardInputIsTerminal();
// The file that holds the scripted agent's place for this run and its child processes; owner:
// this process made it (the first process of the run).
std::string ScriptCursorFile(bool& owner);
// Removes the file when this process made it (before the process ends without exit handlers).
void RemoveScriptCursor();

}  // namespace forms::internal
