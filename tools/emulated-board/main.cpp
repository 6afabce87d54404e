// emulated-board: runs a program with the virtual board plugged into an emulated sysfs and
// /dev (umockdev), for machines without /dev/uhid. Reports the program's CPU time and
// peak memory when it ends, unless --quiet (the run command's demo).
//   emulated-board [--for=SECONDS] [--quiet] [--answer-ioctls] [--control=DIR]
//                  [board options] -- PROGRAM [ARGUMENTS]
// --answer-ioctls: the node answers the hidraw ioctls, for programs that ask nothing of
// sysfs (Wine's HID bus). --control=DIR: the program unplugs and plugs the board by making
// a file "unplug" or "plug" in DIR (for a Windows program under Wine, through its Z:
// drive); the file is deleted once done.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EmulatedBoard.h"

namespace {

const char kPreload[] = "libumockdev-preload.so.0";

// The testbed builds its sysfs through the preload library's eyes, so the launcher runs
// under it as well as the program.
void RunUnderPreload(char* argv[]) {
  const char* current = std::getenv("LD_PRELOAD");
  if (current && std::strstr(current, kPreload)) return;
  std::string preload = kPreload;
  if (current && *current) preload += std::string(":") + current;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  execv("/proc/self/exe", argv);
  std::perror("emulated-board: cannot restart under umockdev's preload library");
  std::exit(1);
}

// Carries out a plug or unplug the program asked for, and deletes the request.
void ServeControlRequests(const std::string& directory, TEmulatedBoard& board) {
  if (directory.empty()) return;
  struct stat info;
  const std::string unplug = directory + "/unplug";
  const std::string plug = directory + "/plug";
  if (stat(unplug.c_str(), &info) == 0) {
    board.Unplug();
    unlink(unplug.c_str());
  }
  if (stat(plug.c_str(), &info) == 0) {
    board.Plug(/*announce=*/true);
    unlink(plug.c_str());
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  RunUnderPreload(argv);
  std::vector<const char*> boardArguments;
  double forSeconds = 0;
  bool quiet = false;
  bool answerIoctls = false;
  std::string control;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strncmp(argv[i], "--for=", 6) == 0)
      forSeconds = std::atof(argv[i] + 6);
    else if (std::strcmp(argv[i], "--quiet") == 0)
      quiet = true;
    else if (std::strcmp(argv[i], "--answer-ioctls") == 0)
      answerIoctls = true;
    else if (std::strncmp(argv[i], "--control=", 10) == 0)
      control = argv[i] + 10;
    else
      boardArguments.push_back(argv[i]);
  }
  if (i + 1 >= argc) {
    std::fprintf(
        stderr,
        "usage: emulated-board [--for=SECONDS] [--quiet] [--answer-ioctls] [--control=DIR] "
        "[board options] -- PROGRAM [ARGS]\n");
    return 2;
  }
  const TBoardCommandLine board =
      ParseBoardCommandLine(static_cast<int>(boardArguments.size()), boardArguments.data());
  if (!board.options) {
    std::fputs(board.message.c_str(), board.exitCode ? stderr : stdout);
    return board.exitCode;
  }

  // The testbed sets UMOCKDEV_DIR, which the program inherits with the preload library.
  THidTestbed bed;
  bed.SetAnswerIoctls(answerIoctls);
  TEmulatedBoard emulated(bed, *board.options);
  emulated.Plug(/*announce=*/false);
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[i + 1], argv + i + 1);
    std::perror(argv[i + 1]);
    _exit(127);
  }
  if (forSeconds > 0 || !control.empty()) {
    // Sleep in steps, so a program that ends early ends the run early, and its requests
    // are served while it runs.
    const auto limit = std::chrono::duration<double>(forSeconds);
    while (forSeconds <= 0 || std::chrono::steady_clock::now() - started < limit) {
      siginfo_t ended{};
      if (waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid != 0)
        break;
      ServeControlRequests(control, emulated);
      usleep(20000);
    }
    if (forSeconds > 0) kill(child, SIGTERM);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec / 1e6;
  if (!quiet)
    std::printf(
        "wall %.2f s, cpu %.3f s (%.2f %% of one core), peak rss %ld MB, "
        "%llu commands answered\n",
        wall, cpu, 100 * cpu / wall, usage.ru_maxrss / 1024,
        static_cast<unsigned long long>(emulated.Sent().size()));
  emulated.Unplug();
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGTERM && forSeconds > 0 ? 0 : 1;
  return WEXITSTATUS(status);
}
