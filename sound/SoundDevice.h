#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "sound/SoundError.h"

// The seam to the system's sound: the default output device, playing 16-bit mono PCM at the
// rate it was opened with. One file per platform implements it (PulseAudio's simple API on
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

// What a device is opened for: samples a second, and how many the player writes at a time.
// The device keeps two writes, and at least 200 ms, ahead of what is heard (a loaded machine
// may leave the player's thread waiting that long), asks for more a write at a time and starts
// to sound once one write (at least 40 ms) is there. A whole sound, written 20 ms at a time,
// is still stopped within a moment: closing the device drops what it holds. A live stream,
// written a block of 100 ms as each comes, wakes the system's client once a block.
struct TSoundFormat {
  int sampleRate;
  std::size_t writeSamples;
};

// Opens the system's default output device. Throws TSoundError: NoDevice without a sound
// system or device, Busy when another program holds it.
std::unique_ptr<TSoundDevice> OpenSystemSoundDevice(const TSoundFormat& format);
