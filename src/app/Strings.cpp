#include "app/Strings.h"

#include "platform/System.h"
#include "platform/Text.h"

namespace niv {

std::string JoinParams(const std::vector<std::string>& params) {
  std::string joined;
  for (const std::string& param : params) {
    if (!plat::Trim(joined).empty()) joined += ' ';
    joined += param;
  }
  return joined;
}

std::string JoinedCommandLine() {
  std::vector<std::string> params;
  for (int i = 1; i <= plat::ParamCount(); ++i) params.push_back(plat::ParamStr(i));
  return JoinParams(params);
}

void SplitToken(std::string& text, char separator, std::string& token) {
  size_t at = text.find(separator);
  if (at == std::string::npos) {
    token = std::move(text);
    text.clear();
    return;
  }
  token = text.substr(0, at);
  text.erase(0, at + 1);
}

void SplitTokenAtLast(std::string& text, char separator, std::string& token) {
  size_t at = text.rfind(separator);
  if (at == std::string::npos) {
    token = std::move(text);
    text.clear();
    return;
  }
  token = text.substr(at + 1);
  text.erase(at);
}

void SplitAt(std::string& text, std::string_view separator, std::string& token) {
  size_t at = separator.empty() ? std::string::npos : text.find(separator);
  if (at == std::string::npos) {
    token = std::move(text);
    text.clear();
    return;
  }
  token = text.substr(0, at);
  text.erase(0, at + separator.size());
}

std::string StripTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

std::string DirWithoutBackslash(std::string_view path) {
  std::string dir = StripTrailingBackslash(path);
  if (!dir.empty() && dir.back() == ':') dir += '\\';
  return dir;
}

std::string WithTrailingBackslash(std::string_view path) {
  std::string dir(path);
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

}  // namespace niv
