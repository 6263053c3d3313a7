#pragma once
// Host errno values as the Win32 error codes the layer reports.
#include <cstdint>

namespace plat::sim {

uint32_t Win32ErrorOf(int hostErrno);

}  // namespace plat::sim
