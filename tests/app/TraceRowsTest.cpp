// The trace as a table: the order of the rows, the values at the board's resolution, the two
// forms and the proposed file name; the history they are read from.
#include <gtest/gtest.h>

#include "app/TraceRows.h"
#include "app/VoltsHistory.h"
#include "protocol/BoardProtocol.h"

namespace {

// A history as the window keeps it: the last value given is the newest.
TVoltsHistory HistoryOf(std::initializer_list<double> oldestFirst, int limit = 200) {
  TVoltsHistory history(limit);
  for (double volts : oldestFirst) history.AddNewest(volts);
  return history;
}

}  // namespace

TEST(TraceRows, OldestFirstNumberedFromZeroWithCrLf) {
  const TVoltsHistory history = HistoryOf({0.0, 4.9, -0.5});
  EXPECT_EQ(TraceRowsTabSeparated(history), "sample\tvolts\r\n0\t0\r\n1\t4.9\r\n2\t-0.5\r\n");
  EXPECT_EQ(TraceRowsCsv(history), "sample,volts\r\n0,0\r\n1,4.9\r\n2,-0.5\r\n");
  // No values: the header alone.
  EXPECT_EQ(TraceRowsTabSeparated(TVoltsHistory(200)), "sample\tvolts\r\n");
  EXPECT_EQ(TraceRowsCsv(TVoltsHistory(200)), "sample,volts\r\n");
}

TEST(TraceRows, EveryCountTheBoardCanSendIsWrittenExactly) {
  const auto volts = [](int raw) { return TraceVoltsText(BoardProtocol::VoltsFromRaw(raw)); };
  EXPECT_EQ(volts(760), "2.421875");
  EXPECT_EQ(volts(513), "0.009765625");
  EXPECT_EQ(volts(511), "-0.009765625");
  EXPECT_EQ(volts(512), "0");
  EXPECT_EQ(volts(0), "-5");
  EXPECT_EQ(volts(65535), "634.990234375");
  // Each text, read back in whole nanovolts, is (raw - 512) * 9765625 nV: nine decimals at
  // most, nothing rounded.
  for (int raw = 0; raw <= 65535; ++raw) {
    const QString text = volts(raw);
    const qsizetype point = text.indexOf('.');
    const QString decimals = point < 0 ? QString() : text.mid(point + 1);
    ASSERT_LE(decimals.size(), 9) << raw;
    const qint64 nanovolts =
        (point < 0 ? text : text.left(point)).toLongLong() * 1000000000 +
        (text.startsWith('-') ? -1 : 1) * decimals.leftJustified(9, '0').toLongLong();
    ASSERT_EQ(nanovolts, qint64(raw - 512) * 9765625) << raw << " " << text.toStdString();
  }
  EXPECT_EQ(TraceVoltsText(-0.0), "0");
}

TEST(TraceRows, TheHistoryKeepsTheNewestUpToItsLimit) {
  TVoltsHistory history = HistoryOf({1, 2, 3, 4, 5}, 3);
  ASSERT_EQ(history.Count(), 3);
  EXPECT_EQ(history.At(0), 5);
  EXPECT_EQ(history.At(2), 3);
  EXPECT_EQ(TraceRowsCsv(history), "sample,volts\r\n0,3\r\n1,4\r\n2,5\r\n");
  history.Clear();
  EXPECT_EQ(history.Count(), 0);
  history.AddNewest(7);
  EXPECT_EQ(history.Count(), 1);
  EXPECT_EQ(history.At(0), 7);
}

TEST(TraceRows, TheFileNameSaysWhenToTheSecond) {
  const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7));
  EXPECT_EQ(TraceFileName(time, "png"), "simplescope-20260304-050607.png");
  EXPECT_EQ(TraceFileName(time.addSecs(86399), "csv"), "simplescope-20260305-050606.csv");
}
