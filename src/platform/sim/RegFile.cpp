#include "platform/sim/RegFile.h"

#include <algorithm>

#include "platform/Text.h"

namespace plat::sim {

namespace {

char AsciiUpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiUpperChar(a[i]));
    const auto y = static_cast<unsigned char>(AsciiUpperChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool RegNameEqual(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNames(a, b) == 0;
}

bool RegNameStorable(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// ---- keys and values

RegKey* RegKey::FindSubKey(std::string_view name) const {
  for (const auto& key : subKeys_)
    if (RegNameEqual(key->name_, name)) return key.get();
  return nullptr;
}

RegKey& RegKey::CreateSubKey(std::string_view name) {
  if (RegKey* existing = FindSubKey(name)) return *existing;
  auto at = std::find_if(subKeys_.begin(), subKeys_.end(),
                         [&](const auto& key) { return CompareNames(key->name_, name) > 0; });
  return **subKeys_.insert(at, std::make_unique<RegKey>(std::string(name)));
}

bool RegKey::DeleteSubKey(std::string_view name) {
  auto it = std::find_if(subKeys_.begin(), subKeys_.end(),
                         [&](const auto& key) { return RegNameEqual(key->name_, name); });
  if (it == subKeys_.end()) return false;
  subKeys_.erase(it);
  return true;
}

namespace {

std::string UpperName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = AsciiUpperChar(c);
  return upper;
}

}  // namespace

const RegValue* RegKey::FindValue(std::string_view name) const {
  const auto it = valueIndex_.find(UpperName(name));
  return it == valueIndex_.end() ? nullptr : &values_[it->second];
}

bool RegKey::SetValue(std::string_view name, uint32_t type, std::string data) {
  // A text ends at its first NUL, as the ANSI registry functions store it.
  if (type == REG_SZ || type == REG_EXPAND_SZ) data.resize(std::min(data.size(), data.find('\0')));
  const auto [it, added] = valueIndex_.emplace(UpperName(name), values_.size());
  if (added) {
    values_.push_back(RegValue{std::string(name), type, std::move(data)});
    return true;
  }
  RegValue& value = values_[it->second];
  if (value.type == type && value.data == data) return false;
  value.type = type;
  value.data = std::move(data);
  return true;
}

bool RegKey::DeleteValue(std::string_view name) {
  const auto it = valueIndex_.find(UpperName(name));
  if (it == valueIndex_.end()) return false;
  const size_t index = it->second;
  valueIndex_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(index));
  for (auto& entry : valueIndex_)
    if (entry.second > index) --entry.second;
  return true;
}

// ---- the tree

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

RegKey* RegTree::Root(HKEY root) {
  if (root < HKEY_CLASSES_ROOT || root > HKEY_USERS) return nullptr;
  return &roots_[root - HKEY_CLASSES_ROOT];
}

const RegKey* RegTree::Root(HKEY root) const {
  return const_cast<RegTree*>(this)->Root(root);
}

RegKey* RegTree::Find(HKEY root, std::string_view path) {
  RegKey* key = Root(root);
  for (std::string_view name : SplitKeyPath(path)) {
    if (key == nullptr) break;
    key = key->FindSubKey(name);
  }
  return key;
}

const RegKey* RegTree::Find(HKEY root, std::string_view path) const {
  return const_cast<RegTree*>(this)->Find(root, path);
}

RegKey* RegTree::Create(HKEY root, std::string_view path, bool* created) {
  if (created != nullptr) *created = false;
  RegKey* key = Root(root);
  if (key == nullptr || !RegNameStorable(path)) return nullptr;
  for (std::string_view name : SplitKeyPath(path)) {
    RegKey* next = key->FindSubKey(name);
    if (next == nullptr) {
      next = &key->CreateSubKey(name);
      if (created != nullptr) *created = true;
    }
    key = next;
  }
  return key;
}

bool RegTree::Delete(HKEY root, std::string_view path) {
  std::vector<std::string_view> names = SplitKeyPath(path);
  if (names.empty()) return false;
  RegKey* parent = Root(root);
  for (size_t i = 0; parent != nullptr && i + 1 < names.size(); ++i)
    parent = parent->FindSubKey(names[i]);
  return parent != nullptr && parent->DeleteSubKey(names.back());
}

bool ParseRootName(std::string_view name, HKEY& root) {
  static const struct {
    const char* longName;
    const char* shortName;
    HKEY key;
  } kRoots[] = {{"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
                {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                {"HKEY_USERS", "HKU", HKEY_USERS}};
  for (const auto& r : kRoots) {
    if (RegNameEqual(name, r.longName) || RegNameEqual(name, r.shortName)) {
      root = r.key;
      return true;
    }
  }
  return false;
}

std::string RootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
      return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS:
      return "HKEY_USERS";
    default:
      return "";
  }
}

bool SplitFullKey(std::string_view fullKey, HKEY& root, std::string& path) {
  const size_t slash = fullKey.find('\\');
  if (!ParseRootName(fullKey.substr(0, slash), root)) return false;
  path = slash == std::string_view::npos ? std::string() : std::string(fullKey.substr(slash + 1));
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return true;
}

// ---- UTF-8 and UTF-16

namespace {

// Decodes one code point at s[i], advancing i; returns -1 for an invalid sequence (i moves by 1).
int32_t DecodeUtf8(std::string_view s, size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  int extra = 0;
  int32_t cp = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07;
  } else {
    ++i;
    return -1;
  }
  if (i + extra >= s.size()) {
    ++i;
    return -1;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  static const int32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += extra + 1;
  return cp;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUnit(std::string& out, uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();)
    if (DecodeUtf8(s, i) < 0) return false;
  return true;
}

}  // namespace

std::string Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t i = 0; i < utf8.size();) {
    int32_t cp = DecodeUtf8(utf8, i);
    if (cp < 0) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUnit(out, 0xD800 + (cp >> 10));
      AppendUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
      AppendUnit(out, static_cast<uint32_t>(cp));
    }
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view utf16) {
  std::string out;
  out.reserve(utf16.size() / 2);
  auto unitAt = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(utf16[i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(utf16[i + 1])) << 8);
  };
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < utf16.size()) {
      const uint32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
    AppendUtf8(out, unit);
  }
  return out;
}

