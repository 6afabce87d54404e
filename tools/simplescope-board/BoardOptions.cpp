#include "BoardOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

const std::map<std::string, TSignalKind> kSignalNames = {
    {"sine", TSignalKind::Sine},         {"square", TSignalKind::Square},
    {"triangle", TSignalKind::Triangle}, {"noise", TSignalKind::Noise},
    {"constant", TSignalKind::Constant}, {"file", TSignalKind::File}};

class TUsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

double Number(const std::string& option, const std::string& text, double min, double max) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < min ||
      value > max) {
    std::ostringstream message;
    message << option << ": \"" << text << "\" is not a number from " << min << " to " << max;
    throw TUsageError(message.str());
  }
  return value;
}

int Whole(const std::string& option, const std::string& text, int min, int max) {
  const double value = Number(option, text, min, max);
  if (value != std::floor(value)) throw TUsageError(option + ": \"" + text + "\" is not whole");
  return static_cast<int>(value);
}

}  // namespace

std::string BoardHelpText() {
  return R"(Usage: simplescope-board [OPTION]...
Makes a virtual experiment board (USB HID, vendor 0x21CF, product 0x0004) through
/dev/uhid, so simplescope can be tried and tested without the hardware. The board answers
every command 3 with 32 samples of the chosen signal, which goes on from one answer to the
next. It runs until interrupted (Ctrl+C) and then unplugs itself.

Signal:
  --signal=KIND        sine (default), square, triangle, noise, constant or file
  --period=SAMPLES     samples in one period of sine, square or triangle (default 64)
  --amplitude=VOLTS    peak voltage about the offset (default 2)
  --offset=VOLTS       voltage added to the signal (default 0)
  --seed=N             start of the noise generator (default 1)
  --file=PATH          raw values for --signal=file, sent in turn and repeated: whole
                       numbers 0..65535, decimal or 0x hex, separated by spaces, commas or
                       lines; '#' starts a comment. 512 is 0 V, one volt is 102.4.
The board measures from -5 V to +5 V: voltages beyond are clipped.

Faults:
  --delay=MS           answer MS milliseconds late (the program waits 50 ms)
  --short=BYTES        answer with only BYTES bytes (0..63) instead of 64
  --silent             never answer
  --unplug-every=SECONDS   unplug after SECONDS plugged in, then plug in again ...
  --unplugged-for=SECONDS  ... after this long away (default 1)

Other:
  --name=TEXT          the device's name (default "simplescope virtual board")
  --verbose            print each command and answer
  --help               show this text

Needs read and write access to /dev/uhid (kernel module uhid): as root, or through a
udev rule that gives your user that access.
)";
}

TBoardCommandLine ParseBoardCommandLine(int argc, const char* const* argv) {
  TBoardCommandLine result;
  TBoardOptions options;
  try {
    for (int i = 0; i < argc; ++i) {
      std::string argument = argv[i];
      std::string value;
      bool hasValue = false;
      if (const size_t equals = argument.find('='); equals != std::string::npos) {
        value = argument.substr(equals + 1);
        argument.resize(equals);
        hasValue = true;
      }
      const auto flag = [&] {
        if (hasValue) throw TUsageError(argument + " takes no value");
      };
      // "--option value" as well as "--option=value".
      const auto take = [&]() -> const std::string& {
        if (!hasValue) {
          if (i + 1 >= argc) throw TUsageError(argument + " needs a value");
          value = argv[++i];
          hasValue = true;
        }
        return value;
      };
      if (argument == "--help" || argument == "-h") {
        result.message = BoardHelpText();
        return result;
      } else if (argument == "--signal") {
        const auto kind = kSignalNames.find(take());
        if (kind == kSignalNames.end())
          throw TUsageError("--signal: \"" + value +
                            "\" is not one of sine, square, triangle, noise, constant, file");
        options.signal.kind = kind->second;
      } else if (argument == "--period") {
        options.signal.periodSamples = Number(argument, take(), 2, 1e9);
      } else if (argument == "--amplitude") {
        options.signal.amplitudeVolts = Number(argument, take(), 0, 10);
      } else if (argument == "--offset") {
        options.signal.offsetVolts = Number(argument, take(), -10, 10);
      } else if (argument == "--seed") {
        options.signal.seed = static_cast<uint32_t>(Number(argument, take(), 0, 4294967295.0));
      } else if (argument == "--file") {
        options.signalFile = take();
      } else if (argument == "--delay") {
        options.answerDelayMs = Whole(argument, take(), 0, 600000);
      } else if (argument == "--short") {
        options.shortAnswerBytes = Whole(argument, take(), 0, 63);
      } else if (argument == "--silent") {
        flag();
        options.silent = true;
      } else if (argument == "--unplug-every") {
        options.unplugEverySeconds = Number(argument, take(), 0.01, 1e6);
      } else if (argument == "--unplugged-for") {
        options.unpluggedSeconds = Number(argument, take(), 0, 1e6);
      } else if (argument == "--name") {
        options.name = take();
      } else if (argument == "--verbose") {
        flag();
        options.verbose = true;
      } else {
        throw TUsageError(std::string("unknown option \"") + argv[i] + "\"");
      }
    }
    if (options.signal.kind == TSignalKind::File) {
      if (options.signalFile.empty()) throw TUsageError("--signal=file needs --file=PATH");
      options.signal.rawValues = TBoardSignal::ReadRawValues(options.signalFile);
    } else if (!options.signalFile.empty()) {
      throw TUsageError("--file is for --signal=file");
    }
  } catch (const std::exception& error) {
    result.message = std::string("simplescope-board: ") + error.what() +
                     "\nTry 'simplescope-board --help' for more information.\n";
    result.exitCode = 2;
    return result;
  }
  result.options = options;
  return result;
}

std::string DescribeSignal(const TBoardOptions& options) {
  const TSignalSettings& s = options.signal;
  std::ostringstream text;
  for (const auto& [name, kind] : kSignalNames)
    if (kind == s.kind) text << name;
  switch (s.kind) {
    case TSignalKind::Sine:
    case TSignalKind::Square:
    case TSignalKind::Triangle:
      text << ", " << s.periodSamples << " samples per period, " << s.amplitudeVolts << " V";
      break;
    case TSignalKind::Noise:
      text << ", " << s.amplitudeVolts << " V";
      break;
    case TSignalKind::File:
      text << " " << options.signalFile << ", " << s.rawValues.size() << " values";
      break;
    case TSignalKind::Constant:
      break;
  }
  if (s.kind != TSignalKind::File) text << ", offset " << s.offsetVolts << " V";
  if (options.silent) text << "; never answers";
  if (options.answerDelayMs > 0) text << "; answers " << options.answerDelayMs << " ms late";
  if (options.shortAnswerBytes >= 0)
    text << "; answers with " << options.shortAnswerBytes << " bytes";
  if (options.unplugEverySeconds > 0)
    text << "; unplugs after " << options.unplugEverySeconds << " s for "
         << options.unpluggedSeconds << " s";
  return text.str();
}
