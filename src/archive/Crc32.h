#pragma once
// The ZIP CRC-32 (reflected polynomial 0xEDB88320), table-driven sixteen bytes at a time. The
// running value starts at 0xFFFFFFFF and is complemented at the end.
#include <cstddef>
#include <cstdint>

namespace niv {

constexpr uint32_t kCrcStart = 0xFFFFFFFF;

// Continues a running CRC (not complemented) over data.
uint32_t UpdateCrc32(uint32_t running, const void* data, size_t count);

// The finished CRC-32 of data.
inline uint32_t Crc32(const void* data, size_t count) {
  return ~UpdateCrc32(kCrcStart, data, count);
}

}  // namespace niv