// ---- reading the text format

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

// The file's text in UTF-8.
std::string DecodeRegBytes(std::string_view bytes, const std::string& source) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    if (bytes.size() % 2 != 0)
      throw ERegistryException(source + ", line 1: the UTF-16 text has an odd number of bytes");
    return Utf16LeToUtf8(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
    return std::string(bytes.substr(3));
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return AnsiToUtf8(bytes);
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && RegNameEqual(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpperChar(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexNumber(std::string_view s, size_t maxDigits, uint32_t& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return true;
}

std::string Dword(uint32_t v) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return data;
}

class RegFileReader {
 public:
  RegFileReader(std::string text, const std::string& source)
      : text_(std::move(text)), source_(source) {
    SplitLines();
  }

  RegFileContent Read() {
    RegFileContent content;
    ReadHeader(content);
    for (; next_ < lines_.size();) {
      lineNo_ = next_ + 1;
      std::string_view line = TrimBlanks(lines_[next_++]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        content.keys.push_back(ReadKeyLine(line));
      } else if (line.front() == '"' || line.front() == '@') {
        if (content.keys.empty()) Fail("a value before the first key");
        if (content.keys.back().remove) Fail("a value below a key that is deleted");
        content.keys.back().values.push_back(ReadValueLine(line, content.version5));
      } else {
        Fail("neither a key nor a value");
      }
    }
    return content;
  }

 private:
  void SplitLines() {
    std::string_view text = text_;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ERegistryException(source_ + ", line " + std::to_string(lineNo_) + ": " + what);
  }

  void ReadHeader(RegFileContent& content) {
    lineNo_ = 1;
    const std::string_view first = lines_.empty() ? std::string_view() : TrimBlanks(lines_[0]);
    if (first == kHeader5) {
      content.version5 = true;
    } else if (first == kHeader4) {
      content.version5 = false;
    } else {
      Fail("not a registry file (the first line must be \"" + std::string(kHeader5) + "\" or \"" +
           std::string(kHeader4) + "\")");
    }
    next_ = 1;
  }

  RegKeyChange ReadKeyLine(std::string_view line) {
    if (line.back() != ']') Fail("a key line without its closing ']'");
    std::string_view name = line.substr(1, line.size() - 2);
    RegKeyChange change;
    if (!name.empty() && name.front() == '-') {
      change.remove = true;
      name.remove_prefix(1);
    }
    if (!SplitFullKey(name, change.root, change.path))
      Fail("unknown root key in \"" + std::string(name) + "\"");
    change.path = Utf8ToAnsi(change.path);
    if (!RegNameStorable(change.path)) Fail("a key name with a line break or NUL");
    if (change.remove && SplitKeyPath(change.path).empty()) Fail("a root key cannot be deleted");
    return change;
  }

  // A quoted text at s[pos] ('"' there); pos ends after the closing quote.
  std::string ReadQuoted(std::string_view s, size_t& pos) {
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
      const char c = s[pos];
      if (c == '"') {
        ++pos;
        return out;
      }
      if (c == '\\') {
        if (pos + 1 >= s.size()) break;
        const char e = s[++pos];
        if (e != '\\' && e != '"') Fail(std::string("unknown escape \\") + e + " in a text");
        out += e;
      } else {
        out += c;
      }
    }
    Fail("a text without its closing quote");
  }

  RegValueChange ReadValueLine(std::string_view line, bool version5) {
    RegValueChange change;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else {
      change.name = Utf8ToAnsi(ReadQuoted(line, pos));
      if (!RegNameStorable(change.name)) Fail("a value name with a line break or NUL");
    }
    std::string_view rest = TrimBlanks(line.substr(pos));
    if (rest.empty() || rest.front() != '=') Fail("'=' expected after the value name");
    rest = TrimBlanks(rest.substr(1));
    if (rest == "-") {
      change.remove = true;
    } else if (!rest.empty() && rest.front() == '"') {
      size_t p = 0;
      change.type = REG_SZ;
      change.data = Utf8ToAnsi(ReadQuoted(rest, p));
      if (!TrimBlanks(rest.substr(p)).empty()) Fail("text after the closing quote");
    } else if (StartsWithNoCase(rest, "dword:")) {
      uint32_t v = 0;
      if (!ParseHexNumber(rest.substr(6), 8, v)) Fail("a DWORD needs 1 to 8 hexadecimal digits");
      change.type = REG_DWORD;
      change.data = Dword(v);
    } else if (StartsWithNoCase(rest, "hex")) {
      ReadHexValue(rest.substr(3), version5, change);
    } else {
      Fail("unknown kind of value data");
    }
    return change;
  }

  void ReadHexValue(std::string_view rest, bool version5, RegValueChange& change) {
    uint32_t type = REG_BINARY;
    if (!rest.empty() && rest.front() == '(') {
      const size_t close = rest.find(')');
      if (close == std::string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), 8, type))
        Fail("a value type hex(N) needs a hexadecimal N");
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != ':') Fail("':' expected after hex");
    std::string bytesText(rest.substr(1));
    // Lines ending in '\' go on in the next line.
    for (;;) {
      std::string_view t = TrimBlanks(bytesText);
      if (t.empty() || t.back() != '\\') break;
      if (next_ >= lines_.size()) Fail("the value goes on past the end of the file");
      bytesText = std::string(t.substr(0, t.size() - 1)) + std::string(TrimBlanks(lines_[next_++]));
    }
    std::string bytes;
    std::string_view list = TrimBlanks(bytesText);
    size_t start = 0;
    while (!list.empty() && start <= list.size()) {
      size_t end = list.find(',', start);
      if (end == std::string_view::npos) end = list.size();
      uint32_t b = 0;
      if (!ParseHexNumber(TrimBlanks(list.substr(start, end - start)), 2, b))
        Fail("bad byte in a hex value");
      bytes += static_cast<char>(b);
      start = end + 1;
    }
    change.type = type;
    change.data = HexDataToAnsi(type, bytes, version5);
  }

  // Text types are UTF-16LE in version 5.00 files and ANSI in REGEDIT4 files.
  static std::string HexDataToAnsi(uint32_t type, const std::string& bytes, bool version5) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return bytes;
    std::string text = version5 ? Utf8ToAnsi(Utf16LeToUtf8(bytes)) : bytes;
    if (type != REG_MULTI_SZ) {
      const size_t nul = text.find('\0');
      if (nul != std::string::npos) text.resize(nul);
    }
    return text;
  }

  std::string text_;
  const std::string& source_;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
  size_t lineNo_ = 0;
};

}  // namespace

