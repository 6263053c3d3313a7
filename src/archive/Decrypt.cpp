#include "archive/Decrypt.h"

#include "archive/Crc32.h"

namespace niv {
namespace {

uint32_t CrcByte(uint32_t crc, uint8_t byte) {
  return UpdateCrc32(crc, &byte, 1);
}

}  // namespace

TZipKeys TZipKeys::FromPassword(std::string_view password) {
  TZipKeys keys;
  for (char c : password) keys.Update(static_cast<uint8_t>(c));
  return keys;
}

void TZipKeys::Update(uint8_t plain) {
  Key0 = CrcByte(Key0, plain);
  Key1 = (Key1 + (Key0 & 0xFF)) * 134775813u + 1;
  Key2 = CrcByte(Key2, static_cast<uint8_t>(Key1 >> 24));
}

void TZipKeys::Decrypt(uint8_t* data, size_t count) {
  for (size_t i = 0; i < count; ++i) data[i] = DecryptByte(data[i]);
}

bool CheckEncryptionHeader(TZipKeys& keys, const uint8_t (&header)[kEncryptionHeaderSize],
                           uint8_t checkByte) {
  uint8_t plain[kEncryptionHeaderSize];
  for (size_t i = 0; i < kEncryptionHeaderSize; ++i) plain[i] = keys.DecryptByte(header[i]);
  return plain[kEncryptionHeaderSize - 1] == checkByte;
}

}  // namespace niv
