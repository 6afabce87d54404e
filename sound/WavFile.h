#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <vector>

// Sound as a WAV file: a RIFF header for 16-bit PCM, mono, SoundScale::kSampleRate, then the
// samples little-endian.
namespace WavFile {

inline constexpr std::size_t kHeaderBytes = 44;

std::vector<std::uint8_t> Bytes(std::span<const std::int16_t> samples);

// Writes the file whole, or throws TWriteError naming the file and the system's reason and
// leaves no part of it behind.
void Write(const std::filesystem::path& path, std::span<const std::int16_t> samples);

class TWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace WavFile
