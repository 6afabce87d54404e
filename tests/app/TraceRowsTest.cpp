// The trace as a table: the order of the rows, the two forms and the proposed file name.
#include <gtest/gtest.h>

#include "app/TraceRows.h"
#include "framework/StringList.h"

namespace {

// A history as the window keeps it: newest first.
TStringList HistoryNewestFirst(std::initializer_list<const char*> newestFirst) {
  TStringList history;
  for (const char* text : newestFirst) history.Add(QString::fromUtf8(text));
  return history;
}

}  // namespace

TEST(TraceRows, OldestFirstNumberedFromZeroWithCrLf) {
  const TStringList history = HistoryNewestFirst({"-0.5", "4.9", "0.0"});
  EXPECT_EQ(TraceRowsTabSeparated(history), "sample\tvolts\r\n0\t0.0\r\n1\t4.9\r\n2\t-0.5\r\n");
  EXPECT_EQ(TraceRowsCsv(history), "sample,volts\r\n0,0.0\r\n1,4.9\r\n2,-0.5\r\n");
  // No values: the header alone.
  EXPECT_EQ(TraceRowsTabSeparated(TStringList()), "sample\tvolts\r\n");
  EXPECT_EQ(TraceRowsCsv(TStringList()), "sample,volts\r\n");
}

TEST(TraceRows, ATextThatWouldBreakTheColumnsStaysInItsField) {
  // The window's own texts never hold these; a stray one must not shift a column or add a
  // row.
  const TStringList history = HistoryNewestFirst({"1,5", "say \"2\"", "a\tb\r\nc"});
  EXPECT_EQ(TraceRowsCsv(history),
            "sample,volts\r\n0,\"a\tb\r\nc\"\r\n1,\"say \"\"2\"\"\"\r\n2,\"1,5\"\r\n");
  EXPECT_EQ(TraceRowsTabSeparated(history),
            "sample\tvolts\r\n0\ta b  c\r\n1\tsay \"2\"\r\n2\t1,5\r\n");
}

TEST(TraceRows, TheFileNameSaysWhenToTheSecond) {
  const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7));
  EXPECT_EQ(TraceFileName(time, "png"), "simplescope-20260304-050607.png");
  EXPECT_EQ(TraceFileName(time.addSecs(86399), "csv"), "simplescope-20260305-050606.csv");
}
