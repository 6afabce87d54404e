#include "EmulatedBoard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>

#include "BoardDescriptor.h"

namespace {

// The host writes the report id and the board's 8 command bytes.
constexpr size_t kOutputReportSize = 9;
// A board that stays plugged in for hours keeps only the latest answers for inspection.
constexpr size_t kSentLimit = 100000;
// The input reports hidraw keeps for a reader that doesn't read.
constexpr size_t kQueuedReports = 64;
// How soon to look again whether the program has read the answer on the node, while more
// wait behind it: the pty tells no one when its input has been read.
constexpr int kRecheckMs = 2;

void Say(const QString& text) {
  std::fprintf(stderr, "emulated-board: %s\n", text.toLocal8Bit().constData());
}

QString Hex(const std::vector<uint8_t>& bytes) {
  QString text;
  for (size_t i = 0; i < bytes.size(); ++i)
    text += QString::asprintf(i ? " %02x" : "%02x", bytes[i]);
  return text;
}

// Whether the program has read everything put on the node. The poll hands bytes still on
// their way through the pty to its input queue, which is all that TIOCINQ counts.
bool NothingUnread(int control) {
  pollfd look{control, POLLIN, 0};
  poll(&look, 1, 0);
  int unread = 0;
  return ioctl(control, TIOCINQ, &unread) == 0 && unread == 0;
}

}  // namespace

TEmulatedBoard::TEmulatedBoard(THidTestbed& bed, const TBoardOptions& options)
    : bed_(bed), name_(options.name), verbose_(options.verbose), responder_(options) {}

TEmulatedBoard::~TEmulatedBoard() {
  Unplug();
}

void TEmulatedBoard::Plug(bool announce) {
  if (Plugged()) return;
  const std::vector<uint8_t> descriptor(kBoardReportDescriptor.begin(),
                                        kBoardReportDescriptor.end());
  node_ = bed_.Add(kBoardVendorId, kBoardProductId, descriptor, true, announce, name_);
  stop_ = eventfd(0, EFD_CLOEXEC);
  const THidTestbed::TNode& node = bed_.Node(node_);
  thread_ =
      std::thread([this, master = node.master, control = node.control] { Serve(master, control); });
}

void TEmulatedBoard::Unplug() {
  if (!Plugged()) return;
  const uint64_t one = 1;
  (void)!write(stop_, &one, sizeof one);
  thread_.join();
  close(stop_);
  stop_ = -1;
  bed_.Remove(node_);
  node_ = -1;
}

std::vector<std::vector<uint8_t>> TEmulatedBoard::Sent() {
  std::lock_guard lock(mutex_);
  return sent_;
}

uint64_t TEmulatedBoard::Commands() {
  std::lock_guard lock(mutex_);
  return commands_;
}

void TEmulatedBoard::Serve(int master, int control) {
  std::vector<uint8_t> pending;              // command bytes that don't make a whole report yet
  std::deque<std::vector<uint8_t>> waiting;  // answers behind the one on the node
  bool hungUp = false;
  for (;;) {
    int timeoutMs;
    {
      std::lock_guard lock(mutex_);
      timeoutMs = TBoardResponder::PollTimeoutUntil(responder_.NextDue());
    }
    if (!waiting.empty()) timeoutMs = timeoutMs < 0 ? kRecheckMs : std::min(timeoutMs, kRecheckMs);
    // A master that reports a hang-up without data would wake the poll at once, again and
    // again: look now and then instead.
    if (hungUp) timeoutMs = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
    pollfd fds[2] = {{stop_, POLLIN, 0}, {hungUp ? -1 : master, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return;
    if (fds[0].revents & POLLIN) return;
    hungUp = (fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN);
    if (fds[1].revents & POLLIN) {
      uint8_t buffer[512];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) pending.insert(pending.end(), buffer, buffer + n);
    }
    std::lock_guard lock(mutex_);
    const auto now = TBoardResponder::Clock::now();
    size_t used = 0;
    for (; pending.size() - used >= kOutputReportSize; used += kOutputReportSize) {
      const uint8_t* command = pending.data() + used;
      if (verbose_)
        Say(QCoreApplication::translate("simplescope-board", "command %1")
                .arg(Hex({command, command + kOutputReportSize})));
      responder_.OnOutputReport(command, kOutputReportSize, now);
      ++commands_;
    }
    pending.erase(pending.begin(), pending.begin() + used);
    for (std::vector<uint8_t>& answer : responder_.TakeDueAnswers(now))
      if (waiting.size() + 1 < kQueuedReports) waiting.push_back(std::move(answer));
    while (!waiting.empty() && NothingUnread(control)) {
      Deliver(master, control, std::move(waiting.front()));
      waiting.pop_front();
    }
  }
}

void TEmulatedBoard::Deliver(int master, int control, std::vector<uint8_t> answer) {
  if (verbose_) Say(QCoreApplication::translate("simplescope-board", "answer %1").arg(Hex(answer)));
  if (!answer.empty()) {
    // The program's poll says the node is readable, and its read returns, once this many
    // bytes are in: exactly this answer, nothing being left of the one before.
    termios settings;
    tcgetattr(control, &settings);
    settings.c_cc[VMIN] = static_cast<cc_t>(answer.size());
    tcsetattr(control, TCSANOW, &settings);
    (void)!write(master, answer.data(), answer.size());
  }
  if (sent_.size() >= kSentLimit) sent_.erase(sent_.begin(), sent_.begin() + kSentLimit / 2);
  sent_.push_back(std::move(answer));
}
