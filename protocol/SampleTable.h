#pragma once

#include <cstdint>
#include <string>

#include "protocol/BoardProtocol.h"

// The recording as a table of text: one row per sample, `block,sample,time_s,raw,volts`.
// Numbers are written the same whatever the user's locale (a point before the decimals),
// so a spreadsheet or a script reads the file the same on every machine.
//
// CSV follows RFC 4180: comma-separated, every line ended by CR LF; no field ever needs
// quoting. TSV separates by tabs and ends lines with LF, as tab-separated tools expect.
class TSampleTable {
 public:
  enum class TFormat { Csv, Tsv };

  explicit TSampleTable(TFormat format) : format_(format) {}

  std::string Header() const;
  // The 32 rows of one block: `elapsedMs` is when it arrived, since the recording began.
  std::string BlockRows(uint64_t block, int64_t elapsedMs,
                        const BoardProtocol::TSampleBlock& samples) const;

  // "12.345": seconds with three decimals from milliseconds.
  static std::string Seconds(int64_t milliseconds);
  // "-4.9902": volts of a raw count with four decimals.
  static std::string Volts(int32_t raw);

 private:
  char Separator() const { return format_ == TFormat::Csv ? ',' : '\t'; }
  const char* LineEnd() const { return format_ == TFormat::Csv ? "\r\n" : "\n"; }

  TFormat format_;
};
