#include <windows.h>

#include <atomic>

#include "StopSignals.h"
#include "framework/MessageTarget.h"

// Two ways the system tells a console program to stop, both on threads other than the main
// one, both handed to the main thread through one event:
// - the console's control handler: Ctrl+C, Ctrl+Break, and the console being closed;
// - a hidden top-level window for the end of the session (log-off, shut-down). A process
//   that loads user32, as every Qt program does, gets no CTRL_LOGOFF_EVENT or
//   CTRL_SHUTDOWN_EVENT in its handler; the system asks its top-level windows instead, with
//   WM_QUERYENDSESSION and WM_ENDSESSION. A message-only window gets neither: the window is a
//   real one that is never shown.
// After a closing console's handler or WM_ENDSESSION returns, the system ends the process.
// Both therefore hold their thread until the recording has ended and the main thread has
// ended the process itself, with the recording's exit code; the system's own patience
// (about five seconds) bounds the wait.
namespace {

HANDLE arrived = nullptr;  // set by either: an event is waiting for the main thread
std::atomic<int> received{0};
std::atomic<DWORD> lastEvent{0};
constexpr DWORD kEndGraceMs = 4500;

// Hands an event over; answers whether it is the first.
bool HandOver(DWORD event) {
  if (received.fetch_add(1) > 0) return false;
  lastEvent = event;
  SetEvent(arrived);
  return true;
}

// Holds the calling thread while the main thread ends the recording and the process.
void HoldUntilTheEnd() {
  Sleep(kEndGraceMs);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // The first is still being handled and the user insists: the default, which ends the
      // program.
      return HandOver(event) ? TRUE : FALSE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:  // only without user32, which is never: for completeness
    case CTRL_SHUTDOWN_EVENT:
      HandOver(event);
      HoldUntilTheEnd();
      return TRUE;
    default:
      return FALSE;
  }
}

const wchar_t kSessionWindowClass[] = L"SimplescopeRecordSession";
// Ends the session window's thread; posted when the recorder no longer listens.
constexpr UINT kQuitMessage = WM_APP + 1;

LRESULT CALLBACK SessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      // A recording ends in order within a moment: nothing to hold the session for.
      return TRUE;
    case WM_ENDSESSION:
      // FALSE: another program cancelled the end; the recording goes on.
      if (wParam) {
        HandOver((lParam & ENDSESSION_LOGOFF) ? CTRL_LOGOFF_EVENT : CTRL_SHUTDOWN_EVENT);
        HoldUntilTheEnd();
      }
      return 0;
    case kQuitMessage:
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The session window and its thread, while the recorder listens.
HANDLE sessionThread = nullptr;
HWND sessionWindow = nullptr;

struct TSessionStart {
  HANDLE ready;  // set once the window is made, or could not be
  HWND window = nullptr;
};

// The session window's thread: makes the window, tells the starter whether it could, and
// serves the window's messages until told to quit.
DWORD WINAPI ServeSession(void* parameter) {
  auto* start = static_cast<TSessionStart*>(parameter);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = SessionProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kSessionWindowClass;
  RegisterClassExW(&windowClass);
  // Top-level (no parent, not HWND_MESSAGE), so that the session's end reaches it, and never
  // shown.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kSessionWindowClass, L"simplescope-record",
                                WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  start->window = window;
  SetEvent(start->ready);  // `start` is the starter's, gone from here on
  if (!window) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

void TStopSignals::Block() {}

TStopSignals::TStopSignals(std::function<void(int)> onStop)
    : onStop_(std::move(onStop)), target_(std::make_unique<TMessageTarget>()) {
  arrived = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  object_ = TSystemHandle::FromHandle(arrived);
  target_->Watch(object_, [this] { Arrived(); });
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // The window is there before the constructor returns, so a session that ends from now on
  // finds it.
  TSessionStart start{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  if (!start.ready) return;
  sessionThread = CreateThread(nullptr, 0, ServeSession, &start, 0, nullptr);
  if (sessionThread) WaitForSingleObject(start.ready, INFINITE);
  CloseHandle(start.ready);
  sessionWindow = start.window;
}

TStopSignals::~TStopSignals() {
  target_.reset();
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  // A thread held in WM_ENDSESSION or the console's handler stays held: the process ends
  // around it. The window's thread is otherwise ended here; the event stays, as a held
  // handler may still set it.
  if (sessionThread) {
    if (received.load() == 0 && sessionWindow) {
      PostMessageW(sessionWindow, kQuitMessage, 0, 0);
      WaitForSingleObject(sessionThread, INFINITE);
    }
    CloseHandle(sessionThread);
    sessionThread = nullptr;
    sessionWindow = nullptr;
  }
}

void TStopSignals::Arrived() {
  if (++received_ > 1) return;
  onStop_(static_cast<int>(lastEvent.load()));
}
