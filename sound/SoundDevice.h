#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

#include "sound/SoundError.h"

// The seam to the system's sound: the default output device, playing 16-bit mono PCM at
// SoundScale::kSampleRate. One file per platform implements it (PulseAudio's simple API on
// Linux, waveOut on Windows). A device is used from one thread only, the player's.
class TSoundDevice {
 public:
  virtual ~TSoundDevice() = default;  // closes the device, dropping what it still holds

  // Hands samples to the device; blocks while its buffer is full (it holds about 100 ms).
  // Throws TSoundError when the device fails.
  virtual void Write(std::span<const std::int16_t> samples) = 0;
  // How long until what was written has been heard.
  virtual std::chrono::microseconds StillToHear() = 0;
};

// Opens the system's default output device. Throws TSoundError: NoDevice without a sound
// system or device, Busy when another program holds it.
std::unique_ptr<TSoundDevice> OpenSystemSoundDevice();
