// libFuzzer target: the tick's own decoding of the byte log (DecodeSampleBlock) on any text
// the log could hold, checked against the window's text helpers, and the voltage texts read
// back.
#include <QStringList>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/ByteLogDecoding.h"
#include "app/Form1.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"

namespace {

// A voltage text must read back as the value it was made from, to the tenth.
void CheckRoundTrip(double volts) {
  const QString text = FormatFixed1(volts);
  if (!std::isfinite(volts)) return;
  double back = 0;
  try {
    back = StrToFloat(text);
  } catch (const EConvertError&) {
    if (std::fabs(volts) < 1e15) std::abort();  // beyond that the text has no point
    return;
  }
  if (std::fabs(back - volts) > 0.05 + 1e-12 * std::fabs(volts)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QStringList lines =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
          .split(QLatin1Char('\n'));
  TMemoLines log;
  for (const QString& text : lines) log.Add(text);
  TLoggedBlock block;
  bool refused = false;
  try {
    DecodeSampleBlock(log, block);
  } catch (const EConvertError&) {
    refused = true;  // not hex, or more than 32 bits: the tick ends with its warning
  }
  // The same pairs read the long way, as the helpers read one text at a time: the decoding
  // must take and refuse exactly what they do, and give the same numbers.
  int count = 0;
  for (int k = 0; k <= block.LastPair; ++k) {
    QString high, low;
    PairTexts(log, k, high, low);
    if (high != TForm1::StripSpaces(log.Line(2 * k + 1)) ||
        low != TForm1::StripSpaces(log.Line(2 * k)))
      std::abort();
    if (high.isEmpty() || low.isEmpty()) continue;
    int32_t raw = 0;
    try {
      raw = TForm1::HexToInt(high + low);
    } catch (const EConvertError&) {
      if (!refused || k != block.LastPair) std::abort();
      break;
    }
    if (count >= block.Count || block.Raw[count++] != raw) std::abort();
    CheckRoundTrip((raw - 512.0) / 102.4);
  }
  if (count != block.Count || (!refused && block.LastPair != TLoggedBlock::kSamples - 1))
    std::abort();
  // The bytes themselves as a voltage, and as texts the readers must refuse or accept.
  if (size >= sizeof(double)) {
    double value;
    std::memcpy(&value, data, sizeof value);
    CheckRoundTrip(value);
  }
  for (const QString& text : lines) {
    try {
      StrToFloat(text);
    } catch (const EConvertError&) {
    }
    try {
      StrToInt(text);
    } catch (const EConvertError&) {
    }
  }
  return 0;
}
