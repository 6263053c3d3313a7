#pragma once
// Process-wide state of a program in the machine: its Windows current directory.
#include <string>

namespace plat::sim {

// The current directory as an absolute Windows path without a trailing backslash except for a
// root. First use takes it from the environment variable NIVSIM_CWD ("C:\" when unset).
std::string CurrentDirectory();
void StoreCurrentDirectory(const std::string& expandedPath);
// Forgets the current directory (the next use reads NIVSIM_CWD again); after UseMachine.
void ResetProcessState();

}  // namespace plat::sim
