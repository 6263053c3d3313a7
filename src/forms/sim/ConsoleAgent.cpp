#include <unistd.h>

#include "forms/Agent.h"
#include "forms/internal/Agents.h"

namespace forms::internal {

bool StandardInputIsTerminal() {
  return isatty(0) == 1;
}

std::unique_ptr<UserAgent> MakeConsoleAgent() {
  return MakeNoInputAgent();
}

}  // namespace forms::internal
