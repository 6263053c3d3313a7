#pragma once
// The entry of setup.exe: run-wide state, log, command line, description and language, then the
// windows of the run.
#include <functional>

namespace niv {

// The windows of the run: the application, the background window as its main window, the
// wizard, and the message loop until the main window closes. Registered by the wizard's code;
// without it the run tells the user that the wizard is missing, and ends.
using TRunWindowsFn = std::function<void()>;
void SetRunWindows(TRunWindowsFn fn);

// The whole run; gives the process's exit code (0, or 1 after an error that ended the start-up).
int RunSetup();

}  // namespace niv
