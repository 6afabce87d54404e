#include "MessageWindowWindows.h"

#include <windows.h>

#include <map>

#include "Dialogs.h"

namespace MessageWindowWindows {
namespace {

constexpr UINT kCallArrived = WM_APP + 1;

struct TReceiver {
  std::shared_ptr<TPostSlot> slot;
  std::function<void()> onArrival;
};

// Touched on the main thread only: opened, closed and dispatched there.
std::map<uint64_t, TReceiver>& Receivers() {
  static std::map<uint64_t, TReceiver> receivers;
  return receivers;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kCallArrived) return DefWindowProcW(window, message, wParam, lParam);
  const auto found = Receivers().find(static_cast<uint64_t>(wParam));
  if (found == Receivers().end()) return 0;  // closed after the post
  found->second.slot->Arrived();
  // A copy: the call may close its own slot, or open others, while it runs.
  const std::function<void()> onArrival = found->second.onArrival;
  // Nothing may leave a window procedure by an exception.
  RunHandlerGuarded(onArrival);
  return 0;
}

HWND TheWindow() {
  static const HWND window = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"simplescope.MainThreadCalls";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
  }();
  return window;
}

}  // namespace

bool TPostSlot::Post() {
  if (pending_.exchange(true)) return true;
  if (PostMessageW(static_cast<HWND>(window_), kCallArrived, static_cast<WPARAM>(id_), 0))
    return true;
  pending_.store(false);
  return false;
}

std::shared_ptr<TPostSlot> Open(std::function<void()> onArrival) {
  static uint64_t lastId = 0;
  const HWND window = TheWindow();
  if (!window) return nullptr;
  auto slot = std::make_shared<TPostSlot>(window, ++lastId);
  Receivers()[lastId] = {slot, std::move(onArrival)};
  return slot;
}

void Close(const std::shared_ptr<TPostSlot>& slot) {
  if (slot) Receivers().erase(slot->Id());
}

}  // namespace MessageWindowWindows
