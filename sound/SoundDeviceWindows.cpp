// The default output through winmm's waveOut: a few 20 ms buffers queued on the wave mapper,
// an event object set by the system each time one has been played.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "sound/SoundDevice.h"

namespace SoundDeviceWindows {

namespace {

// Buffers of 20 ms, as many as make two writes, and at least 200 ms, ahead of what is heard.
constexpr std::size_t kLeastBuffers = 10;
// A buffer's end is waited for at most this long at a time, in case a signal was missed.
constexpr DWORD kWaitMilliseconds = 50;

std::string ErrorText(MMRESULT result) {
  std::array<char, MAXERRORLENGTH> text{};
  if (waveOutGetErrorTextA(result, text.data(), static_cast<UINT>(text.size())) != MMSYSERR_NOERROR)
    return "waveOut error " + std::to_string(result);
  return text.data();
}

TSoundErrorKind KindOf(MMRESULT result) {
  switch (result) {
    case MMSYSERR_ALLOCATED:
      return TSoundErrorKind::Busy;
    case MMSYSERR_BADDEVICEID:
    case MMSYSERR_NODRIVER:
    case MMSYSERR_NOTENABLED:
      return TSoundErrorKind::NoDevice;
    default:
      return TSoundErrorKind::Failed;
  }
}

[[noreturn]] void Fail(const std::string& what, MMRESULT result) {
  throw TSoundError(KindOf(result), what + ": " + ErrorText(result) + ".");
}

class TWaveOutDevice : public TSoundDevice {
 public:
  TWaveOutDevice(HWAVEOUT wave, HANDLE played, const TSoundFormat& format)
      : wave_(wave),
        played_(played),
        sampleRate_(format.sampleRate),
        bufferSamples_(static_cast<std::size_t>(format.sampleRate / 50)),
        buffers_(std::max(kLeastBuffers,
                          (2 * format.writeSamples + bufferSamples_ - 1) / bufferSamples_)) {
    for (TBuffer& buffer : buffers_) buffer.samples.resize(bufferSamples_);
  }

  ~TWaveOutDevice() override {
    // Reset marks every queued buffer done, so each can be unprepared before the close.
    waveOutReset(wave_);
    for (TBuffer& buffer : buffers_)
      if (buffer.header.dwFlags & WHDR_PREPARED)
        waveOutUnprepareHeader(wave_, &buffer.header, sizeof(WAVEHDR));
    waveOutClose(wave_);
    CloseHandle(played_);
  }

  void Write(std::span<const std::int16_t> samples) override {
    while (!samples.empty()) {
      TBuffer& buffer = FreeBuffer();
      const std::size_t count = std::min(samples.size(), bufferSamples_);
      std::copy_n(samples.begin(), count, buffer.samples.begin());
      samples = samples.subspan(count);
      buffer.header = WAVEHDR{};
      buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
      buffer.header.dwBufferLength = static_cast<DWORD>(count * sizeof(std::int16_t));
      MMRESULT result = waveOutPrepareHeader(wave_, &buffer.header, sizeof(WAVEHDR));
      if (result != MMSYSERR_NOERROR) Fail("The sound device took no buffer", result);
      result = waveOutWrite(wave_, &buffer.header, sizeof(WAVEHDR));
      if (result != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(wave_, &buffer.header, sizeof(WAVEHDR));
        Fail("Writing to the sound device failed", result);
      }
      next_ = (next_ + 1) % buffers_.size();
    }
  }

  std::chrono::microseconds StillToHear() override {
    std::size_t bytes = 0;
    for (const TBuffer& buffer : buffers_)
      if (Queued(buffer)) bytes += buffer.header.dwBufferLength;
    return std::chrono::microseconds(bytes / sizeof(std::int16_t) * 1'000'000 /
                                     static_cast<unsigned>(sampleRate_));
  }

 private:
  struct TBuffer {
    WAVEHDR header{};
    std::vector<std::int16_t> samples;
  };

  static bool Queued(const TBuffer& buffer) {
    return (buffer.header.dwFlags & WHDR_PREPARED) && !(buffer.header.dwFlags & WHDR_DONE);
  }

  // The buffers are used in turn: the next one, once the system has played it.
  TBuffer& FreeBuffer() {
    TBuffer& buffer = buffers_[next_];
    while (Queued(buffer)) WaitForSingleObject(played_, kWaitMilliseconds);
    if (buffer.header.dwFlags & WHDR_PREPARED)
      waveOutUnprepareHeader(wave_, &buffer.header, sizeof(WAVEHDR));
    return buffer;
  }

  HWAVEOUT wave_;
  HANDLE played_;
  const int sampleRate_;
  const std::size_t bufferSamples_;
  std::vector<TBuffer> buffers_;
  std::size_t next_ = 0;
};

}  // namespace

}  // namespace SoundDeviceWindows

std::unique_ptr<TSoundDevice> OpenSystemSoundDevice(const TSoundFormat& sound) {
  using namespace SoundDeviceWindows;
  if (waveOutGetNumDevs() == 0)
    throw TSoundError(TSoundErrorKind::NoDevice, "No sound device is installed.");
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = static_cast<DWORD>(sound.sampleRate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  // Auto-reset: each wait takes one signal of a played buffer (or of the open).
  HANDLE played = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!played)
    throw TSoundError(TSoundErrorKind::Failed, "No event object for the sound device (error " +
                                                   std::to_string(GetLastError()) + ").");
  HWAVEOUT wave = nullptr;
  const MMRESULT result = waveOutOpen(&wave, WAVE_MAPPER, &format,
                                      reinterpret_cast<DWORD_PTR>(played), 0, CALLBACK_EVENT);
  if (result != MMSYSERR_NOERROR) {
    CloseHandle(played);
    Fail("No sound device could be opened", result);
  }
  return std::make_unique<TWaveOutDevice>(wave, played, sound);
}
