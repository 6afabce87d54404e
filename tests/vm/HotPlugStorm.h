#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../hid/MouseDescriptor.h"
#include "UhidDevice.h"

// Hot-plug storms on a real kernel: the virtual board tool and an unrelated mouse, both
// through /dev/uhid, unplugged and plugged again in quick turns while the program under
// test runs.

// Storm cycles: SIMPLESCOPE_STORM_CYCLES (the soak runs ask for a thousand), else 100.
inline int StormCycles() {
  const char* cycles = std::getenv("SIMPLESCOPE_STORM_CYCLES");
  return cycles ? std::atoi(cycles) : 100;
}

// A USB mouse made through /dev/uhid: a device the programs list but never read.
class TUhidMouse {
 public:
  void Plug() { device_.Plug({"storm mouse", 0x046D, 0xC077, 0x0110, kMouseDescriptor}); }
  void Unplug() {
    device_.Unplug();
    Drain();
  }
  // The kernel's events for the device (start, open, close) are read and dropped, so its
  // queue never fills.
  void Drain() {
    pollfd p{device_.Fd(), POLLIN, 0};
    uhid_event event{};
    while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN) && device_.ReadEvent(event)) {
    }
  }

 private:
  TUhidDevice device_;
};

// simplescope-board as a process of its own, started to plug the board in and ended to pull
// it out. Plugging waits until the tool says the kernel has the board, so every cycle of a
// storm really plugs it.
class TStormBoard {
 public:
  explicit TStormBoard(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  ~TStormBoard() { Unplug(); }
  void Plug() {
    if (pid_ > 0) return;
    const char* path = std::getenv("SIMPLESCOPE_BOARD");
    std::vector<char*> argv = {const_cast<char*>(path)};
    for (std::string& argument : arguments_) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      execv(path, argv.data());
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
    std::string said;
    char buffer[256];
    pollfd p{out_, POLLIN, 0};
    while (said.find("plugged in") == std::string::npos && poll(&p, 1, 10000) > 0) {
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) break;
      said.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_NE(said.find("plugged in"), std::string::npos) << "the board tool said: " << said;
  }
  void Unplug() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the board tool failed: status " << status;
    close(out_);
    pid_ = -1;
  }

 private:
  std::vector<std::string> arguments_;
  pid_t pid_ = -1;
  int out_ = -1;
};

// The storm on a thread of its own, so the program under test runs meanwhile: the board out,
// 20 ms, the mouse out, 20 ms, the board in, 20 ms, the mouse in, 20 ms; `cycles` times.
// Both are plugged in when it starts and when it ends.
class THotPlugStorm {
 public:
  THotPlugStorm(TStormBoard& board, TUhidMouse& mouse, int cycles)
      : thread_([this, &board, &mouse, cycles] {
          const auto step = std::chrono::milliseconds(20);
          for (int cycle = 0; cycle < cycles; ++cycle) {
            board.Unplug();
            std::this_thread::sleep_for(step);
            mouse.Unplug();
            std::this_thread::sleep_for(step);
            board.Plug();
            std::this_thread::sleep_for(step);
            mouse.Plug();
            std::this_thread::sleep_for(step);
            mouse.Drain();
          }
          done_ = true;
        }) {}
  ~THotPlugStorm() { thread_.join(); }
  bool Done() const { return done_; }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};
