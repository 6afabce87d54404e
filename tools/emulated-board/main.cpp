// emulated-board: runs a program with the virtual board plugged into an emulated sysfs and
// /dev (umockdev), for machines without /dev/uhid. Reports the program's CPU time and
// peak memory when it ends, unless --quiet (the run command's demo).
//   emulated-board [--for=SECONDS] [--quiet] [board options] -- PROGRAM [ARGUMENTS]
#include <signal.h>
#include <sys/resource.h>
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

}  // namespace

int main(int argc, char* argv[]) {
  RunUnderPreload(argv);
  std::vector<const char*> boardArguments;
  double forSeconds = 0;
  bool quiet = false;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strncmp(argv[i], "--for=", 6) == 0)
      forSeconds = std::atof(argv[i] + 6);
    else if (std::strcmp(argv[i], "--quiet") == 0)
      quiet = true;
    else
      boardArguments.push_back(argv[i]);
  }
  if (i + 1 >= argc) {
    std::fprintf(
        stderr,
        "usage: emulated-board [--for=SECONDS] [--quiet] [board options] -- PROGRAM [ARGS]\n");
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
  TEmulatedBoard emulated(bed, *board.options);
  emulated.Plug(/*announce=*/false);
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[i + 1], argv + i + 1);
    std::perror(argv[i + 1]);
    _exit(127);
  }
  if (forSeconds > 0) {
    // Sleep in steps, so a program that ends early ends the run early.
    while (std::chrono::steady_clock::now() - started < std::chrono::duration<double>(forSeconds)) {
      siginfo_t ended{};
      if (waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid != 0)
        break;
      usleep(20000);
    }
    kill(child, SIGTERM);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec / 1e6;
  // On standard error: standard output is the program's, often a table on its way to a file.
  if (!quiet)
    std::fprintf(
        stderr,
        "wall %.2f s, cpu %.3f s (%.2f %% of one core), peak rss %ld MB, "
        "%llu commands answered\n",
        wall, cpu, 100 * cpu / wall, usage.ru_maxrss / 1024,
        static_cast<unsigned long long>(emulated.Sent().size()));
  emulated.Unplug();
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGTERM && forSeconds > 0 ? 0 : 1;
  return WEXITSTATUS(status);
}
