#include "Format.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Exceptions.h"

namespace {

// Fifteen significant decimal digits are what a double holds faithfully; rounding those
// digits (not the binary value) is what makes 1.25 round up the way a reader expects.
constexpr int kSignificantDigits = 15;

// |value| times 10^decimals, rounded half away from zero on the value's decimal digits, as
// a string of digits without leading zeros ("0" for zero).
std::string RoundedDigits(double magnitude, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, magnitude);
  // text: "d.dddddddddddddde[+-]XX"; magnitude = 0.D x 10^(exponent + 1)
  std::string digits;
  digits += text[0];
  digits.append(text + 2, kSignificantDigits - 1);
  const int exponent = std::atoi(text + kSignificantDigits + 2);
  const int integerDigits = exponent + 1 + decimals;  // digits of D that stay
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
  std::string tenths = RoundedDigits(std::fabs(value), 1);
  if (tenths.size() < 2) tenths.insert(tenths.begin(), '0');
  QString text = QString::fromLatin1(tenths.substr(0, tenths.size() - 1)) + QLatin1Char('.') +
                 QLatin1Char(tenths.back());
  if (value < 0 && tenths != "00") text.prepend(QLatin1Char('-'));
  return text;
}

QString FormatFloatPicture(double value, const QString& format) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  // Only the first section counts: the sign is written in front when needed.
  const QString picture = format.section(QLatin1Char(';'), 0, 0);
  auto isPlaceholder = [](QChar c) {
    return c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char('.') ||
           c == QLatin1Char(',');
  };
  qsizetype firstDigit = 0;
  while (firstDigit < picture.size() && !isPlaceholder(picture[firstDigit])) ++firstDigit;
  if (firstDigit == picture.size()) return picture;
  qsizetype lastDigit = picture.size() - 1;
  while (lastDigit > firstDigit && !isPlaceholder(picture[lastDigit])) --lastDigit;
  const QString prefix = picture.left(firstDigit);
  const QString suffix = picture.mid(lastDigit + 1);
  const QString body = picture.mid(firstDigit, lastDigit - firstDigit + 1);
  const qsizetype point = body.indexOf(QLatin1Char('.'));
  const QString integerPart = point < 0 ? body : body.left(point);
  const QString fractionPart = point < 0 ? QString() : body.mid(point + 1);
  const bool grouping = integerPart.contains(QLatin1Char(','));
  const int requiredIntegers = static_cast<int>(integerPart.count(QLatin1Char('0')));
  const int maxDecimals =
      static_cast<int>(fractionPart.count(QLatin1Char('0')) + fractionPart.count(QLatin1Char('#')));
  int requiredDecimals = 0;
  for (qsizetype i = 0; i < fractionPart.size(); ++i)
    if (fractionPart[i] == QLatin1Char('0')) requiredDecimals = static_cast<int>(i) + 1;

  std::string digits = RoundedDigits(std::fabs(value), maxDecimals);
  if (static_cast<int>(digits.size()) <= maxDecimals)
    digits.insert(0, maxDecimals - digits.size() + 1, '0');
  std::string integers = digits.substr(0, digits.size() - maxDecimals);
  std::string fraction = digits.substr(digits.size() - maxDecimals);
  while (static_cast<int>(fraction.size()) > requiredDecimals && !fraction.empty() &&
         fraction.back() == '0')
    fraction.pop_back();
  if (integers == "0" && requiredIntegers == 0) integers.clear();
  if (static_cast<int>(integers.size()) < requiredIntegers)
    integers.insert(0, requiredIntegers - integers.size(), '0');
  if (grouping)
    for (int i = static_cast<int>(integers.size()) - 3; i > 0; i -= 3) integers.insert(i, ",");
  const bool zero = integers.find_first_not_of("0,") == std::string::npos &&
                    fraction.find_first_not_of('0') == std::string::npos;
  QString text = QString::fromLatin1(integers);
  if (!fraction.empty()) text += QLatin1Char('.') + QString::fromLatin1(fraction);
  if (text.isEmpty()) text = QStringLiteral("0");
  return (value < 0 && !zero ? QStringLiteral("-") : QString()) + prefix + text + suffix;
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
