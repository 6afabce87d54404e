#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// The main thread's message-only window. A thread of the system (a timer's, a wait's) hands
// the main thread a call by posting this window one message, which whatever loop runs there
// dispatches: Qt's, a modal box's, the system's own while a window is moved or a native
// dialog is open. An event posted to Qt instead costs its dispatcher a fallback timer set and
// killed on every wake-up, each a round trip through the window system.
namespace MessageWindowWindows {

// What a posting thread and the main thread share. Posts made while one is still on its way
// count as one; the call runs at most once per message.
class TPostSlot {
 public:
  TPostSlot(void* window, uint64_t id) : window_(window), id_(id) {}
  // Any thread. False when the message could not be posted (the queue full, the window gone):
  // the next post tries again.
  bool Post();
  // Main thread, as the message arrives: later posts send a message of their own.
  void Arrived() { pending_.store(false); }
  uint64_t Id() const { return id_; }

 private:
  void* const window_;
  const uint64_t id_;
  std::atomic<bool> pending_{false};
};

// Main thread: a slot whose posts run onArrival on the main thread until it is closed. Null
// when the system gave no window.
std::shared_ptr<TPostSlot> Open(std::function<void()> onArrival);
// Main thread: nothing posted to the slot runs any more, even what is already on its way.
void Close(const std::shared_ptr<TPostSlot>& slot);

}  // namespace MessageWindowWindows
