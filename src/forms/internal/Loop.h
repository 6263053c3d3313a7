#pragma once
// The framework's own plumbing between threads and the main thread's loop.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace forms {
struct MessageBoxInfo;
}

namespace forms::internal {

// The calls waiting for the main thread, and the signal that wakes its loop.
struct MainQueue {
  void Push(std::function<void()> call);
  void Signal();
  std::optional<std::function<void()>> Pop();
  size_t Size();
  uint64_t Signals();
  // Waits until a signal after `seen` or a queued call; false on timeout.
  bool WaitFor(uint64_t seen, std::chrono::milliseconds timeout);

  std::mutex mutex;
  std::condition_variable cv;
  std::deque<std::function<void()>> calls;
  uint64_t signals = 0;
};
MainQueue& Queue();

// Whether the calling thread is a TThread of the program (its boxes always go through the main
// thread, which shows them once it runs a loop).
bool InProgramThread();
void SetInProgramThread();

// Writes a box with its answer to the machine's record.
void RecordBox(const MessageBoxInfo& box, int answer);

}  // namespace forms::internal
