#include "archive/Crc32.h"

#include <array>
#include <bit>
#include <cstring>

namespace niv {
namespace {

using TCrcTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr TCrcTables MakeTables() {
  TCrcTables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  // Table k gives the effect of a byte followed by k zero bytes.
  for (uint32_t n = 0; n < 256; ++n)
    for (int k = 1; k < 16; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  return t;
}

constexpr TCrcTables kTables = MakeTables();

uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  return v;
}

}  // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t count) {
  auto p = static_cast<const uint8_t*>(data);
  while (count >= 16) {
    uint32_t a = Load32(p) ^ crc;
    uint32_t b = Load32(p + 4);
    uint32_t c = Load32(p + 8);
    uint32_t d = Load32(p + 12);
    crc = kTables[15][a & 0xFF] ^ kTables[14][(a >> 8) & 0xFF] ^ kTables[13][(a >> 16) & 0xFF] ^
          kTables[12][a >> 24] ^ kTables[11][b & 0xFF] ^ kTables[10][(b >> 8) & 0xFF] ^
          kTables[9][(b >> 16) & 0xFF] ^ kTables[8][b >> 24] ^ kTables[7][c & 0xFF] ^
          kTables[6][(c >> 8) & 0xFF] ^ kTables[5][(c >> 16) & 0xFF] ^ kTables[4][c >> 24] ^
          kTables[3][d & 0xFF] ^ kTables[2][(d >> 8) & 0xFF] ^ kTables[1][(d >> 16) & 0xFF] ^
          kTables[0][d >> 24];
    p += 16;
    count -= 16;
  }
  while (count--) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace niv
