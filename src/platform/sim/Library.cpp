// Dynamic libraries of the machine: found by the Windows search order, loaded with the host
// loader (a library of the machine is a shared object with the export names of its interface).
#include <dlfcn.h>

#include "platform/Files.h"
#include "platform/System.h"
#include "platform/sim/Machine.h"

namespace plat {
namespace {

constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;

bool HasExtension(std::string_view name) {
  const size_t slash = name.find_last_of("\\/:");
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

}  // namespace

LibHandle LoadLib(std::string_view fileName) {
  std::string name(fileName);
  if (!name.empty() && name.back() == '.')
    name.pop_back();  // a trailing dot: a name without extension, none to add
  else if (!HasExtension(name))
    name += ".dll";
  const std::string path = SearchFile(name);
  const std::string host = path.empty() ? "" : sim::HostPathOf(path);
  if (host.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* lib = ::dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) SetLastError(ERROR_BAD_EXE_FORMAT);
  return lib;
}

void* FindExport(LibHandle lib, std::string_view name) {
  if (!lib) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = ::dlsym(lib, std::string(name).c_str());
  if (!symbol) SetLastError(ERROR_PROC_NOT_FOUND);
  return symbol;
}

bool FreeLib(LibHandle lib) {
  if (!lib || ::dlclose(lib) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

}  // namespace plat
