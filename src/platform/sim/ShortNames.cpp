#include "platform/sim/ShortNames.h"

#include <cstdint>

#include "platform/Text.h"

namespace plat::sim {
namespace {

bool IsShortChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u < 0x20) return false;
  switch (c) {
    case ' ':
    case '.':
    case '"':
    case '*':
    case '+':
    case ',':
    case '/':
    case ':':
    case ';':
    case '<':
    case '=':
    case '>':
    case '?':
    case '[':
    case '\\':
    case ']':
    case '|':
      return false;
    default:
      return true;
  }
}

// Upper case, characters a short name cannot hold dropped ('+', ',', ';', '=', '[', ']' become
// '_', as the generators do).
std::string ShortPart(std::string_view s) {
  std::string out;
  for (char c : AnsiUpperCase(s)) {
    if (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
      out += '_';
    else if (IsShortChar(c))
      out += c;
  }
  return out;
}

}  // namespace

bool IsShortName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return !name.empty();
  size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (char c : base)
    if (!IsShortChar(c)) return false;
  for (char c : ext)
    if (!IsShortChar(c)) return false;
  return true;
}

std::string ShortNameCandidate(std::string_view longName, int n) {
  size_t lastDot = longName.rfind('.');
  std::string_view basePart = longName;
  std::string_view extPart;
  if (lastDot != std::string_view::npos && lastDot > 0) {
    basePart = longName.substr(0, lastDot);
    extPart = longName.substr(lastDot + 1);
  }
  std::string base = ShortPart(basePart);
  std::string ext = ShortPart(extPart).substr(0, 3);
  if (base.empty()) base = "_";
  if (n <= 4) {
    base = base.substr(0, 6) + "~" + std::to_string(n);
  } else {
    uint32_t hash = 2166136261u;  // FNV-1a of the name and the attempt
    for (char c : longName) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    hash = (hash ^ static_cast<uint32_t>(n)) * 16777619u;
    static const char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (int shift = 12; shift >= 0; shift -= 4) digits += kHex[(hash >> shift) & 15];
    base = base.substr(0, 2) + digits + "~1";
  }
  return ext.empty() ? base : base + "." + ext;
}

}  // namespace plat::sim
