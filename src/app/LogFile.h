#pragma once
// The log: time-stamped lines appended to a text file that grows over all runs. Every line opens
// the file, appends and closes it, so that threads and processes can share it; a writer that
// meets another one waits and tries again.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "forms/Classes.h"
#include "platform/System.h"

namespace plat {
class TFileStream;
}

namespace niv {

class TLogFile : public forms::TComponent {
 public:
  // The program makes its log without an owner.
  explicit TLogFile(forms::TComponent* owner = nullptr);
  const char* ClassName() const override { return "TLogFile"; }

  const std::string& FileName() const { return fileName_; }
  // A different name (exact comparison) brings the header back before the next line.
  void SetFileName(std::string_view fileName);
  const std::string& Header() const { return header_; }
  // Any assignment brings the header back, even of the same text.
  void SetHeader(std::string_view header);

  bool FormatHeader = true;
  bool FormatString = true;
  bool WriteHeader = true;
  // Written by every thread that logs; atomic so that sharing the log needs no lock.
  std::atomic<bool> HeaderPending = true;

  // Where the time and the pause between attempts come from; tests replace them.
  std::function<plat::TLocalTime()> Clock = plat::LocalTimeNow;
  std::function<void(uint32_t)> Sleep = plat::SleepMs;

  // "dd.mm.yyyy hh:mm:ss.tttt" of the current local time, rounded to 1/10000 second.
  virtual std::string TimeStamp();
  virtual std::string HeaderLine();
  virtual std::string FormatLine(std::string_view text);
  // The file opened at its end, or created; raises the error of the last of 51 attempts.
  virtual std::unique_ptr<plat::TFileStream> OpenStream();
  // Appends one line; raises when the file cannot be opened or written.
  virtual void WriteLine(std::string_view text);

  static constexpr int kOpenRetries = 50;
  static constexpr uint32_t kRetryPauseMs = 100;

 private:
  std::string fileName_;
  std::string header_;
};

// The stamp of one moment, as TimeStamp writes it.
std::string FormatTimeStamp(const plat::TLocalTime& time);

}  // namespace niv
