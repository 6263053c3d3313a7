#include "archive/Inflate.h"

#include <algorithm>
#include <array>
#include <bit>

namespace niv {
namespace {

constexpr unsigned kLitRootBits = 10;
constexpr unsigned kDistRootBits = 8;
constexpr unsigned kLengthCodeRootBits = 7;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kLengthCodeOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

constexpr std::array<uint32_t, 288> MakeLitInfo() {
  std::array<uint32_t, 288> info{};
  for (uint32_t s = 0; s < 256; ++s) info[s] = huff::Entry(huff::kLiteral, 0, s);
  info[256] = huff::kEndOfBlock;
  for (uint32_t s = 257; s < 286; ++s)
    info[s] = huff::Entry(0, kLengthExtra[s - 257], kLengthBase[s - 257]);
  info[286] = info[287] = huff::kInvalid;
  return info;
}
constexpr std::array<uint32_t, 32> MakeDistInfo() {
  std::array<uint32_t, 32> info{};
  for (uint32_t s = 0; s < 30; ++s) info[s] = huff::Entry(0, kDistExtra[s], kDistBase[s]);
  info[30] = info[31] = huff::kInvalid;
  return info;
}
constexpr std::array<uint32_t, 19> MakeLengthCodeInfo() {
  std::array<uint32_t, 19> info{};
  for (uint32_t s = 0; s < 19; ++s) info[s] = huff::Entry(0, 0, s);
  return info;
}
constexpr auto kLitInfo = MakeLitInfo();
constexpr auto kDistInfo = MakeDistInfo();
constexpr auto kLengthCodeInfo = MakeLengthCodeInfo();

bool BuildCanonical(THuffmanTable& t, const uint8_t* lengths, const uint32_t* info, unsigned n,
                    unsigned rootBits) {
  uint16_t codes[288] = {};
  return THuffmanTable::CanonicalCodes(lengths, n, codes) &&
         t.Build(lengths, codes, info, n, rootBits);
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

inline uint64_t Mask(unsigned n) {
  return (uint64_t{1} << n) - 1;
}

// Copies a match of len bytes from dist bytes back; may write up to 15 bytes past the end.
inline uint8_t* CopyMatch(uint8_t* out, unsigned dist, unsigned len) {
  const uint8_t* src = out - dist;
  uint8_t* end = out + len;
  if (dist >= 16) {
    do {
      std::memcpy(out, src, 16);
      out += 16;
      src += 16;
    } while (out < end);
  } else if (dist >= 8) {
    do {
      std::memcpy(out, src, 8);
      out += 8;
      src += 8;
    } while (out < end);
  } else if (dist == 1) {
    std::memset(out, *src, len);
  } else {
    for (unsigned i = 0; i < len; ++i) out[i] = src[i];
  }
  return end;
}

}  // namespace

TInflater::TInflater() {
  uint8_t lengths[288];
  std::fill(lengths, lengths + 144, 8);
  std::fill(lengths + 144, lengths + 256, 9);
  std::fill(lengths + 256, lengths + 280, 7);
  std::fill(lengths + 280, lengths + 288, 8);
  BuildCanonical(fixedLit_, lengths, kLitInfo.data(), 288, kLitRootBits);
  std::fill(lengths, lengths + 32, 5);
  BuildCanonical(fixedDist_, lengths, kDistInfo.data(), 32, kDistRootBits);
}

TDecodeResult TInflater::Run(TBitReader& in, TWindow& out) {
  bool last = false;
  while (!last) {
    last = in.Get(1) != 0;
    uint32_t type = in.Get(2);
    if (in.Overrun()) return TDecodeResult::Bad;
    TDecodeResult r = TDecodeResult::Bad;
    if (type == 0) {
      r = Stored(in, out);
    } else if (type == 1) {
      r = Codes(in, out, fixedLit_, fixedDist_);
    } else if (type == 2) {
      if (ReadDynamicTables(in)) r = Codes(in, out, lit_, dist_);
    }
    if (r != TDecodeResult::Done) return r;
  }
  return TDecodeResult::Done;
}

TDecodeResult TInflater::Stored(TBitReader& in, TWindow& out) {
  in.AlignToByte();
  uint32_t len = in.Get(16);
  uint32_t nlen = in.Get(16);
  if (in.Overrun() || len != (~nlen & 0xFFFF)) return TDecodeResult::Bad;
  // Whole bytes still in the bit buffer come first, then the input itself.
  for (; len && in.count >= 8; --len) out.Put(static_cast<uint8_t>(in.Get(8)));
  if (in.Overrun()) return TDecodeResult::Bad;
  in.bits = 0;
  while (len) {
    if (in.in.Available() == 0 && !in.in.Refill()) return TDecodeResult::Bad;
    out.MakeRoom();
    size_t room = static_cast<size_t>(out.Limit() + TWindow::kSlack - out.out);
    size_t n = std::min<size_t>({len, in.in.Available(), room});
    std::memcpy(out.out, in.in.next, n);
    out.out += n;
    in.in.next += n;
    len -= static_cast<uint32_t>(n);
  }
  return TDecodeResult::Done;
}

bool TInflater::ReadDynamicTables(TBitReader& in) {
  unsigned nlit = in.Get(5) + 257;
  unsigned ndist = in.Get(5) + 1;
  unsigned ncode = in.Get(4) + 4;
  if (nlit > 286 || ndist > 30) return false;
  uint8_t codeLengths[19] = {};
  for (unsigned i = 0; i < ncode; ++i)
    codeLengths[kLengthCodeOrder[i]] = static_cast<uint8_t>(in.Get(3));
  if (in.Overrun()) return false;
  if (!BuildCanonical(lengths_, codeLengths, kLengthCodeInfo.data(), 19, kLengthCodeRootBits))
    return false;

  uint8_t lengths[286 + 30] = {};
  unsigned total = nlit + ndist;
  for (unsigned i = 0; i < total;) {
    in.Fill(16);
    unsigned used;
    uint32_t e = DecodeSymbol(lengths_, in.bits, used);
    in.Drop(used);
    if (e & huff::kSpecial) return false;
    uint32_t sym = huff::Value(e);
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint8_t value = 0;
    unsigned repeat;
    if (sym == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + in.Get(2);
    } else if (sym == 17) {
      repeat = 3 + in.Get(3);
    } else {
      repeat = 11 + in.Get(7);
    }
    if (i + repeat > total) return false;
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  if (in.Overrun() || lengths[256] == 0) return false;
  return BuildCanonical(lit_, lengths, kLitInfo.data(), nlit, kLitRootBits) &&
         BuildCanonical(dist_, lengths + nlit, kDistInfo.data(), ndist, kDistRootBits);
}

TDecodeResult TInflater::Codes(TBitReader& in, TWindow& out, const THuffmanTable& lit,
                               const THuffmanTable& dist) {
  const uint32_t* lt = lit.Data();
  const uint32_t* dt = dist.Data();
  const uint32_t litMask = lit.RootMask();
  const uint32_t distMask = dist.RootMask();
  const unsigned litRoot = lit.RootBits();
  const unsigned distRoot = dist.RootBits();

  for (;;) {
    // Fast path: eight input bytes readable and room for a whole match; one refill of the bit
    // buffer holds the longest length code, its extra bits, distance code and extra bits.
    if (in.in.Available() < 8) in.in.Refill();
    {
      uint64_t bits = in.bits;
      unsigned count = in.count;
      const uint8_t* ip = in.in.next;
      const uint8_t* const ipEnd = in.in.end - 8;
      uint8_t* op = out.out;
      uint8_t* const opEnd = out.Limit();
      const uint8_t* const earliest = out.Earliest();
      TDecodeResult result = TDecodeResult::Done;
      bool finished = false;
      while (ip <= ipEnd && op < opEnd) {
        bits |= Load64(ip) << count;
        ip += (63 - count) >> 3;
        count |= 56;
        uint32_t e = lt[bits & litMask];
        if (e & huff::kLink) {
          bits >>= litRoot;
          count -= litRoot;
          e = lt[huff::Value(e) + (bits & Mask(huff::Extra(e)))];
        }
        bits >>= huff::Bits(e);
        count -= huff::Bits(e);
        if (e & huff::kLiteral) {
          *op++ = static_cast<uint8_t>(huff::Value(e));
          // Literals in the root table are at most litRoot bits long, so the buffer holds a
          // whole one while that many bits are left. The slack past the limit takes the extra
          // bytes (at most one per bit of a refill).
          while (count >= litRoot) {
            e = lt[bits & litMask];
            if (!(e & huff::kLiteral)) break;
            bits >>= huff::Bits(e);
            count -= huff::Bits(e);
            *op++ = static_cast<uint8_t>(huff::Value(e));
          }
          continue;
        }
        if (e & huff::kSpecial) {
          finished = true;
          if (huff::Value(e) != 0) result = TDecodeResult::Bad;
          break;
        }
        unsigned len = huff::Value(e) + static_cast<unsigned>(bits & Mask(huff::Extra(e)));
        bits >>= huff::Extra(e);
        count -= huff::Extra(e);
        e = dt[bits & distMask];
        if (e & huff::kLink) {
          bits >>= distRoot;
          count -= distRoot;
          e = dt[huff::Value(e) + (bits & Mask(huff::Extra(e)))];
        }
        bits >>= huff::Bits(e);
        count -= huff::Bits(e);
        unsigned d = huff::Value(e) + static_cast<unsigned>(bits & Mask(huff::Extra(e)));
        bits >>= huff::Extra(e);
        count -= huff::Extra(e);
        if ((e & huff::kSpecial) || d > static_cast<size_t>(op - earliest)) {
          finished = true;
          result = TDecodeResult::Bad;
          break;
        }
        op = CopyMatch(op, d, len);
      }
      in.bits = bits;
      in.count = count;
      in.in.next = ip;
      out.out = op;
      if (finished) return result;
    }

    // Slow path: one symbol at a time, near the end of the input or of the window's span.
    out.MakeRoom();
    in.Fill(16);
    unsigned used;
    uint32_t e = DecodeSymbol(lit, in.bits, used);
    in.Drop(used);
    if (in.Overrun()) return TDecodeResult::Bad;
    if (e & huff::kLiteral) {
      *out.out++ = static_cast<uint8_t>(huff::Value(e));
      continue;
    }
    if (e & huff::kSpecial) return huff::Value(e) == 0 ? TDecodeResult::Done : TDecodeResult::Bad;
    unsigned len = huff::Value(e) + in.Get(huff::Extra(e));
    in.Fill(16);
    e = DecodeSymbol(dist, in.bits, used);
    in.Drop(used);
    if (e & huff::kSpecial) return TDecodeResult::Bad;
    unsigned d = huff::Value(e) + in.Get(huff::Extra(e));
    if (in.Overrun() || d > static_cast<size_t>(out.out - out.Earliest()))
      return TDecodeResult::Bad;
    out.out = CopyMatch(out.out, d, len);
  }
}

}  // namespace niv