RegFileContent ParseRegFile(std::string_view bytes, const std::string& source) {
  return RegFileReader(DecodeRegBytes(bytes, source), source).Read();
}

void ApplyRegFile(const RegFileContent& content, RegTree& tree) {
  for (const RegKeyChange& change : content.keys) {
    if (change.remove) {
      tree.Delete(change.root, change.path);
      continue;
    }
    RegKey* key = tree.Create(change.root, change.path);
    if (key == nullptr) continue;  // not produced by ParseRegFile
    for (const RegValueChange& value : change.values) {
      if (value.remove)
        key->DeleteValue(value.name);
      else
        key->SetValue(value.name, value.type, value.data);
    }
  }
}

// ---- writing the text format

namespace {

std::string Quoted(std::string_view ansi) {
  std::string out = "\"";
  for (char c : AnsiToUtf8(ansi)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// "prefix" followed by the bytes in hex, wrapped as the editor wraps them.
void AppendHexLine(std::string& out, std::string line, std::string_view bytes,
                   std::string_view newline) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    line += kDigits[b >> 4];
    line += kDigits[b & 15];
    if (i + 1 == bytes.size()) break;
    line += ',';
    if (line.size() > 76) {
      out += line;
      out += '\\';
      out += newline;
      line = "  ";
    }
  }
  out += line;
  out += newline;
}

std::string TypeTag(uint32_t type) {
  if (type == REG_BINARY) return "hex:";
  static const char kDigits[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[type & 15]);
    type >>= 4;
  } while (type != 0);
  return "hex(" + digits + "):";
}

