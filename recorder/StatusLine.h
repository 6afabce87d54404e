#pragma once

#include <QString>

// The recorder's standard error: one-line messages, and on a terminal a progress line
// that each new progress overwrites and a message clears first. Nothing of the progress
// reaches a file or a pipe.
class TStatusLine {
 public:
  // `terminal`: standard error is a terminal that may show a progress line.
  explicit TStatusLine(bool terminal) : terminal_(terminal) {}

  // "simplescope-record: <message>" on a line of its own.
  void Say(const QString& message);
  void Progress(const QString& text);
  // Ends the progress line, so what follows starts on a fresh line.
  void EndProgress();
  bool Terminal() const { return terminal_; }

 private:
  bool terminal_;
  bool progressShown_ = false;
};
