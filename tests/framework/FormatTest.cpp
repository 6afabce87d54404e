#include <gtest/gtest.h>

#include "framework/Exceptions.h"
#include "framework/Format.h"

TEST(FormatFixed1, RoundsHalfAwayFromZeroOnDecimalDigits) {
  EXPECT_EQ(FormatFixed1(1.25), "1.3");
  EXPECT_EQ(FormatFixed1(-1.25), "-1.3");
  // Neither quotient is exactly x.x5 in binary; the decimal digits decide.
  EXPECT_EQ(FormatFixed1((384 - 512) / 102.4), "-1.3");
  EXPECT_EQ(FormatFixed1((640 - 512) / 102.4), "1.3");
  EXPECT_EQ(FormatFixed1(0.15), "0.2");
  EXPECT_EQ(FormatFixed1(0.05), "0.1");
  EXPECT_EQ(FormatFixed1(0.0499999), "0.0");
  EXPECT_EQ(FormatFixed1(4.990234375), "5.0");
  EXPECT_EQ(FormatFixed1(634.990234375), "635.0");
  EXPECT_EQ(FormatFixed1(12345678.96), "12345679.0");
}

TEST(FormatFixed1, WritesNoMinusOnZero) {
  EXPECT_EQ(FormatFixed1(-0.009765625), "0.0");
  EXPECT_EQ(FormatFixed1(-0.0), "0.0");
  EXPECT_EQ(FormatFixed1(0.0), "0.0");
  EXPECT_EQ(FormatFixed1(-1e-300), "0.0");
}

TEST(FormatFixed1, HandlesValuesBeyondItsDigitsAndNonNumbers) {
  EXPECT_EQ(FormatFixed1(1e20), "100000000000000000000.0");
  EXPECT_EQ(FormatFixed1(-2.5e18), "-2500000000000000000.0");
  EXPECT_EQ(FormatFixed1(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatFixed1(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(FormatFixed1, ReadsBackWithTheSameSeparator) {
  for (int raw = 0; raw < 1024; raw += 7) {
    const QString text = FormatFixed1((raw - 512) / 102.4);
    EXPECT_NEAR(StrToFloat(text), (raw - 512) / 102.4, 0.05 + 1e-9) << text.toStdString();
  }
}

TEST(HexFormats, AreUpperCaseAndZeroPadded) {
  EXPECT_EQ(FormatHexByteLine(0x00), "00 ");
  EXPECT_EQ(FormatHexByteLine(0x0A), "0A ");
  EXPECT_EQ(FormatHexByteLine(0xFF), "FF ");
  EXPECT_EQ(FormatHexPair(0x21cf, 0x4), "21CF 0004");
  EXPECT_EQ(FormatHexPair(0, 0xffff), "0000 FFFF");
}

TEST(NumberConversion, AcceptsDecimalIntegersOnly) {
  EXPECT_EQ(StrToInt("3"), 3);
  EXPECT_EQ(StrToInt(" -42 "), -42);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  for (const char* bad : {"", "abc", "3.0", "0x10", "1,000", "2147483648", "--1"})
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  try {
    StrToInt("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.Message().contains("'x'"));
  }
}

TEST(NumberConversion, FloatTextsNeedThePoint) {
  EXPECT_DOUBLE_EQ(StrToFloat("635.0"), 635.0);
  EXPECT_DOUBLE_EQ(StrToFloat("-5.0"), -5.0);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat(""), EConvertError);
}

TEST(FormatFloatPicture, HashesZerosGroupingAndRounding) {
  EXPECT_EQ(FormatFloatPicture(200, "#,##0.###"), "200");
  EXPECT_EQ(FormatFloatPicture(-5, "#,##0.###"), "-5");
  EXPECT_EQ(FormatFloatPicture(1234.5, "#,##0.###"), "1,234.5");
  EXPECT_EQ(FormatFloatPicture(1234567.0, "#,##0.###"), "1,234,567");
  EXPECT_EQ(FormatFloatPicture(0.12345, "#,##0.###"), "0.123");
  EXPECT_EQ(FormatFloatPicture(0.0005, "#,##0.###"), "0.001");  // half away from zero
  EXPECT_EQ(FormatFloatPicture(-0.0004, "#,##0.###"), "0");
  EXPECT_EQ(FormatFloatPicture(999.9996, "#,##0.###"), "1,000");
  EXPECT_EQ(FormatFloatPicture(2.5, "0.00"), "2.50");
  EXPECT_EQ(FormatFloatPicture(0.5, "#.##"), ".5");
  EXPECT_EQ(FormatFloatPicture(7, "000"), "007");
  EXPECT_EQ(FormatFloatPicture(1, "#,0000000"), "0,000,001");  // the zeros grouped too
  EXPECT_EQ(FormatFloatPicture(12.345, "##0.## %"), "12.35 %");
  EXPECT_EQ(FormatFloatPicture(1e300, "#,##0").size(), 301u + 100u);
}
