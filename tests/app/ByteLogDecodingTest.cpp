#include <gtest/gtest.h>

#include <random>

#include "app/ByteLogDecoding.h"
#include "app/Form1.h"
#include "framework/Exceptions.h"

namespace {

TMemoLines Log(std::initializer_list<const char*> lines) {
  TMemoLines log;
  for (const char* line : lines) log.Add(QString::fromUtf8(line));
  return log;
}

// A full answer as the byte handler writes it: "LL " then "HH " per sample.
TMemoLines AnswerOf(const std::vector<uint16_t>& samples) {
  TMemoLines log;
  for (uint16_t sample : samples) {
    log.Add(QStringLiteral("%1 ").arg(sample & 0xFF, 2, 16, QLatin1Char('0')).toUpper());
    log.Add(QStringLiteral("%1 ").arg(sample >> 8, 2, 16, QLatin1Char('0')).toUpper());
  }
  return log;
}

}  // namespace

TEST(DecodeSampleBlock, ReadsEveryPairLowLineFirstInBlockOrder) {
  std::vector<uint16_t> samples;
  for (int k = 0; k < 32; ++k) samples.push_back(static_cast<uint16_t>(k * 2047 + 1));
  samples[3] = 0xFFFF;
  samples[4] = 0;
  TLoggedBlock block;
  DecodeSampleBlock(AnswerOf(samples), block);
  ASSERT_EQ(block.Count, 32);
  EXPECT_EQ(block.LastPair, 31);
  for (int k = 0; k < 32; ++k) EXPECT_EQ(block.Raw[k], samples[k]) << k;
}

TEST(DecodeSampleBlock, SkipsPairsWithAnEmptyTextAndReadsNothingBeyondTheLog) {
  TLoggedBlock block;
  // Blanks alone are empty; a missing high byte skips the pair though its low byte came.
  DecodeSampleBlock(Log({"10 ", "02 ", "  ", "01 ", "20 ", " ", "30", "0 3", "40 "}), block);
  ASSERT_EQ(block.Count, 2);
  EXPECT_EQ(block.Raw[0], 0x0210);
  EXPECT_EQ(block.Raw[1], 0x0330);
  EXPECT_EQ(block.LastPair, 31);  // every pair was looked at

  TLoggedBlock empty;
  DecodeSampleBlock(TMemoLines(), empty);
  EXPECT_EQ(empty.Count, 0);
  EXPECT_EQ(empty.LastPair, 31);
}

TEST(DecodeSampleBlock, ABadPairStopsWithTheSamplesBeforeItAndNamesThatPair) {
  TMemoLines log = AnswerOf(std::vector<uint16_t>(32, 0x0200));
  TMemoLines bad;
  for (int i = 0; i < log.Count(); ++i) bad.Add(i == 11 ? QStringLiteral("G1 ") : log.Line(i));
  TLoggedBlock block;
  try {
    DecodeSampleBlock(bad, block);
    ADD_FAILURE() << "a pair that isn't hex was taken";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("変換できません"));
  }
  EXPECT_EQ(block.Count, 5);
  EXPECT_EQ(block.LastPair, 5);
  QString high, low;
  PairTexts(bad, block.LastPair, high, low);
  EXPECT_EQ(high, "G1");
  EXPECT_EQ(low, "00");
  PairTexts(bad, -1, high, low);
  EXPECT_TRUE(high.isEmpty() && low.isEmpty());
}

TEST(DecodeSampleBlock, AgreesWithHexToIntOnTheJoinedTextsOfAnyLines) {
  // Texts near the edges: blanks anywhere, lower case, other letters, many digits, zeros.
  const std::vector<QString> pieces = {"",   " ",        "0", "00", "F", "f",  "9",
                                       "a",  "G",        "-", "+",  "x", "1 ", " 2",
                                       "ff", "00000000", "7", "FF", "é", "\t", "12345678"};
  std::mt19937 random(12);
  for (int round = 0; round < 3000; ++round) {
    TMemoLines log;
    const int lines = static_cast<int>(random() % 66);
    for (int i = 0; i < lines; ++i) {
      QString text;
      for (int n = static_cast<int>(random() % 4); n > 0; --n)
        text += pieces[random() % pieces.size()];
      log.Add(text);
    }
    TLoggedBlock block;
    bool refused = false;
    try {
      DecodeSampleBlock(log, block);
    } catch (const EConvertError&) {
      refused = true;
    }
    int count = 0;
    bool helpersRefused = false;
    for (int k = 0; k < 32 && !helpersRefused; ++k) {
      const QString high = TForm1::StripSpaces(log.Line(2 * k + 1));
      const QString low = TForm1::StripSpaces(log.Line(2 * k));
      if (high.isEmpty() || low.isEmpty()) continue;
      try {
        const int32_t raw = TForm1::HexToInt(high + low);
        ASSERT_LT(count, block.Count) << round;
        EXPECT_EQ(block.Raw[count++], raw) << round;
      } catch (const EConvertError&) {
        helpersRefused = true;
        EXPECT_EQ(block.LastPair, k) << round;
      }
    }
    EXPECT_EQ(refused, helpersRefused) << round;
    EXPECT_EQ(count, block.Count) << round;
  }
}
