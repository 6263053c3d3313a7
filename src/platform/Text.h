#pragma once
// 8-bit texts in the machine's code pages. The program's strings are ANSI (code page 1251 by
// default); archive names come in the OEM code page (866 by default). Conversions to UTF-8 happen
// only at the edges (the console agent, tools that print for people).
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// UTF-8 <-> code page 1251, for the program's Russian literals and for people at terminals.
// Characters without a 1251 form become '?'.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
// Literal in UTF-8 source, converted once to the ANSI code page.
inline std::string A(std::string_view utf8) { return Utf8ToAnsi(utf8); }

// OEM <-> ANSI of the current machine (866 <-> 1251 by default).
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);
// Same conversions between explicit code pages (866, 1251, 437, 1252 are known).
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage);

// Case mapping and comparison in the ANSI code page (1251: Latin and Cyrillic letters).
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
int AnsiCompareText(std::string_view a, std::string_view b);  // <0, 0, >0, ignoring case
inline bool AnsiSameText(std::string_view a, std::string_view b) {
  return AnsiCompareText(a, b) == 0;
}
// ASCII-only case folding, as the Win32 file system and the registry compare names.
std::string AsciiUpper(std::string_view s);
bool AsciiSameText(std::string_view a, std::string_view b);

std::string Trim(std::string_view s);  // removes characters up to and including the blank
std::string IntToStr(int64_t value);
// Decimal integer of 32 bits; anything else raises EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int32_t& value);

}  // namespace plat
