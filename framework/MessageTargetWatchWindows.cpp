#include <windows.h>

#include <QObject>
#include <QPointer>
#include <QWinEventNotifier>

#include "MessageTarget.h"
#include "MessageWindowWindows.h"

namespace {

// A wait of the system's thread pool on the object, whose callback posts the main thread's
// message window: one message per arrival, where Qt's event notifier posts an event to Qt's
// dispatcher from a pool thread of its own. The wait is armed once at a time and again only
// after the handler has run, so that the handler is where a manual-reset event is cleared
// before the next wait, as its owner decides.
class TObjectWatch : public QObject {
 public:
  TObjectWatch(HANDLE object, QObject* context, std::function<void()> onReady)
      : object_(object), alive_(std::make_shared<bool>(true)) {
    slot_ = MessageWindowWindows::Open(
        [this, alive = alive_, context = QPointer<QObject>(context), onReady = std::move(onReady)] {
          if (context) Arrived(alive, onReady);
        });
    Arm();
  }
  ~TObjectWatch() override {
    *alive_ = false;
    Disarm();
    MessageWindowWindows::Close(slot_);
  }

  bool Armed() const { return wait_ != nullptr; }

 private:
  static void CALLBACK Ready(void* slot, BOOLEAN /*timedOut*/) {
    static_cast<MessageWindowWindows::TPostSlot*>(slot)->Post();
  }

  void Arm() {
    if (!slot_ || wait_) return;
    HANDLE wait = nullptr;
    if (RegisterWaitForSingleObject(&wait, object_, Ready, slot_.get(), INFINITE,
                                    WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD))
      wait_ = wait;
  }

  // Returns once the callback can no longer run.
  void Disarm() {
    if (!wait_) return;
    UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    wait_ = nullptr;
  }

  // The handler may end this watch: `alive` says whether it is still there to arm again.
  void Arrived(const std::shared_ptr<bool>& alive, const std::function<void()>& onReady) {
    Disarm();
    onReady();
    if (*alive) Arm();
  }

  HANDLE object_;
  std::shared_ptr<bool> alive_;
  std::shared_ptr<MessageWindowWindows::TPostSlot> slot_;
  HANDLE wait_ = nullptr;
};

}  // namespace

std::unique_ptr<QObject> WatchSystemObject(TSystemHandle object, QObject* context,
                                           std::function<void()> onReady) {
  auto watch = std::make_unique<TObjectWatch>(object.Handle(), context, onReady);
  if (watch->Armed()) return watch;
  // No window or no wait from the system: Qt's notifier still gets the object watched.
  auto notifier = std::make_unique<QWinEventNotifier>(object.Handle());
  QObject::connect(notifier.get(), &QWinEventNotifier::activated, context,
                   [onReady = std::move(onReady)] { onReady(); });
  return notifier;
}
