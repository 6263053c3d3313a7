// Reading and writing description files through the machine's file streams.
#include "description/IDFLineReader.h"
#include "description/IDFTextFile.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Stream.h"

namespace niv {

bool TIDFTextFile::LoadFromStream(plat::TStream& stream) {
  try {
    TIDFLineReader reader([&stream](char* buffer, int32_t count) {
      int32_t got = stream.Read(buffer, count);
      if (got < 0) throw plat::EReadError("Stream read error");
      return got;
    });
    return LoadIDFLines(reader, *this);
  } catch (const std::exception&) {
    return false;
  }
}

bool TIDFTextFile::LoadFromFile(std::string_view fileName) {
  LogIDF(" Load IDF file " + std::string(fileName));
  if (!plat::FileExists(fileName)) return false;
  try {
    plat::TFileStream stream(fileName, plat::fmOpenRead | plat::fmShareDenyWrite);
    return LoadFromStream(stream);
  } catch (const std::exception&) {
    return false;
  }
}

bool TIDFTextFile::SaveToStream(plat::TStream& stream) const {
  try {
    std::string bytes = SaveToText();
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TIDFTextFile::SaveToFile(std::string_view fileName) const {
  try {
    plat::TFileStream stream(fileName, plat::fmCreate);
    return SaveToStream(stream);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace niv
