#pragma once
// The application: the main thread's message loop with its posted calls, timers, synchronised
// calls from other threads and the user agent's input; modal waits run nested loops of it.
//
// When the loop waits for input. A loop (Run, a modal form, a message box shown in the main
// thread) takes, in this order and one at a time: a posted call or synchronised call, a timer
// that is due. With nothing of that left, the main thread waits for input: the user agent is
// asked (a message box on top: for its answer; else: whether it acts on the forms). When the
// agent does nothing, the clock moves: under a virtual clock it jumps to the next due timer
// while no thread of ours runs (with threads running it follows real time while the loop sleeps
// until something is posted); under the real clock the loop sleeps until the next timer or
// until something is posted. A wait that nothing can end (no timer, no running thread, an
// agent that does nothing), or that lasts longer than the agent's patience, is stuck: the
// agent's diagnostic ends the run (see Agent.h).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "forms/Classes.h"
#include "forms/Forms.h"

namespace forms {

class TTimer;
class TThread;
struct MessageBoxInfo;
struct Screen;

using TExceptionEvent = std::function<void(TObject* Sender, const plat::Exception& E)>;

class TApplication : public TComponent {
 public:
  // The new application becomes the current one (Application below) until it is destroyed; the
  // thread that makes it is the main thread. The program uses the one made at start-up; tests
  // may make their own for a test.
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  void Initialize() {}
  // Makes a form that the application owns and runs its OnCreate; the first one made is the
  // main form.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    auto owned = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* form = owned.get();
    Adopt(std::move(owned));
    if (!MainForm) MainForm = form;
    form->DoCreate();
    return form;
  }
  TForm* MainForm = nullptr;
  std::string Title;
  bool ShowMainForm = true;

  // Shows the main form (when ShowMainForm) and runs the loop until Terminate or until the main
  // form closes. Afterwards the agent is asked whether it did everything it was told to (a
  // script line never used ends the run, Agent.h).
  void Run();
  void Terminate();
  bool Terminated() const;
  // Runs the posted and synchronised calls and the due timers that are waiting now; returns
  // when none is left. Does not wait for input.
  void ProcessMessages();

  // Queues a call for the main thread (any thread may post).
  void Post(std::function<void()> call);
  // Wakes the loop (after something an agent waits for has arrived).
  void Wake();

  // Exceptions of handlers: every handler the loop runs (posted calls, timers, the agent's
  // input, thread terminations) is guarded; an exception goes to HandleException and the loop
  // goes on. HandleException (call it inside a catch block) runs OnException, or ShowException
  // when none is set.
  TExceptionEvent OnException;
  void HandleException(TObject* sender);
  void ShowException(const plat::Exception& e);  // a box with the message, error icon

  // Runs fn guarded as the loop runs a handler.
  void Guarded(TObject* sender, const std::function<void()>& fn);

  // The application clock in milliseconds (virtual under a scripted agent).
  uint64_t Now() const;
  bool VirtualClock() const;

  // How deep the main thread is in loops (Run, modal waits, waits for threads).
  int LoopDepth() const;
  bool IsMainThread() const;

  // For the framework's own classes.
  struct Impl;
  Impl& Internals() { return *impl_; }
  void AddTimer(TTimer* timer);
  void RemoveTimer(TTimer* timer);
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void FormShown(TForm* form);
  // Runs nested loops: until done() holds. ModalForm / ModalBox say what the wait is for.
  void ModalLoop(TForm* form, const std::function<bool()>& done);
  int BoxLoop(const MessageBoxInfo& box);
  // The main thread's wait for a thread: runs synchronised and posted calls until done().
  void ThreadWaitLoop(const std::function<bool()>& done);
  // Queues a synchronised call from another thread and waits until the main thread ran it
  // (exceptions come back to the caller).
  void SynchronizeCall(const std::function<void()>& fn);
  Screen CurrentScreen() const;

 private:
  void Loop(const std::function<bool()>& done, bool forInput);
  bool RunOnePending();
  bool FireDueTimer();
  void Idle();
  std::unique_ptr<Impl> impl_;
};

// The current application.
extern TApplication* Application;

}  // namespace forms
