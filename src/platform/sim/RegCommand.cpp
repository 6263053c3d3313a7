#include "platform/sim/RegCommand.h"

#include <iostream>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "platform/sim/Machine.h"
#include "platform/sim/RegistryStore.h"

namespace plat::sim {

namespace {

constexpr const char* kDone = "The operation completed successfully.";
constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.";

// A failure that the tool reports as "ERROR: <text>".
struct ToolError {
  std::string text;
};

struct Options {
  std::string command;
  std::string key;
  std::optional<std::string> valueName;  // /v NAME, or "" for /ve
  bool allValues = false;                // /va
  std::string type = "REG_SZ";
  std::optional<std::string> data;
  std::string separator = "\\0";
  bool force = false;
  bool recurse = false;
};

[[noreturn]] void Syntax(const std::string& command) {
  throw ToolError{"Invalid syntax.\nType \"REG " + command + " /?\" for usage."};
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  o.command = AsciiUpper(args[0]);
  size_t i = 1;
  if (i < args.size() && args[i][0] != '/') o.key = args[i++];
  if (o.key.empty()) Syntax(o.command);
  auto valueOf = [&](size_t& at) -> std::string {
    if (at + 1 >= args.size()) Syntax(o.command);
    return args[++at];
  };
  for (; i < args.size(); ++i) {
    const std::string opt = AsciiUpper(args[i]);
    if (opt == "/V") {
      o.valueName = valueOf(i);
    } else if (opt == "/VE") {
      o.valueName = "";
    } else if (opt == "/VA") {
      o.allValues = true;
    } else if (opt == "/T") {
      o.type = AsciiUpper(valueOf(i));
    } else if (opt == "/D") {
      o.data = valueOf(i);
    } else if (opt == "/S" && o.command == "ADD") {
      o.separator = valueOf(i);
    } else if (opt == "/S") {
      o.recurse = true;
    } else if (opt == "/F") {
      o.force = true;
    } else if (opt != "/REG:32" && opt != "/REG:64") {
      Syntax(o.command);
    }
  }
  return o;
}

struct KeyName {
  HKEY root = 0;
  std::string path;
  std::string shown;  // as the tool prints it: the root's long name and the path
};

KeyName ParseKey(const std::string& text) {
  KeyName k;
  if (text.starts_with("\\\\")) throw ToolError{"Remote registries are not available."};
  if (!SplitFullKey(text, k.root, k.path)) throw ToolError{"Invalid key name."};
  k.shown = RootName(k.root) + (k.path.empty() ? "" : "\\" + k.path);
  return k;
}

bool Confirm(std::ostream& out, std::istream& in, const std::string& question) {
  out << AnsiToUtf8(question) << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) answer.clear();
  answer = AsciiUpper(Trim(answer));
  if (answer == "Y" || answer == "YES") return true;
  out << "The operation was cancelled by the user.\n";
  return false;
}

// ---- QUERY

const char* TypeName(uint32_t type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    default:
      return "REG_UNKNOWN";
  }
}

std::string ShownData(const RegValue& v) {
  static const char kDigits[] = "0123456789ABCDEF";
  if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) return v.data.substr(0, v.data.find('\0'));
  if (v.type == REG_DWORD && v.data.size() == 4) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(v.data[i]);
    std::string hex;
    do {
      hex.insert(hex.begin(), kDigits[value & 15]);
      value >>= 4;
    } while (value != 0);
    return "0x" + hex;
  }
  if (v.type == REG_MULTI_SZ) {
    std::string text = v.data;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    std::string shown;
    for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return shown;
  }
  std::string hex;
  for (char c : v.data) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return hex;
}

void PrintValue(std::ostream& out, const RegValue& v) {
  const std::string name = v.name.empty() ? "(Default)" : v.name;
  out << "    " << AnsiToUtf8(name) << "    " << TypeName(v.type) << "    "
      << AnsiToUtf8(ShownData(v)) << "\n";
}

