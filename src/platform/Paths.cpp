#include "platform/Paths.h"

#include <vector>

#include "platform/sim/ProcessState.h"

namespace plat {
namespace {

bool IsDelimiter(char c) {
  return c == '\\' || c == ':';
}

size_t LastDelimiter(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsDelimiter(path[i - 1])) return i - 1;
  return std::string_view::npos;
}

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && IsDriveLetter(s[0]);
}

// Windows drops trailing dots and blanks of a path component ("name. " is "name").
std::string_view StripTrailingDotsAndBlanks(std::string_view c) {
  while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.remove_suffix(1);
  return c;
}

// Splits "\\Server\Share\rest" into its root ("\\Server\Share") and the rest.
void SplitUnc(std::string_view s, std::string& root, std::string_view& rest) {
  size_t server = s.find('\\', 2);
  if (server == std::string_view::npos) {
    root = std::string(s);
    rest = {};
    return;
  }
  size_t share = s.find('\\', server + 1);
  if (share == std::string_view::npos) share = s.size();
  root = std::string(s.substr(0, share));
  rest = s.substr(share);
}

// The root ("C:" or "\\Server\Share") and the components of an absolute path.
void SplitAbsolute(std::string_view s, std::string& root, std::string_view& rest) {
  if (IsUncPath(s)) {
    SplitUnc(s, root, rest);
  } else {
    root = std::string(s.substr(0, 2));
    root[0] = static_cast<char>(root[0] & ~0x20);
    rest = s.substr(2);
  }
}

void AppendComponents(std::string_view rest, std::vector<std::string>& parts) {
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t next = rest.find('\\', pos);
    if (next == std::string_view::npos) next = rest.size();
    std::string_view c = rest.substr(pos, next - pos);
    pos = next + 1;
    if (c.empty() || c == ".") continue;
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();  // never above the root
      continue;
    }
    c = StripTrailingDotsAndBlanks(c);
    if (!c.empty()) parts.emplace_back(c);
  }
}

}  // namespace

bool IsUncPath(std::string_view path) {
  return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
         (path[1] == '\\' || path[1] == '/');
}

std::string ExtractFilePath(std::string_view path) {
  size_t i = LastDelimiter(path);
  return i == std::string_view::npos ? "" : std::string(path.substr(0, i + 1));
}

std::string ExtractFileName(std::string_view path) {
  size_t i = LastDelimiter(path);
  return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string ExtractFileExt(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    char c = path[i - 1];
    if (IsDelimiter(c)) break;
    if (c == '.') return std::string(path.substr(i - 1));
  }
  return "";
}

std::string ExtractFileDrive(std::string_view path) {
  if (HasDrive(path)) return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    std::string root;
    std::string_view rest;
    SplitUnc(path, root, rest);
    return root;
  }
  return "";
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string old = ExtractFileExt(path);
  return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string s(path);
  if (s.empty() || s.back() != '\\') s += '\\';
  return s;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::string s(path);
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

std::string ExpandFileName(std::string_view path) {
  std::string s(path);
  for (char& c : s)
    if (c == '/') c = '\\';
  if (s.empty()) return sim::CurrentDirectory();
  bool trailing = s.back() == '\\';

  std::string root;
  std::vector<std::string> parts;
  std::string_view rest;
  auto startFrom = [&](const std::string& base) {
    std::string_view baseRest;
    SplitAbsolute(base, root, baseRest);
    AppendComponents(baseRest, parts);
  };
  if (IsUncPath(s) || (HasDrive(s) && s.size() > 2 && s[2] == '\\')) {
    SplitAbsolute(s, root, rest);
  } else if (HasDrive(s)) {  // "C:name": against the current directory when it is on C:
    std::string cwd = sim::CurrentDirectory();
    if (HasDrive(cwd) && (cwd[0] & ~0x20) == (s[0] & ~0x20))
      startFrom(cwd);
    else
      startFrom(std::string(1, s[0]) + ":\\");
    rest = std::string_view(s).substr(2);
  } else if (s[0] == '\\') {  // "\name": the root of the current drive
    std::string cwd = sim::CurrentDirectory();
    std::string_view ignored;
    SplitAbsolute(cwd, root, ignored);
    rest = s;
  } else {
    startFrom(sim::CurrentDirectory());
    rest = s;
  }
  AppendComponents(rest, parts);

  std::string out = root;
  for (const std::string& p : parts) out += "\\" + p;
  if (parts.empty() || trailing) out += '\\';
  return out;
}

}  // namespace plat
