#include "MainThreadCall.h"

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "framework/MessageTarget.h"
#include "framework/WakeEvent.h"

namespace MainThreadCall {
namespace {

// Static initialisation runs on the process's first thread, which is the one that runs the
// event loop.
const std::thread::id kMainThread = std::this_thread::get_id();

struct PendingCall {
  const std::function<void()>* call;
  std::exception_ptr error;
  bool done = false;
};

struct Queue {
  std::mutex mutex;
  std::condition_variable callDone;    // workers wait here for their call to have run
  std::condition_variable mainWakeup;  // the main thread waits here in ServeUntil
  std::deque<PendingCall*> pending;
  uint64_t wakeSerial = 0;
  // Wakes the main thread's event loop (main loop, nested wait, modal box) through a wait
  // object of the system, so a worker never touches a Qt object of the main thread.
  TWakeEvent nudge;
  // The event loop's watch on it: a child of the application, ending with it.
  QObject* watcher = nullptr;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

}  // namespace

void AttachToEventLoop() {
  Queue& queue = TheQueue();
  if (!IsMainThread() || queue.watcher || !queue.nudge.Valid()) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  std::unique_ptr<QObject> watcher = WatchSystemObject(queue.nudge.Object(), app, [&queue] {
    queue.nudge.Clear();
    RunPending();
  });
  QObject::connect(watcher.get(), &QObject::destroyed, [&queue] { queue.watcher = nullptr; });
  queue.watcher = watcher.release();
  queue.watcher->setParent(app);
}

bool IsMainThread() {
  return std::this_thread::get_id() == kMainThread;
}

void Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  Queue& queue = TheQueue();
  PendingCall pending{&call, nullptr, false};
  {
    std::lock_guard lock(queue.mutex);
    queue.pending.push_back(&pending);
  }
  queue.mainWakeup.notify_all();
  queue.nudge.Signal();
  std::unique_lock lock(queue.mutex);
  queue.callDone.wait(lock, [&] { return pending.done; });
  if (pending.error) std::rethrow_exception(pending.error);
}

int RunPending() {
  AttachToEventLoop();
  Queue& queue = TheQueue();
  int ran = 0;
  for (;;) {
    PendingCall* next = nullptr;
    {
      std::lock_guard lock(queue.mutex);
      if (queue.pending.empty()) break;
      next = queue.pending.front();
      queue.pending.pop_front();
    }
    std::exception_ptr error;
    try {
      (*next->call)();
    } catch (...) {
      error = std::current_exception();
    }
    {
      // After `done` the worker may return at once and take `next` with it.
      std::lock_guard lock(queue.mutex);
      next->error = error;
      next->done = true;
    }
    queue.callDone.notify_all();
    ++ran;
  }
  return ran;
}

bool ServeUntil(const std::function<bool()>& finished, int timeoutMs) {
  Queue& queue = TheQueue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    RunPending();
    uint64_t seen;
    {
      std::lock_guard lock(queue.mutex);
      seen = queue.wakeSerial;
    }
    if (finished()) return true;
    std::unique_lock lock(queue.mutex);
    auto woken = [&] { return !queue.pending.empty() || queue.wakeSerial != seen; };
    if (timeoutMs < 0)
      queue.mainWakeup.wait(lock, woken);
    else if (!queue.mainWakeup.wait_until(lock, deadline, woken))
      return finished();
  }
}

void Wake() {
  Queue& queue = TheQueue();
  {
    std::lock_guard lock(queue.mutex);
    ++queue.wakeSerial;
  }
  queue.mainWakeup.notify_all();
}

}  // namespace MainThreadCall

// Every application object gets the hand-over wired into its event loop from the start, so
// calls handed over before anything else touched this module are served too.
static void AttachHandOverToNewApplication() {
  MainThreadCall::AttachToEventLoop();
}
Q_COREAPP_STARTUP_FUNCTION(AttachHandOverToNewApplication)
