#pragma once
// Builds small ZIP archives byte by byte, so that tests can make the damaged and unusual ones
// that no archiver writes.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

struct Member {
  std::string name;  // as stored (OEM, '/' separators)
  std::string data;  // stored uncompressed
  uint32_t dosDateTime = (uint32_t{(2020 - 1980) << 9 | 5 << 5 | 17} << 16) | (10 << 11 | 30 << 5);
  uint32_t externalAttributes = 0x20;
  uint16_t flags = 0;
  uint32_t crcOverride = 0;  // non-zero: the CRC written into both headers
  uint16_t disk = 0;
  uint32_t offsetOverride = 0xFFFFFFFF;  // recorded local header offset, when set
};

struct Options {
  std::string prefix;   // bytes before the first local header, not in the offsets
  std::string comment;  // archive comment
  bool endRecord = true;
  bool centralDirectory = true;
  int commentLengthDelta = 0;  // added to the recorded comment length
  int totalEntriesDelta = 0;   // added to the recorded entry counts
  int nameLengthDelta = 0;     // added to the last central header's name length
};

inline void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

inline uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string Build(const std::vector<Member>& members, const Options& o = {}) {
  std::string out = o.prefix;
  std::vector<uint32_t> offsets;
  for (const Member& m : members) {
    offsets.push_back(static_cast<uint32_t>(out.size() - o.prefix.size()));
    uint32_t crc = m.crcOverride ? m.crcOverride : Crc(m.data);
    Put32(out, 0x04034B50);
    Put16(out, 10);
    Put16(out, m.flags);
    Put16(out, 0);
    Put32(out, m.dosDateTime);
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(m.data.size()));
    Put32(out, static_cast<uint32_t>(m.data.size()));
    Put16(out, static_cast<uint32_t>(m.name.size()));
    Put16(out, 0);
    out += m.name;
    out += m.data;
  }
  uint32_t centralStart = static_cast<uint32_t>(out.size() - o.prefix.size());
  if (o.centralDirectory) {
    for (size_t i = 0; i < members.size(); ++i) {
      const Member& m = members[i];
      uint32_t crc = m.crcOverride ? m.crcOverride : Crc(m.data);
      Put32(out, 0x02014B50);
      Put16(out, 20);
      Put16(out, 10);
      Put16(out, m.flags);
      Put16(out, 0);
      Put32(out, m.dosDateTime);
      Put32(out, crc);
      Put32(out, static_cast<uint32_t>(m.data.size()));
      Put32(out, static_cast<uint32_t>(m.data.size()));
      int nameLength = static_cast<int>(m.name.size());
      if (i + 1 == members.size()) nameLength += o.nameLengthDelta;
      Put16(out, static_cast<uint32_t>(nameLength));
      Put16(out, 0);
      Put16(out, 0);
      Put16(out, m.disk);
      Put16(out, 0);
      Put32(out, m.externalAttributes);
      Put32(out, m.offsetOverride != 0xFFFFFFFF ? m.offsetOverride : offsets[i]);
      out += m.name;
    }
  }
  uint32_t centralSize = static_cast<uint32_t>(out.size() - o.prefix.size()) - centralStart;
  if (o.endRecord) {
    uint32_t entries =
        static_cast<uint32_t>(static_cast<int>(members.size()) + o.totalEntriesDelta);
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, entries);
    Put16(out, entries);
    Put32(out, centralSize);
    Put32(out, centralStart);
    Put16(out, static_cast<uint32_t>(static_cast<int>(o.comment.size()) + o.commentLengthDelta));
    out += o.comment;
  }
  return out;
}

}  // namespace ziptest
