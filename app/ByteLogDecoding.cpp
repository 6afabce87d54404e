#include "ByteLogDecoding.h"

#include "framework/Exceptions.h"

namespace {

qsizetype NonBlankCount(const QString& text) {
  return text.size() - text.count(QLatin1Char(' '));
}

}  // namespace

bool AppendHexDigits(const QString& text, uint32_t& value, int& significantDigits) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    uint32_t digit;
    if (u >= u'0' && u <= u'9')
      digit = u - u'0';
    else if (u >= u'A' && u <= u'F')
      digit = u - u'A' + 10;
    else if (u >= u'a' && u <= u'f')
      digit = u - u'a' + 10;
    else if (u == u' ')
      continue;
    else
      return false;
    if (significantDigits > 0 || digit != 0) ++significantDigits;
    if (significantDigits > 8) return false;
    value = value * 16 + digit;
  }
  return true;
}

void DecodeSampleBlock(const TMemoLines& log, TLoggedBlock& block) {
  for (int k = 0; k < TLoggedBlock::kSamples; ++k) {
    block.LastPair = k;
    const QString high = log.Line(2 * k + 1);
    const QString low = log.Line(2 * k);
    if (NonBlankCount(high) == 0 || NonBlankCount(low) == 0) continue;
    uint32_t value = 0;
    int significantDigits = 0;
    if (!AppendHexDigits(high, value, significantDigits) ||
        !AppendHexDigits(low, value, significantDigits))
      throw EConvertError(QStringLiteral("変換できません"));
    block.Raw[block.Count++] = static_cast<int32_t>(value);
  }
}

void PairTexts(const TMemoLines& log, int pair, QString& high, QString& low) {
  high.clear();
  low.clear();
  if (pair < 0) return;
  high = log.Line(2 * pair + 1);
  high.remove(QLatin1Char(' '));
  low = log.Line(2 * pair);
  low.remove(QLatin1Char(' '));
}
