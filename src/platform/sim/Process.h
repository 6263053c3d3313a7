#pragma once
// Processes of the simulated machine. A program of the machine is a host executable inside the
// machine's drives; it is started with an environment that tells it its machine, its Windows
// identity and its Windows environment (see docs/nivsim.md):
//   NIVSIM_MACHINE  the machine's host directory
//   NIVSIM_PROGRAM  the program's Windows path
//   NIVSIM_CMDLINE  the whole Windows command line
//   NIVSIM_CWD      the Windows current directory at start
//   NIVSIM_AGENT    the user agent ("first", "console", "script:FILE"), inherited
//   NIVSIM_SHOW     the show command it was started with
//   NIVSIM_ENV      the Windows environment, encoded by EncodeEnvironment
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sim/MachineConfig.h"

namespace plat::sim {

// The configuration of the current machine; the defaults of a fresh NT machine outside one.
MachineConfig CurrentMachineFacts();

// Makes hostDir the machine of the process unless it is already (UseMachine forgets the process's
// current directory, which a program of that machine keeps).
void ChooseMachine(const std::string& hostDir);

// The program's Windows path and command line for a process that was not started in a machine
// (tests); a program of the machine takes them from NIVSIM_PROGRAM and NIVSIM_CMDLINE.
void SetProgramIdentity(const std::string& programPath, const std::string& commandLine);

// A Windows environment block: names keep their case and compare without regard to ASCII case.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Entries "name=value" separated by line feeds; '%', control characters and DEL are written as
// %XX so that any 8-bit text survives a host environment variable.
std::string EncodeEnvironment(const Environment& env);
Environment DecodeEnvironment(std::string_view encoded);

// What a program of the current machine gets at a fresh logon: the system variables of the
// machine (the session environment of the registry on the NT family, the defaults and the SET
// and PATH lines of C:\AUTOEXEC.BAT on the 9x family).
Environment FreshLogonEnvironment();
// The environment of this process, a copy.
Environment ProcessEnvironment();
// Replaces %NAME% references by the values of env; unknown references stay as they are.
std::string ExpandEnvironmentStrings(std::string_view text, const Environment& env);

// The command line split as the C runtime splits it for argv (backslashes before quotes, ""
// inside quotes).
std::vector<std::string> SplitArgv(std::string_view commandLine);
// The command line split as the window framework gives ParamStr: blank-separated, double quotes
// group and are removed; element 0 is the program token.
std::vector<std::string> SplitParams(std::string_view commandLine);
// The program token of a command line as CreateProcess takes it: up to the closing quote when it
// starts with one, else up to the first blank. rest receives what follows it.
std::string ProgramToken(std::string_view commandLine, std::string* rest = nullptr);

// The folders of the standard search, in order: the program's folder (when the process is a
// program of the machine), the current folder, the system folder, SYSTEM below the Windows folder
// (NT family), the Windows folder, then the folders of pathVar (a PATH value).
std::vector<std::string> StandardSearchDirs(std::string_view currentDir, std::string_view pathVar);

// Finds the Windows path of the program that a command line's first token names, as Windows
// finds it (pathVar: the PATH to search); ".exe" is appended when the name has no extension. ""
// when there is none.
std::string ResolveProgram(std::string_view programToken, std::string_view currentDir,
                           std::string_view pathVar);

struct ProcessStart {
  std::string commandLine;  // Windows command line; the first token names the program
  std::string currentDir;   // Windows current directory of the child
  int showCommand = 1;
  Environment environment;  // the child's Windows environment
  std::string agent;        // NIVSIM_AGENT of the child; "" for none
};
// Starts the program in the current machine. Waits when asked and gives the exit code. False
// with LastError() when it cannot start.
bool StartProcess(const ProcessStart& start, bool wait, uint32_t* exitCode);

}  // namespace plat::sim
