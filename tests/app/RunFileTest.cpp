// Reading a run back from a file: the recorder's table and the saved values, CSV and TSV, both
// line ends, a byte order mark, gaps, every kind of bad file with its line, and millions of rows.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/RunFile.h"
#include "app/TraceRows.h"
#include "app/VoltsHistory.h"
#include "protocol/SampleTable.h"

namespace {

// Everything a run holds, for comparing.
struct TRunContents {
  std::vector<uint16_t> samples;
  std::vector<int32_t> blockTimes;
  std::vector<uint64_t> gaps;
};

TRunContents Contents(const TRun& run) {
  TRunContents contents;
  for (uint64_t p = run.DroppedSamples(); p < run.SampleCount(); ++p)
    contents.samples.push_back(run.SampleAt(p));
  for (size_t b = 0; b < run.BlockCount(); ++b)
    contents.blockTimes.push_back(run.BlockAt(b).TimeMs);
  contents.gaps = run.Gaps();
  return contents;
}

BoardProtocol::TSampleBlock Block(uint16_t from) {
  BoardProtocol::TSampleBlock block;
  for (int k = 0; k < BoardProtocol::kSamplesPerBlock; ++k) block[k] = uint16_t(from + 7 * k);
  return block;
}

// A recording as the recorder writes it, of the given block numbers (a missing one left out).
std::string Recording(TSampleTable::TFormat format, const std::vector<uint64_t>& blocks) {
  const TSampleTable table(format);
  std::string text = table.Header();
  for (const uint64_t b : blocks)
    text += table.BlockRows(b, int64_t(b) * 100 + 3, Block(uint16_t(300 + b)));
  return text;
}

struct TRead {
  bool ok;
  TRunFileKind kind;
  TRunFileProblem problem;
  TRunContents contents;
};

// Fed in pieces of `pieceSize` bytes, so lines (and the byte order mark) are split between them.
TRead Read(const std::string& text, size_t pieceSize = 4096, size_t maxBytes = SIZE_MAX) {
  TRun run(0, {});
  TRunFileReader reader(run, maxBytes);
  bool ok = true;
  for (size_t at = 0; ok && at < text.size(); at += pieceSize)
    ok = reader.Take(std::string_view(text).substr(at, pieceSize));
  if (ok) ok = reader.Finish();
  return {ok, reader.Kind(), reader.Problem(), Contents(run)};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

TEST(RunFile, ARecordingReadsBackAsItsSamplesBlockTimesAndGapsInEveryFormAndPiece) {
  TRunContents expected;
  for (const uint64_t b : {0, 1, 2, 5, 6}) {
    const auto block = Block(uint16_t(300 + b));
    expected.samples.insert(expected.samples.end(), block.begin(), block.end());
    expected.blockTimes.push_back(int32_t(b) * 100 + 3);
  }
  expected.gaps = {3 * 32};  // blocks 3 and 4 are missing

  const std::string csv = Recording(TSampleTable::TFormat::Csv, {0, 1, 2, 5, 6});
  const std::string tsv = Recording(TSampleTable::TFormat::Tsv, {0, 1, 2, 5, 6});
  ASSERT_NE(csv.find("\r\n"), std::string::npos);
  const std::vector<std::pair<const char*, std::string>> forms = {
      {"CSV with CR LF", csv},
      {"TSV with LF", tsv},
      {"CSV with LF", Replaced(csv, "\r\n", "\n")},
      {"TSV with CR LF", Replaced(tsv, "\n", "\r\n")},
      {"with a byte order mark", "\xEF\xBB\xBF" + csv},
      {"without the last line end", csv.substr(0, csv.size() - 2)},
      {"with blank lines and a spreadsheet's empty rows", csv + "\r\n,,,,\r\n\r\n"},
      {"quoted by a spreadsheet", Replaced(csv, ",300,", ",\"300\",")},
  };
  for (const auto& [what, text] : forms) {
    for (const size_t piece : {size_t(1), size_t(2), size_t(7), size_t(1 << 20)}) {
      SCOPED_TRACE(std::string(what) + ", pieces of " + std::to_string(piece));
      const TRead read = Read(text, piece);
      ASSERT_TRUE(read.ok) << read.problem.Line << " " << int(read.problem.Error);
      EXPECT_EQ(read.kind, TRunFileKind::Recording);
      EXPECT_EQ(read.contents.samples, expected.samples);
      EXPECT_EQ(read.contents.blockTimes, expected.blockTimes);
      EXPECT_EQ(read.contents.gaps, expected.gaps);
    }
  }
}

TEST(RunFile, SavedValuesBecomeTheBoardsCountsOldestFirstInEitherOrderWithAGapWhereNumbersJump) {
  // 0 V, the board's 760, a value between counts (nearest), -5 V.
  const std::string oldestFirst = "sample,volts\r\n0,0\r\n1,2.421875\r\n2,1.23\r\n3,-5\r\n";
  const std::string newestFirst = "sample\tvolts\n3\t-5\n2\t1.23\n1\t2.421875\n0\t0\n";
  for (const std::string& text : {oldestFirst, newestFirst}) {
    const TRead read = Read(text, 3);
    ASSERT_TRUE(read.ok) << read.problem.Line;
    EXPECT_EQ(read.kind, TRunFileKind::Values);
    EXPECT_EQ(read.contents.samples, (std::vector<uint16_t>{512, 760, 638, 0}));
    EXPECT_EQ(read.contents.blockTimes, std::vector<int32_t>{TRun::kNoTime});
    EXPECT_TRUE(read.contents.gaps.empty());
  }

  // 70 values, 10 to 39 left out: the gap falls at the 10th kept value, whichever way they run.
  std::string ascending = "sample,volts\n";
  std::string descending = "sample,volts\n";
  std::vector<uint16_t> expected;
  for (int s = 0; s < 70; ++s) {
    if (s >= 10 && s < 40) continue;
    ascending += std::to_string(s) + "," + std::to_string((s - 512) / 102.4 + 5) + "\n";
    expected.push_back(uint16_t(s + 512));
  }
  for (int s = 69; s >= 0; --s)
    if (s < 10 || s >= 40)
      descending += std::to_string(s) + "," + std::to_string((s - 512) / 102.4 + 5) + "\n";
  for (const std::string& text : {ascending, descending}) {
    const TRead read = Read(text);
    ASSERT_TRUE(read.ok) << read.problem.Line;
    EXPECT_EQ(read.contents.samples, expected);
    EXPECT_EQ(read.contents.gaps, std::vector<uint64_t>{10});
  }
}

TEST(RunFile, TheWindowsSavedValuesReadBackAsTheCountsTheBoardSent) {
  // The menu's file, as the window writes it: the board's counts come back exactly.
  TVoltsHistory history(200);
  std::vector<uint16_t> sent;
  for (int i = 0; i < 200; ++i) {
    sent.push_back(uint16_t(i * 5 % 1024));
    history.AddNewest(BoardProtocol::VoltsFromRaw(sent.back()));
  }
  const QByteArray csv = TraceRowsCsv(history);
  const TRead read = Read(csv.toStdString(), 100);
  ASSERT_TRUE(read.ok) << read.problem.Line;
  EXPECT_EQ(read.kind, TRunFileKind::Values);
  EXPECT_EQ(read.contents.samples, sent);
}

TEST(RunFile, ABadFileSaysWhichLineAndWhyAndTheColumnAtFault) {
  const std::string header = "block,sample,time_s,raw,volts\r\n";
  const std::string good = "0,0,0.100,760,2.4219\r\n";
  struct TCase {
    const char* what;
    std::string text;
    TRunFileError error;
    uint64_t line;
    std::string column;
  };
  const std::vector<TCase> cases = {
      {"nothing", "", TRunFileError::Empty, 0, ""},
      {"blank lines only", "\r\n\n", TRunFileError::Empty, 0, ""},
      {"a picture", "\x89PNG\r\n\x1a\n\0\0", TRunFileError::NotATable, 1, ""},
      {"a long line without an end", std::string(10000, 'x'), TRunFileError::NotATable, 1, ""},
      {"another table", "time,value\n1,2\n", TRunFileError::UnknownHeader, 1, ""},
      {"a text", "Dear student\nplease\n", TRunFileError::NotATable, 1, ""},
      {"a header only", header, TRunFileError::NoRows, 0, ""},
      {"a short row", header + good + "1,0,0.2,760\r\n", TRunFileError::FieldCount, 3, ""},
      {"a long row", header + good + "1,0,0.2,760,2.4219,9\r\n", TRunFileError::FieldCount, 3, ""},
      {"a word for a number", header + good + "1,0,0.2,abc,2.4219\r\n", TRunFileError::NotANumber,
       3, "raw"},
      {"a decimal comma", header + good + "1,0,\"0,2\",760,2.4219\r\n", TRunFileError::FieldCount,
       3, ""},
      {"an empty field", header + "0,,0.1,760,2.4219\r\n", TRunFileError::NotANumber, 2, "sample"},
      {"infinite volts", header + "0,0,0.1,760,inf\r\n", TRunFileError::NotFinite, 2, "volts"},
      {"no time", header + "0,0,nan,760,2.4219\r\n", TRunFileError::NotFinite, 2, "time_s"},
      {"a negative time", header + "0,0,-1.000,760,2.4219\r\n", TRunFileError::OutOfRange, 2,
       "time_s"},
      {"a time of years", header + "0,0,99999999.000,760,2.4219\r\n", TRunFileError::OutOfRange, 2,
       "time_s"},
      {"a count beyond 16 bits", header + "0,0,0.1,65536,634.9951\r\n", TRunFileError::OutOfRange,
       2, "raw"},
      {"a negative count", header + "0,0,0.1,-1,-5.0098\r\n", TRunFileError::OutOfRange, 2, "raw"},
      {"a block number past 64 bits", header + "18446744073709551616,0,0.1,760,2.4219\r\n",
       TRunFileError::OutOfRange, 2, "block"},
      {"volts that disagree with raw", header + good + "0,1,0.100,760,2.4220\r\n",
       TRunFileError::VoltsDisagree, 3, "volts"},
      {"blocks out of order", header + "5,0,0.1,760,2.4219\r\n4,0,0.2,760,2.4219\r\n",
       TRunFileError::BlockOrder, 3, "block"},
      {"a block that doesn't start at sample 0", header + "0,1,0.1,760,2.4219\r\n",
       TRunFileError::SampleOrder, 2, "sample"},
      {"a sample left out", header + good + "0,2,0.1,760,2.4219\r\n", TRunFileError::SampleOrder, 3,
       "sample"},
      {"values with a sample twice", "sample,volts\n0,1\n1,1\n1,1\n", TRunFileError::SampleOrder, 4,
       "sample"},
      {"values that turn back", "sample,volts\n0,1\n1,1\n0,1\n", TRunFileError::SampleOrder, 4,
       "sample"},
      {"values beyond the board's counts", "sample,volts\n0,1\n1,700\n", TRunFileError::OutOfRange,
       3, "volts"},
      {"values below them", "sample,volts\n0,-5.01\n", TRunFileError::OutOfRange, 2, "volts"},
      {"a huge number", "sample,volts\n0,1e400\n", TRunFileError::OutOfRange, 2, "volts"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const size_t piece : {size_t(1), size_t(4096)}) {
      const TRead read = Read(c.text, piece);
      EXPECT_FALSE(read.ok);
      EXPECT_EQ(read.problem.Error, c.error);
      EXPECT_EQ(read.problem.Line, c.line);
      EXPECT_EQ(read.problem.Column, c.column);
    }
  }
  // The field is quoted as it stands, cut short.
  const TRead word = Read(header + "0,0,0.1," + std::string(100, 'z') + ",1\r\n");
  EXPECT_EQ(word.problem.Text, std::string(40, 'z'));
}

TEST(RunFile, AFileTooBigForTheMemoryKeptForRunsStopsEarly) {
  std::vector<uint64_t> blocks(8192);  // 262144 samples: four chunks
  for (size_t b = 0; b < blocks.size(); ++b) blocks[b] = b;
  const std::string text = Recording(TSampleTable::TFormat::Csv, blocks);
  const TRead refused = Read(text, 65536, 2 * TRun::kChunkBytes);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.problem.Error, TRunFileError::TooBig);
  EXPECT_LT(refused.contents.samples.size(), 4u * TRun::kChunkSamples);
  EXPECT_TRUE(Read(text, 65536, 5 * TRun::kChunkBytes).ok);

  std::string values = "sample,volts\n";
  for (int s = 0; s < 3 * TRun::kChunkSamples; ++s) values += std::to_string(s) + ",0\n";
  EXPECT_EQ(Read(values, 65536, TRun::kChunkBytes).problem.Error, TRunFileError::TooBig);
}

TEST(RunFile, MillionsOfRowsReadBackWhole) {
  // 100000 blocks, 3.2 M rows, about 90 MB of CSV, made here and fed in pieces of 1 MiB.
  const TSampleTable table(TSampleTable::TFormat::Csv);
  constexpr uint64_t kBlocks = 100000;
  std::string text = table.Header();
  text.reserve(kBlocks * 32 * 30);
  BoardProtocol::TSampleBlock block;
  for (uint64_t b = 0; b < kBlocks; ++b) {
    if (b == 50000) continue;  // one gap
    for (int k = 0; k < 32; ++k) block[k] = uint16_t((b * 32 + k) % 1024);
    text += table.BlockRows(b, int64_t(b) * 100, block);
  }
  TRun run(0, {});
  TRunFileReader reader(run);
  for (size_t at = 0; at < text.size(); at += 1 << 20)
    ASSERT_TRUE(reader.Take(std::string_view(text).substr(at, 1 << 20)));
  ASSERT_TRUE(reader.Finish());
  ASSERT_EQ(run.SampleCount(), (kBlocks - 1) * 32);
  EXPECT_EQ(run.BlockCount(), kBlocks - 1);
  EXPECT_EQ(run.Gaps(), std::vector<uint64_t>{50000 * 32});
  EXPECT_EQ(run.DurationMs(), int64_t(kBlocks - 1) * 100);
  for (uint64_t p = 0; p < run.SampleCount(); p += 9973) {
    const uint64_t b = p / 32 + (p / 32 >= 50000 ? 1 : 0);
    ASSERT_EQ(run.SampleAt(p), (b * 32 + p % 32) % 1024) << p;
  }
}

}  // namespace
