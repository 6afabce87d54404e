// The trace as sound in the Windows build under Wine: the WAV file Shift+P saves through the
// save dialog, and the system's own output (waveOut). SIMPLESCOPE_WINE_SOUND says what Wine
// has to play through: "pulse", a PulseAudio server with a null sink whose monitor
// wine-sound-run.sh records into the file SIMPLESCOPE_SOUND_RECORDING (a Unix path), or
// "none", no sound system at all, where one clear message is all that may come of it.
#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <string>

#include "AnsweredDialogs.h"
#include "SoundAnalysis.h"
#include "app/Form1Window.h"
#include "app/TraceListening.h"
#include "framework/MessageWait.h"
#include "sound/SoundOutput.h"
#include "sound/WavFile.h"

namespace {

std::string WineSound() {
  const char* sound = std::getenv("SIMPLESCOPE_WINE_SOUND");
  return sound ? sound : "";
}

std::uint32_t LittleEndian(const QByteArray& bytes, int at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// What the null sink's monitor has recorded so far: 16-bit mono at 44.1 kHz.
std::vector<std::int16_t> Recorded() {
  QFile file(QStringLiteral("Z:") +
             QString::fromLocal8Bit(std::getenv("SIMPLESCOPE_SOUND_RECORDING")));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(LittleEndian(bytes, static_cast<int>(2 * i), 2));
  return samples;
}

// The pitch of each stretch of sound from `from` on that lasts 30 ms or more without a break
// (1 ms below 100), measured inside its ends. On a machine as loaded as the test command's,
// Wine's output may run dry now and then and break the sound into such stretches: each must
// still be at the pitch asked for.
std::vector<double> PitchesOfStretches(const std::vector<std::int16_t>& samples, std::size_t from) {
  constexpr std::size_t kBreak = 44, kShortest = 44100 * 3 / 100, kEdge = 88;
  std::vector<double> pitches;
  auto measure = [&](std::size_t begin, std::size_t end) {
    if (end > begin + kShortest)
      pitches.push_back(SoundAnalysis::PitchHz(samples, begin + kEdge, end - kEdge));
  };
  std::size_t begin = from, quiet = kBreak;
  for (std::size_t i = from; i < samples.size(); ++i) {
    if (std::abs(samples[i]) >= 100) {
      if (quiet >= kBreak) begin = i;
      quiet = 0;
    } else if (++quiet == kBreak) {
      measure(begin, i + 1 - kBreak);
    }
  }
  if (quiet < kBreak) measure(begin, samples.size() - quiet);
  return pitches;
}

class WineSoundWindow : public ::testing::Test, protected TAnsweredDialogs {
 protected:
  void SetUp() override {
    Install();
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(200);
    window->Button3()->click();  // the test sine: a trace to hear
  }
  void TearDown() override {
    window.reset();
    Remove();
  }
  TTraceListening& Listening() { return window->Listening(); }
  template <typename Condition>
  bool Until(Condition condition, int milliseconds = 15000) {
    for (int i = 0; i < milliseconds / 10 && !condition(); ++i) WaitMs(10);
    return condition();
  }
  std::unique_ptr<TForm1Window> window;
};

TEST_F(WineSoundWindow, ShiftPSavesTheWavFileThroughTheDialog) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  answer = dir.filePath("trace.wav");
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ShiftModifier);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(QRegularExpression("^simplescope-\\d{8}-\\d{6}\\.wav$")
                  .match(requests[0].proposedName)
                  .hasMatch())
      << requests[0].proposedName.toStdString();
  QFile file(answer);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray saved = file.readAll();
  // 3 s of trace after the 0.6 s lead-in, 16-bit mono PCM at 44.1 kHz behind a 44-byte header.
  const std::uint32_t dataBytes = 2 * (TraceSound::kLeadInSamples + 3 * 44100);
  ASSERT_EQ(saved.size(), 44 + static_cast<qsizetype>(dataBytes));
  EXPECT_EQ(saved.left(4), "RIFF");
  EXPECT_EQ(LittleEndian(saved, 4, 4), 36 + dataBytes);
  EXPECT_EQ(saved.mid(8, 8), "WAVEfmt ");
  EXPECT_EQ(LittleEndian(saved, 16, 4), 16u);
  EXPECT_EQ(LittleEndian(saved, 20, 2), 1u);  // PCM
  EXPECT_EQ(LittleEndian(saved, 22, 2), 1u);  // mono
  EXPECT_EQ(LittleEndian(saved, 24, 4), 44100u);
  EXPECT_EQ(LittleEndian(saved, 28, 4), 88200u);
  EXPECT_EQ(LittleEndian(saved, 32, 2), 2u);
  EXPECT_EQ(LittleEndian(saved, 34, 2), 16u);
  EXPECT_EQ(saved.mid(36, 4), "data");
  EXPECT_EQ(LittleEndian(saved, 40, 4), dataBytes);
  const auto expected = WavFile::Bytes(TraceSound::Render(Listening().TraceNow()));
  EXPECT_EQ(saved, QByteArray(reinterpret_cast<const char*>(expected.data()),
                              static_cast<qsizetype>(expected.size())));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(WineSoundWindow, PPlaysThroughTheSystemOrSaysOnceThatThereIsNoDevice) {
  const std::string sound = WineSound();
  ASSERT_TRUE(sound == "pulse" || sound == "none") << "SIMPLESCOPE_WINE_SOUND is " << sound;
  const std::size_t before = sound == "pulse" ? Recorded().size() : 0;
  QTest::keyClick(window.get(), Qt::Key_P);
  EXPECT_EQ(Listening().Announcement(), "Playing the trace, 3 s");
  ASSERT_TRUE(Until([&] { return !Listening().Playing(); }));
  if (sound == "none") {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].startsWith("音を出す装置が見つかりません。\n(")) << boxes[0].toStdString();
    // Everything else goes on: the trace is still drawn, and P again tries again.
    EXPECT_EQ(Listening().TraceNow().volts.size(), 200u);
    QTest::keyClick(window.get(), Qt::Key_P);
    ASSERT_TRUE(Until([&] { return !Listening().Playing(); }));
    EXPECT_EQ(boxes.size(), 2u);
    return;
  }
  EXPECT_TRUE(boxes.empty()) << boxes[0].toStdString();
  EXPECT_EQ(Listening().Announcement(), "Sound ended");
  // What the server played: first the reference tone at 0 V, 370 Hz, then the trace.
  ASSERT_TRUE(Until([&] { return Recorded().size() > before + 44100 * 4; }));
  const auto pitches = PitchesOfStretches(Recorded(), before);
  ASSERT_FALSE(pitches.empty());
  EXPECT_NEAR(pitches.front(), 369.99, 3.7);
}

