#include "RunFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "protocol/BoardProtocol.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kRecordingColumns[] = {"block", "sample", "time_s", "raw", "volts"};
constexpr std::string_view kValuesColumns[] = {"sample", "volts"};
constexpr int kRecordingFields = 5;
constexpr int kValuesFields = 2;
// No row of either table comes near this; a longer line is no table's.
constexpr size_t kLongestLine = 4096;
constexpr size_t kShownFieldBytes = 40;
// The recorder writes volts with four decimals: a correct value is within half of the last.
constexpr double kVoltsTolerance = 0.00005 + 1e-9;
constexpr size_t kValuesPerBlock = BoardProtocol::kSamplesPerBlock;

std::string_view Trimmed(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  // A spreadsheet may put any field in quotes; ours never need them.
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = field.substr(1, field.size() - 2);
  return field;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y;
         });
}

// A line of separators and blanks only (a spreadsheet's empty row) holds nothing.
bool Blank(std::string_view line, char separator) {
  return line.find_first_not_of(separator == '\t' ? "\t " : ", \t") == std::string_view::npos;
}

enum class TParse { Ok, NotANumber, OutOfRange };

template <typename T>
TParse ParseWhole(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec == std::errc::result_out_of_range) return TParse::OutOfRange;
  if (ec != std::errc() || ptr != end || text.empty()) return TParse::NotANumber;
  return TParse::Ok;
}

}  // namespace

TRunFileReader::TRunFileReader(TRun& run, size_t maxBytes) : run_(run), maxBytes_(maxBytes) {
  blockSamples_.reserve(kValuesPerBlock);
}

bool TRunFileReader::Fail(TRunFileError error, int field, std::string_view text) {
  problem_.Error = error;
  problem_.Line = line_;
  if (field >= 0) {
    problem_.Column =
        kind_ == TRunFileKind::Recording ? kRecordingColumns[field] : kValuesColumns[field];
  }
  problem_.Text = std::string(text.substr(0, kShownFieldBytes));
  return false;
}

bool TRunFileReader::Take(std::string_view piece) {
  if (Failed()) return false;
  while (!piece.empty()) {
    const void* newline = std::memchr(piece.data(), '\n', piece.size());
    if (!newline) {
      if (pending_.size() + piece.size() > kLongestLine) {
        ++line_;
        return Fail(TRunFileError::NotATable);
      }
      pending_.append(piece);
      return true;
    }
    const size_t length = static_cast<const char*>(newline) - piece.data();
    bool taken;
    if (pending_.empty()) {
      taken = TakeLine(piece.substr(0, length));
    } else {
      pending_.append(piece.substr(0, length));
      taken = TakeLine(pending_);
      pending_.clear();
    }
    if (!taken) return false;
    piece.remove_prefix(length + 1);
  }
  return WithinMemory();
}

bool TRunFileReader::Finish() {
  if (Failed()) return false;
  if (!pending_.empty()) {
    std::string last;
    last.swap(pending_);
    if (!TakeLine(last)) return false;
  }
  if (kind_ == TRunFileKind::Unknown) {
    line_ = 0;
    return Fail(TRunFileError::Empty);
  }
  if (!rows_) {
    line_ = 0;
    return Fail(TRunFileError::NoRows);
  }
  line_ = 0;  // what fails now is no one line's
  if (kind_ == TRunFileKind::Recording) {
    FlushBlock();
    return WithinMemory();
  }
  return FlushValues();
}

bool TRunFileReader::WithinMemory() {
  const size_t bytes = values_.size() * sizeof(uint16_t) + run_.MemoryBytes();
  if (bytes <= maxBytes_) return true;
  line_ = 0;
  return Fail(TRunFileError::TooBig);
}

