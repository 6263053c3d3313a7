#pragma once
// Services of the running Windows: the Startup folder, the continuation shortcut, the restart,
// and the signal the uninstaller leaves.
#include <functional>
#include <string>
#include <vector>

namespace niv {

// The last component of the Startup folder's path ("Common Startup" of the machine, else
// "Startup" of the user); "" when neither is recorded.
std::string StartupFolderName();

// The shortcut and program-group service, built with the program groups. Until it is
// registered, RemoveContinueLink has nothing to call and does nothing.
//   (task, group name, item lines, out error text, on desktop) -> success
using TDealProgramGroupFn =
    std::function<bool(int task, const std::string& group, const std::vector<std::string>& items,
                       std::string& error, bool onDesktop)>;
void SetDealProgramGroup(TDealProgramGroupFn fn);
constexpr int kDeleteLinksTask = 2;
// The name of the shortcut in the Startup folder that starts the continuation run.
inline constexpr const char* kContinueLinkLine = "|||continue NIV Setup";

// Deletes the continuation shortcut from the Startup folder; errors are ignored.
void RemoveContinueLink();
// Asks Windows to restart, with the shutdown privilege enabled first on the NT family.
void RebootWindows();
// Removes the key the uninstaller leaves under HKEY_CURRENT_USER.
void ClearUninstallSignal();

}  // namespace niv
