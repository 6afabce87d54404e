// libFuzzer target: a tick's decoding of the byte log with the window's text helpers, on
// any text the log could hold, and the voltage texts read back.
#include <QStringList>
#include <cmath>
#include <cstdlib>

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
  const auto line = [&](int i) { return i < lines.size() ? lines[i] : QString(); };
  // As a tick reads its 32 samples: high byte on the odd line, low byte on the even one.
  for (int k = 0; k < TForm1::kSamplesPerBlock; ++k) {
    const QString high = TForm1::StripSpaces(line(2 * k + 1));
    const QString low = TForm1::StripSpaces(line(2 * k));
    if (high.contains(QLatin1Char(' ')) || low.contains(QLatin1Char(' '))) std::abort();
    if (high.isEmpty() || low.isEmpty()) continue;
    try {
      const int32_t raw = TForm1::HexToInt(high + low);
      CheckRoundTrip((raw - 512.0) / 102.4);
    } catch (const EConvertError&) {
      // Not hex, or more than 32 bits: the tick ends with its warning.
    }
  }
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
