#include "app/SystemServices.h"

#include "platform/Registry.h"
#include "platform/System.h"

namespace niv {

namespace {

constexpr const char* kShellFoldersKey =
    "\\Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TDealProgramGroupFn& DealProgramGroupSeam() {
  static TDealProgramGroupFn fn;
  return fn;
}

}  // namespace

std::string StartupFolderName() {
  std::string folder;
  {
    plat::TRegistry reg;
    reg.SetRootKey(plat::HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(kShellFoldersKey) && reg.ValueExists("Common Startup")) {
      folder = reg.ReadString("Common Startup");
    } else {
      reg.CloseKey();
      reg.SetRootKey(plat::HKEY_CURRENT_USER);
      if (reg.OpenKeyReadOnly(kShellFoldersKey) && reg.ValueExists("Startup"))
        folder = reg.ReadString("Startup");
    }
  }
  size_t slash = folder.rfind('\\');
  if (slash != std::string::npos) folder.erase(0, slash + 1);
  return folder;
}

void SetDealProgramGroup(TDealProgramGroupFn fn) {
  DealProgramGroupSeam() = std::move(fn);
}

void RemoveContinueLink() {
  try {
    if (!DealProgramGroupSeam()) return;
    std::string error;
    DealProgramGroupSeam()(kDeleteLinksTask, StartupFolderName(), {kContinueLinkLine}, error,
                           false);
  } catch (...) {
    // A shortcut that cannot be removed must not stop the run.
  }
}

void RebootWindows() {
  if (plat::GetOSVersion().PlatformId == plat::VER_PLATFORM_WIN32_NT)
    plat::EnableShutdownPrivilege();
  plat::ExitWindows(plat::EWX_SHUTDOWN | plat::EWX_REBOOT);
}

void ClearUninstallSignal() {
  plat::TRegistry reg;
  reg.SetRootKey(plat::HKEY_CURRENT_USER);
  if (reg.KeyExists("\\SOFTWARE\\NIVUNINSTALL")) reg.DeleteKey("\\SOFTWARE\\NIVUNINSTALL");
}

}  // namespace niv
