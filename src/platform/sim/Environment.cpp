// The Windows environment of a process of the simulated machine.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/sim/Machine.h"
#include "platform/sim/Process.h"

namespace plat::sim {
namespace {

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

Environment::iterator FindName(Environment& env, std::string_view name) {
  for (auto it = env.begin(); it != env.end(); ++it)
    if (SameName(it->first, name)) return it;
  return env.end();
}

// Sets (or, with an empty value and removeEmpty, removes) a variable; a new variable keeps the
// case of its first spelling.
void Put(Environment& env, std::string_view name, std::string_view value, bool removeEmpty) {
  auto it = FindName(env, name);
  if (removeEmpty && value.empty()) {
    if (it != env.end()) env.erase(it);
  } else if (it != env.end()) {
    it->second = std::string(value);
  } else {
    env.emplace_back(std::string(name), std::string(value));
  }
}

std::string Get(const Environment& env, std::string_view name) {
  for (const auto& [n, v] : env)
    if (SameName(n, name)) return v;
  return "";
}

std::string TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

// The session environment values of one registry key: plain strings first, then the expandable
// ones against what is known so far, as the logon does. Path values of the user's key are added
// to the system's.
void ReadEnvironmentKey(Environment& env, HKEY root, const char* key, bool appendPath) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(key)) return;
  const auto names = reg.GetValueNames();
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& name : names) {
      const TRegDataType type = reg.GetDataType(name);
      if ((pass == 0) != (type == rdString)) continue;
      if (type != rdString && type != rdExpandString) continue;
      std::string value = reg.ReadString(name);
      if (type == rdExpandString) value = ExpandEnvironmentStrings(value, env);
      const std::string old = Get(env, name);
      if (appendPath && SameName(name, "Path") && !old.empty()) value = old + ";" + value;
      Put(env, name, value, false);
    }
  }
}

Environment FreshNtEnvironment(const MachineConfig& facts) {
  Environment env;
  Put(env, "SystemRoot", facts.windowsDir, false);
  Put(env, "windir", facts.windowsDir, false);
  Put(env, "SystemDrive", facts.windowsDir.substr(0, 2), false);
  Put(env, "OS", "Windows_NT", false);
  Put(env, "ComSpec", facts.systemDir + "\\cmd.exe", false);
  Put(env, "Path", facts.systemDir + ";" + facts.windowsDir, false);
  Put(env, "TEMP", facts.tempDir, false);
  Put(env, "TMP", facts.tempDir, false);
  Put(env, "COMPUTERNAME", "NIVSIM", false);
  Put(env, "USERNAME", "Administrator", false);
  Put(env, "USERPROFILE", facts.windowsDir + "\\Profiles\\Administrator", false);
  ReadEnvironmentKey(env, HKEY_LOCAL_MACHINE,
                     "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", false);
  ReadEnvironmentKey(env, HKEY_CURRENT_USER, "\\Environment", true);
  return env;
}

// One line of a start-up batch file: "SET NAME=VALUE", "PATH LIST", "PATH=LIST", "SET PATH LIST".
void ApplyBatchLine(Environment& env, std::string line) {
  line = TrimBlanks(line);
  if (!line.empty() && line[0] == '@') line = TrimBlanks(line.substr(1));
  if (StartsWithNoCase(line, "SET ")) {
    std::string rest = TrimBlanks(line.substr(4));
    size_t eq = rest.find('=');
    if (StartsWithNoCase(rest, "PATH ")) eq = 4;
    if (eq == std::string::npos) return;
    std::string name = TrimBlanks(rest.substr(0, eq));
    if (name.empty()) return;
    if (SameName(name, "PATH")) name = "PATH";
    std::string value = ExpandEnvironmentStrings(TrimBlanks(rest.substr(eq + 1)), env);
    if (SameName(name, "PATH") && value == ";") value.clear();
    Put(env, name, value, true);
  } else if (StartsWithNoCase(line, "PATH ") || StartsWithNoCase(line, "PATH=")) {
    std::string value = ExpandEnvironmentStrings(TrimBlanks(line.substr(5)), env);
    if (value == ";") value.clear();
    Put(env, "PATH", value, true);
  }
}

