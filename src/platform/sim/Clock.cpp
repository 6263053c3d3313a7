// The machine's clock: local time, the tick count and sleeping.
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/System.h"

namespace plat {

TLocalTime LocalTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
      1000000;
  return {tm.tm_year + 1900, tm.tm_mon + 1,           tm.tm_mday, tm.tm_hour, tm.tm_min,
          tm.tm_sec,         static_cast<int>(micros)};
}

uint32_t TickCount() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void SleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace plat
