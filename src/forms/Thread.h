#pragma once
// Threads of the program: made suspended or running, told to stop through the terminated flag,
// reaching the main thread only through Synchronize; the termination handler runs in the main
// thread after Execute has returned.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "forms/Classes.h"

namespace forms {

class TThread : public TObject {
 public:
  // Made running (createSuspended false), the thread starts once the main loop runs posted calls:
  // the subclass must be complete before Execute can run. Resume starts it earlier.
  explicit TThread(bool createSuspended);
  // Not for a running thread with FreeOnTerminate (it destroys itself); otherwise Terminate and
  // WaitFor first.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  const char* ClassName() const override { return "TThread"; }

  void Resume();  // starts a suspended thread (once)
  void Start() { Resume(); }
  void Terminate() { terminated_.store(true); }  // sets the terminated flag only
  bool Terminated() const { return terminated_.load(); }
  bool Suspended() const { return suspended_; }
  bool Finished() const { return finished_.load(); }

  // Waits until the thread has ended (Execute returned and OnTerminate ran); on the main
  // thread, synchronised calls (also of this thread's OnTerminate) run meanwhile. Gives
  // ReturnValue. Raises EThread when called from the thread itself.
  int WaitFor();

  // Runs fn in the main thread while this thread waits, also while the main thread is inside
  // a modal wait. An exception of fn comes back here. In the main thread itself fn just runs.
  void Synchronize(const std::function<void()>& fn);
  static void Synchronize(TThread* thread, const std::function<void()>& fn);

  bool FreeOnTerminate = false;
  TNotifyEvent OnTerminate;  // in the main thread, after Execute returned
  int ReturnValue = 0;
  // The exception that left Execute, if any (it does not reach the application's handler).
  std::exception_ptr FatalException;

  // Threads of ours that run now (started and not ended), for the message loop's clock.
  static int RunningCount();

 protected:
  virtual void Execute() = 0;

 private:
  void ThreadMain();
  void DoTerminate();
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  bool suspended_ = true;
  bool started_ = false;
  bool startPosted_ = false;  // made running: starts from a posted call
  std::mutex mutex_;
  std::condition_variable doneCv_;
};

}  // namespace forms
