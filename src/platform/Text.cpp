#include "platform/Text.h"

#include <array>
#include <cstring>
#include <memory>

#include "platform/Exceptions.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"

namespace plat {
namespace {

// The upper halves of the code pages the layer knows, as Unicode code points. Bytes a code page
// leaves undefined map to the C1 control of the same value, so every byte survives a round trip.
constexpr uint16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr uint16_t kCp866[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

constexpr uint16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr uint16_t kCp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

struct CodePage {
  const uint16_t* upper = nullptr;             // bytes 0x80..0xFF
  std::array<uint8_t, 0x10000> fromUnicode{};  // 0: no form in this code page (except U+0000)
};

const uint16_t* TableOf(int codePage) {
  switch (codePage) {
    case 1251:
      return kCp1251;
    case 866:
      return kCp866;
    case 437:
      return kCp437;
    case 1252:
      return kCp1252;
    default:
      return nullptr;
  }
}

const CodePage& GetCodePage(int codePage) {
  static const auto make = [](int cp) {
    auto page = std::make_unique<CodePage>();
    page->upper = TableOf(cp);
    for (unsigned b = 1; b < 0x80; ++b) page->fromUnicode[b] = static_cast<uint8_t>(b);
    for (unsigned b = 0x80; b < 0x100; ++b)
      page->fromUnicode[page->upper[b - 0x80]] = static_cast<uint8_t>(b);
    return page;
  };
  static const std::unique_ptr<CodePage> p1251 = make(1251), p866 = make(866), p437 = make(437),
                                         p1252 = make(1252);
  switch (codePage) {
    case 866:
      return *p866;
    case 437:
      return *p437;
    case 1252:
      return *p1252;
    case 1251:
      return *p1251;
    default:
      throw Exception("Unknown code page " + std::to_string(codePage));
  }
}

uint32_t ToUnicode(const CodePage& page, unsigned char c) {
  return c < 0x80 ? c : page.upper[c - 0x80];
}

char FromUnicode(const CodePage& page, uint32_t u) {
  if (u == 0) return '\0';
  if (u >= 0x10000) return '?';
  uint8_t b = page.fromUnicode[u];
  return b ? static_cast<char>(b) : '?';
}

// Decodes one UTF-8 sequence at s[i]; malformed input gives U+FFFD and advances by one byte.
uint32_t DecodeUtf8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (len == 0 || c >= 0xF8 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  uint32_t u = c & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    u = (u << 6) | (cc & 0x3F);
  }
  static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (u < kMin[len] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += len;
  return u;
}

void EncodeUtf8(uint32_t u, std::string& out) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Case pairs of code page 1251: ASCII and the Cyrillic letters, from their Unicode pairs.
uint32_t UnicodeUpper(uint32_t u) {
  if (u >= 'a' && u <= 'z') return u - 32;
  if (u >= 0x430 && u <= 0x44F) return u - 0x20;
  if (u >= 0x450 && u <= 0x45F) return u - 0x50;
  if (u == 0x491) return 0x490;
  return u;
}
uint32_t UnicodeLower(uint32_t u) {
  if (u >= 'A' && u <= 'Z') return u + 32;
  if (u >= 0x410 && u <= 0x42F) return u + 0x20;
  if (u >= 0x400 && u <= 0x40F) return u + 0x50;
  if (u == 0x490) return 0x491;
  return u;
}

struct CaseTables {
  std::array<char, 256> upper{}, lower{};
  std::array<uint16_t, 256> collation{};  // upper-case Unicode code point: the compare order
  CaseTables() {
    const CodePage& page = GetCodePage(1251);
    for (unsigned b = 0; b < 256; ++b) {
      uint32_t u = ToUnicode(page, static_cast<unsigned char>(b));
      char up = FromUnicode(page, UnicodeUpper(u));
      char lo = FromUnicode(page, UnicodeLower(u));
      upper[b] = UnicodeUpper(u) != u && up != '?' ? up : static_cast<char>(b);
      lower[b] = UnicodeLower(u) != u && lo != '?' ? lo : static_cast<char>(b);
      collation[b] = static_cast<uint16_t>(UnicodeUpper(u));
    }
  }
};
const CaseTables& Cases() {
  static const CaseTables tables;
  return tables;
}

void MachineCodePages(int& oem, int& ansi) {
  oem = 866;
  ansi = 1251;
  if (sim::CurrentMachineDir().empty()) return;
  try {
    const sim::MachineConfig& config = sim::CurrentMachine();
    oem = config.oemCodePage;
    ansi = config.ansiCodePage;
  } catch (const Exception&) {
    // A machine whose configuration cannot be read converts with the defaults.
  }
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  return ConvertCodePage(utf8, 65001, 1251);
}
std::string AnsiToUtf8(std::string_view ansi) {
  return ConvertCodePage(ansi, 1251, 65001);
}

std::string OemToAnsi(std::string_view oem) {
  int o, a;
  MachineCodePages(o, a);
  return ConvertCodePage(oem, o, a);
}

std::string AnsiToOem(std::string_view ansi) {
  int o, a;
  MachineCodePages(o, a);
  return ConvertCodePage(ansi, a, o);
}

// 65001 stands for UTF-8, as on Windows.
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage) {
  if (fromCodePage == toCodePage) return std::string(text);
  std::string out;
  out.reserve(text.size() * (toCodePage == 65001 ? 2 : 1));
  const CodePage* to = toCodePage == 65001 ? nullptr : &GetCodePage(toCodePage);
  const CodePage* from = fromCodePage == 65001 ? nullptr : &GetCodePage(fromCodePage);
  for (size_t i = 0; i < text.size();) {
    uint32_t u;
    if (from) {
      u = ToUnicode(*from, static_cast<unsigned char>(text[i]));
      ++i;
    } else {
      u = DecodeUtf8(text, i);
    }
    if (to)
      out += FromUnicode(*to, u);
    else
      EncodeUtf8(u, out);
  }
  return out;
}

std::string AnsiUpperCase(std::string_view s) {
  const CaseTables& t = Cases();
  std::string out(s);
  for (char& c : out) c = t.upper[static_cast<unsigned char>(c)];
  return out;
}

std::string AnsiLowerCase(std::string_view s) {
  const CaseTables& t = Cases();
  std::string out(s);
  for (char& c : out) c = t.lower[static_cast<unsigned char>(c)];
  return out;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  const CaseTables& t = Cases();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = t.collation[static_cast<unsigned char>(a[i])];
    int cb = t.collation[static_cast<unsigned char>(b[i])];
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

// Leading blanks and a sign are accepted, as the framework's conversion does; nothing may follow
// the digits.
bool TryStrToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v = 0;
  if (!TryStrToInt(s, v))
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

}  // namespace plat
