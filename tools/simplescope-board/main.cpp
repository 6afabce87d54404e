// simplescope-board: a virtual experiment board through /dev/uhid, for trying simplescope
// without the hardware and for testing it end to end. See --help.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "BoardDescriptor.h"
#include "BoardOptions.h"
#include "BoardResponder.h"
#include "UhidDevice.h"
#include "framework/Translations.h"

namespace {

using Clock = TBoardResponder::Clock;

std::chrono::milliseconds Seconds(double seconds) {
  return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
}

void Say(const QString& text) {
  std::cout << "simplescope-board: " << text.toStdString() << std::endl;
}

std::string Hex(const uint8_t* data, size_t size) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < size; ++i) {
    snprintf(byte, sizeof byte, i ? " %02x" : "%02x", data[i]);
    text += byte;
  }
  return text;
}

// The signals that end the board arrive as readable data, so one poll waits for
// everything and the board always unplugs itself on the way out.
int SignalFd() {
  sigset_t ending;
  sigemptyset(&ending);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, s);
  sigprocmask(SIG_BLOCK, &ending, nullptr);
  return signalfd(-1, &ending, SFD_CLOEXEC);
}

int Run(const TBoardOptions& options) {
  const int endingSignals = SignalFd();
  TUhidDevice uhid;
  TBoardResponder responder(options);
  const TUhidDevice::TIdentity identity{options.name, kBoardVendorId, kBoardProductId, 0x0100,
                                        kBoardReportDescriptor};
  const auto plug = [&] {
    uhid.Plug(identity);
    Say(QCoreApplication::translate("simplescope-board", "plugged in: %1")
            .arg(QString::fromStdString(DescribeSignal(options))));
  };
  plug();
  Clock::time_point changeAt = Clock::now() + Seconds(options.unplugEverySeconds);

  for (;;) {
    // Wake for the next answer, the next plug or unplug, or anything from the kernel.
    std::optional<Clock::time_point> wake = responder.NextDue();
    if (options.unplugEverySeconds > 0) wake = wake ? std::min(*wake, changeAt) : changeAt;
    const int timeoutMs = TBoardResponder::PollTimeoutUntil(wake);
    pollfd fds[2] = {{uhid.Fd(), POLLIN, 0}, {endingSignals, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) throw std::runtime_error(strerror(errno));
    if (fds[1].revents & POLLIN) break;

    if (fds[0].revents & POLLIN) {
      uhid_event event{};
      if (uhid.ReadEvent(event)) {
        if (event.type == UHID_OUTPUT) {
          const auto& out = event.u.output;
          const size_t size = std::min<size_t>(out.size, sizeof out.data);
          if (options.verbose)
            Say(QCoreApplication::translate("simplescope-board", "command %1")
                    .arg(QString::fromStdString(Hex(out.data, size))));
          responder.OnOutputReport(out.data, size, Clock::now());
        } else if (event.type == UHID_GET_REPORT || event.type == UHID_SET_REPORT) {
          uhid.RefuseRequest(event);
        }
      }
    }
    for (const std::vector<uint8_t>& answer : responder.TakeDueAnswers(Clock::now())) {
      if (!uhid.Plugged()) continue;  // asked before the unplug: lost with the cable
      if (options.verbose)
        Say(QCoreApplication::translate("simplescope-board", "answer %1")
                .arg(QString::fromStdString(Hex(answer.data(), answer.size()))));
      if (!uhid.SendInput(answer.data(), answer.size()))
        Say(QCoreApplication::translate("simplescope-board", "an answer was refused: %1")
                .arg(QString::fromLocal8Bit(strerror(errno))));
    }
    if (options.unplugEverySeconds > 0 && Clock::now() >= changeAt) {
      if (uhid.Plugged()) {
        uhid.Unplug();
        Say(QCoreApplication::translate("simplescope-board",
                                        "unplugged (plugging in again in %1 s)")
                .arg(options.unpluggedSeconds));
        changeAt = Clock::now() + Seconds(options.unpluggedSeconds);
      } else {
        plug();
        changeAt = Clock::now() + Seconds(options.unplugEverySeconds);
      }
    }
  }
  const bool wasPlugged = uhid.Plugged();
  uhid.Unplug();
  if (wasPlugged) Say(QCoreApplication::translate("simplescope-board", "unplugged"));
  close(endingSignals);
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // For the command line and the translated messages; the board itself runs on poll().
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("simplescope-board"));
  InstallTranslations(QStringLiteral("simplescope-board"));
  const TBoardCommandLine commandLine = ParseBoardCommandLine(argc - 1, argv + 1);
  if (!commandLine.options) {
    (commandLine.exitCode ? std::cerr : std::cout) << commandLine.message;
    return commandLine.exitCode;
  }
  try {
    return Run(*commandLine.options);
  } catch (const std::exception& error) {
    std::cerr << "simplescope-board: " << error.what() << "\n";
    return 1;
  }
}
