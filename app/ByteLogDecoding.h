#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "framework/Controls.h"
#include "protocol/BoardProtocol.h"

// The board's answer as the byte log holds it after a tick's wait: line 2k is the low byte
// and line 2k+1 the high byte of sample k, for k = 0..31, each as hexadecimal text with a
// blank. Lines beyond the log read as empty.
struct TLoggedBlock {
  static constexpr int kSamples = BoardProtocol::kSamplesPerBlock;
  std::array<int32_t, kSamples> Raw{};  // the samples decoded, in the block's order
  int Count = 0;
  int LastPair = -1;  // the pair read last, -1 before the first
};

// Appends the hexadecimal digits of text to value, skipping blanks; false for any other
// character or for a ninth significant digit (leading zeros do not count: eight fill 32 bits).
bool AppendHexDigits(const QString& text, uint32_t& value, int& significantDigits);

// Decodes the samples of one answer, in order: a pair whose high or low text is empty once
// its blanks are gone is skipped; the others are read as one hexadecimal number, high digits
// first (as TForm1::HexToInt reads the two texts joined). A pair that isn't hexadecimal or
// doesn't fit 32 bits raises EConvertError "変換できません"; the samples before it are in
// the block by then, and LastPair names it. No text is made on the way.
void DecodeSampleBlock(const TMemoLines& log, TLoggedBlock& block);

// The high and low texts of a pair without blanks (the disconnect message shows those of
// the pair read last); both empty for pair -1.
void PairTexts(const TMemoLines& log, int pair, QString& high, QString& low);
