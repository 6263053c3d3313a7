#include "forms/Agent.h"
#include "forms/internal/Agents.h"
#include "platform/Exceptions.h"

namespace forms::internal {

std::unique_ptr<UserAgent> MakeScriptAgentFromFile(std::string_view hostPath) {
  throw plat::Exception("script agent: not available yet (" + std::string(hostPath) + ")");
}

}  // namespace forms::internal
