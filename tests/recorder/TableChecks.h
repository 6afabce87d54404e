#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "RecorderProcess.h"

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
