#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/SystemHandle.h"

// The few calls to the system beneath a table's output, one set per platform
// (TableOutputLinux.cpp, TableOutputWindows.cpp). Error codes are the system's own (errno, or
// Windows' error codes); 0 means none. Tests put calls of their own in place to make a disk
// fill up or stall (SetTableOutputCalls).
class TTableOutputCalls {
 public:
  virtual ~TTableOutputCalls() = default;
  // Whether `path` could be written now, leaving nothing made or changed.
  virtual int CheckWritable(const QString& path) const = 0;
  // Makes the file, or empties it.
  virtual TSystemHandle Create(const QString& path, int& error) const = 0;
  virtual TSystemHandle StandardOutput() const = 0;
  // A file on a disk: where a piece begins can be found and what was written of it cut off.
  virtual bool IsDiskFile(TSystemHandle file) const = 0;
  virtual bool Position(TSystemHandle file, int64_t& offset) const = 0;
  // Writes some of the bytes, waiting until the output takes any: how many, or 0 with the
  // reason in `error` (an output that takes nothing without saying why is a full disk).
  virtual size_t WriteSome(TSystemHandle file, const char* data, size_t size, int& error) const = 0;
  // Cuts the file back to `offset`, where the next write goes.
  virtual void CutBack(TSystemHandle file, int64_t offset) const = 0;
  // Hands what the system holds of the file to the disk (or the file server).
  virtual int Flush(TSystemHandle file) const = 0;
  virtual int Close(TSystemHandle file) const = 0;
  // The error of a pipe whose reader went away.
  virtual bool ReaderGone(int error) const = 0;
  // The error of a file another program holds open so that it can't be written (a
  // spreadsheet showing it, on Windows).
  virtual bool InUse(int) const { return false; }
  // The error of a write to a file that isn't open (any more).
  virtual int NotOpen() const = 0;
  // The system's own words for an error, in the user's language.
  virtual QString Reason(int error) const = 0;
};

// The system's calls.
const TTableOutputCalls& SystemTableOutputCalls();
// Where outputs opened from now on make their calls; null puts the system's back.
void SetTableOutputCalls(const TTableOutputCalls* calls);

// Where a table goes: a file, or standard output. Every Write is one whole piece of the
// table (the header, the rows of a block, or both) and either lands whole or not at all, so
// the output always ends at a line boundary, also when the disk fills up or the reader of a
// pipe goes away. The bytes go out as they are (no line-end translation): the table's own
// line ends are the ones in the file.
//
// A file is made (or emptied) by the first Write, not by OpenFile: a recording that ends
// before its first piece leaves a file of that name as it was, and makes none.
class TTableOutput {
 public:
  // Checks, leaving it as it was, that the file `path` could be written. Answers
  // null and says why in `error` when not, and whether that is because another program
  // holds the file open.
  static std::unique_ptr<TTableOutput> OpenFile(const QString& path, QString& error,
                                                bool* fileInUse = nullptr);
  // The program's standard output, under the name its messages give it.
  static std::unique_ptr<TTableOutput> OpenStandardOutput(const QString& name);
  ~TTableOutput();
  TTableOutput(const TTableOutput&) = delete;
  TTableOutput& operator=(const TTableOutput&) = delete;

  // False when the text could not be written whole; what was written of it is taken back
  // where the output can be (a file), and Error() says why.
  bool Write(const std::string& text);
  // Hands what was written to the disk, where the output is a file. A file server may only
  // now say that the disk is full.
  bool Flush();
  // Closes a file, which can still report an error that was held back (a full disk on a
  // network file system, say). Standard output stays open.
  bool Close();

  // The last failure was the reader of a pipe going away (`| head`): the normal end of a
  // pipeline, not a fault of the recording.
  bool ReaderGone() const { return readerGone_; }
  // The file's name as it was given, or standard output's.
  QString Name() const { return name_; }
  QString Error() const { return error_; }

 private:
  TTableOutput(const TTableOutputCalls& calls, TSystemHandle file, QString path, QString name);
  bool Fail(int error);

  const TTableOutputCalls& calls_;
  TSystemHandle file_;
  QString path_;  // the file to be made or already made; empty for standard output
  bool diskFile_ = false;
  bool closed_ = false;
  bool readerGone_ = false;
  QString name_;
  QString error_;
};
