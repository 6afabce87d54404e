#include "StatusLine.h"

#include <QList>
#include <algorithm>

#include "Console.h"

namespace {

// The wide characters of the East Asian blocks a message may hold (CJK, kana, Hangul,
// full-width forms): a terminal gives each two columns.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

QString Blanks(int columns) {
  return QString(std::max(columns, 0), QLatin1Char(' '));
}

}  // namespace

TStatusLine::TStatusLine(bool terminal, bool lineSequences, TWriter writer)
    : terminal_(terminal), lineSequences_(lineSequences), writer_(std::move(writer)) {}

int TStatusLine::Columns(const QString& text) {
  int columns = 0;
  for (char32_t c : text.toUcs4()) columns += IsWide(c) ? 2 : 1;
  return columns;
}

void TStatusLine::Put(const QString& text) {
  if (writer_)
    writer_(text);
  else
    PutText(stderr, text);
}

void TStatusLine::Say(const QString& message) {
  EndProgress();
  Put(QStringLiteral("simplescope-record: ") + message + QLatin1Char('\n'));
}

void TStatusLine::Progress(const QString& text) {
  if (!terminal_) return;
  const int columns = Columns(text);
  // Back to the line's start and clear it: a shorter text leaves nothing of a longer one.
  if (lineSequences_)
    Put(QStringLiteral("\r\033[K") + text);
  else
    Put(QLatin1Char('\r') + text + Blanks(progressColumns_ - columns));
  progressShown_ = true;
  progressColumns_ = columns;
}

void TStatusLine::EndProgress() {
  if (!progressShown_) return;
  if (lineSequences_)
    Put(QStringLiteral("\r\033[K"));
  else
    Put(QLatin1Char('\r') + Blanks(progressColumns_) + QLatin1Char('\r'));
  progressShown_ = false;
  progressColumns_ = 0;
}
