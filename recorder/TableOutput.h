#pragma once

#include <QString>
#include <memory>
#include <string>

#include "framework/SystemHandle.h"

// Where the table goes: a file the recorder made, or standard output. Every Write is one
// whole piece of the table (the header, or the rows of one block) and either lands whole or
// not at all, so the output always ends at a line boundary, also when the disk fills up or
// the reader of a pipe goes away. The bytes go out as they are (no line-end translation):
// the table's own line ends are the ones in the file. One file per platform.
class TTableOutput {
 public:
  // Opens (creates or empties) `path`; "-" or an empty path is standard output. Answers
  // null and says why in `error` when the file can't be opened.
  static std::unique_ptr<TTableOutput> Open(const QString& path, QString& error);
  ~TTableOutput();
  TTableOutput(const TTableOutput&) = delete;
  TTableOutput& operator=(const TTableOutput&) = delete;

  // False when the text could not be written whole; what was written of it is taken back
  // where the output can be (a file), and Error() says why.
  bool Write(const std::string& text);
  // Closes a file, which can still report an error that was held back (a full disk on a
  // network file system, say). Standard output stays open.
  bool Close();

  // The file's name as the user gave it, or "standard output".
  QString Name() const { return name_; }
  QString Error() const { return error_; }

 private:
  TTableOutput(TSystemHandle file, bool owned, QString name);
  // Keeps the reason for the system's error code (errno, or Windows' own) and answers false.
  bool Fail(int error);

  TSystemHandle file_;
  bool owned_;
  bool seekable_;
  QString name_;
  QString error_;
};
