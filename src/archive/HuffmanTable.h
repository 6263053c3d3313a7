#pragma once
// Lookup tables for prefix codes read least significant bit first. The root table is indexed by
// the next rootBits bits; codes longer than that go through a second-level table. An entry packs
// the bits to drop, flags, a count of extra bits (or the second-level index width) and a value.
#include <cstdint>
#include <vector>

namespace niv {

namespace huff {
constexpr uint32_t kLengthMask = 0x1F;
constexpr uint32_t kLiteral = 0x20;
constexpr uint32_t kLink = 0x40;     // value: offset of a second-level table; extra: its bits
constexpr uint32_t kSpecial = 0x80;  // value 0: end of block; value 1: invalid code
constexpr uint32_t kEndOfBlock = kSpecial;
constexpr uint32_t kInvalid = kSpecial | (1u << 16);

constexpr uint32_t Entry(uint32_t flags, uint32_t extra, uint32_t value) {
  return flags | (extra << 8) | (value << 16);
}
inline uint32_t Bits(uint32_t e) {
  return e & kLengthMask;
}
inline uint32_t Extra(uint32_t e) {
  return (e >> 8) & 0xFF;
}
inline uint32_t Value(uint32_t e) {
  return e >> 16;
}
}  // namespace huff

class THuffmanTable {
 public:
  // Builds the table for symbols 0..n-1 with code lengths lengths[] (0: unused) and codes[] (the
  // code of each symbol, most significant bit first as it appears in the stream); info[] is the
  // entry (flags, extra, value) of each symbol, without its length. Unused bit patterns decode as
  // invalid. False when the lengths exceed 16 or codes collide.
  bool Build(const uint8_t* lengths, const uint16_t* codes, const uint32_t* info, unsigned n,
             unsigned rootBits);
  // Canonical codes as deflate assigns them; false when the lengths over-subscribe the code.
  static bool CanonicalCodes(const uint8_t* lengths, unsigned n, uint16_t* codes);

  const uint32_t* Data() const { return entries_.data(); }
  unsigned RootBits() const { return rootBits_; }
  uint32_t RootMask() const { return (1u << rootBits_) - 1; }

 private:
  std::vector<uint32_t> entries_;
  unsigned rootBits_ = 0;
};

// Decodes one symbol with at least 16 valid bits in `bits` (zero-padded past the input's end);
// gives the entry and the number of bits it used.
inline uint32_t DecodeSymbol(const THuffmanTable& t, uint64_t bits, unsigned& used) {
  const uint32_t* d = t.Data();
  uint32_t e = d[bits & t.RootMask()];
  used = 0;
  if (e & huff::kLink) {
    used = t.RootBits();
    e = d[huff::Value(e) + ((bits >> used) & ((1u << huff::Extra(e)) - 1))];
  }
  used += huff::Bits(e);
  return e;
}

}  // namespace niv
