#pragma once

#include <QString>
#include <cstdint>

// Number <-> text conversions with fixed, locale-independent rules. The program writes
// and reads back its own voltage texts, so one decimal separator, the point, serves both.

// "%1.1f": fixed, one decimal, rounded half away from zero on the value's decimal digits
// (so 1.25 gives 1.3 although 1.25 / 102.4 * 102.4 is not exactly 1.25 in binary), and no
// minus sign on a result that rounds to zero.
QString FormatFixed1(double value);

// A number by a picture such as "#,##0.###": '#' an optional digit, '0' a required one, ','
// thousands grouping, '.' the decimal point; the fraction is rounded (half away from zero)
// to the picture's decimal places. Text around the digits is kept.
QString FormatFloatPicture(double value, const QString& format);

// "%.2x ": two upper-case hex digits and a blank.
QString FormatHexByteLine(uint8_t byte);

// "%.4x %.4x": two four-digit upper-case hex numbers, one blank between them.
QString FormatHexPair(uint16_t first, uint16_t second);

// Decimal integer (optional sign, surrounding blanks allowed) that fits 32 bits signed;
// anything else raises EConvertError.
int32_t StrToInt(const QString& text);

// A floating-point text with the point as separator; anything else raises EConvertError.
double StrToFloat(const QString& text);
