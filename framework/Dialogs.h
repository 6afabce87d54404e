#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

// The modal warning box: caption "警告", the warning icon, the text and one "OK" button that
// is both default and cancel, centred on the screen. Returns once the user has closed it.
void ShowWarningBox(const QString& text);

// The default error report: a modal box with the exception's message under the program's
// title; the program goes on. Call it from a catch block.
void ReportCurrentException();
// The error report's caption: the program's name. Unset, the application's display name.
// (A program whose window caption changes sets this rather than the display name, which the
// window systems append to every caption that doesn't end with it.)
void SetErrorBoxCaption(const QString& caption);

// Runs a handler the way the message loop does: an exception it lets through is reported
// by the default error report instead of unwinding into Qt.
template <typename Handler>
void RunHandlerGuarded(Handler&& handler) {
  try {
    handler();
  } catch (...) {
    ReportCurrentException();
  }
}

// Where modal boxes go. Unset, they are real modal boxes; tests set a recorder that sees
// the box's caption and text at the moment it would be open.
enum class TBoxKind { Warning, Error };
using TMessageBoxHook = std::function<void(TBoxKind kind, const QString& text)>;
void SetMessageBoxHook(TMessageBoxHook hook);

// A small note without buttons that says what the program is busy with while the user waits
// (the last rows of a recording going to a disk that answers slowly). Not modal: it shows,
// centred on the screen, for as long as the object lives.
class TBusyNotice {
 public:
  explicit TBusyNotice(const QString& text);
  ~TBusyNotice();
  TBusyNotice(const TBusyNotice&) = delete;
  TBusyNotice& operator=(const TBusyNotice&) = delete;

 private:
  std::unique_ptr<QWidget> widget_;
};
// Where notices go. Unset, they are shown; tests set one that sees the text as the notice
// shows, and an empty text as it goes.
using TNoticeHook = std::function<void(const QString& text)>;
void SetNoticeHook(TNoticeHook hook);
