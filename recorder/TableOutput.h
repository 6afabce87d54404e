#pragma once

#include <QString>
#include <memory>
#include <string>

#include "framework/SystemHandle.h"

// Where the table goes: a file, or standard output. Every Write is one whole piece of the
// table (the header with the first block's rows, or the rows of one block) and either lands
// whole or not at all, so the output always ends at a line boundary, also when the disk fills
// up or the reader of a pipe goes away. The bytes go out as they are (no line-end
// translation): the table's own line ends are the ones in the file. One file per platform.
//
// A file is made (or emptied) by the first Write, not by Open: a recording that ends before
// its first block leaves a file of that name as it was, and makes none.
class TTableOutput {
 public:
  // Standard output for "-" or an empty path; else checks, without making or changing it,
  // that the file `path` could be written. Answers null and says why in `error` when not.
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

  // The last failure was the reader of a pipe going away (`| head`): the normal end of a
  // pipeline, not a fault of the recording.
  bool ReaderGone() const { return readerGone_; }
  // The file's name as the user gave it, or "standard output".
  QString Name() const { return name_; }
  QString Error() const { return error_; }

 private:
  TTableOutput(TSystemHandle file, QString path, QString name);
  // Makes (or empties) the file of `path_`.
  bool Create();
  // Keeps the reason for the system's error code (errno, or Windows' own) and answers false.
  bool Fail(int error);

  TSystemHandle file_;
  QString path_;  // the file to be made or already made; empty for standard output
  bool seekable_ = false;
  bool closed_ = false;
  bool readerGone_ = false;
  QString name_;
  QString error_;
};
