// The virtual board's core: the samples it sends, its command line and its answers.
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "BoardOptions.h"
#include "BoardResponder.h"
#include "BoardSignal.h"
#include "UhidDevice.h"

namespace {

double Volts(uint16_t count) {
  return (count - 512.0) / 102.4;
}

std::vector<uint16_t> Samples(TBoardSignal& signal, int n) {
  std::vector<uint16_t> samples;
  for (int i = 0; i < n; ++i) samples.push_back(signal.NextSample());
  return samples;
}

TBoardCommandLine Parse(std::vector<const char*> arguments) {
  return ParseBoardCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

}  // namespace

TEST(BoardSignal, WaveformsFollowPeriodAmplitudeAndOffset) {
  TSignalSettings settings;
  settings.periodSamples = 8;
  settings.amplitudeVolts = 4;
  settings.offsetVolts = 0.5;
  TBoardSignal sine(settings);
  const std::vector<uint16_t> s = Samples(sine, 9);
  EXPECT_EQ(s[0], TBoardSignal::CountFor(0.5));
  EXPECT_EQ(s[2], TBoardSignal::CountFor(4.5));  // a quarter period: the peak
  EXPECT_EQ(s[6], TBoardSignal::CountFor(-3.5));
  EXPECT_EQ(s[8], s[0]);  // the next period

  settings.kind = TSignalKind::Square;
  TBoardSignal square(settings);
  const uint16_t high = TBoardSignal::CountFor(4.5), low = TBoardSignal::CountFor(-3.5);
  EXPECT_EQ(Samples(square, 8),
            (std::vector<uint16_t>{high, high, high, high, low, low, low, low}));

  settings.kind = TSignalKind::Triangle;
  settings.offsetVolts = 0;
  TBoardSignal triangle(settings);
  const std::vector<uint16_t> t = Samples(triangle, 8);
  EXPECT_EQ(t[0], TBoardSignal::CountFor(-4));
  EXPECT_EQ(t[2], TBoardSignal::CountFor(0));
  EXPECT_EQ(t[4], TBoardSignal::CountFor(4));
  EXPECT_EQ(t[6], TBoardSignal::CountFor(0));

  settings.kind = TSignalKind::Constant;
  settings.offsetVolts = -1.25;
  TBoardSignal constant(settings);
  EXPECT_EQ(Samples(constant, 3), std::vector<uint16_t>(3, 384));
}

TEST(BoardSignal, CountsAreRoundedAndClippedToTheConverter) {
  EXPECT_EQ(TBoardSignal::CountFor(0), 512);
  EXPECT_EQ(TBoardSignal::CountFor(1), 614);  // 614.4
  EXPECT_EQ(TBoardSignal::CountFor(-5), 0);
  EXPECT_EQ(TBoardSignal::CountFor(-9), 0);
  EXPECT_EQ(TBoardSignal::CountFor(5), 1023);
  EXPECT_EQ(TBoardSignal::CountFor(9), 1023);
}

TEST(BoardSignal, BlocksAreLittleEndianAndContinueTheSignal) {
  TSignalSettings settings;
  settings.kind = TSignalKind::File;
  settings.rawValues = {0x0102, 0x03FF, 7};
  TBoardSignal signal(settings);
  const std::vector<uint8_t> first = signal.NextBlock();
  ASSERT_EQ(first.size(), 64u);
  EXPECT_EQ(std::vector<uint8_t>(first.begin(), first.begin() + 6),
            (std::vector<uint8_t>{0x02, 0x01, 0xFF, 0x03, 7, 0}));
  // 32 samples later the file's values go on where they stopped: 32 % 3 == 2.
  const std::vector<uint8_t> second = signal.NextBlock();
  EXPECT_EQ(second[0], 7);
  EXPECT_EQ(signal.SamplesSent(), 64u);
}

TEST(BoardSignal, NoiseStaysWithinItsAmplitudeAndRepeatsWithItsSeed) {
  TSignalSettings settings;
  settings.kind = TSignalKind::Noise;
  settings.amplitudeVolts = 1;
  TBoardSignal a(settings), b(settings);
  const std::vector<uint16_t> samples = Samples(a, 1000);
  EXPECT_EQ(samples, Samples(b, 1000));
  for (uint16_t s : samples) EXPECT_LE(std::abs(Volts(s)), 1.0 + 0.5 / 102.4);
  settings.seed = 2;
  TBoardSignal c(settings);
  EXPECT_NE(samples, Samples(c, 1000));
}

TEST(BoardSignal, RawValueFilesAreReadOrRefusedWithTheirLine) {
  const std::string path = testing::TempDir() + "board-values.txt";
  std::ofstream(path) << "# volts 0 and 1\n512, 614\n0x3FF 010\n";
  EXPECT_EQ(TBoardSignal::ReadRawValues(path), (std::vector<uint16_t>{512, 614, 1023, 10}));
  std::ofstream(path) << "1 2\n3 70000\n";
  EXPECT_THROW(
      {
        try {
          TBoardSignal::ReadRawValues(path);
        } catch (const std::runtime_error& error) {
          EXPECT_NE(std::string(error.what()).find(":2: \"70000\""), std::string::npos);
          throw;
        }
      },
      std::runtime_error);
  std::ofstream(path) << "# nothing\n";
  EXPECT_THROW(TBoardSignal::ReadRawValues(path), std::runtime_error);
  EXPECT_THROW(TBoardSignal::ReadRawValues(path + ".missing"), std::runtime_error);
}

TEST(BoardCommandLine, TakesBothOptionFormsAndDefaults) {
  const TBoardCommandLine defaults = Parse({});
  ASSERT_TRUE(defaults.options);
  EXPECT_EQ(defaults.options->signal.kind, TSignalKind::Sine);
  EXPECT_FALSE(defaults.options->silent);

  const TBoardCommandLine line =
      Parse({"--signal", "square", "--period=10", "--amplitude", "1.5", "--offset=-2", "--delay=80",
             "--short", "10", "--unplug-every=2", "--unplugged-for", "0.5"});
  ASSERT_TRUE(line.options) << line.message;
  const TBoardOptions& o = *line.options;
  EXPECT_EQ(o.signal.kind, TSignalKind::Square);
  EXPECT_EQ(o.signal.periodSamples, 10);
  EXPECT_EQ(o.signal.amplitudeVolts, 1.5);
  EXPECT_EQ(o.signal.offsetVolts, -2);
  EXPECT_EQ(o.answerDelayMs, 80);
  EXPECT_EQ(o.shortAnswerBytes, 10);
  EXPECT_EQ(o.unplugEverySeconds, 2);
  EXPECT_EQ(o.unpluggedSeconds, 0.5);
  EXPECT_EQ(DescribeSignal(o),
            "square, 10 samples per period, 1.5 V, offset -2 V; answers 80 ms late; answers "
            "with 10 bytes; unplugs after 2 s for 0.5 s");

  // The last of a repeated option counts; "+" may lead a number.
  const TBoardCommandLine repeated = Parse({"--period=4", "--period", "8", "--offset=+1"});
  ASSERT_TRUE(repeated.options) << repeated.message;
  EXPECT_EQ(repeated.options->signal.periodSamples, 8);
  EXPECT_EQ(repeated.options->signal.offsetVolts, 1);

  const TBoardCommandLine help = Parse({"--period=4", "--help"});
  EXPECT_FALSE(help.options);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.message.find("--unplug-every"), std::string::npos);
  EXPECT_NE(help.message.find("/dev/uhid"), std::string::npos);
  const TBoardCommandLine version = Parse({"--version"});
  EXPECT_FALSE(version.options);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.message.rfind("simplescope-board ", 0), 0u) << version.message;
}

