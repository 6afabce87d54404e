#include "EmulatedBoard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "BoardDescriptor.h"

namespace {

// The host writes the report id and the board's 8 command bytes.
constexpr size_t kOutputReportSize = 9;
// A board that stays plugged in for hours keeps only the latest answers for inspection.
constexpr size_t kSentLimit = 100000;

}  // namespace

TEmulatedBoard::TEmulatedBoard(THidTestbed& bed, const TBoardOptions& options)
    : bed_(bed), responder_(options) {}

TEmulatedBoard::~TEmulatedBoard() {
  Unplug();
}

void TEmulatedBoard::Plug(bool announce) {
  if (Plugged()) return;
  const std::vector<uint8_t> descriptor(kBoardReportDescriptor.begin(),
                                        kBoardReportDescriptor.end());
  node_ = bed_.Add(kBoardVendorId, kBoardProductId, descriptor, true, announce);
  stop_ = eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this, master = bed_.Node(node_).master] { Serve(master); });
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

void TEmulatedBoard::Serve(int master) {
  std::vector<uint8_t> pending;  // command bytes that don't make a whole report yet
  bool hungUp = false;
  for (;;) {
    int timeoutMs;
    {
      std::lock_guard lock(mutex_);
      timeoutMs = TBoardResponder::PollTimeoutUntil(responder_.NextDue());
    }
    // Nobody has the node open: the master reports a hang-up until somebody does, so
    // look again now and then instead of spinning on it.
    if (hungUp) timeoutMs = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
    pollfd fds[2] = {{stop_, POLLIN, 0}, {hungUp ? -1 : master, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return;
    if (fds[0].revents & POLLIN) return;
    hungUp = (fds[1].revents & POLLHUP) && !(fds[1].revents & POLLIN);
    if (fds[1].revents & POLLIN) {
      uint8_t buffer[512];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) pending.insert(pending.end(), buffer, buffer + n);
    }
    std::lock_guard lock(mutex_);
    const auto now = TBoardResponder::Clock::now();
    size_t used = 0;
    for (; pending.size() - used >= kOutputReportSize; used += kOutputReportSize)
      responder_.OnOutputReport(pending.data() + used, kOutputReportSize, now);
    pending.erase(pending.begin(), pending.begin() + used);
    for (std::vector<uint8_t>& answer : responder_.TakeDueAnswers(now)) {
      (void)!write(master, answer.data(), answer.size());
      if (sent_.size() >= kSentLimit) sent_.erase(sent_.begin(), sent_.begin() + kSentLimit / 2);
      sent_.push_back(std::move(answer));
    }
  }
}