// The device itself at both rates: a second of a live stream at 2.5 V comes back at its pitch
// (or, with no sound system, both rates fail alike).
TEST(WineSoundOutput, TheLiveRatePlaysThroughTheSystemToo) {
  const std::string sound = WineSound();
  ASSERT_TRUE(sound == "pulse" || sound == "none") << "SIMPLESCOPE_WINE_SOUND is " << sound;
  for (int rate : {SoundScale::kSampleRate, SoundScale::kLiveSampleRate}) {
    SCOPED_TRACE(rate);
    try {
      OpenSystemSoundDevice({rate, static_cast<std::size_t>(rate / 10)});
      EXPECT_EQ(sound, "pulse") << "a device where there is none";
    } catch (const TSoundError& error) {
      EXPECT_EQ(sound, "none") << error.what();
      EXPECT_EQ(error.Kind(), TSoundErrorKind::NoDevice) << error.what();
    }
  }
  if (sound != "pulse") return;
  const std::size_t before = Recorded().size();
  TSoundOutput output(nullptr);
  for (int block = 0; block < 10; ++block) output.StreamValues(std::vector<double>(32, 2.5));
  for (int i = 0; i < 500 && Recorded().size() < before + 44100 * 3 / 2; ++i) WaitMs(10);
  output.Stop();
  const auto pitches = PitchesOfStretches(Recorded(), before);
  ASSERT_FALSE(pitches.empty());
  for (double pitch : pitches)
    EXPECT_NEAR(pitch, SoundScale::PitchHz(2.5), SoundScale::PitchHz(2.5) * 0.01);
}

}  // namespace
