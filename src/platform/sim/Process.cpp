// Starting programs of the simulated machine: a Windows program path names a host executable in
// the machine's drives, started with the environment that tells it its machine and identity.
#include "platform/sim/Process.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Record.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"

extern char** environ;

namespace plat::sim {
namespace {

constexpr uint32_t ERROR_DIRECTORY = 267;
constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool HasExtension(std::string_view name) {
  const size_t slash = name.find_last_of("\\/:");
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

bool IsBareName(std::string_view name) {
  return name.find_first_of("\\/:") == std::string::npos;
}

// An absolute Windows path for a name relative to currentDir.
std::string AbsoluteFrom(std::string_view name, std::string_view currentDir) {
  std::string path(name);
  for (char& c : path)
    if (c == '/') c = '\\';
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (path.rfind("\\\\", 0) == 0 || (hasDrive && path.size() >= 3 && path[2] == '\\'))
    return ExpandFileName(path);
  if (hasDrive) return ExpandFileName(path.substr(0, 2) + "\\" + path.substr(2));
  if (!path.empty() && path[0] == '\\') return ExpandFileName(ExtractFileDrive(currentDir) + path);
  return ExpandFileName(IncludeTrailingBackslash(currentDir) + path);
}

std::string EnvValue(const Environment& env, std::string_view name) {
  for (const auto& [n, v] : env)
    if (AsciiSameText(n, name)) return v;
  return "";
}

// Windows programs have no execute bit: give the host file one so that it can be started.
bool MakeExecutable(const std::string& host) {
  if (::access(host.c_str(), X_OK) == 0) return true;
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return false;
  const mode_t want = S_IXUSR | S_IXGRP | S_IXOTH;
  if ((st.st_mode & want) == want) return true;
  return ::chmod(host.c_str(), st.st_mode | want) == 0;
}

const char* ShowName(int show) {
  switch (show) {
    case SW_HIDE:
      return "hide";
    case SW_SHOWNORMAL:
      return "normal";
    case SW_SHOWMINIMIZED:
      return "minimized";
    default:
      return "other";
  }
}

// The host environment of the child: the parent's host variables without those of the machine,
// then the machine's.
std::vector<std::string> ChildHostEnvironment(const ProcessStart& start, const std::string& program,
                                              const std::string& currentDir) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "NIVSIM_", 7) != 0 || std::strncmp(*e, "NIVSIM_TOOLS_DIR=", 17) == 0)
      env.emplace_back(*e);
  std::error_code ec;
  const std::string machine = std::filesystem::absolute(CurrentMachineDir(), ec).string();
  env.push_back("NIVSIM_MACHINE=" + machine);
  env.push_back("NIVSIM_PROGRAM=" + program);
  env.push_back("NIVSIM_CMDLINE=" + start.commandLine);
  env.push_back("NIVSIM_CWD=" + currentDir);
  env.push_back("NIVSIM_SHOW=" + std::to_string(start.showCommand));
  env.push_back("NIVSIM_ENV=" + EncodeEnvironment(start.environment));
  if (!start.agent.empty()) env.push_back("NIVSIM_AGENT=" + start.agent);
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

uint32_t WaitForExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 0xFFFFFFFFu;
  }
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return 0xFFFFFFFFu;
}

}  // namespace

std::vector<std::string> StandardSearchDirs(std::string_view currentDir, std::string_view pathVar) {
  std::vector<std::string> dirs;
  const std::string program = ProgramPath();
  if (!program.empty()) dirs.push_back(ExtractFilePath(program));
  dirs.emplace_back(currentDir);
  dirs.push_back(SystemDirectory());
  if (GetOSVersion().PlatformId == VER_PLATFORM_WIN32_NT)
    dirs.push_back(IncludeTrailingBackslash(WindowsDirectory()) + "SYSTEM");
  dirs.push_back(WindowsDirectory());
  size_t pos = 0;
  while (pos <= pathVar.size()) {
    size_t end = pathVar.find(';', pos);
    if (end == std::string_view::npos) end = pathVar.size();
    std::string dir = Trim(pathVar.substr(pos, end - pos));
    if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"')
      dir = dir.substr(1, dir.size() - 2);
    if (!dir.empty()) dirs.push_back(std::move(dir));
    pos = end + 1;
  }
  return dirs;
}

std::string ProgramToken(std::string_view commandLine, std::string* rest) {
  size_t pos = 0;
  while (pos < commandLine.size() && IsBlank(commandLine[pos])) ++pos;
  std::string token;
  size_t end;
  if (pos < commandLine.size() && commandLine[pos] == '"') {
    end = commandLine.find('"', pos + 1);
    if (end == std::string_view::npos) end = commandLine.size();
    token = commandLine.substr(pos + 1, end - pos - 1);
    if (end < commandLine.size()) ++end;
  } else {
    end = pos;
    while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
    token = commandLine.substr(pos, end - pos);
  }
  if (rest) *rest = std::string(commandLine.substr(end));
  return token;
}