void PrintKey(std::ostream& out, const RegKey& key, const std::string& shown, bool recurse) {
  out << "\n" << AnsiToUtf8(shown) << "\n";
  for (const RegValue& v : key.Values()) PrintValue(out, v);
  for (const auto& sub : key.SubKeys()) {
    if (recurse)
      PrintKey(out, *sub, shown + "\\" + sub->Name(), true);
    else
      out << AnsiToUtf8(shown + "\\" + sub->Name()) << "\n";
  }
  if (!recurse && !key.SubKeys().empty()) out << "\n";
}

int Query(const Options& o, std::ostream& out) {
  const KeyName k = ParseKey(o.key);
  bool found = false;
  ReadRegistry(CurrentMachineDir(), [&](const RegTree& tree) {
    const RegKey* key = tree.Find(k.root, k.path);
    if (key == nullptr) return;
    if (!o.valueName) {
      found = true;
      PrintKey(out, *key, k.shown, o.recurse);
      out << "\n";
      return;
    }
    const RegValue* v = key->FindValue(*o.valueName);
    if (v == nullptr) return;
    found = true;
    out << "\n" << AnsiToUtf8(k.shown) << "\n";
    PrintValue(out, *v);
    out << "\n";
  });
  if (!found) throw ToolError{std::string(kNotFound).substr(7)};
  return 0;
}

// ---- ADD

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decimal, or hexadecimal after "0X"; "" is 0.
bool ParseDword(std::string text, uint32_t& value) {
  value = 0;
  if (text.empty()) return true;
  uint64_t base = 10;
  if (text.starts_with("0X")) {
    base = 16;
    text.erase(0, 2);
    if (text.empty()) return false;
  }
  uint64_t acc = 0;
  for (char c : text) {
    const int digit = HexValue(c);
    if (digit < 0 || static_cast<uint64_t>(digit) >= base) return false;
    acc = acc * base + digit;
    if (acc > 0xFFFFFFFFull) return false;
  }
  value = static_cast<uint32_t>(acc);
  return true;
}

std::string DataOf(const Options& o, uint32_t& type) {
  const std::string data = o.data.value_or("");
  if (o.type == "REG_SZ") {
    type = REG_SZ;
    return data;
  }
  if (o.type == "REG_EXPAND_SZ") {
    type = REG_EXPAND_SZ;
    return data;
  }
  if (o.type == "REG_DWORD") {
    type = REG_DWORD;
    uint32_t v = 0;
    if (!ParseDword(AsciiUpper(Trim(data)), v))
      throw ToolError{"Invalid DWORD data \"" + data + "\"."};
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
  }
  if (o.type == "REG_BINARY" || o.type == "REG_NONE") {
    type = o.type == "REG_BINARY" ? REG_BINARY : REG_NONE;
    if (data.size() % 2 != 0) throw ToolError{"Invalid binary data \"" + data + "\"."};
    std::string bytes;
    for (size_t i = 0; i < data.size(); i += 2) {
      const int high = HexValue(data[i]), low = HexValue(data[i + 1]);
      if (high < 0 || low < 0) throw ToolError{"Invalid binary data \"" + data + "\"."};
      const int b = high * 16 + low;
      bytes += static_cast<char>(b);
    }
    return bytes;
  }
  if (o.type == "REG_MULTI_SZ") {
    type = REG_MULTI_SZ;
    std::string bytes;
    size_t start = 0;
    while (!data.empty() && start <= data.size()) {
      size_t end = o.separator.empty() ? std::string::npos : data.find(o.separator, start);
      if (end == std::string::npos) end = data.size();
      bytes += data.substr(start, end - start) + '\0';
      start = end + o.separator.size();
    }
    return bytes + '\0';
  }
  throw ToolError{"Invalid type \"" + o.type + "\"."};
}

