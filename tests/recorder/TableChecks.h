#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "RecorderProcess.h"

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

// The recorder's CSV output as rows.
inline TRecordedTable Csv(const std::string& text) {
  return TRecordedTable::Parse(text, ',', "\r\n");
}

// A stop signal at a random moment once two blocks are in: exit 0, a well-formed table,
// and a summary that counts what the table holds.
inline void ExpectStopSignalEndsCleanly(TRecorderProcess& recorder, int signal,
                                        std::mt19937& random) {
  SCOPED_TRACE(strsignal(signal));
  ASSERT_TRUE(recorder.WaitFor([&] { return Csv(recorder.Stdout()).Blocks() >= 2; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(random() % 100));
  recorder.Signal(signal);
  ASSERT_TRUE(recorder.Wait());
  EXPECT_EQ(recorder.ExitCode(), 0) << recorder.Stderr();
  const TRecordedTable table = Csv(recorder.Stdout());
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_NE(recorder.Stderr().find("blocks: " + std::to_string(table.Blocks()) + ","),
            std::string::npos)
      << recorder.Stderr();
}