// A German locale, made for the test where none is installed (localedef, from Debian's
// locales package); false when neither works.
bool UseDecimalCommaLocale() {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
  const std::string dir = testing::TempDir() + "board-locales";
  const std::string make =
      "mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

// The program's Qt application takes the user's LC_NUMERIC; a decimal comma there must not
// turn "1.5" into a mistake.
TEST(BoardCommandLine, NumbersReadTheSameInEveryLocale) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  if (!UseDecimalCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be had";
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  const TBoardCommandLine line = Parse({"--amplitude=1.5", "--offset=-0.25"});
  std::setlocale(LC_NUMERIC, before.c_str());
  ASSERT_TRUE(line.options) << line.message;
  EXPECT_EQ(line.options->signal.amplitudeVolts, 1.5);
  EXPECT_EQ(line.options->signal.offsetVolts, -0.25);
}

TEST(BoardCommandLine, MistakesGiveOneClearLineAndExitCode2) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> mistakes = {
      {{"--signal=saw"}, "\"saw\" is not one of"},
      {{"--period=1"}, "--period: \"1\" is not a number from 2"},
      {{"--delay=1.5"}, "is not whole"},
      {{"--short=64"}, "--short"},
      {{"--silent=yes"}, "Unexpected value after '--silent'"},
      {{"--amplitude"}, "Missing value after '--amplitude'"},
      {{"--frequency=3"}, "Unknown option 'frequency'"},
      {{"sine"}, "unexpected argument \"sine\""},
      {{"--offset=1,5"}, "--offset: \"1,5\" is not a number"},
      {{"--signal=file"}, "needs --file"},
      {{"--file=x"}, "--file is for --signal=file"},
      {{"--period=nan"}, "not a number"},
  };
  for (const auto& [arguments, expected] : mistakes) {
    const TBoardCommandLine line = Parse(arguments);
    EXPECT_FALSE(line.options) << arguments[0];
    EXPECT_EQ(line.exitCode, 2);
    EXPECT_NE(line.message.find(expected), std::string::npos) << line.message;
  }
}

