#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <QObject>
#include <algorithm>

#include "MessageWindowWindows.h"
#include "SystemTimer.h"

namespace {

// A multimedia timer, as Qt uses for its precise timers, whose thread posts the main thread's
// message window. Always periodic, so that its id is ours until we kill it (a one-shot's id
// expires by itself and may then be another's); a one-shot timer is killed as it arrives.
class TSystemTimerWindows : public QObject {
 public:
  TSystemTimerWindows(std::shared_ptr<MessageWindowWindows::TPostSlot> slot,
                      std::shared_ptr<UINT> timerId)
      : slot_(std::move(slot)), timerId_(std::move(timerId)) {}
  ~TSystemTimerWindows() override {
    Kill(*timerId_);
    MessageWindowWindows::Close(slot_);
  }

  // Synchronous: once it returns, the timer's thread posts nothing more.
  static void Kill(UINT& timerId) {
    if (timerId) timeKillEvent(timerId);
    timerId = 0;
  }

 private:
  std::shared_ptr<MessageWindowWindows::TPostSlot> slot_;
  std::shared_ptr<UINT> timerId_;
};

void CALLBACK PostTimeout(UINT, UINT, DWORD_PTR slot, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<MessageWindowWindows::TPostSlot*>(slot)->Post();
}

}  // namespace

std::unique_ptr<QObject> StartSystemTimer(int intervalMs, bool repeating,
                                          std::function<void()> onTimeout) {
  auto timerId = std::make_shared<UINT>(0);
  auto slot = MessageWindowWindows::Open([timerId, repeating, onTimeout] {
    if (!repeating) TSystemTimerWindows::Kill(*timerId);
    onTimeout();
  });
  if (slot) {
    // A resolution of 1 ms, as Qt asks for its precise timers.
    *timerId = timeSetEvent(static_cast<UINT>(std::max(intervalMs, 1)), 1, PostTimeout,
                            reinterpret_cast<DWORD_PTR>(slot.get()),
                            TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (*timerId) return std::make_unique<TSystemTimerWindows>(std::move(slot), timerId);
    MessageWindowWindows::Close(slot);
  }
  return StartQueuedQtTimer(intervalMs, repeating, std::move(onTimeout));
}
