// The default output through PulseAudio's simple API (PipeWire desktops serve it too).
// libpulse-simple is loaded by name when sound is first asked for, never linked: the program
// starts, and does all else, where it is missing, and a silent program doesn't load the
// sound client's libraries at all. Its header gives the entries' types.
#include <dlfcn.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <string>

#include "sound/SoundDevice.h"

namespace SoundDeviceLinux {

namespace {

// Samples of 16-bit mono as bytes.
constexpr std::uint32_t Bytes(std::size_t samples) {
  return static_cast<std::uint32_t>(samples * 2);
}

struct TPulseSimple {
  decltype(&pa_simple_new) open = nullptr;
  decltype(&pa_simple_write) write = nullptr;
  decltype(&pa_simple_get_latency) latency = nullptr;
  decltype(&pa_simple_free) close = nullptr;
  decltype(&pa_strerror) describe = nullptr;
  std::string missing;  // why the library can't be used; empty when it can
};

template <typename T>
bool Bind(void* library, const char* name, T& entry) {
  entry = reinterpret_cast<T>(dlsym(library, name));
  return entry != nullptr;
}

// Loaded once, on first use, and kept.
const TPulseSimple& PulseSimple() {
  static const TPulseSimple pulse = [] {
    TPulseSimple loaded;
    void* library = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      const char* reason = dlerror();
      loaded.missing = std::string("PulseAudio's client library is not installed (") +
                       (reason ? reason : "libpulse-simple.so.0") + ")";
      return loaded;
    }
    // pa_strerror lives in libpulse, which libpulse-simple brings along.
    if (!Bind(library, "pa_simple_new", loaded.open) ||
        !Bind(library, "pa_simple_write", loaded.write) ||
        !Bind(library, "pa_simple_get_latency", loaded.latency) ||
        !Bind(library, "pa_simple_free", loaded.close) ||
        !Bind(library, "pa_strerror", loaded.describe))
      loaded.missing = "PulseAudio's client library lacks an entry this program uses";
    return loaded;
  }();
  return pulse;
}

TSoundErrorKind KindOf(int error) {
  switch (error) {
    case PA_ERR_BUSY:
      return TSoundErrorKind::Busy;
    case PA_ERR_ACCESS:
    case PA_ERR_NOENTITY:
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_TIMEOUT:
    case PA_ERR_AUTHKEY:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_CONNECTIONTERMINATED:
      return TSoundErrorKind::NoDevice;
    default:
      return TSoundErrorKind::Failed;
  }
}

class TPulseDevice : public TSoundDevice {
 public:
  explicit TPulseDevice(pa_simple* stream) : stream_(stream) {}
  ~TPulseDevice() override { PulseSimple().close(stream_); }

  void Write(std::span<const std::int16_t> samples) override {
    int error = 0;
    if (PulseSimple().write(stream_, samples.data(), samples.size_bytes(), &error) < 0)
      Fail("Writing to the sound server failed", error);
  }

  std::chrono::microseconds StillToHear() override {
    int error = 0;
    const pa_usec_t latency = PulseSimple().latency(stream_, &error);
    if (latency == static_cast<pa_usec_t>(-1)) Fail("The sound server gave no latency", error);
    return std::chrono::microseconds(latency);
  }

 private:
  [[noreturn]] static void Fail(const std::string& what, int error) {
    throw TSoundError(KindOf(error), what + ": " + PulseSimple().describe(error) + ".");
  }

  pa_simple* stream_;
};

}  // namespace

}  // namespace SoundDeviceLinux

std::unique_ptr<TSoundDevice> OpenSystemSoundDevice(const TSoundFormat& format) {
  using namespace SoundDeviceLinux;
  const TPulseSimple& pulse = PulseSimple();
  if (!pulse.missing.empty())
    throw TSoundError(TSoundErrorKind::NoDevice, "No sound: " + pulse.missing + ".");
  const pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, static_cast<std::uint32_t>(format.sampleRate),
                                    1};
  // As the seam says: two writes ahead, at least 200 ms; more asked for a write at a time;
  // playing starts once a write, at least 40 ms, is there. The rest as the server likes it.
  const std::size_t millisecond = static_cast<std::size_t>(format.sampleRate) / 1000;
  pa_buffer_attr buffer;
  buffer.maxlength = static_cast<std::uint32_t>(-1);
  buffer.tlength = Bytes(std::max(2 * format.writeSamples, 200 * millisecond));
  buffer.prebuf = Bytes(std::max(format.writeSamples, 40 * millisecond));
  buffer.minreq = Bytes(format.writeSamples);
  buffer.fragsize = static_cast<std::uint32_t>(-1);
  int error = 0;
  pa_simple* stream = pulse.open(nullptr, "simplescope", PA_STREAM_PLAYBACK, nullptr,
                                 "The trace as sound", &sampleFormat, nullptr, &buffer, &error);
  if (!stream)
    throw TSoundError(KindOf(error), std::string("No sound device could be opened: ") +
                                         pulse.describe(error) + ".");
  return std::make_unique<TPulseDevice>(stream);
}
