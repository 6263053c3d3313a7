#include "archive/HuffmanTable.h"

#include <algorithm>

namespace niv {
namespace {

// Reverses the low `length` bits of a code of at most 16 bits.
uint32_t Reverse(uint32_t code, unsigned length) {
  code = ((code & 0x5555) << 1) | ((code >> 1) & 0x5555);
  code = ((code & 0x3333) << 2) | ((code >> 2) & 0x3333);
  code = ((code & 0x0F0F) << 4) | ((code >> 4) & 0x0F0F);
  code = ((code & 0x00FF) << 8) | ((code >> 8) & 0x00FF);
  return code >> (16 - length);
}

}  // namespace

bool THuffmanTable::CanonicalCodes(const uint8_t* lengths, unsigned n, uint16_t* codes) {
  unsigned count[17] = {};
  for (unsigned s = 0; s < n; ++s) {
    if (lengths[s] > 15) return false;
    ++count[lengths[s]];
  }
  count[0] = 0;
  uint32_t next[17] = {};
  int32_t left = 1;
  uint32_t code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    left = left * 2 - static_cast<int32_t>(count[len]);
    if (left < 0) return false;  // over-subscribed
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  for (unsigned s = 0; s < n; ++s)
    if (lengths[s]) codes[s] = static_cast<uint16_t>(next[lengths[s]]++);
  return true;
}

bool THuffmanTable::Build(const uint8_t* lengths, const uint16_t* codes, const uint32_t* info,
                          unsigned n, unsigned rootBits) {
  rootBits_ = rootBits;
  const uint32_t rootSize = 1u << rootBits;
  // Width of the second-level table under each root pattern: the longest code below it.
  std::vector<uint8_t> subBits(rootSize, 0);
  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lengths[s];
    if (len > 16) return false;
    if (len <= rootBits) continue;
    uint32_t prefix = Reverse(codes[s] >> (len - rootBits), rootBits);
    subBits[prefix] = std::max<uint8_t>(subBits[prefix], static_cast<uint8_t>(len - rootBits));
  }
  std::vector<uint32_t> subOffset(rootSize, 0);
  entries_.assign(rootSize, huff::kInvalid | 1);
  for (uint32_t p = 0; p < rootSize; ++p)
    if (subBits[p]) {
      subOffset[p] = static_cast<uint32_t>(entries_.size());
      entries_[p] = huff::Entry(huff::kLink, subBits[p], subOffset[p]);
      entries_.resize(entries_.size() + (1u << subBits[p]), huff::kInvalid | 1);
    }

  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    uint32_t rev = Reverse(codes[s], len);
    if (len <= rootBits) {
      for (uint32_t i = rev; i < rootSize; i += 1u << len) {
        if (entries_[i] & huff::kLink) return false;  // a shorter code is a prefix of a longer
        entries_[i] = info[s] | len;
      }
    } else {
      uint32_t prefix = rev & (rootSize - 1);
      unsigned sub = subBits[prefix];
      unsigned rest = len - rootBits;
      for (uint32_t i = rev >> rootBits; i < (1u << sub); i += 1u << rest)
        entries_[subOffset[prefix] + i] = info[s] | rest;
    }
  }
  return true;
}

}  // namespace niv
