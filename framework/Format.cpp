#include "Format.h"

#include <QLocale>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

namespace {

constexpr uint64_t kPowersOfTen[] = {1ULL,
                                     10ULL,
                                     100ULL,
                                     1000ULL,
                                     10000ULL,
                                     100000ULL,
                                     1000000ULL,
                                     10000000ULL,
                                     100000000ULL,
                                     1000000000ULL,
                                     10000000000ULL,
                                     100000000000ULL,
                                     1000000000000ULL,
                                     10000000000000ULL,
                                     100000000000000ULL,
                                     1000000000000000ULL,
                                     10000000000000000ULL};

// The decimal exponent of magnitude (floor of log10) for 0.01 <= magnitude < 1e9, where the
// fast path below works. Comparing with the doubles nearest 0.01 and 0.1 is exact: both lie
// above the real numbers, and no double falls between.
int DecimalExponent(double magnitude) {
  if (magnitude < 0.1) return -2;
  if (magnitude < 1.0) return -1;
  int exponent = 0;
  while (exponent < 8 && magnitude >= static_cast<double>(kPowersOfTen[exponent + 1])) ++exponent;
  return exponent;
}

// The value in tenths, rounded as RoundedDigits(magnitude, 1) rounds, for
// 0.01 <= magnitude < 1e9, exactly. The 15 significant digits are taken from the double's
// bits (mantissa times a power of ten, shifted, in 128 bits) instead of through printf,
// which costs some two thousand instructions. No value in this range lies exactly halfway
// between two 15-digit decimals (that would need a power of five in a binary fraction), so
// the digits need no tie rule; then they are rounded to tenths half away from zero.
uint64_t ExactTenthsOf(double magnitude) {
  const int exponent = DecimalExponent(magnitude);
  const auto bits = std::bit_cast<uint64_t>(magnitude);
  const uint64_t mantissa = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
  const int shift = 1075 - static_cast<int>(bits >> 52);  // magnitude = mantissa / 2^shift
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(mantissa) * kPowersOfTen[14 - exponent];
  auto digits = static_cast<uint64_t>(scaled >> shift);
  if ((scaled >> (shift - 1)) & 1) ++digits;          // the 15 digits, to nearest (never a tie)
  const uint64_t unit = kPowersOfTen[13 - exponent];  // one tenth in these digits
  uint64_t tenths = digits / unit;
  if (digits - tenths * unit >= unit / 2) ++tenths;
  return tenths;
}

// The same for magnitude < 1e9, mostly by one multiplication: the 15 digits differ from
// the double by less than 5e-15 of it, so they can round to other tenths than the double
// itself only when ten times the value lies that close to a half. Only those go the exact
// way (one raw value in 256 of the board's).
uint64_t TenthsOf(double magnitude) {
  const double scaled = magnitude * 10;
  const auto whole = static_cast<uint64_t>(scaled);
  const double fraction = scaled - static_cast<double>(whole);  // exact
  if (std::fabs(fraction - 0.5) <= 1e-13 * scaled) return ExactTenthsOf(magnitude);
  return whole + (fraction > 0.5 ? 1 : 0);
}

// The text of a count of tenths: digits, the point, the last digit; a minus when asked.
QString TextOfTenths(uint64_t tenths, bool negative) {
  char16_t text[24];
  char16_t* const end = text + 24;
  char16_t* p = end;
  uint64_t rest = tenths;
  *--p = u'0' + static_cast<char16_t>(rest % 10);
  rest /= 10;
  *--p = u'.';
  do {
    *--p = u'0' + static_cast<char16_t>(rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) *--p = u'-';
  return QString(reinterpret_cast<const QChar*>(p), end - p);
}

// "%1.1f" of everything the fast path does not take, through printf's digits.
QString FormatFixed1Slowly(double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  std::string tenths = RoundedDigits(std::fabs(value), 1);
  if (tenths.size() < 2) tenths.insert(tenths.begin(), '0');
  QString text = QString::fromLatin1(tenths.substr(0, tenths.size() - 1)) + QLatin1Char('.') +
                 QLatin1Char(tenths.back());
  if (value < 0 && tenths != "00") text.prepend(QLatin1Char('-'));
  return text;
}

}  // namespace

QString FormatFixed1(double value) {
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e9)) return FormatFixed1Slowly(value);
  const uint64_t tenths = TenthsOf(magnitude);
  const bool negative = value < 0 && tenths != 0;
  // The texts of the board's voltages repeat: its raw values give tenths from -50 to 6350.
  // Those texts are made once (per thread) and then shared, which saves an allocation and
  // a free per text; the table grows only as far as the values seen.
  constexpr int64_t kFirstShared = -64, kSharedCount = 6464;
  const int64_t index =
      (negative ? -static_cast<int64_t>(tenths) : static_cast<int64_t>(tenths)) - kFirstShared;
  if (index < 0 || index >= kSharedCount) return TextOfTenths(tenths, negative);
  thread_local std::vector<QString> shared;
  if (static_cast<size_t>(index) >= shared.size())
    shared.resize(std::min<size_t>(kSharedCount, std::max<size_t>(index + 1, 2 * shared.size())));
  QString& text = shared[index];
  if (text.isNull()) text = TextOfTenths(tenths, negative);
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
  if (grouping) {
    // Built anew rather than by inserting: GCC 12 warns wrongly about inserts into a
    // string of unknown length in a loop.
    std::string grouped;
    for (size_t i = 0; i < integers.size(); ++i) {
      if (i > 0 && (integers.size() - i) % 3 == 0) grouped += ',';
      grouped += integers[i];
    }
    integers = std::move(grouped);
  }
  const bool zero = integers.find_first_not_of("0,") == std::string::npos &&
                    fraction.find_first_not_of('0') == std::string::npos;
  QString text = QString::fromLatin1(integers);
  if (!fraction.empty()) text += QLatin1Char('.') + QString::fromLatin1(fraction);
  if (text.isEmpty()) text = QStringLiteral("0");
  return (value < 0 && !zero ? QStringLiteral("-") : QString()) + prefix + text + suffix;
}

