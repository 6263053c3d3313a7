#pragma once
// Traditional ZIP encryption: three 32-bit keys initialised from the password, a key-stream byte
// XOR-ed with each data byte, the keys updated with the plain byte.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace niv {

struct TZipKeys {
  uint32_t Key0 = 0x12345678;
  uint32_t Key1 = 0x23456789;
  uint32_t Key2 = 0x34567890;

  // Keys for a password (its bytes as stored, ANSI).
  static TZipKeys FromPassword(std::string_view password);
  void Update(uint8_t plain);
  uint8_t StreamByte() const {
    uint32_t t = (Key2 & 0xFFFF) | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
  }
  uint8_t DecryptByte(uint8_t cipher) {
    uint8_t plain = cipher ^ StreamByte();
    Update(plain);
    return plain;
  }
  void Decrypt(uint8_t* data, size_t count);
};

// The 12-byte encryption header in front of an encrypted member's data.
constexpr size_t kEncryptionHeaderSize = 12;

// Decrypts the header with the keys (advancing them) and tells whether its last byte equals the
// check byte: the high byte of the DOS time when flag bit 3 is set, of the CRC-32 otherwise.
bool CheckEncryptionHeader(TZipKeys& keys, const uint8_t (&header)[kEncryptionHeaderSize],
                           uint8_t checkByte);

}  // namespace niv
