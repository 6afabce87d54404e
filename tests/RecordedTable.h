#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The table that simplescope-record writes, and the window when it records: read back and
// checked the same way for both.

// The rows of a recorded table: each field of each line, the header first; `complete` is
// false when the text does not end with a line end.
struct TRecordedTable {
  std::vector<std::vector<std::string>> lines;
  bool complete = true;

  static TRecordedTable Parse(const std::string& text, char separator, const std::string& lineEnd) {
    TRecordedTable table;
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find(lineEnd, start);
      if (end == std::string::npos) {
        table.complete = false;
        break;
      }
      std::vector<std::string> fields;
      size_t field = start;
      for (;;) {
        const size_t next = text.find(separator, field);
        if (next == std::string::npos || next >= end) {
          fields.push_back(text.substr(field, end - field));
          break;
        }
        fields.push_back(text.substr(field, next - field));
        field = next + 1;
      }
      table.lines.push_back(fields);
      start = end + lineEnd.size();
    }
    return table;
  }
  size_t Rows() const { return lines.empty() ? 0 : lines.size() - 1; }
  size_t Blocks() const { return Rows() / 32; }
  // The raw counts of block b, in sample order.
  std::vector<uint16_t> BlockRaws(size_t block) const {
    std::vector<uint16_t> raws;
    for (size_t i = 1 + block * 32; i < lines.size() && i < 1 + (block + 1) * 32; ++i)
      raws.push_back(static_cast<uint16_t>(std::stoul(lines[i][3])));
    return raws;
  }
  // Every raw count, in row order.
  std::vector<uint16_t> Raws() const {
    std::vector<uint16_t> raws;
    for (size_t i = 1; i < lines.size(); ++i)
      raws.push_back(static_cast<uint16_t>(std::stoul(lines[i][3])));
    return raws;
  }
  // When block b came, in seconds since the recording began.
  double BlockSeconds(size_t block) const { return std::stod(lines[1 + block * 32][2]); }
};

// What every recorded table must be, whatever ended the recording: the header, then whole
// blocks of 32 rows, blocks numbered on from 0, samples 0..31, one arrival time per block
// that never goes back, and volts that are the raw count's.
inline void ExpectWellFormedTable(const TRecordedTable& table) {
  ASSERT_TRUE(table.complete) << "the table does not end at a line boundary";
  ASSERT_FALSE(table.lines.empty()) << "no header";
  EXPECT_EQ(table.lines[0],
            (std::vector<std::string>{"block", "sample", "time_s", "raw", "volts"}));
  ASSERT_EQ(table.Rows() % 32, 0u) << "a block was cut short";
  double previousTime = 0;
  for (size_t row = 0; row < table.Rows(); ++row) {
    const std::vector<std::string>& line = table.lines[row + 1];
    ASSERT_EQ(line.size(), 5u) << "row " << row;
    EXPECT_EQ(line[0], std::to_string(row / 32)) << "row " << row;
    EXPECT_EQ(line[1], std::to_string(row % 32)) << "row " << row;
    // Seconds with a point and exactly three decimals.
    const size_t point = line[2].find('.');
    ASSERT_NE(point, std::string::npos) << line[2];
    EXPECT_EQ(line[2].size() - point, 4u) << line[2];
    const double time = std::stod(line[2]);
    if (row % 32 != 0) {
      EXPECT_EQ(line[2], table.lines[row][2]) << "row " << row;
    }
    EXPECT_GE(time, previousTime) << "row " << row;
    previousTime = time;
    char volts[32];
    std::snprintf(volts, sizeof volts, "%.4f", (std::stoi(line[3]) - 512) / 102.4);
    EXPECT_EQ(line[4], volts) << "row " << row;
  }
}

// A CSV table as rows.
inline TRecordedTable Csv(const std::string& text) {
  return TRecordedTable::Parse(text, ',', "\r\n");
}