QString FormatHexByteLine(uint8_t byte) {
  // The byte log takes one of these texts per received byte: made once, then shared.
  static const std::vector<QString> lines = [] {
    std::vector<QString> made;
    made.reserve(256);
    for (int value = 0; value < 256; ++value)
      made.push_back(QStringLiteral("%1 ").arg(value, 2, 16, QLatin1Char('0')).toUpper());
    return made;
  }();
  return lines[byte];
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

namespace {

constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal ("-12.5", "635.0", "3") of at most 15 digits, read without the locale:
// the digits make an integer below 2^53 and the decimals a power of ten below 2^53, both
// exact in a double, so their quotient is the correctly rounded value, the same one the
// locale's reader gives. Answers false for anything else (blanks, exponents, signs other
// than one leading minus, leading zeros, grouping), which the locale's reader then decides.
bool ReadPlainDecimal(const QString& text, double& value) {
  const QChar* p = text.constData();
  const QChar* const end = p + text.size();
  const bool negative = p != end && *p == u'-';
  if (negative) ++p;
  const QChar* const first = p;
  uint64_t digits = 0;
  while (p != end && p->unicode() >= u'0' && p->unicode() <= u'9')
    digits = digits * 10 + (p++->unicode() - u'0');
  const auto integerDigits = p - first;
  if (integerDigits == 0 || (integerDigits > 1 && first->unicode() == u'0')) return false;
  qsizetype decimals = 0;
  if (p != end && *p == u'.') {
    const QChar* const point = ++p;
    while (p != end && p->unicode() >= u'0' && p->unicode() <= u'9')
      digits = digits * 10 + (p++->unicode() - u'0');
    decimals = p - point;
    if (decimals == 0) return false;
  }
  if (p != end || integerDigits + decimals > 15) return false;
  value = static_cast<double>(digits) / kExactPowersOfTen[decimals];
  if (negative) value = -value;
  return true;
}

}  // namespace

double StrToFloat(const QString& text) {
  double value;
  if (ReadPlainDecimal(text, value)) return value;
  bool ok = false;
  value = NumberLocale().toDouble(text.trimmed(), &ok);
  if (!ok)
    throw EConvertError(QStringLiteral("'%1' は浮動小数点数値として正しくありません").arg(text));
  return value;
}
