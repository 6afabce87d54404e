#include "BoardSignal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "BoardDescriptor.h"

TBoardSignal::TBoardSignal(TSignalSettings settings)
    : settings_(std::move(settings)), random_(settings_.seed) {
  if (settings_.kind == TSignalKind::File && settings_.rawValues.empty())
    throw std::invalid_argument("a file signal needs at least one value");
  if (settings_.periodSamples <= 0) throw std::invalid_argument("the period must be positive");
}

uint16_t TBoardSignal::CountFor(double volts) {
  const double count = std::round(kZeroVoltCount + volts * kCountsPerVolt);
  return static_cast<uint16_t>(std::clamp(count, 0.0, double(kMaxCount)));
}

double TBoardSignal::VoltsAt(uint64_t index) {
  const double period = settings_.periodSamples;
  // Where in its period the sample lies, 0 <= phase < 1.
  const double phase = std::fmod(double(index), period) / period;
  const double a = settings_.amplitudeVolts;
  switch (settings_.kind) {
    case TSignalKind::Sine:
      return settings_.offsetVolts + a * std::sin(2 * std::numbers::pi * phase);
    case TSignalKind::Square:
      return settings_.offsetVolts + (phase < 0.5 ? a : -a);
    case TSignalKind::Triangle:
      // Rises from -a to +a over the first half, falls back over the second.
      return settings_.offsetVolts + (phase < 0.5 ? -a + 4 * a * phase : 3 * a - 4 * a * phase);
    case TSignalKind::Noise:
      return settings_.offsetVolts + std::uniform_real_distribution<double>(-a, a)(random_);
    case TSignalKind::Constant:
    case TSignalKind::File:
      break;
  }
  return settings_.offsetVolts;
}

uint16_t TBoardSignal::NextSample() {
  const uint64_t index = index_++;
  if (settings_.kind == TSignalKind::File)
    return settings_.rawValues[index % settings_.rawValues.size()];
  return CountFor(VoltsAt(index));
}

std::vector<uint8_t> TBoardSignal::NextBlock() {
  std::vector<uint8_t> block(kBoardInputReportSize);
  for (int i = 0; i < kBoardSamplesPerBlock; ++i) {
    const uint16_t sample = NextSample();
    block[2 * i] = static_cast<uint8_t>(sample & 0xFF);
    block[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
  }
  return block;
}

std::vector<uint16_t> TBoardSignal::ReadRawValues(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  std::vector<uint16_t> values;
  std::string line;
  for (int lineNumber = 1; std::getline(file, line); ++lineNumber) {
    line = line.substr(0, line.find('#'));
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
      size_t used = 0;
      unsigned long value = 0;
      try {
        const bool hex = word.starts_with("0x") || word.starts_with("0X");
        value = std::stoul(word, &used, hex ? 16 : 10);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != word.size() || value > 0xFFFF)
        throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": \"" + word +
                                 "\" is not a raw value from 0 to 65535");
      values.push_back(static_cast<uint16_t>(value));
    }
  }
  if (values.empty()) throw std::runtime_error(path + " holds no values");
  return values;
}
