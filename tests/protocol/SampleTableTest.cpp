#include <gtest/gtest.h>

#include <QLocale>
#include <clocale>

#include "protocol/BoardProtocol.h"
#include "protocol/SampleTable.h"

namespace {

BoardProtocol::TSampleBlock Ramp(uint16_t first) {
  BoardProtocol::TSampleBlock samples{};
  for (int k = 0; k < BoardProtocol::kSamplesPerBlock; ++k) samples[k] = uint16_t(first + k);
  return samples;
}

}  // namespace

TEST(BoardProtocol, DecodesLittleEndianPairsAndConvertsToVolts) {
  uint8_t bytes[BoardProtocol::kBlockBytes] = {};
  bytes[0] = 0x00, bytes[1] = 0x02;    // 512
  bytes[2] = 0xFF, bytes[3] = 0x03;    // 1023
  bytes[62] = 0xFF, bytes[63] = 0xFF;  // 65535, the last sample
  const BoardProtocol::TSampleBlock samples = BoardProtocol::DecodeBlock(bytes);
  EXPECT_EQ(samples[0], 512);
  EXPECT_EQ(samples[1], 1023);
  EXPECT_EQ(samples[2], 0);
  EXPECT_EQ(samples[31], 65535);
  EXPECT_DOUBLE_EQ(BoardProtocol::VoltsFromRaw(0), -5.0);
  EXPECT_DOUBLE_EQ(BoardProtocol::VoltsFromRaw(384), -1.25);
  EXPECT_DOUBLE_EQ(BoardProtocol::VoltsFromRaw(1023), 4.990234375);
  EXPECT_DOUBLE_EQ(BoardProtocol::VoltsFromRaw(65535), 634.990234375);
  EXPECT_TRUE(BoardProtocol::IsBoard(0x21cf, 0x4));
  EXPECT_FALSE(BoardProtocol::IsBoard(0x21CF, 0x0005));
}

TEST(BoardProtocol, TheCommandReportIsTheIdThenTheCommandValue) {
  EXPECT_EQ(BoardProtocol::CommandReport(9), (std::vector<uint8_t>{0, 3, 3, 3, 3, 3, 3, 3, 3}));
  EXPECT_EQ(BoardProtocol::CommandReport(1), (std::vector<uint8_t>{0}));
  EXPECT_TRUE(BoardProtocol::CommandReport(0).empty());
}

TEST(SampleTable, CsvRowsFollowRfc4180WithOneTimePerBlock) {
  const TSampleTable csv(TSampleTable::TFormat::Csv);
  EXPECT_EQ(csv.Header(), "block,sample,time_s,raw,volts\r\n");
  const std::string rows = csv.BlockRows(7, 1234, Ramp(511));
  EXPECT_EQ(rows.substr(0, rows.find("\r\n", 25) + 2),
            "7,0,1.234,511,-0.0098\r\n7,1,1.234,512,0.0000\r\n");
  EXPECT_TRUE(rows.ends_with("7,31,1.234,542,0.2930\r\n"));
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 32);
  EXPECT_EQ(rows.find('"'), std::string::npos);
}

TEST(SampleTable, TsvSeparatesByTabsAndEndsLinesWithLf) {
  const TSampleTable tsv(TSampleTable::TFormat::Tsv);
  EXPECT_EQ(tsv.Header(), "block\tsample\ttime_s\traw\tvolts\n");
  const std::string rows = tsv.BlockRows(0, 5, Ramp(0));
  EXPECT_TRUE(rows.starts_with("0\t0\t0.005\t0\t-5.0000\n0\t1\t0.005\t1\t-4.9902\n"));
  EXPECT_EQ(rows.find('\r'), std::string::npos);
}

TEST(SampleTable, SecondsHaveMillisecondsAndVoltsFourDecimals) {
  EXPECT_EQ(TSampleTable::Seconds(0), "0.000");
  EXPECT_EQ(TSampleTable::Seconds(7), "0.007");
  EXPECT_EQ(TSampleTable::Seconds(60050), "60.050");
  EXPECT_EQ(TSampleTable::Seconds(86400123), "86400.123");
  EXPECT_EQ(TSampleTable::Volts(0), "-5.0000");
  EXPECT_EQ(TSampleTable::Volts(1), "-4.9902");
  EXPECT_EQ(TSampleTable::Volts(513), "0.0098");
  EXPECT_EQ(TSampleTable::Volts(640), "1.2500");
  EXPECT_EQ(TSampleTable::Volts(1023), "4.9902");
  EXPECT_EQ(TSampleTable::Volts(65535), "634.9902");
}

TEST(SampleTable, TheUsersLocaleDoesNotChangeTheNumbers) {
  // Where a decimal-comma locale is installed the C library would write "1,2500"; Qt's
  // default locale likewise. Neither may reach the table.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(TSampleTable::Volts(640), "1.2500");
  EXPECT_EQ(TSampleTable::Seconds(1500), "1.500");
  QLocale::setDefault(QLocale::c());
  std::setlocale(LC_ALL, saved.c_str());
}