int Add(const Options& o, std::ostream& out, std::istream& in) {
  const KeyName k = ParseKey(o.key);
  uint32_t type = REG_SZ;
  const std::string data = DataOf(o, type);
  if (o.valueName && !RegNameStorable(*o.valueName)) throw ToolError{"Invalid value name."};
  if (o.valueName && !o.force) {
    bool exists = false;
    ReadRegistry(CurrentMachineDir(), [&](const RegTree& tree) {
      const RegKey* key = tree.Find(k.root, k.path);
      exists = key != nullptr && key->FindValue(*o.valueName) != nullptr;
    });
    const std::string name = o.valueName->empty() ? "(Default)" : *o.valueName;
    if (exists && !Confirm(out, in, "Value " + name + " exists, overwrite")) return 1;
  }
  ChangeRegistry(CurrentMachineDir(), [&](RegTree& tree) {
    bool created = false;
    RegKey* key = tree.Create(k.root, k.path, &created);
    if (key == nullptr) throw ToolError{"Invalid key name."};
    if (!o.valueName) return created;
    return key->SetValue(*o.valueName, type, data) || created;
  });
  out << kDone << "\n";
  return 0;
}

// ---- DELETE

int Delete(const Options& o, std::ostream& out, std::istream& in) {
  const KeyName k = ParseKey(o.key);
  const bool wholeKey = !o.valueName && !o.allValues;
  if (wholeKey && k.path.empty()) throw ToolError{"Invalid key name."};
  bool exists = false;
  ReadRegistry(CurrentMachineDir(), [&](const RegTree& tree) {
    const RegKey* key = tree.Find(k.root, k.path);
    exists = key != nullptr && (!o.valueName || key->FindValue(*o.valueName) != nullptr);
  });
  if (!exists) throw ToolError{std::string(kNotFound).substr(7)};
  if (!o.force) {
    const std::string question =
        wholeKey      ? "Permanently delete the registry key " + k.shown
        : o.valueName ? "Delete the registry value " +
                            (o.valueName->empty() ? std::string("(Default)") : *o.valueName)
                      : "Delete all values under the registry key " + k.shown;
    if (!Confirm(out, in, question)) return 1;
  }
  ChangeRegistry(CurrentMachineDir(), [&](RegTree& tree) {
    if (wholeKey) return tree.Delete(k.root, k.path);
    RegKey* key = tree.Find(k.root, k.path);
    if (key == nullptr) return false;
    if (o.valueName) return key->DeleteValue(*o.valueName);
    bool changed = false;
    while (!key->Values().empty()) changed |= key->DeleteValue(key->Values().front().name);
    return changed;
  });
  out << kDone << "\n";
  return 0;
}

// ---- IMPORT

int Import(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) Syntax("IMPORT");
  const std::string& file = args[1];
  std::string bytes;
  {
    TFileStream stream(file, fmOpenRead | fmShareDenyWrite);
    const int64_t size = stream.Size();
    bytes.resize(static_cast<size_t>(size));
    if (size > 0) stream.ReadBuffer(bytes.data(), static_cast<int32_t>(size));
  }
  ImportRegBytes(CurrentMachineDir(), bytes, file);
  out << kDone << "\n";
  return 0;
}

void Usage(std::ostream& out) {
  out << "REG Operation [Parameter List]\n\n"
         "  REG QUERY KEY [/v NAME | /ve] [/s]\n"
         "  REG ADD KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
         "  REG DELETE KEY [/v NAME | /ve | /va] [/f]\n"
         "  REG IMPORT FILE\n\n"
         "  KEY: ROOT\\SubKey, ROOT one of HKLM, HKCU, HKCR, HKU or their long names.\n"
         "  TYPE: REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_NONE.\n";
}

}  // namespace

int RunRegTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               std::istream& in) {
  try {
    if (args.empty() || args[0] == "/?" || args[0] == "-?") {
      Usage(out);
      return args.empty() ? 1 : 0;
    }
    const std::string command = AsciiUpper(args[0]);
    if (command == "IMPORT") return Import(args, out);
    if (command != "QUERY" && command != "ADD" && command != "DELETE")
      throw ToolError{"Invalid operation \"" + args[0] + "\".\nType \"REG /?\" for usage."};
    const Options o = ParseOptions(args);
    if (command == "QUERY") return Query(o, out);
    if (command == "ADD") return Add(o, out, in);
    return Delete(o, out, in);
  } catch (const ToolError& e) {
    err << "ERROR: " << AnsiToUtf8(e.text) << "\n";
  } catch (const Exception& e) {
    err << "ERROR: " << AnsiToUtf8(e.Message()) << "\n";
  }
  return 1;
}

}  // namespace plat::sim
