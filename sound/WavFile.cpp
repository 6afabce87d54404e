#include "sound/WavFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

#include "sound/SoundScale.h"

namespace WavFile {

namespace {

void Append(std::vector<std::uint8_t>& bytes, const char (&tag)[5]) {
  bytes.insert(bytes.end(), tag, tag + 4);
}

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::string Reason(int error) {
  return error ? std::strerror(error) : "the data could not be written";
}

}  // namespace

std::vector<std::uint8_t> Bytes(std::span<const std::int16_t> samples) {
  constexpr std::uint32_t kBytesPerSample = 2;
  // RIFF counts in 32 bits: about 13 hours of this sound.
  if (samples.size() > (std::numeric_limits<std::uint32_t>::max() - kHeaderBytes) / 2)
    throw std::length_error("The sound is too long for a WAV file.");
  const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kHeaderBytes + dataBytes);
  Append(bytes, "RIFF");
  AppendLittleEndian(bytes, kHeaderBytes - 8 + dataBytes, 4);
  Append(bytes, "WAVE");
  Append(bytes, "fmt ");
  AppendLittleEndian(bytes, 16, 4);  // the format chunk's size
  AppendLittleEndian(bytes, 1, 2);   // PCM
  AppendLittleEndian(bytes, 1, 2);   // one channel
  AppendLittleEndian(bytes, SoundScale::kSampleRate, 4);
  AppendLittleEndian(bytes, SoundScale::kSampleRate * kBytesPerSample, 4);  // bytes a second
  AppendLittleEndian(bytes, kBytesPerSample, 2);                            // bytes a frame
  AppendLittleEndian(bytes, 16, 2);                                         // bits a sample
  Append(bytes, "data");
  AppendLittleEndian(bytes, dataBytes, 4);
  for (std::int16_t sample : samples)
    AppendLittleEndian(bytes, static_cast<std::uint16_t>(sample), 2);
  return bytes;
}

void Write(const std::filesystem::path& path, std::span<const std::int16_t> samples) {
  const std::vector<std::uint8_t> bytes = Bytes(samples);
  const auto utf8 = path.u8string();
  const std::string name(utf8.begin(), utf8.end());
  // Binary: Windows' text mode would add a byte before every 0x0A. The path as the system
  // spells it (wide on Windows), so any name opens.
  errno = 0;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file)
    throw TWriteError("Cannot create the sound file \"" + name + "\": " + Reason(errno) + ".");
  errno = 0;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    throw TWriteError("Cannot write the sound file \"" + name + "\": " + Reason(error) + ".");
  }
}

}  // namespace WavFile
