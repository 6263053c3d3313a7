#include "archive/Explode.h"

#include <algorithm>
#include <numeric>

namespace niv {
namespace {

constexpr unsigned kRootBits = 9;

// Decodes a symbol of a tree; false when the input ended or the bits match no code.
bool Decode(TBitReader& in, const THuffmanTable& t, unsigned& symbol) {
  in.Fill(16);
  unsigned used;
  uint32_t e = DecodeSymbol(t, in.bits, used);
  in.Drop(used);
  symbol = huff::Value(e);
  return !(e & huff::kSpecial) && !in.Overrun();
}

}  // namespace

// A tree is stored as a byte giving the number of following bytes less one; each of those holds
// a code length less one (low 4 bits) and how many consecutive symbols have it, less one. The
// codes are assigned from the longest lengths down, as the format defines them.
bool TExploder::ReadTree(TBitReader& in, THuffmanTable& table, unsigned symbols,
                         unsigned rootBits) {
  uint8_t lengths[256];
  unsigned bytes = in.Get(8) + 1;
  unsigned n = 0;
  for (unsigned i = 0; i < bytes; ++i) {
    unsigned b = in.Get(8);
    unsigned length = (b & 0x0F) + 1;
    unsigned repeat = (b >> 4) + 1;
    if (n + repeat > symbols) return false;
    std::fill(lengths + n, lengths + n + repeat, static_cast<uint8_t>(length));
    n += repeat;
  }
  if (in.Overrun() || n != symbols) return false;

  // Symbols in order of increasing length (stable), codes handed out from the last one.
  unsigned order[256];
  std::iota(order, order + symbols, 0u);
  std::stable_sort(order, order + symbols,
                   [&](unsigned a, unsigned b) { return lengths[a] < lengths[b]; });
  uint16_t codes[256];
  uint32_t code = 0, increment = 0;
  unsigned lastLength = 0;
  for (unsigned i = symbols; i-- > 0;) {
    unsigned s = order[i];
    code += increment;
    if (code > 0xFFFF) return false;
    if (lengths[s] != lastLength) {
      lastLength = lengths[s];
      increment = 1u << (16 - lastLength);
    }
    codes[s] = static_cast<uint16_t>(code >> (16 - lengths[s]));
  }
  uint32_t info[256];
  for (unsigned s = 0; s < symbols; ++s) info[s] = huff::Entry(0, 0, s);
  return table.Build(lengths, codes, info, symbols, rootBits);
}

TDecodeResult TExploder::Run(TBitReader& in, TWindow& out, uint16_t flags, uint64_t size) {
  const bool bigWindow = flags & 2;
  const bool literalTree = flags & 4;
  if (literalTree && !ReadTree(in, literals_, 256, kRootBits)) return TDecodeResult::Bad;
  if (!ReadTree(in, lengths_, 64, 7) || !ReadTree(in, distances_, 64, 7)) return TDecodeResult::Bad;
  const unsigned lowDistanceBits = bigWindow ? 7 : 6;
  const unsigned minLength = literalTree ? 3 : 2;

  uint64_t produced = 0;
  while (produced < size) {
    if (in.Get(1)) {
      unsigned c;
      if (literalTree) {
        if (!Decode(in, literals_, c)) return TDecodeResult::Bad;
      } else {
        c = in.Get(8);
        if (in.Overrun()) return TDecodeResult::Bad;
      }
      out.Put(static_cast<uint8_t>(c));
      ++produced;
      continue;
    }
    unsigned low = in.Get(lowDistanceBits);
    unsigned high, length;
    if (!Decode(in, distances_, high) || !Decode(in, lengths_, length)) return TDecodeResult::Bad;
    unsigned distance = ((high << lowDistanceBits) | low) + 1;
    if (length == 63) length += in.Get(8);
    length += minLength;
    if (in.Overrun()) return TDecodeResult::Bad;
    // References before the start of the data give zeros, as the old imploders wrote them.
    uint64_t run = std::min<uint64_t>(length, size - produced);
    for (uint64_t i = 0; i < run; ++i) {
      out.MakeRoom();
      *out.out = out.out[-static_cast<ptrdiff_t>(distance)];
      ++out.out;
    }
    produced += run;
  }
  return TDecodeResult::Done;
}

}  // namespace niv
