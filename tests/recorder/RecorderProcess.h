#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../RecordedTable.h"

// simplescope-record (or any program) run as the user runs it, as a process of its own:
// its standard output to a pipe (or wherever it is sent with -o), its standard error
// collected, signals sent to it, its exit code read. Everything it writes is drained while
// the test waits, so a full pipe never stalls it.
class TRecorderProcess {
 public:
  struct TOptions {
    bool pipeStdout = true;  // false: to `stdoutFile`
    std::string stdoutFile = "/dev/null";
    std::vector<std::string> environment;  // NAME=VALUE, added to the inherited one
    uid_t runAs = 0;                       // non-zero: drop to this user first (as root)
  };

  TRecorderProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const TOptions& options)
      : TRecorderProcess(program, arguments, options, 0) {}
  TRecorderProcess(const std::string& program, const std::vector<std::string>& arguments)
      : TRecorderProcess(program, arguments, TOptions{}, 0) {}
  ~TRecorderProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  TRecorderProcess(const TRecorderProcess&) = delete;
  TRecorderProcess& operator=(const TRecorderProcess&) = delete;

  void Signal(int number) {
    if (pid_ > 0) kill(pid_, number);
  }
  // The reading end of its standard output goes away, as `| head -1` does.
  void CloseStdout() {
    if (out_ >= 0) close(out_);
    out_ = -1;
  }

  // Waits for its end; false when it did not end within timeoutMs (it is then killed).
  bool Wait(int timeoutMs = 20000) {
    const auto deadline = Now() + std::chrono::milliseconds(timeoutMs);
    while (pid_ > 0) {
      int status = 0;
      const pid_t ended = waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        Drain(0);
        pid_ = -1;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
      }
      if (Now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return false;
      }
      Drain(10);
    }
    return true;
  }
  // Waits until `condition` holds of what it has written so far, or timeoutMs passed.
  template <typename Condition>
  bool WaitFor(Condition condition, int timeoutMs = 10000) {
    const auto deadline = Now() + std::chrono::milliseconds(timeoutMs);
    while (!condition() && Now() < deadline && Running()) Drain(10);
    Drain(0);
    return condition();
  }
  bool WaitForStderr(const std::string& text, int timeoutMs = 10000) {
    return WaitFor([&] { return err_text_.find(text) != std::string::npos; }, timeoutMs);
  }

  bool Running() {
    if (pid_ <= 0) return false;
    siginfo_t info{};
    return waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
  }
  int ExitCode() const { return exitCode_; }
  const std::string& Stdout() const { return out_text_; }
  const std::string& Stderr() const { return err_text_; }

 private:
  TRecorderProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const TOptions& options, int) {
    int outPipe[2] = {-1, -1}, errPipe[2];
    if (options.pipeStdout && pipe2(outPipe, O_CLOEXEC) != 0) return;
    if (pipe2(errPipe, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int devNull = open("/dev/null", O_RDWR);
      const int file = options.pipeStdout ? -1 : open(options.stdoutFile.c_str(), O_WRONLY);
      dup2(options.pipeStdout ? outPipe[1] : file, STDOUT_FILENO);
      dup2(errPipe[1], STDERR_FILENO);
      dup2(devNull, STDIN_FILENO);
      for (const std::string& variable : options.environment)
        putenv(const_cast<char*>(variable.c_str()));
      if (options.runAs != 0 &&
          (setgroups(0, nullptr) != 0 || setgid(options.runAs) != 0 || setuid(options.runAs) != 0))
        _exit(126);
      // A test that dies (a sanitizer's halt, a crash) takes its recorder with it, rather
      // than leaving one that waits for a board for ever. Set after the change of user,
      // which clears it.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      // Stop signals as they are for a program started from a shell.
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      std::vector<char*> argv = {const_cast<char*>(program.c_str())};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    if (options.pipeStdout) {
      close(outPipe[1]);
      out_ = outPipe[0];
    }
    close(errPipe[1]);
    err_ = errPipe[0];
  }

  static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }

  void Drain(int timeoutMs) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0) return;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
      int& fd = i == 0 ? out_ : err_;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) (i == 0 ? out_text_ : err_text_).append(buffer, size_t(n));
      if (n == 0) {  // the program closed it: nothing more will come
        close(fd);
        fd = -1;
      }
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  int exitCode_ = -1;
  std::string out_text_;
  std::string err_text_;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  close(fd);
  return text;
}
