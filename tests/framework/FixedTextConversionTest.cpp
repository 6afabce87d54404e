// The history's text conversions ("%1.1f" out, read back in) against the way they were
// first written: printf's fifteen significant digits rounded by hand, and the C locale's
// reader. The fast versions must give the same text and the same double, bit for bit, and
// the same errors.
#include <gtest/gtest.h>

#include <QLocale>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Format.h"

namespace {

std::string ReferenceRoundedDigits(double magnitude, int decimals) {
  constexpr int kSignificantDigits = 15;
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, magnitude);
  std::string digits;
  digits += text[0];
  digits.append(text + 2, kSignificantDigits - 1);
  const int exponent = std::atoi(text + kSignificantDigits + 2);
  const int integerDigits = exponent + 1 + decimals;
  std::string result;
  if (integerDigits >= kSignificantDigits) {
    result = digits + std::string(integerDigits - kSignificantDigits, '0');
  } else if (integerDigits < 0) {
    result = "0";
  } else {
    result = digits.substr(0, integerDigits);
    if (digits[integerDigits] >= '5') {
      int i = static_cast<int>(result.size()) - 1;
      while (i >= 0 && result[i] == '9') result[i--] = '0';
      if (i >= 0)
        ++result[i];
      else
        result.insert(result.begin(), '1');
    }
  }
  const size_t first = result.find_first_not_of('0');
  return first == std::string::npos ? "0" : result.substr(first);
}

QString ReferenceFormatFixed1(double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  std::string tenths = ReferenceRoundedDigits(std::fabs(value), 1);
  if (tenths.size() < 2) tenths.insert(tenths.begin(), '0');
  QString text = QString::fromLatin1(tenths.substr(0, tenths.size() - 1)) + QLatin1Char('.') +
                 QLatin1Char(tenths.back());
  if (value < 0 && tenths != "00") text.prepend(QLatin1Char('-'));
  return text;
}

// The double read, or the error's message.
struct TReading {
  bool ok;
  uint64_t bits;
  QString error;
  bool operator==(const TReading&) const = default;
};

TReading ReferenceStrToFloat(const QString& text) {
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
  bool ok = false;
  const double value = c.toDouble(text.trimmed(), &ok);
  if (!ok)
    return {false, 0, QStringLiteral("'%1' は浮動小数点数値として正しくありません").arg(text)};
  return {true, std::bit_cast<uint64_t>(value), {}};
}

TReading Read(const QString& text) {
  try {
    return {true, std::bit_cast<uint64_t>(StrToFloat(text)), {}};
  } catch (const EConvertError& e) {
    return {false, 0, e.Message()};
  }
}

void ExpectSameBothWays(double value) {
  const QString text = FormatFixed1(value);
  ASSERT_EQ(text, ReferenceFormatFixed1(value)) << std::bit_cast<uint64_t>(value);
  ASSERT_EQ(Read(text), ReferenceStrToFloat(text)) << text.toStdString();
}

}  // namespace

TEST(FixedTextConversion, EveryRawValueGivesTheSameTextAndReadsBackTheSame) {
  for (int raw = 0; raw <= 0xFFFF; ++raw) ExpectSameBothWays((raw - 512) / 102.4);
}

TEST(FixedTextConversion, ValuesAroundEveryRoundingEdgeAndEveryMagnitude) {
  // The halves between tenths, and the doubles right next to them, where the fifteen
  // digits decide; and the edges of the fast path (0.01, 0.1, powers of ten, 1e9).
  for (int k = -20000; k <= 20000; ++k) {
    const double half = (2 * k + 1) / 20.0;
    double v = half;
    for (int step = 0; step < 4; ++step) v = std::nextafter(v, -1e300);
    for (int step = 0; step < 9; ++step, v = std::nextafter(v, 1e300)) ExpectSameBothWays(v);
  }
  for (double edge : {0.01, 0.05, 0.1, 1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
                      9.99999999999999, 0.0999999999999999, 999999999.95, 99999999.95}) {
    double v = edge;
    for (int step = 0; step < 6; ++step) v = std::nextafter(v, 0.0);
    for (int step = 0; step < 13; ++step, v = std::nextafter(v, 1e300)) {
      ExpectSameBothWays(v);
      ExpectSameBothWays(-v);
    }
  }
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> logMagnitude(-20, 25);
  for (int i = 0; i < 200000; ++i) {
    const double v = std::pow(10.0, logMagnitude(random));
    ExpectSameBothWays(i % 2 ? v : -v);
  }
  for (double v :
       {0.0, -0.0, 1e-300, -1e-300, 5e-324, 1.25, -1.25, 0.15, 0.05, 0.0499999, 12345678.96, 1e20,
        -2.5e18, 1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    ExpectSameBothWays(v);
}

TEST(FixedTextConversion, TextsOtherThanOurOwnReadAsTheLocaleReadsThem) {
  for (const char* text : {"0",
                           "-0",
                           "0.0",
                           "-0.0",
                           "+1.5",
                           " 1.5",
                           "1.5 ",
                           "\t2.5\n",
                           "00.5",
                           "01.5",
                           "0.50",
                           "1e3",
                           "1E-2",
                           "1.",
                           ".5",
                           "-.5",
                           "-",
                           "",
                           " ",
                           ".",
                           "1,5",
                           "1,000.5",
                           "12345678901234.5",
                           "123456789012345.6",
                           "1234567890123456",
                           "9007199254740993",
                           "0.000000000000001",
                           "0x10",
                           "nan",
                           "NaN",
                           "inf",
                           "-inf",
                           "--1",
                           "1.2.3",
                           "1-",
                           "635.0",
                           "-5.0",
                           "٣.٥",
                           "１.５",
                           "99999999999999.9",
                           "-99999999999999.9"})
    EXPECT_EQ(Read(QString::fromUtf8(text)), ReferenceStrToFloat(QString::fromUtf8(text))) << text;
}