Environment Fresh9xEnvironment(const MachineConfig& facts) {
  Environment env;
  Put(env, "TMP", facts.tempDir, false);
  Put(env, "TEMP", facts.tempDir, false);
  Put(env, "PROMPT", "$p$g", false);
  Put(env, "winbootdir", facts.windowsDir, false);
  Put(env, "COMSPEC", facts.windowsDir + "\\COMMAND.COM", false);
  Put(env, "PATH", facts.windowsDir + ";" + facts.windowsDir + "\\COMMAND", false);
  Put(env, "windir", facts.windowsDir, false);
  const std::string batch = HostPathOf("C:\\AUTOEXEC.BAT");
  if (batch.empty()) return env;
  std::ifstream in(batch, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ApplyBatchLine(env, line);
  }
  return env;
}

struct ProcessEnv {
  std::mutex lock;
  bool ready = false;
  bool inherited = false;  // from NIVSIM_ENV: belongs to the process, not to a machine
  std::string machineDir;  // the machine whose logon environment it is
  Environment vars;

  // The environment comes from the parent (NIVSIM_ENV), or is the logon environment of the
  // machine the process uses; a test process that changes machines gets the new machine's.
  Environment& Vars() {
    if (!ready) {
      ready = true;
      if (const char* encoded = std::getenv("NIVSIM_ENV")) {
        inherited = true;
        vars = DecodeEnvironment(encoded);
        return vars;
      }
    }
    if (!inherited) {
      std::string dir = CurrentMachineDir();
      if (dir != machineDir || (vars.empty() && !dir.empty())) {
        machineDir = dir;
        vars = dir.empty() ? Environment{} : FreshLogonEnvironment();
      }
    }
    return vars;
  }
};

ProcessEnv& TheEnv() {
  static ProcessEnv env;
  return env;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EncodeEnvironment(const Environment& env) {
  std::string out;
  for (const auto& [name, value] : env) {
    if (!out.empty()) out += '\n';
    const std::string entry = name + "=" + value;
    for (char c : entry) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7F || c == '%') {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%%%02X", u);
        out += buf;
      } else {
        out += c;
      }
    }
  }
  return out;
}

Environment DecodeEnvironment(std::string_view encoded) {
  Environment env;
  size_t pos = 0;
  while (pos < encoded.size()) {
    size_t end = encoded.find('\n', pos);
    if (end == std::string_view::npos) end = encoded.size();
    std::string entry;
    for (size_t i = pos; i < end; ++i) {
      if (encoded[i] == '%' && i + 2 < end && HexValue(encoded[i + 1]) >= 0 &&
          HexValue(encoded[i + 2]) >= 0) {
        entry += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
        i += 2;
      } else {
        entry += encoded[i];
      }
    }
    // A name may itself begin with '=' (the per-drive current directories of Windows).
    const size_t eq = entry.find('=', 1);
    if (eq != std::string::npos) env.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
    pos = end + 1;
  }
  return env;
}

std::string ExpandEnvironmentStrings(std::string_view text, const Environment& env) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('%', pos);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    const std::string_view name = text.substr(open + 1, close - open - 1);
    bool known = false;
    for (const auto& [n, v] : env) {
      if (!name.empty() && SameName(n, name)) {
        out.append(text.substr(pos, open - pos));
        out += v;
        known = true;
        break;
      }
    }
    if (known) {
      pos = close + 1;
    } else {
      // An unknown reference stays; its closing '%' may open the next one.
      out.append(text.substr(pos, close - pos));
      pos = close;
    }
  }
  out.append(text.substr(pos));
  return out;
}

Environment FreshLogonEnvironment() {
  const MachineConfig facts = CurrentMachineFacts();
  return facts.family9x ? Fresh9xEnvironment(facts) : FreshNtEnvironment(facts);
}

Environment ProcessEnvironment() {
  ProcessEnv& e = TheEnv();
  std::lock_guard<std::mutex> guard(e.lock);
  return e.Vars();
}

}  // namespace plat::sim

namespace plat {

std::string GetEnv(std::string_view name) {
  sim::ProcessEnv& e = sim::TheEnv();
  std::lock_guard<std::mutex> guard(e.lock);
  return sim::Get(e.Vars(), name);
}

bool EnvExists(std::string_view name) {
  sim::ProcessEnv& e = sim::TheEnv();
  std::lock_guard<std::mutex> guard(e.lock);
  auto& vars = e.Vars();
  return sim::FindName(vars, name) != vars.end();
}

void SetEnv(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  sim::ProcessEnv& e = sim::TheEnv();
  std::lock_guard<std::mutex> guard(e.lock);
  sim::Put(e.Vars(), name, value, false);
}

}  // namespace plat