bool TRunFileReader::TakeLine(std::string_view line) {
  ++line_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (kind_ == TRunFileKind::Unknown) {
    if (line_ == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    return line.empty() ? true : TakeHeader(line);
  }
  if (line.empty() || Blank(line, separator_)) return true;
  rows_ = true;
  return kind_ == TRunFileKind::Recording ? TakeRecordingRow(line) : TakeValuesRow(line);
}

bool TRunFileReader::TakeHeader(std::string_view line) {
  for (const char c : line)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
      return Fail(TRunFileError::NotATable);
  separator_ = line.find('\t') != std::string_view::npos ? '\t' : ',';
  if (line.find(separator_) == std::string_view::npos) return Fail(TRunFileError::NotATable);
  std::vector<std::string_view> names;
  for (size_t at = 0;;) {
    const size_t next = line.find(separator_, at);
    names.push_back(Trimmed(line.substr(at, next - at)));
    if (next == std::string_view::npos) break;
    at = next + 1;
  }
  const auto matches = [&](const auto& columns) {
    return names.size() == std::size(columns) &&
           std::equal(names.begin(), names.end(), std::begin(columns), SameName);
  };
  if (matches(kRecordingColumns))
    kind_ = TRunFileKind::Recording;
  else if (matches(kValuesColumns))
    kind_ = TRunFileKind::Values;
  else
    return Fail(TRunFileError::UnknownHeader, -1, line);
  return true;
}

bool TRunFileReader::SplitFields(std::string_view line, std::string_view* fields, int count) {
  size_t at = 0;
  for (int f = 0; f < count; ++f) {
    const size_t next = f + 1 < count ? line.find(separator_, at) : line.size();
    if (next == std::string_view::npos) return Fail(TRunFileError::FieldCount, -1, line);
    fields[f] = Trimmed(line.substr(at, next - at));
    at = next + 1;
  }
  if (line.find(separator_, fields[count - 1].data() - line.data()) != std::string_view::npos)
    return Fail(TRunFileError::FieldCount, -1, line);
  return true;
}

bool TRunFileReader::TakeRecordingRow(std::string_view line) {
  std::string_view fields[kRecordingFields];
  if (!SplitFields(line, fields, kRecordingFields)) return false;
  const auto failedParse = [&](TParse parse, int field) {
    return Fail(parse == TParse::OutOfRange ? TRunFileError::OutOfRange : TRunFileError::NotANumber,
                field, fields[field]);
  };
  uint64_t block = 0;
  uint32_t sample = 0;
  int64_t raw = 0;
  if (const TParse p = ParseWhole(fields[0], block); p != TParse::Ok) return failedParse(p, 0);
  if (const TParse p = ParseWhole(fields[1], sample); p != TParse::Ok) return failedParse(p, 1);
  if (fields[2] != timeText_) {
    double seconds = 0;
    if (const TParse p = ParseWhole(fields[2], seconds); p != TParse::Ok) return failedParse(p, 2);
    if (!std::isfinite(seconds)) return Fail(TRunFileError::NotFinite, 2, fields[2]);
    const double ms = std::round(seconds * 1000);
    if (ms < 0 || ms > std::numeric_limits<int32_t>::max())
      return Fail(TRunFileError::OutOfRange, 2, fields[2]);
    timeText_.assign(fields[2]);
    timeMs_ = static_cast<int32_t>(ms);
  }
  if (const TParse p = ParseWhole(fields[3], raw); p != TParse::Ok) return failedParse(p, 3);
  if (raw < 0 || raw > std::numeric_limits<uint16_t>::max())
    return Fail(TRunFileError::OutOfRange, 3, fields[3]);
  double volts = 0;
  if (const TParse p = ParseWhole(fields[4], volts); p != TParse::Ok) return failedParse(p, 4);
  if (!std::isfinite(volts)) return Fail(TRunFileError::NotFinite, 4, fields[4]);
  if (std::abs(volts - BoardProtocol::VoltsFromRaw(static_cast<int32_t>(raw))) > kVoltsTolerance)
    return Fail(TRunFileError::VoltsDisagree, 4, fields[4]);

  if (!inBlock_ || block != block_) {
    if (inBlock_ && block < block_) return Fail(TRunFileError::BlockOrder, 0, fields[0]);
    if (sample != 0) return Fail(TRunFileError::SampleOrder, 1, fields[1]);
    if (inBlock_) {
      FlushBlock();
      if (block > block_ + 1) run_.MarkGap();
    }
    inBlock_ = true;
    block_ = block;
    blockTimeMs_ = timeMs_;
  } else if (sample != blockSamples_.size()) {
    return Fail(TRunFileError::SampleOrder, 1, fields[1]);
  }
  if (blockSamples_.size() >= size_t(TRun::kChunkSamples))
    return Fail(TRunFileError::OutOfRange, 1, fields[1]);
  blockSamples_.push_back(static_cast<uint16_t>(raw));
  return true;
}

void TRunFileReader::FlushBlock() {
  if (blockSamples_.empty()) return;
  run_.AppendBlock(blockSamples_, blockTimeMs_);
  blockSamples_.clear();
}

bool TRunFileReader::TakeValuesRow(std::string_view line) {
  std::string_view fields[kValuesFields];
  if (!SplitFields(line, fields, kValuesFields)) return false;
  uint64_t sample = 0;
  if (const TParse p = ParseWhole(fields[0], sample); p != TParse::Ok)
    return Fail(p == TParse::OutOfRange ? TRunFileError::OutOfRange : TRunFileError::NotANumber, 0,
                fields[0]);
  double volts = 0;
  if (const TParse p = ParseWhole(fields[1], volts); p != TParse::Ok)
    return Fail(p == TParse::OutOfRange ? TRunFileError::OutOfRange : TRunFileError::NotANumber, 1,
                fields[1]);
  if (!std::isfinite(volts)) return Fail(TRunFileError::NotFinite, 1, fields[1]);
  const double raw =
      std::round(volts * BoardProtocol::kCountsPerVolt + BoardProtocol::kZeroVoltRaw);
  if (raw < 0 || raw > std::numeric_limits<uint16_t>::max())
    return Fail(TRunFileError::OutOfRange, 1, fields[1]);

  if (!values_.empty()) {
    const int direction = sample > lastSample_ ? 1 : sample < lastSample_ ? -1 : 0;
    if (direction == 0 || (direction_ != 0 && direction != direction_))
      return Fail(TRunFileError::SampleOrder, 0, fields[0]);
    direction_ = direction;
    const uint64_t step = direction > 0 ? sample - lastSample_ : lastSample_ - sample;
    if (step > 1) valueGaps_.push_back(values_.size());
  }
  lastSample_ = sample;
  values_.push_back(static_cast<uint16_t>(raw));
  return true;
}

bool TRunFileReader::FlushValues() {
  if (direction_ < 0) {
    // Newest first in the file: the run holds them as they came.
    std::reverse(values_.begin(), values_.end());
    for (size_t& gap : valueGaps_) gap = values_.size() - gap;
    std::reverse(valueGaps_.begin(), valueGaps_.end());
  }
  if (run_.BytesToAppend(values_.size()) > maxBytes_) return Fail(TRunFileError::TooBig);
  auto gap = valueGaps_.begin();
  for (size_t at = 0; at < values_.size();) {
    // A block ends at the next gap, so the gap falls between blocks.
    size_t end = std::min(values_.size(), at + kValuesPerBlock);
    if (gap != valueGaps_.end() && *gap == at) {
      run_.MarkGap();
      ++gap;
    }
    if (gap != valueGaps_.end() && *gap < end) end = *gap;
    run_.AppendBlock(std::span(values_).subspan(at, end - at), TRun::kNoTime);
    at = end;
  }
  values_ = {};
  return WithinMemory();
}
