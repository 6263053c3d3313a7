#include "forms/Application.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "forms/Agent.h"
#include "forms/ExtCtrls.h"
#include "forms/MessageBox.h"
#include "forms/Thread.h"
#include "forms/internal/Loop.h"

namespace forms {

namespace internal {

MainQueue& Queue() {
  // Never destroyed: threads that end after the application still signal through it.
  static MainQueue* queue = new MainQueue;
  return *queue;
}

void MainQueue::Push(std::function<void()> call) {
  {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
    ++signals;
  }
  cv.notify_all();
}

void MainQueue::Signal() {
  {
    std::lock_guard lock(mutex);
    ++signals;
  }
  cv.notify_all();
}

std::optional<std::function<void()>> MainQueue::Pop() {
  std::lock_guard lock(mutex);
  if (calls.empty()) return std::nullopt;
  auto call = std::move(calls.front());
  calls.pop_front();
  return call;
}

size_t MainQueue::Size() {
  std::lock_guard lock(mutex);
  return calls.size();
}

bool MainQueue::WaitFor(uint64_t seen, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return cv.wait_for(lock, timeout, [&] { return signals != seen || !calls.empty(); });
}

uint64_t MainQueue::Signals() {
  std::lock_guard lock(mutex);
  return signals;
}

}  // namespace internal

namespace {

TApplication defaultApplication;

uint64_t RealMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

TApplication* Application = &defaultApplication;

struct ModalEntry {
  TForm* form = nullptr;
  const MessageBoxInfo* box = nullptr;
  int answer = 0;
};

struct TApplication::Impl {
  TApplication* previous = nullptr;
  std::thread::id mainThread;
  std::atomic<bool> terminated{false};
  std::atomic<int> loopDepth{0};
  std::vector<TTimer*> timers;
  std::vector<TForm*> forms;  // z-order: the topmost last
  std::vector<ModalEntry*> modal;
  uint64_t now = 0;  // the application clock
  uint64_t lastReal = RealMs();
  uint64_t lastAction = 0;
};

TApplication::TApplication() : TComponent(nullptr), impl_(std::make_unique<Impl>()) {
  impl_->mainThread = std::this_thread::get_id();
  impl_->previous = Application;
  Application = this;
}

TApplication::~TApplication() {
  // Forms first: their destructors still talk to this application.
  while (ComponentCount() > 0) DestroyComponent(Components(ComponentCount() - 1));
  Application = impl_->previous;
}

bool TApplication::IsMainThread() const {
  return std::this_thread::get_id() == impl_->mainThread;
}

int TApplication::LoopDepth() const {
  return impl_->loopDepth.load();
}

bool TApplication::Terminated() const {
  return impl_->terminated.load();
}

void TApplication::Terminate() {
  impl_->terminated = true;
  internal::Queue().Signal();
}

void TApplication::Post(std::function<void()> call) {
  internal::Queue().Push(std::move(call));
}

void TApplication::Wake() {
  internal::Queue().Signal();
}

bool TApplication::VirtualClock() const {
  return CurrentAgent().UsesVirtualClock();
}

uint64_t TApplication::Now() const {
  return impl_->now;
}

namespace {
// Real time moves the clock only when no virtual clock is in use.
void FollowRealTime(TApplication::Impl& impl, bool virtualClock) {
  uint64_t real = RealMs();
  if (!virtualClock && real > impl.lastReal) impl.now += real - impl.lastReal;
  impl.lastReal = real;
}
}  // namespace

void TApplication::AddTimer(TTimer* timer) {
  impl_->timers.push_back(timer);
}

void TApplication::RemoveTimer(TTimer* timer) {
  auto& t = impl_->timers;
  t.erase(std::remove(t.begin(), t.end(), timer), t.end());
}

void TApplication::AddForm(TForm* form) {
  impl_->forms.push_back(form);
}

void TApplication::RemoveForm(TForm* form) {
  auto& f = impl_->forms;
  f.erase(std::remove(f.begin(), f.end(), form), f.end());
  if (MainForm == form) MainForm = nullptr;
}

void TApplication::FormShown(TForm* form) {
  auto& f = impl_->forms;
  auto it = std::find(f.begin(), f.end(), form);
  if (it == f.end()) return;
  f.erase(it);
  f.push_back(form);
}

Screen TApplication::CurrentScreen() const {
  Screen screen;
  for (auto it = impl_->forms.rbegin(); it != impl_->forms.rend(); ++it) {
    if ((*it)->Visible()) screen.Forms.push_back(*it);
  }
  // Stay-on-top forms come before the others.
  std::stable_partition(screen.Forms.begin(), screen.Forms.end(),
                        [](TForm* f) { return f->FormStyle == fsStayOnTop; });
  for (auto it = impl_->modal.rbegin(); it != impl_->modal.rend(); ++it) {
    if ((*it)->box) {
      screen.Box = (*it)->box;
      break;
    }
    if ((*it)->form) {
      screen.ModalForm = (*it)->form;
      break;
    }
  }
  return screen;
}

void TApplication::Guarded(TObject* sender, const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EAgentStop&) {
    throw;
  } catch (...) {
    HandleException(sender);
  }
}

void TApplication::HandleException(TObject* sender) {
  auto report = [&](const plat::Exception& e) {
    if (!OnException) {
      ShowException(e);
      return;
    }
    try {
      OnException(sender, e);
    } catch (const EAgentStop&) {
      throw;
    } catch (...) {
      ShowException(e);
    }
  };
  try {
    throw;
  } catch (const EAgentStop&) {
    throw;
  } catch (const plat::Exception& e) {
    report(e);
  } catch (const std::exception& e) {
    report(plat::Exception(e.what()));
  } catch (...) {
    report(plat::Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const plat::Exception& e) {
  ShowMessageBox(e.Message(), Title, MB_OK | MB_ICONERROR);
}

bool TApplication::RunOnePending() {
  auto call = internal::Queue().Pop();
  if (!call) return false;
  Guarded(this, *call);
  return true;
}

bool TApplication::FireDueTimer() {
  TTimer* due = nullptr;
  for (TTimer* t : impl_->timers) {
    if (t->Enabled() && t->Interval() > 0 && t->DueAt() <= impl_->now &&
        (!due || t->DueAt() < due->DueAt())) {
      due = t;
    }
  }
  if (!due) return false;
  due->Fire();
  return true;
}

void TApplication::ProcessMessages() {
  FollowRealTime(*impl_, VirtualClock());
  for (size_t n = internal::Queue().Size(); n > 0 && RunOnePending(); --n) {
  }
  std::vector<TTimer*> timers = impl_->timers;
  for (TTimer* t : timers) {
    auto& live = impl_->timers;
    if (std::find(live.begin(), live.end(), t) == live.end()) continue;
    if (t->Enabled() && t->Interval() > 0 && t->DueAt() <= impl_->now) t->Fire();
  }
}

namespace {
struct DepthGuard {
  std::atomic<int>& depth;
  explicit DepthGuard(std::atomic<int>& d) : depth(d) { ++depth; }
  ~DepthGuard() { --depth; }
};

std::optional<uint64_t> NextDue(const std::vector<TTimer*>& timers) {
  std::optional<uint64_t> next;
  for (TTimer* t : timers) {
    if (t->Enabled() && t->Interval() > 0 && (!next || t->DueAt() < *next)) next = t->DueAt();
  }
  return next;
}
}  // namespace

void TApplication::Loop(const std::function<bool()>& done, bool forInput) {
  DepthGuard depth(impl_->loopDepth);
  while (!done()) {
    FollowRealTime(*impl_, VirtualClock());
    if (RunOnePending()) continue;
    if (!forInput) {
      // A wait for a thread: only its calls matter, and its end.
      uint64_t seen = internal::Queue().Signals();
      if (done()) break;
      internal::Queue().WaitFor(seen, std::chrono::milliseconds(100));
      continue;
    }
    if (FireDueTimer()) continue;
    Idle();
  }
}

void TApplication::Idle() {
  UserAgent& agent = CurrentAgent();
  Screen screen = CurrentScreen();
  bool acted = false;
  if (screen.Box) {
    // A code of 0 or below is no answer (the box would never close).
    if (auto answer = agent.AnswerBox(*screen.Box); answer && *answer > 0) {
      impl_->modal.back()->answer = *answer;
      acted = true;
    }
  } else {
    try {
      acted = agent.Act(screen);
    } catch (const EAgentStop&) {
      throw;
    } catch (...) {
      acted = true;  // the input happened; its handler failed
      HandleException(this);
    }
  }
  bool virtualClock = agent.UsesVirtualClock();
  FollowRealTime(*impl_, virtualClock);
  if (acted) {
    impl_->lastAction = impl_->now;
    return;
  }
  bool threads = TThread::RunningCount() > 0;
  uint64_t patience = threads ? agent.PatienceWithThreadsMs() : agent.PatienceMs();
  uint64_t idleFor = impl_->now - impl_->lastAction;
  auto stuck = [&] {
    std::string message = agent.Stuck(screen);
    if (screen.Box) internal::RecordBox(*screen.Box, 0);
    StopRun(message);
  };
  if (patience && idleFor >= patience) stuck();
  std::optional<uint64_t> next = NextDue(impl_->timers);
  if (virtualClock && !threads) {
    // Nothing else can happen before the next timer: the clock jumps there.
    if (!next && internal::Queue().Size() == 0) stuck();
    if (next) {
      uint64_t limit = patience ? impl_->lastAction + patience : *next;
      impl_->now = std::max(impl_->now, std::min(*next, limit));
    }
    return;
  }
  uint64_t waitMs = 100;
  if (next) waitMs = std::min<uint64_t>(waitMs, *next > impl_->now ? *next - impl_->now : 0);
  uint64_t seen = internal::Queue().Signals();
  uint64_t before = RealMs();
  internal::Queue().WaitFor(seen, std::chrono::milliseconds(waitMs));
  if (virtualClock) impl_->now += RealMs() - before;
  impl_->lastReal = RealMs();
  if (!virtualClock) FollowRealTime(*impl_, false);
}

void TApplication::Run() {
  if (ShowMainForm && MainForm) MainForm->Show();
  Loop([this] { return Terminated(); }, true);
  FinishAgent();
}

void TApplication::ModalLoop(TForm* form, const std::function<bool()>& done) {
  ModalEntry entry;
  entry.form = form;
  impl_->modal.push_back(&entry);
  struct Pop {
    std::vector<ModalEntry*>& modal;
    ~Pop() { modal.pop_back(); }
  } pop{impl_->modal};
  impl_->lastAction = impl_->now;
  Loop(done, true);
}

int TApplication::BoxLoop(const MessageBoxInfo& box) {
  ModalEntry entry;
  entry.box = &box;
  impl_->modal.push_back(&entry);
  struct Pop {
    std::vector<ModalEntry*>& modal;
    ~Pop() { modal.pop_back(); }
  } pop{impl_->modal};
  impl_->lastAction = impl_->now;
  Loop([&] { return entry.answer != 0; }, true);
  return entry.answer;
}

void TApplication::ThreadWaitLoop(const std::function<bool()>& done) {
  Loop(done, false);
}

void TApplication::SynchronizeCall(const std::function<void()>& fn) {
  struct Call {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::exception_ptr error;
  };
  auto call = std::make_shared<Call>();
  internal::Queue().Push([call, &fn] {
    // After `done` the calling thread owns the error; a stop of the run ends the main thread's
    // loops too, with an exception of its own.
    std::string stop;
    bool stopped = false;
    try {
      fn();
    } catch (const EAgentStop& e) {
      stop = e.what();
      stopped = true;
      call->error = std::current_exception();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard lock(call->mutex);
      call->done = true;
    }
    call->cv.notify_all();
    if (stopped) throw EAgentStop(stop);
  });
  std::unique_lock lock(call->mutex);
  call->cv.wait(lock, [&] { return call->done; });
  // Taken over here: the main thread may drop its reference to the call at any time.
  std::exception_ptr error = std::move(call->error);
  lock.unlock();
  if (error) std::rethrow_exception(error);
}

}  // namespace forms
