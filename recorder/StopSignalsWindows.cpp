#include <windows.h>

#include <atomic>

#include "StopSignals.h"
#include "framework/MessageTarget.h"

namespace {

// The console's handler runs on a thread the system starts for each event: it hands the
// event to the main thread through an event object and, for a closing console (and log-off
// or shut-down), holds the process until the recording has ended, since the system ends the
// process as soon as the handler returns.
HANDLE arrived = nullptr;   // set by the handler: an event is waiting
HANDLE finished = nullptr;  // set when the recording is over
std::atomic<int> received{0};
std::atomic<DWORD> lastEvent{0};
// The system gives a closing console about five seconds.
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  // The first is still being handled and the user insists: the default, which ends the
  // program.
  if (received.fetch_add(1) > 0) return FALSE;
  lastEvent = event;
  SetEvent(arrived);
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
    WaitForSingleObject(finished, kCloseGraceMs);
  return TRUE;
}

}  // namespace

void TStopSignals::Block() {}

TStopSignals::TStopSignals(std::function<void(int)> onStop)
    : onStop_(std::move(onStop)), target_(std::make_unique<TMessageTarget>()) {
  arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  object_ = TSystemHandle::FromHandle(arrived);
  target_->Watch(object_, [this] { Arrived(); });
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TStopSignals::~TStopSignals() {
  target_.reset();
  // A closing console's handler still waits: let it return, and the system end the process.
  // The handles stay: that handler may still be using them.
  SetEvent(finished);
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

void TStopSignals::Arrived() {
  if (++received_ > 1) return;
  onStop_(static_cast<int>(lastEvent.load()));
}
