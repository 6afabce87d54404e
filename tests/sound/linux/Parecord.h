#pragma once

// What a PulseAudio server's null sink "nul" plays, recorded from its monitor with parecord
// (pulseaudio-test.sh starts the server and names a folder for the files).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace Parecord {

using namespace std::chrono_literals;

// Louder than this is sound; the tones peak near 14700.
inline constexpr int kHeard = 2000;

// parecord on the null sink's monitor, raw 16-bit mono into a file; the sink's clock runs
// whether anything plays or not, so the file's growth is the time the server has played.
class TRecording {
 public:
  TRecording() {
    path_ = std::string(std::getenv("SIMPLESCOPE_SOUND_FOLDER")) + "/recorded-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const char* arguments[] = {"parecord",          "--raw",        "--device=nul.monitor",
                               "--format=s16le",    "--rate=44100", "--channels=1",
                               "--latency-msec=20", nullptr};
    const int failed = posix_spawnp(&process_, "parecord", &actions, nullptr,
                                    const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(failed, 0) << "parecord did not start";
    if (failed) process_ = 0;
    // Recording once the first bytes come.
    WaitForSamples(1);
  }
  ~TRecording() {
    if (process_) Stop();
  }

  std::size_t Samples() const {
    struct stat status {};
    return stat(path_.c_str(), &status) == 0 ? static_cast<std::size_t>(status.st_size) / 2 : 0;
  }
  // Until the server has played `count` samples since the recording began.
  void WaitForSamples(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (Samples() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(5ms);
    ASSERT_GE(Samples(), count) << "parecord recorded nothing";
  }
  std::vector<std::int16_t> Stop() {
    kill(process_, SIGINT);
    int status = 0;
    waitpid(process_, &status, 0);
    process_ = 0;
    return Read();
  }
  // What is recorded so far.
  std::vector<std::int16_t> Read() const {
    std::ifstream file(path_, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                             static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8);
    return samples;
  }

 private:
  std::string path_;
  pid_t process_ = 0;
};

inline std::size_t FirstHeard(const std::vector<std::int16_t>& sound);
inline std::size_t LastHeard(const std::vector<std::int16_t>& sound);

// Until `seconds` of sound have been heard from the first loud sample to the last, however
// late a loaded machine plays them (20 s at most).
inline void WaitUntilHeardFor(const TRecording& recording, double seconds, int rate = 44100) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  for (;;) {
    const auto recorded = recording.Read();
    const std::size_t first = FirstHeard(recorded), last = LastHeard(recorded);
    if (first < last && static_cast<double>(last - first) >= seconds * rate) return;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(20ms);
  }
  ADD_FAILURE() << "not " << seconds << " s of sound heard";
}

inline std::size_t FirstHeard(const std::vector<std::int16_t>& sound) {
  for (std::size_t i = 0; i < sound.size(); ++i)
    if (std::abs(sound[i]) > kHeard) return i;
  return sound.size();
}
inline std::size_t LastHeard(const std::vector<std::int16_t>& sound) {
  for (std::size_t i = sound.size(); i > 0; --i)
    if (std::abs(sound[i - 1]) > kHeard) return i - 1;
  return 0;
}

}  // namespace Parecord