std::vector<std::string> SplitArgv(std::string_view commandLine) {
  std::string rest;
  std::vector<std::string> args{ProgramToken(commandLine, &rest)};
  size_t i = 0;
  while (true) {
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    if (i >= rest.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < rest.size() && (quoted || !IsBlank(rest[i]))) {
      if (rest[i] == '\\') {
        size_t n = 0;
        while (i < rest.size() && rest[i] == '\\') ++n, ++i;
        if (i < rest.size() && rest[i] == '"') {
          arg.append(n / 2, '\\');
          if (n % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(n, '\\');
        }
      } else if (rest[i] == '"') {
        if (quoted && i + 1 < rest.size() && rest[i + 1] == '"') {
          arg += '"';  // "" inside quotes is a quote
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += rest[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::string> SplitParams(std::string_view commandLine) {
  std::vector<std::string> params;
  size_t i = 0;
  const auto blank = [&](size_t k) { return static_cast<unsigned char>(commandLine[k]) <= ' '; };
  while (true) {
    // Blanks and empty quoted pairs between parameters are skipped.
    while (true) {
      while (i < commandLine.size() && blank(i)) ++i;
      if (i + 1 < commandLine.size() && commandLine[i] == '"' && commandLine[i + 1] == '"')
        i += 2;
      else
        break;
    }
    if (i >= commandLine.size()) break;
    std::string param;
    while (i < commandLine.size() && !blank(i)) {
      if (commandLine[i] == '"') {
        ++i;
        while (i < commandLine.size() && commandLine[i] != '"') param += commandLine[i++];
        if (i < commandLine.size()) ++i;
      } else {
        param += commandLine[i++];
      }
    }
    params.push_back(std::move(param));
  }
  return params;
}

std::string ResolveProgram(std::string_view programToken, std::string_view currentDir,
                           std::string_view pathVar) {
  if (programToken.empty()) return "";
  std::string name(programToken);
  if (!HasExtension(name)) name += ".exe";
  if (!IsBareName(name)) {
    std::string path = AbsoluteFrom(name, currentDir);
    return FileExists(path) ? path : "";
  }
  for (const auto& dir : StandardSearchDirs(currentDir, pathVar)) {
    std::string path = AbsoluteFrom(IncludeTrailingBackslash(dir) + name, currentDir);
    if (FileExists(path)) return path;
  }
  return "";
}

bool StartProcess(const ProcessStart& start, bool wait, uint32_t* exitCode) {
  const std::string currentDir =
      start.currentDir.empty() ? GetCurrentDir() : AbsoluteFrom(start.currentDir, GetCurrentDir());
  if (!DirectoryExists(currentDir)) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  const std::string program = ResolveProgram(ProgramToken(start.commandLine), currentDir,
                                             EnvValue(start.environment, "Path"));
  const std::string host = program.empty() ? "" : HostPathOf(program);
  if (host.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!MakeExecutable(host)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }

  std::vector<std::string> argv = SplitArgv(start.commandLine);
  argv[0] = host;
  std::vector<std::string> envp = ChildHostEnvironment(start, program, currentDir);
  std::vector<char*> cArgv = CStrings(argv);
  std::vector<char*> cEnvp = CStrings(envp);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string hostDir = HostPathOf(currentDir);
  if (!hostDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDir.c_str());

  AppendRecord({"run",
                {{"program", program},
                 {"cmdline", start.commandLine},
                 {"cwd", currentDir},
                 {"show", ShowName(start.showCommand)}}});
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, host.c_str(), &actions, nullptr, cArgv.data(), cEnvp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    SetLastError(rc == ENOEXEC  ? ERROR_BAD_EXE_FORMAT
                 : rc == EACCES ? ERROR_ACCESS_DENIED
                                : ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!wait) {
    std::thread([pid] { WaitForExit(pid); }).detach();
    if (exitCode) *exitCode = 0;
    return true;
  }
  const uint32_t code = WaitForExit(pid);
  if (exitCode) *exitCode = code;
  return true;
}

}  // namespace plat::sim

namespace plat {

bool RunProcess(std::string_view commandLine, std::string_view currentDir, int showCommand,
                bool wait, uint32_t* exitCode) {
  sim::ProcessStart start;
  start.commandLine = std::string(commandLine);
  start.currentDir = std::string(currentDir);
  start.showCommand = showCommand;
  start.environment = sim::ProcessEnvironment();
  if (const char* agent = std::getenv("NIVSIM_AGENT")) start.agent = agent;
  return sim::StartProcess(start, wait, exitCode);
}

}  // namespace plat

namespace plat::sim {

namespace {

// A script agent's file is a host path: the child runs in another host directory.
std::string AbsoluteAgent(const std::string& agent) {
  const std::string prefix = "script:";
  if (agent.rfind(prefix, 0) != 0) return agent;
  std::error_code ec;
  return prefix + std::filesystem::absolute(agent.substr(prefix.size()), ec).string();
}

}  // namespace

void ChooseMachine(const std::string& hostDir) {
  std::error_code ec;
  const std::string current = CurrentMachineDir();
  if (!current.empty() && std::filesystem::equivalent(current, hostDir, ec) && !ec) return;
  UseMachine(hostDir);
}

int RunInMachine(const std::string& hostDir, const std::string& currentDir,
                 const std::string& commandLine, const std::string& agent) {
  const std::string previous = CurrentMachineDir();
  ChooseMachine(hostDir);
  ProcessStart start;
  start.commandLine = commandLine;
  start.currentDir = currentDir.empty() ? "C:\\" : currentDir;
  start.showCommand = SW_SHOWNORMAL;
  start.environment = FreshLogonEnvironment();
  start.agent = AbsoluteAgent(agent);
  uint32_t code = 0;
  const bool started = StartProcess(start, true, &code);
  const uint32_t error = LastError();
  if (!previous.empty()) ChooseMachine(previous);
  if (!started) {
    throw EOSError(error, "Cannot start \"" + ProgramToken(commandLine) + "\" in \"" +
                              start.currentDir + "\": " + SysErrorMessage(error));
  }
  return static_cast<int>(code);
}

}  // namespace plat::sim
