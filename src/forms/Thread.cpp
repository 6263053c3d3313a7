#include "forms/Thread.h"

#include <set>

#include "forms/Application.h"
#include "forms/internal/Loop.h"

namespace forms {

namespace {

std::atomic<int> running{0};

// Threads that exist, so that a start posted for a thread made running finds it still there.
struct LiveThreads {
  std::mutex mutex;
  std::set<TThread*> threads;
};
LiveThreads& Live() {
  static LiveThreads* live = new LiveThreads;
  return *live;
}

thread_local bool inProgramThread = false;

}  // namespace

namespace internal {
bool InProgramThread() {
  return inProgramThread;
}
void SetInProgramThread() {
  inProgramThread = true;
}
}  // namespace internal

int TThread::RunningCount() {
  return running.load();
}

TThread::TThread(bool createSuspended) {
  {
    std::lock_guard lock(Live().mutex);
    Live().threads.insert(this);
  }
  if (!createSuspended) {
    // The subclass is not complete yet: the thread starts once the main loop runs posted calls.
    startPosted_ = true;
    TThread* self = this;
    Application->Post([self] {
      std::lock_guard lock(Live().mutex);
      if (Live().threads.count(self) && !self->started_) self->Resume();
    });
  }
}

TThread::~TThread() {
  {
    std::lock_guard lock(Live().mutex);
    Live().threads.erase(this);
  }
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      Terminate();
      if (!finished_) WaitFor();
      thread_.join();
    }
  }
}

void TThread::Resume() {
  std::lock_guard lock(mutex_);
  if (started_) {
    suspended_ = false;
    return;
  }
  started_ = true;
  suspended_ = false;
  ++running;
  thread_ = std::thread([this] { ThreadMain(); });
}

void TThread::ThreadMain() {
  internal::SetInProgramThread();
  try {
    Execute();
  } catch (...) {
    FatalException = std::current_exception();
  }
  try {
    Synchronize([this] { DoTerminate(); });
  } catch (...) {
    // A stop of the run while the termination waited: nothing left to do here.
  }
  bool freeSelf = FreeOnTerminate;
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  doneCv_.notify_all();
  if (freeSelf) {
    thread_.detach();
    delete this;
  }
  --running;
  internal::Queue().Signal();
}

void TThread::DoTerminate() {
  if (OnTerminate) Application->Guarded(this, [this] { OnTerminate(this); });
}

int TThread::WaitFor() {
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
    throw EThread("Thread cannot wait for itself");
  }
  if (!started_ && !startPosted_) {
    throw EThread("Cannot wait for a thread that was never started");
  }
  if (Application->IsMainThread()) {
    Application->ThreadWaitLoop([this] { return finished_.load(); });
  } else {
    std::unique_lock lock(mutex_);
    doneCv_.wait(lock, [this] { return finished_.load(); });
  }
  return ReturnValue;
}

void TThread::Synchronize(const std::function<void()>& fn) {
  if (Application->IsMainThread()) {
    fn();
    return;
  }
  Application->SynchronizeCall(fn);
}

void TThread::Synchronize(TThread* thread, const std::function<void()>& fn) {
  if (thread) {
    thread->Synchronize(fn);
  } else if (Application->IsMainThread()) {
    fn();
  } else {
    Application->SynchronizeCall(fn);
  }
}

}  // namespace forms
