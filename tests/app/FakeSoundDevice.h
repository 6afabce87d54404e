#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "sound/SoundDevice.h"

// A sound device that keeps what it is given and plays it at once; shared with the test
// through TFakeSound, which also says whether it is open.
struct TFakeSound {
  std::mutex mutex;
  std::vector<std::int16_t> written;
  int opens = 0;
  int closes = 0;
  std::vector<int> rates;  // each open's samples a second

  std::vector<std::int16_t> Written() {
    std::lock_guard lock(mutex);
    return written;
  }
  bool Open() {
    std::lock_guard lock(mutex);
    return opens > closes;
  }
  // The opener to give the player.
  auto Opener() {
    return [this](const TSoundFormat& format) -> std::unique_ptr<TSoundDevice> {
      std::lock_guard lock(mutex);
      ++opens;
      rates.push_back(format.sampleRate);
      return std::make_unique<TDevice>(*this);
    };
  }

 private:
  class TDevice : public TSoundDevice {
   public:
    explicit TDevice(TFakeSound& sound) : sound_(sound) {}
    ~TDevice() override {
      std::lock_guard lock(sound_.mutex);
      ++sound_.closes;
    }
    void Write(std::span<const std::int16_t> samples) override {
      std::lock_guard lock(sound_.mutex);
      sound_.written.insert(sound_.written.end(), samples.begin(), samples.end());
    }
    std::chrono::microseconds StillToHear() override { return {}; }

   private:
    TFakeSound& sound_;
  };
};
