// nivsim: makes a simulated Windows machine, runs programs in it, moves files in and out, shows
// its registry and what it saw, and boots it. See docs/nivsim.md.
#include <filesystem>
#include <iostream>
#include <map>

#include "Commands.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Record.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"
#include "platform/sim/RegistryStore.h"
#include "platform/sim/Restart.h"

namespace fs = std::filesystem;

namespace nivsim {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  nivsim new DIR [--family nt|9x] [--drive L:TYPE[:LABEL[:FREE_K]]]... [--map L:HOSTDIR]...\n"
    "             TYPE: fixed, removable, network, cdrom, none\n"
    "  nivsim run DIR [--cd WINDIR] [--agent script:FILE|console|first] WINPATH [ARGS...]\n"
    "  nivsim put DIR HOSTPATH WINPATH\n"
    "  nivsim get DIR WINPATH HOSTPATH\n"
    "  nivsim ls DIR WINPATH\n"
    "  nivsim cat DIR WINPATH [--utf8]\n"
    "  nivsim reg DIR export [KEY]\n"
    "  nivsim reg DIR import FILE\n"
    "  nivsim record DIR\n"
    "  nivsim boot DIR [--agent script:FILE|console|first]\n";

const std::map<std::string, uint32_t> kDriveTypes = {{"fixed", plat::DRIVE_FIXED},
                                                     {"removable", plat::DRIVE_REMOVABLE},
                                                     {"network", plat::DRIVE_REMOTE},
                                                     {"cdrom", plat::DRIVE_CDROM},
                                                     {"none", plat::DRIVE_NO_ROOT_DIR}};

char DriveLetter(const std::string& text, const std::string& option) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0])) ||
      (text.size() > 1 && text[1] != ':'))
    throw UsageError(option + " needs a drive letter first: " + text);
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

plat::sim::DriveSpec& DriveOf(plat::sim::MachineOptions& options, char letter) {
  for (auto& d : options.drives)
    if (d.letter == letter) return d;
  plat::sim::DriveSpec spec;
  spec.letter = letter;
  spec.type = plat::DRIVE_FIXED;
  options.drives.push_back(spec);
  return options.drives.back();
}

