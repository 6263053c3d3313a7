#include "forms/MessageBox.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

#include "forms/Agent.h"
#include "forms/Application.h"
#include "forms/internal/Loop.h"
#include "platform/Record.h"

namespace forms {

namespace internal {

void RecordBox(const MessageBoxInfo& box, int answer) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%x", static_cast<unsigned>(box.Flags));
  plat::RecordEvent event;
  event.kind = "msgbox";
  event.fields = {{"text", box.Text},
                  {"caption", box.Caption},
                  {"flags", flags},
                  {"answer", std::to_string(answer)}};
  plat::AppendRecord(event);
}

}  // namespace internal

namespace {

// A box of another thread while the main thread runs its loop: the main thread shows it (the box
// belongs to the application's window) and this thread waits for the answer.
int ShowThroughMainThread(const MessageBoxInfo& box) {
  struct Request {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    int answer = 0;
    std::exception_ptr error;
  };
  auto request = std::make_shared<Request>();
  Application->Post([request, box] {
    int answer = 0;
    std::exception_ptr error;
    std::string stop;
    bool stopped = false;
    try {
      answer = Application->BoxLoop(box);
    } catch (const EAgentStop& e) {
      stop = e.what();
      stopped = true;
      error = std::current_exception();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(request->mutex);
      request->answer = answer;
      request->error = std::move(error);
      request->done = true;
    }
    request->cv.notify_all();
    // The asking thread owns the error now; a stop ends the main thread's loops too.
    if (stopped) throw EAgentStop(stop);
  });
  std::unique_lock lock(request->mutex);
  request->cv.wait(lock, [&] { return request->done; });
  std::exception_ptr error = std::move(request->error);
  int answer = request->answer;
  lock.unlock();
  if (error) std::rethrow_exception(error);
  return answer;
}

}  // namespace

int ShowMessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
  MessageBoxInfo box;
  box.Text = std::string(text);
  box.Caption = std::string(caption);
  box.Flags = flags;
  box.FromWorkerThread = !Application->IsMainThread();
  static std::atomic<uint64_t> lastId{0};
  box.Id = ++lastId;
  int answer = 0;
  if (!box.FromWorkerThread) {
    answer = Application->BoxLoop(box);
  } else if (internal::InProgramThread() || Application->LoopDepth() > 0) {
    answer = ShowThroughMainThread(box);
  } else {
    // No loop to show it: the agent answers in this thread.
    UserAgent& agent = CurrentAgent();
    std::optional<int> given = agent.AnswerBox(box);
    if (!given) {
      Screen screen;
      screen.Box = &box;
      std::string message = agent.Stuck(screen);
      internal::RecordBox(box, 0);
      StopRun(message);
    }
    answer = *given;
  }
  internal::RecordBox(box, answer);
  return answer;
}

}  // namespace forms
