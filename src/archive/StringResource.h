#pragma once
// Message tables stored as raw resources of type "S_STRINGTABLE": records of a 16-bit number
// (little-endian), an 8-bit length and the text, ended by number 0. Tables are loaded on first
// use and stay loaded for the life of the program.
#include <cstdint>
#include <string>
#include <string_view>

namespace niv {

class TS_StringResource {
 public:
  // The text of message number in table; empty when the table has no such number. A table that
  // is not among the program's resources raises EResNotFound.
  static std::string Load(std::string_view table, uint16_t number);
};

}  // namespace niv
