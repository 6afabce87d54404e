#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunStore.h"

// The two tables a run can be read back from: a recording (`block,sample,time_s,raw,volts`,
// written by simplescope-record and by the window) and the saved values (`sample,volts`).
enum class TRunFileKind { Unknown, Recording, Values };

// Why a file can't be opened as a run.
enum class TRunFileError {
  None,
  Empty,          // no line at all
  NotATable,      // a first line of one field or of control bytes, or a line too long
  UnknownHeader,  // the first line names the columns of neither table
  FieldCount,     // a row with more or fewer fields than the header
  NotANumber,     // a field that isn't a number
  NotFinite,      // inf or nan
  OutOfRange,     // a number beyond what the board or a run can have
  VoltsDisagree,  // volts that are not (raw - 512) / 102.4 to the table's four decimals
  BlockOrder,     // a block number not after the one before
  SampleOrder,    // a sample number that doesn't follow the one before
  NoRows,         // a header and nothing under it
  TooBig,         // more samples than the memory kept for runs holds
};

struct TRunFileProblem {
  TRunFileError Error = TRunFileError::None;
  uint64_t Line = 0;   // from 1; 0 where the problem is no one line's
  std::string Column;  // the header's name of the field at fault, if one is
  std::string Text;    // the field as it stands (at most 40 bytes)
};

// Reads either table, fed in pieces of any size, into a run: oldest sample first, each block
// of a recording with its time (time_s, to the millisecond) and a gap where block numbers are
// missing. The raw column is what is kept; volts must agree with it. Saved values have no
// raw column: each is the board's count nearest to v * 102.4 + 512, in blocks of 32 without
// a time, ordered by their sample numbers (0 is the oldest), a jump in them being a gap.
// CSV or TSV (the header's separator), CR LF or LF, a UTF-8 byte order mark, fields in
// double quotes and blank lines are taken. The first problem stops it: the run is then to be
// thrown away. Bytes are parsed as they are, without a string per row. Plain C++.
class TRunFileReader {
 public:
  // `maxBytes`: the run's memory is refused beyond it (TooBig), so a file too big stops early.
  explicit TRunFileReader(TRun& run, size_t maxBytes = SIZE_MAX);

  // The next piece of the file; false once a problem is found (nothing more is taken then).
  bool Take(std::string_view piece);
  // The end of the file. False on a problem.
  bool Finish();

  TRunFileKind Kind() const { return kind_; }
  const TRunFileProblem& Problem() const { return problem_; }
  bool Failed() const { return problem_.Error != TRunFileError::None; }

 private:
  bool TakeLine(std::string_view line);
  bool TakeHeader(std::string_view line);
  bool TakeRecordingRow(std::string_view line);
  bool TakeValuesRow(std::string_view line);
  // Splits a row into exactly `count` fields; false (FieldCount) otherwise.
  bool SplitFields(std::string_view line, std::string_view* fields, int count);
  bool Fail(TRunFileError error, int field = -1, std::string_view text = {});
  void FlushBlock();
  bool FlushValues();
  bool WithinMemory();

  TRun& run_;
  size_t maxBytes_;
  TRunFileKind kind_ = TRunFileKind::Unknown;
  TRunFileProblem problem_;
  char separator_ = ',';
  uint64_t line_ = 0;
  bool rows_ = false;
  std::string pending_;  // a line begun in an earlier piece

  // A recording: the block being gathered.
  bool inBlock_ = false;
  uint64_t block_ = 0;
  int32_t blockTimeMs_ = 0;
  std::vector<uint16_t> blockSamples_;
  std::string timeText_;  // the time field of the last row, parsed only when it changes
  int32_t timeMs_ = 0;

  // Saved values, in the file's order until the end shows which way they run.
  std::vector<uint16_t> values_;
  std::vector<size_t> valueGaps_;  // indices into values_ that don't join the one before
  uint64_t lastSample_ = 0;
  int direction_ = 0;  // +1 oldest first, -1 newest first, 0 not known yet
};
