// A program of the machine for the system tests. What it does is chosen by its parameters:
//   report FILE [NAME...]     writes its identity, parameters, current directory and the named
//                             environment variables to FILE (a Windows path)
//   exit N                    ends with exit code N
//   setenv NAME VALUE CMD...  sets a variable, runs the rest as a command line, passes the code on
//   restart [noprivilege]     asks for a restart of Windows (with the privilege unless told not)
// Without parameters it writes "started" to C:\probe-started.txt.
#include <cstdlib>
#include <string>

#include "platform/Stream.h"
#include "platform/System.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  plat::TFileStream out(path, plat::fmCreate);
  out.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

int Report() {
  std::string text = "program=" + plat::ProgramPath() + "\n";
  text += "cmdline=" + plat::CommandLine() + "\n";
  text += "count=" + std::to_string(plat::ParamCount()) + "\n";
  for (int i = 1; i <= plat::ParamCount(); ++i)
    text += "param" + std::to_string(i) + "=" + plat::ParamStr(i) + "\n";
  text += "cwd=" + plat::GetCurrentDir() + "\n";
  for (int i = 3; i <= plat::ParamCount(); ++i) {
    const std::string name = plat::ParamStr(i);
    text += "env:" + name + "=" + (plat::EnvExists(name) ? plat::GetEnv(name) : "<unset>") + "\n";
  }
  WriteFile(plat::ParamStr(2), text);
  return 0;
}

// The command line after the first `skip` parameters, quoted again where a blank needs it.
std::string RestOfCommandLine(int skip) {
  std::string rest;
  for (int i = skip + 1; i <= plat::ParamCount(); ++i) {
    if (!rest.empty()) rest += ' ';
    const std::string param = plat::ParamStr(i);
    rest += param.find(' ') == std::string::npos ? param : "\"" + param + "\"";
  }
  return rest;
}

}  // namespace

int main() {
  const std::string verb = plat::ParamStr(1);
  if (verb.empty()) {
    WriteFile("C:\\probe-started.txt", "started\n");
    return 0;
  }
  if (verb == "report") return Report();
  if (verb == "exit") return std::atoi(plat::ParamStr(2).c_str());
  if (verb == "setenv") {
    plat::SetEnv(plat::ParamStr(2), plat::ParamStr(3));
    uint32_t code = 0;
    if (!plat::RunProcess(RestOfCommandLine(3), "", plat::SW_HIDE, true, &code)) return 100;
    return static_cast<int>(code);
  }
  if (verb == "restart") {
    if (plat::ParamStr(2) != "noprivilege") plat::EnableShutdownPrivilege();
    return plat::ExitWindows(plat::EWX_SHUTDOWN | plat::EWX_REBOOT) ? 0 : 1;
  }
  return 99;
}
