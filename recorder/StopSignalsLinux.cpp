#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "StopSignals.h"
#include "framework/MessageTarget.h"

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void TStopSignals::Block() {
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  // A reader that went away (`| head`) shows as a failed write, after which the recording
  // ends in order (its summary said), rather than as a silent death.
  signal(SIGPIPE, SIG_IGN);
}

TStopSignals::TStopSignals(std::function<void(int)> onStop)
    : onStop_(std::move(onStop)), target_(std::make_unique<TMessageTarget>()) {
  const sigset_t set = StopSet();
  object_ = TSystemHandle::FromDescriptor(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
  target_->Watch(object_, [this] { Arrived(); });
}

TStopSignals::~TStopSignals() {
  target_.reset();
  if (object_.Valid()) close(object_.Descriptor());
}

void TStopSignals::Arrived() {
  signalfd_siginfo info;
  while (read(object_.Descriptor(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    if (++received_ > 1) {
      // The first is still being handled and the user insists: the default action.
      const sigset_t set = StopSet();
      pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
      signal(static_cast<int>(info.ssi_signo), SIG_DFL);
      raise(static_cast<int>(info.ssi_signo));
      return;
    }
    onStop_(static_cast<int>(info.ssi_signo));
  }
}