// L:TYPE[:LABEL[:FREE_K]]
void ParseDrive(const std::string& text, plat::sim::MachineOptions& options) {
  const char letter = DriveLetter(text, "--drive");
  std::vector<std::string> parts;
  size_t pos = 2;
  while (pos <= text.size()) {
    size_t end = text.find(':', pos);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  if (parts.empty() || parts.size() > 3)
    throw UsageError("--drive L:TYPE[:LABEL[:FREE_K]]: " + text);
  const auto type = kDriveTypes.find(parts[0]);
  if (type == kDriveTypes.end()) throw UsageError("unknown drive type: " + parts[0]);
  plat::sim::DriveSpec& d = DriveOf(options, letter);
  d.type = type->second;
  if (parts.size() > 1) d.label = FromTerminal(parts[1]);
  if (parts.size() > 2) {
    int32_t freeK = 0;
    if (!plat::TryStrToInt(parts[2], freeK) || freeK < 0)
      throw UsageError("FREE_K must be a number of K: " + parts[2]);
    d.freeK = freeK;
  }
}

void ParseMap(const std::string& text, plat::sim::MachineOptions& options) {
  const char letter = DriveLetter(text, "--map");
  if (text.size() < 3) throw UsageError("--map L:HOSTDIR: " + text);
  std::error_code ec;
  const fs::path dir = fs::absolute(text.substr(2), ec);
  if (!fs::is_directory(dir, ec)) throw UsageError("--map: no such host folder: " + text.substr(2));
  DriveOf(options, letter).hostDir = dir.string();
}

// Takes "--name VALUE" at position i of args.
bool TakeOption(const Args& args, size_t& i, const std::string& name, std::string& value) {
  if (args[i] != name) return false;
  if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
  value = args[i + 1];
  i += 2;
  return true;
}

// Checks the agent and gives it with an absolute script path: programs run with their drive as
// the host working directory.
std::string CheckAgent(const std::string& agent) {
  if (agent == "first" || agent == "console") return agent;
  if (agent.rfind("script:", 0) == 0 && agent.size() > 7) {
    std::error_code ec;
    if (!fs::is_regular_file(agent.substr(7), ec))
      throw UsageError("--agent: no such script file: " + agent.substr(7));
    return "script:" + fs::absolute(agent.substr(7)).string();
  }
  throw UsageError("--agent takes script:FILE, console or first: " + agent);
}

int CmdNew(const Args& args) {
  if (args.empty()) throw UsageError("new needs DIR");
  plat::sim::MachineOptions options;
  for (size_t i = 1; i < args.size();) {
    std::string value;
    if (TakeOption(args, i, "--family", value)) {
      if (value == "9x")
        options.family9x = true;
      else if (value != "nt")
        throw UsageError("--family takes nt or 9x: " + value);
    } else if (TakeOption(args, i, "--drive", value)) {
      ParseDrive(value, options);
    } else if (TakeOption(args, i, "--map", value)) {
      ParseMap(value, options);
    } else {
      throw UsageError("unknown option of new: " + args[i]);
    }
  }
  plat::sim::NewMachine(args[0], options);
  return 0;
}

// A Windows command line from separate words: words with blanks or quotes, and empty words, are
// quoted as the C runtime reads them back.
std::string QuoteArg(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

int CmdRun(const Args& args) {
  if (args.empty()) throw UsageError("run needs DIR");
  std::string cd, agent;
  size_t i = 1;
  while (i < args.size() && args[i].rfind("--", 0) == 0) {
    std::string value;
    if (TakeOption(args, i, "--cd", value))
      cd = FromTerminal(value);
    else if (TakeOption(args, i, "--agent", value))
      agent = value;
    else
      throw UsageError("unknown option of run: " + args[i]);
  }
  if (i >= args.size()) throw UsageError("run needs the program's WINPATH");
  if (!agent.empty()) agent = CheckAgent(agent);
  const std::string program = FromTerminal(args[i]);
  std::string commandLine =
      program.find_first_of(" \t") == std::string::npos ? program : "\"" + program + "\"";
  for (++i; i < args.size(); ++i) commandLine += " " + QuoteArg(FromTerminal(args[i]));
  plat::sim::UseMachine(args[0]);
  (void)plat::sim::CurrentMachine();
  return plat::sim::RunInMachine(args[0], cd, commandLine, agent) & 0xFF;
}

int CmdReg(const Args& args) {
  if (args.size() >= 2 && args[1] == "export" && args.size() <= 3) {
    std::cout << plat::sim::ExportRegistry(args[0], args.size() == 3 ? args[2] : "");
    return 0;
  }
  if (args.size() == 3 && args[1] == "import") {
    plat::sim::ImportRegFile(args[0], args[2]);
    return 0;
  }
  throw UsageError("reg needs DIR export [KEY] or DIR import FILE");
}

// A field's text for a terminal: UTF-8, continuation lines indented under the first.
std::string FieldText(const std::string& ansi) {
  std::string text = plat::AnsiToUtf8(ansi), out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
    if (text[i] == '\n' || text[i] == '\r') {
      if (text[i] == '\r') out.back() = '\n';
      out += "      ";
    }
  }
  return out;
}

int CmdRecord(const Args& args) {
  if (args.size() != 1) throw UsageError("record needs DIR");
  plat::sim::UseMachine(args[0]);
  (void)plat::sim::CurrentMachine();
  for (const auto& event : plat::ReadRecord(args[0])) {
    std::cout << event.kind << "\n";
    for (const auto& [name, value] : event.fields)
      std::cout << "  " << name << ": " << FieldText(value) << "\n";
  }
  return 0;
}

int CmdBoot(const Args& args) {
  if (args.empty()) throw UsageError("boot needs DIR");
  std::string agent;
  for (size_t i = 1; i < args.size();) {
    if (!TakeOption(args, i, "--agent", agent))
      throw UsageError("unknown option of boot: " + args[i]);
  }
  if (!agent.empty()) agent = CheckAgent(agent);
  plat::sim::UseMachine(args[0]);
  (void)plat::sim::CurrentMachine();
  return plat::sim::BootMachine(args[0], agent, std::cout) ? 0 : 1;
}

int Dispatch(const std::string& command, const Args& args) {
  static const std::map<std::string, int (*)(const Args&)> commands = {
      {"new", CmdNew}, {"run", CmdRun}, {"put", CmdPut},       {"get", CmdGet},  {"ls", CmdLs},
      {"cat", CmdCat}, {"reg", CmdReg}, {"record", CmdRecord}, {"boot", CmdBoot}};
  const auto it = commands.find(command);
  if (it == commands.end()) throw UsageError("unknown command: " + command);
  return it->second(args);
}

}  // namespace
}  // namespace nivsim

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::cerr << nivsim::kUsage;
    return argc < 2 ? 2 : 0;
  }
  try {
    return nivsim::Dispatch(argv[1], nivsim::Args(argv + 2, argv + argc));
  } catch (const nivsim::UsageError& e) {
    std::cerr << "nivsim: " << e.what() << "\n" << nivsim::kUsage;
    return 2;
  } catch (const plat::Exception& e) {
    std::cerr << "nivsim: " << plat::AnsiToUtf8(e.Message()) << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "nivsim: " << e.what() << "\n";
    return 1;
  }
}