TEST(BoardResponder, AnswersSampleCommandsOnlyInOrderAndOnTime) {
  TBoardOptions options;
  options.signal.kind = TSignalKind::File;
  options.signal.rawValues = {1, 2, 3};
  options.answerDelayMs = 80;
  TBoardResponder responder(options);
  const auto t0 = TBoardResponder::Clock::now();
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  const uint8_t other[9] = {0, 3, 3, 3, 2, 3, 3, 3, 3};
  const uint8_t numbered[9] = {1, 3, 3, 3, 3, 3, 3, 3, 3};
  responder.OnOutputReport(other, 9, t0);
  responder.OnOutputReport(numbered, 9, t0);
  responder.OnOutputReport(command, 1, t0);
  EXPECT_FALSE(responder.NextDue());
  responder.OnOutputReport(command, 9, t0);
  responder.OnOutputReport(command, 2, t0 + std::chrono::milliseconds(10));
  EXPECT_EQ(responder.CommandsSeen(), 5u);
  EXPECT_EQ(responder.NextDue(), t0 + std::chrono::milliseconds(80));
  EXPECT_TRUE(responder.TakeDueAnswers(t0 + std::chrono::milliseconds(79)).empty());
  const auto answers = responder.TakeDueAnswers(t0 + std::chrono::milliseconds(90));
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0][0], 1);
  EXPECT_EQ(answers[1][0], 3);  // the second block goes on at sample 33 (value 3)
  EXPECT_FALSE(responder.NextDue());
}

TEST(BoardResponder, ShortAndSilentBoards) {
  TBoardOptions options;
  options.shortAnswerBytes = 5;
  TBoardResponder shortBoard(options);
  const uint8_t command[9] = {0, 3, 3, 3, 3, 3, 3, 3, 3};
  const auto now = TBoardResponder::Clock::now();
  shortBoard.OnOutputReport(command, 9, now);
  const auto answers = shortBoard.TakeDueAnswers(now);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].size(), 5u);

  options.shortAnswerBytes = -1;
  options.silent = true;
  TBoardResponder silent(options);
  silent.OnOutputReport(command, 9, now);
  EXPECT_TRUE(silent.TakeDueAnswers(now + std::chrono::hours(1)).empty());
}

TEST(UhidDevice, SaysWhatIsMissingWhenItCannotOpen) {
  EXPECT_THROW(TUhidDevice("/nonexistent/uhid"), std::runtime_error);
  const std::string missing = TUhidDevice::OpenErrorText("/dev/uhid", ENOENT);
  EXPECT_NE(missing.find("modprobe uhid"), std::string::npos);
  const std::string denied = TUhidDevice::OpenErrorText("/dev/null", EACCES);
  EXPECT_NE(denied.find("no permission"), std::string::npos);
  EXPECT_NE(denied.find("mode 0666"), std::string::npos);
}
