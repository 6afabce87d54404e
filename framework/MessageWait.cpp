#include "MessageWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "MainThreadCall.h"
#include "SystemTimer.h"

namespace {

std::function<uint32_t()>& TickSource() {
  static std::function<uint32_t()> source;
  return source;
}

uint32_t SteadyTickCount() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(ms);
}

// Runs the event loop until `milliseconds` have passed on the real clock.
void ProcessMessagesFor(uint32_t milliseconds) {
  if (!QCoreApplication::instance()) {
    MainThreadCall::ServeUntil([] { return false; },
                               static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)));
    return;
  }
  QEventLoop loop;
  const std::unique_ptr<QObject> deadline =
      StartSystemTimer(static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)), false,
                       [&loop] { loop.quit(); });
  MainThreadCall::RunPending();
  loop.exec();
}

}  // namespace

uint32_t TickCount() {
  return TickSource() ? TickSource()() : SteadyTickCount();
}

void SetTickSource(std::function<uint32_t()> source) {
  TickSource() = std::move(source);
}

void ProcessMessages() {
  MainThreadCall::RunPending();
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitMs(uint32_t milliseconds) {
  const uint32_t entry = TickCount();
  ProcessMessages();
  for (;;) {
    const uint32_t elapsed = TickCount() - entry;
    if (elapsed >= milliseconds) return;
    ProcessMessagesFor(milliseconds - elapsed);
  }
}
