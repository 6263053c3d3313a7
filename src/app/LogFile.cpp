#include "app/LogFile.h"

#include <cstdio>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Stream.h"

namespace niv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string Padded(int64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

}  // namespace

std::string FormatTimeStamp(const plat::TLocalTime& time) {
  // The time of day in units of 1/10000 second, rounded to the nearest; the last 50
  // microseconds of a day become 24:00:00.0000 of that day.
  int64_t micros =
      ((static_cast<int64_t>(time.Hour) * 60 + time.Minute) * 60 + time.Second) * 1000000 +
      time.Microsecond;
  int64_t t = (micros + 50) / 100;
  std::string out;
  out += Padded(time.Day, 2) + "." + Padded(time.Month, 2) + "." + Padded(time.Year, 4) + " ";
  out += Padded(t / 36000000, 2) + ":" + Padded(t % 36000000 / 600000, 2) + ":" +
         Padded(t % 600000 / 10000, 2) + "." + Padded(t % 10000, 4);
  return out;
}

TLogFile::TLogFile(forms::TComponent* owner) : forms::TComponent(owner) {}

void TLogFile::SetFileName(std::string_view fileName) {
  if (fileName == fileName_) return;
  fileName_ = fileName;
  HeaderPending = true;
}

void TLogFile::SetHeader(std::string_view header) {
  header_ = header;
  HeaderPending = true;
}

std::string TLogFile::TimeStamp() {
  return FormatTimeStamp(Clock());
}

std::string TLogFile::HeaderLine() {
  if (!FormatHeader) return header_;
  return header_ + "-----------[" + TimeStamp() + "]";
}

std::string TLogFile::FormatLine(std::string_view text) {
  if (!FormatString) return std::string(text);
  return "[" + TimeStamp() + "]:" + std::string(text);
}

std::unique_ptr<plat::TFileStream> TLogFile::OpenStream() {
  for (int failures = 0;; ++failures) {
    try {
      // The mode is decided again for every attempt: a writer that found no file must not
      // create (and so empty) the file another writer made while it waited.
      if (plat::FileExists(fileName_)) {
        auto stream = std::make_unique<plat::TFileStream>(
            fileName_, plat::fmOpenReadWrite | plat::fmShareDenyWrite);
        if (stream->Seek(0, plat::soEnd) < 0) throw plat::EStreamError("Seek error");
        return stream;
      }
      // Created only if still missing: a plain create would empty a file that another writer
      // made and wrote since the check above.
      return std::make_unique<plat::TFileStream>(fileName_, plat::fmCreateNew);
    } catch (const plat::Exception&) {
      if (failures >= kOpenRetries) throw;
    }
    Sleep(kRetryPauseMs);
  }
}

void TLogFile::WriteLine(std::string_view text) {
  if (fileName_.empty()) return;
  std::unique_ptr<plat::TFileStream> stream = OpenStream();
  std::string bytes;
  if (HeaderPending && WriteHeader) {
    bytes += HeaderLine();
    bytes += kLineEnd;
  }
  bytes += FormatLine(text);
  bytes += kLineEnd;
  // One write per line, so that a line of one writer never interleaves with another's.
  stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  HeaderPending = false;
}

}  // namespace niv