void AppendValue(std::string& out, const RegValue& value, std::string_view newline) {
  std::string line = value.name.empty() ? "@=" : Quoted(value.name) + "=";
  const bool plainText = value.type == REG_SZ && value.data.find_first_of(std::string_view(
                                                     "\r\n\0", 3)) == std::string::npos;
  if (plainText) {
    out += line + Quoted(value.data);
    out += newline;
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(value.data[i]);
    static const char kDigits[] = "0123456789abcdef";
    std::string hex(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) hex[i] = kDigits[v & 15];
    out += line + "dword:" + hex;
    out += newline;
  } else if (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ) {
    std::string text = value.data;
    if (value.type != REG_MULTI_SZ) text += '\0';
    AppendHexLine(out, line + TypeTag(value.type), Utf8ToUtf16Le(AnsiToUtf8(text)), newline);
  } else {
    AppendHexLine(out, line + TypeTag(value.type), value.data, newline);
  }
}

}  // namespace

void FormatRegKey(const RegKey& key, const std::string& fullName, std::string_view newline,
                  std::string& out) {
  out += "[" + AnsiToUtf8(fullName) + "]";
  out += newline;
  for (const RegValue& value : key.Values()) AppendValue(out, value, newline);
  out += newline;
  for (const auto& sub : key.SubKeys())
    FormatRegKey(*sub, fullName + "\\" + sub->Name(), newline, out);
}

std::string FormatRegTree(const RegTree& tree, std::string_view newline) {
  std::string out(kHeader5);
  out += newline;
  out += newline;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS})
    FormatRegKey(*tree.Root(root), RootName(root), newline, out);
  return out;
}

}  // namespace plat::sim
