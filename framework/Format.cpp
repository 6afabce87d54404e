#include "Format.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Exceptions.h"

namespace {

// Fifteen significant decimal digits are what a double holds faithfully; rounding those
// digits (not the binary value) is what makes 1.25 round up the way a reader expects.
constexpr int kSignificantDigits = 15;

// |value| * 10 rounded half away from zero, from the value's decimal digits.
bool TenthsOf(double magnitude, uint64_t& tenths) {
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.*e", kSignificantDigits - 1, magnitude);
  // digits: "d.dddddddddddddde[+-]XX"
  uint64_t mantissa = static_cast<uint64_t>(digits[0] - '0');
  for (int i = 2; i < kSignificantDigits + 1; ++i)
    mantissa = mantissa * 10 + static_cast<uint64_t>(digits[i] - '0');
  const int exponent = std::atoi(digits + kSignificantDigits + 2);
  // magnitude = mantissa * 10^(exponent - 14); tenths = mantissa * 10^(exponent - 13).
  const int shift = exponent - (kSignificantDigits - 2);
  if (shift >= 0) {
    if (shift > 3) return false;  // beyond 64 bits: let printf write it
    for (int i = 0; i < shift; ++i) mantissa *= 10;
    tenths = mantissa;
    return true;
  }
  if (-shift > kSignificantDigits) {
    tenths = 0;
    return true;
  }
  uint64_t divisor = 1;
  for (int i = 0; i < -shift; ++i) divisor *= 10;
  tenths = (mantissa + divisor / 2) / divisor;
  return true;
}

// The C locale, strict: no group separators, which a number text of ours never has.
const QLocale& NumberLocale() {
  static const QLocale locale = [] {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    return c;
  }();
  return locale;
}

}  // namespace

QString FormatFixed1(double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  uint64_t tenths = 0;
  if (!TenthsOf(std::fabs(value), tenths)) {
    char text[400];
    std::snprintf(text, sizeof text, "%.1f", value);
    return QString::fromLatin1(text);
  }
  QString text = QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10);
  if (value < 0 && tenths != 0) text.prepend(QLatin1Char('-'));
  return text;
}

QString FormatHexByteLine(uint8_t byte) {
  return QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString FormatHexPair(uint16_t first, uint16_t second) {
  return QStringLiteral("%1 %2")
      .arg(first, 4, 16, QLatin1Char('0'))
      .arg(second, 4, 16, QLatin1Char('0'))
      .toUpper();
}

int32_t StrToInt(const QString& text) {
  bool ok = false;
  const int32_t value = NumberLocale().toInt(text.trimmed(), &ok);
  if (!ok) throw EConvertError(QStringLiteral("'%1' は整数値ではありません").arg(text));
  return value;
}

double StrToFloat(const QString& text) {
  bool ok = false;
  const double value = NumberLocale().toDouble(text.trimmed(), &ok);
  if (!ok)
    throw EConvertError(QStringLiteral("'%1' は浮動小数点数値として正しくありません").arg(text));
  return value;
}
