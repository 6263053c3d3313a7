#pragma once
// System services of the machine: version, standard directories, environment, command line,
// processes, dynamic libraries, the settings broadcast, the restart, the shell's open.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;  // the 9x family
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;       // the NT family

struct TOSVersionInfo {
  uint32_t MajorVersion = 0;
  uint32_t MinorVersion = 0;
  uint32_t BuildNumber = 0;
  uint32_t PlatformId = 0;
  std::string CSDVersion;
};
TOSVersionInfo GetOSVersion();

// With a trailing backslash only where Win32 gives one: TempDirectory() ends in '\'.
std::string WindowsDirectory();
std::string SystemDirectory();
std::string TempDirectory();

// The process's environment (names compare without regard to ASCII case). Children inherit it.
std::string GetEnv(std::string_view name);  // "" when not set
bool EnvExists(std::string_view name);
void SetEnv(std::string_view name, std::string_view value);
// The standard search: the program's directory, the current directory, the system directory,
// the Windows directory, then the directories of PATH. Returns the full path, or "".
std::string SearchFile(std::string_view fileName);

// The command line as Windows gives it to the program.
std::string CommandLine();
int ParamCount();
std::string ParamStr(int index);  // 0: the program's own Windows path
std::string ProgramPath();        // ParamStr(0)

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
// Starts a program of the machine (the command line's first token names it, found as Windows
// finds it) in the given current directory ("" for the caller's); waits when asked and gives the
// exit code. False with LastError() when it cannot start.
bool RunProcess(std::string_view commandLine, std::string_view currentDir, int showCommand,
                bool wait, uint32_t* exitCode);

// Dynamic libraries, found by the Windows search order.
using LibHandle = void*;
LibHandle LoadLib(std::string_view fileName);  // nullptr with LastError()
void* FindExport(LibHandle lib, std::string_view name);
bool FreeLib(LibHandle lib);

// WM_SETTINGCHANGE to all top-level windows with the given area ("Environment").
void BroadcastSettingChange(std::string_view area);
bool EnableShutdownPrivilege();
constexpr uint32_t EWX_LOGOFF = 0;
constexpr uint32_t EWX_SHUTDOWN = 1;
constexpr uint32_t EWX_REBOOT = 2;
constexpr uint32_t EWX_FORCE = 4;
bool ExitWindows(uint32_t flags);  // records the request; the machine restarts at `nivsim boot`
bool ShellOpen(std::string_view target);

// The machine's local time.
struct TLocalTime {
  int Year, Month, Day, Hour, Minute, Second, Microsecond;
};
TLocalTime LocalTimeNow();
uint32_t TickCount();
void SleepMs(uint32_t ms);

}  // namespace plat
