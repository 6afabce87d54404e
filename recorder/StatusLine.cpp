#include "StatusLine.h"

#include "Console.h"

namespace {

void Put(const QString& text) {
  PutText(stderr, text);
}

}  // namespace

void TStatusLine::Say(const QString& message) {
  EndProgress();
  Put(QStringLiteral("simplescope-record: ") + message + QLatin1Char('\n'));
}

void TStatusLine::Progress(const QString& text) {
  if (!terminal_) return;
  // Back to the line's start and clear it: a shorter text leaves nothing of a longer one.
  Put(QStringLiteral("\r\033[K") + text);
  progressShown_ = true;
}

void TStatusLine::EndProgress() {
  if (!progressShown_) return;
  Put(QStringLiteral("\r\033[K"));
  progressShown_ = false;
}
