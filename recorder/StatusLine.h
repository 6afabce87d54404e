#pragma once

#include <QString>
#include <functional>

// The recorder's standard error: one-line messages, and on a terminal a progress line
// that each new progress overwrites and a message clears first. Nothing of the progress
// reaches a file or a pipe.
class TStatusLine {
 public:
  using TWriter = std::function<void(const QString& text)>;

  // `terminal`: standard error is a terminal that may show a progress line.
  // `lineSequences`: it takes the sequence that clears a line; where it doesn't (a Windows
  // console that refuses virtual-terminal processing), the line is cleared with blanks and
  // no escape sequence is written. `writer` takes the text (standard error by default).
  explicit TStatusLine(bool terminal, bool lineSequences = true, TWriter writer = {});

  // "simplescope-record: <message>" on a line of its own.
  void Say(const QString& message);
  void Progress(const QString& text);
  // Ends the progress line, so what follows starts on a fresh line.
  void EndProgress();
  bool Terminal() const { return terminal_; }

  // The columns a text takes on a terminal: two for each wide (East Asian) character.
  static int Columns(const QString& text);

 private:
  void Put(const QString& text);

  bool terminal_;
  bool lineSequences_;
  TWriter writer_;
  bool progressShown_ = false;
  int progressColumns_ = 0;  // of the progress line shown
};
