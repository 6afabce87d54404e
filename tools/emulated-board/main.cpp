// emulated-board: runs a program with the virtual board plugged into an emulated sysfs and
// /dev (umockdev), for machines without /dev/uhid. See --help.
// umockdev's glib headers first: Qt's "signals" keyword is a name in them.
#include "EmulatedBoard.h"
// Qt after them.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SimplescopeVersion.h"
#include "framework/StandardOptions.h"
#include "framework/Translations.h"

namespace {

using Clock = std::chrono::steady_clock;

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

void Say(const QString& text) {
  std::fprintf(stderr, "emulated-board: %s\n", text.toLocal8Bit().constData());
}

// What the option list can't say.
QString HelpNotes() {
  return QCoreApplication::translate(
      "emulated-board",
      "\nRaw values for --file=PATH are sent in turn and repeated: whole numbers 0..65535,\n"
      "decimal or 0x hex, separated by spaces, commas or lines; '#' starts a comment.\n"
      "512 is 0 V, one volt is 102.4. The board measures from -5 V to +5 V: voltages\n"
      "beyond are clipped.\n\n"
      "PROGRAM sees the emulated board and no other device; it needs no privilege.\n"
      "Standard output is PROGRAM's. The board's messages go to standard error, and when\n"
      "PROGRAM ends, a line with its run time, CPU time and peak memory and the commands\n"
      "the board answered. The exit status is PROGRAM's (0 when --for ended it).\n");
}

struct TCommandLine {
  TBoardOptions board;
  double forSeconds = 0;
  bool quiet = false;
  bool answerIoctls = false;
  std::string control;       // where the program asks for unplugs and plugs, or empty
  char** program = nullptr;  // PROGRAM and its arguments, ending with a null
};

// Reads the options before "--"; what follows it is the program. Answers the exit code to
// end with at once (after --help, --version or a mistake), or -1 to go on.
int ParseCommandLine(int argc, char* argv[], TCommandLine& line) {
  int end = 1;
  while (end < argc && std::strcmp(argv[end], "--") != 0) ++end;
  QStringList arguments{QStringLiteral("emulated-board")};
  for (int i = 1; i < end; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "emulated-board",
      "Runs PROGRAM with the virtual experiment board (USB HID, vendor 0x21CF, product\n"
      "0x0004) plugged into an emulated sysfs and /dev (umockdev), for machines where\n"
      "simplescope-board can't make one through /dev/uhid. The board answers as\n"
      "simplescope-board's does, with the same signals and faults."));
  parser.addPositionalArgument(
      QStringLiteral("PROGRAM"),
      QCoreApplication::translate("emulated-board",
                                  "The program to run, with its arguments, after \"--\"."),
      QCoreApplication::translate("emulated-board", "-- PROGRAM [ARGUMENTS]"));
  const QCommandLineOption forOption(
      QStringLiteral("for"),
      QCoreApplication::translate(
          "emulated-board",
          "End PROGRAM (SIGTERM) after SECONDS; by default it runs until it ends."),
      QCoreApplication::translate("emulated-board", "SECONDS"));
  const QCommandLineOption quiet(
      QStringLiteral("quiet"),
      QCoreApplication::translate(
          "emulated-board",
          "Say nothing of the board's plugs and unplugs, nor of PROGRAM's costs at the end."));
  // For programs that ask the node itself and nothing of sysfs (Wine's HID bus), and that
  // can't signal this process (a Windows program under Wine, through its Z: drive).
  const QCommandLineOption answerIoctls(
      QStringLiteral("answer-ioctls"),
      QCoreApplication::translate("emulated-board",
                                  "The node answers the hidraw ioctls (for Wine's HID bus)."));
  const QCommandLineOption control(
      QStringLiteral("control"),
      QCoreApplication::translate(
          "emulated-board",
          "PROGRAM unplugs and plugs the board by making a file \"unplug\" or \"plug\" in "
          "DIR; the file is deleted once done. DIR/commands holds the number of command "
          "reports the board has read."),
      QCoreApplication::translate("emulated-board", "DIR"));
  parser.addOptions({forOption, quiet, answerIoctls, control});
  const TBoardOptionSet boardOptions(parser);
  const auto [help, version] = AddStandardOptions(parser);

  try {
    if (!parser.parse(arguments)) throw TBoardUsageError(parser.errorText().toStdString());
    if (parser.isSet(help)) {
      std::fputs((parser.helpText() + HelpNotes()).toLocal8Bit().constData(), stdout);
      return 0;
    }
    if (parser.isSet(version)) {
      std::printf("emulated-board %s\n", kSimplescopeVersion);
      return 0;
    }
    if (!parser.positionalArguments().isEmpty())
      throw TBoardUsageError(
          QCoreApplication::translate("emulated-board",
                                      "unexpected argument \"%1\" (the program goes after \"--\")")
              .arg(parser.positionalArguments().constFirst())
              .toStdString());
    if (end + 1 >= argc)
      throw TBoardUsageError(
          QCoreApplication::translate("emulated-board", "no program to run: name it after \"--\"")
              .toStdString());
    line.board = boardOptions.Read(parser);
    if (parser.isSet(forOption))
      line.forSeconds =
          BoardOptionNumber("--for", parser.values(forOption).constLast().toStdString(), 0, 604800);
    line.quiet = parser.isSet(quiet);
    line.answerIoctls = parser.isSet(answerIoctls);
    if (parser.isSet(control)) line.control = parser.values(control).constLast().toStdString();
    line.program = argv + end + 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "emulated-board: %s\n%s\n", error.what(),
                 QCoreApplication::translate("emulated-board",
                                             "Try 'emulated-board --help' for more information.")
                     .toLocal8Bit()
                     .constData());
    return 2;
  }
  return -1;
}

// Carries out a plug or unplug the program asked for, and deletes the request. Keeps the
// number of command reports read so far in the file "commands", for a program that checks
// how often it sends them: renamed into place, so that it is never read half written.
void ServeControlRequests(const std::string& directory, TEmulatedBoard& board,
                          uint64_t& commandsSaid) {
  if (directory.empty()) return;
  if (const uint64_t commands = board.Commands(); commands != commandsSaid) {
    const std::string file = directory + "/commands";
    if (FILE* out = std::fopen((file + ".new").c_str(), "w")) {
      std::fprintf(out, "%llu\n", static_cast<unsigned long long>(commands));
      if (std::fclose(out) == 0 && std::rename((file + ".new").c_str(), file.c_str()) == 0)
        commandsSaid = commands;
    }
  }
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

bool Ended(pid_t child) {
  siginfo_t ended{};
  return waitid(P_PID, child, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid != 0;
}

std::chrono::milliseconds Milliseconds(double seconds) {
  return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
}

}  // namespace

int main(int argc, char* argv[]) {
  RunUnderPreload(argv);
  // For the command line and the translated messages; the board runs on a thread of its own.
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("emulated-board"));
  InstallTranslations(QStringLiteral("simplescope-board"));
  InstallTranslations(QStringLiteral("emulated-board"));
  TCommandLine line;
  if (const int exitCode = ParseCommandLine(argc, argv, line); exitCode >= 0) return exitCode;
  const TBoardOptions& options = line.board;

  // The testbed sets UMOCKDEV_DIR, which the program inherits with the preload library.
  THidTestbed bed;
  bed.SetAnswerIoctls(line.answerIoctls);
  TEmulatedBoard emulated(bed, options);
  emulated.Plug(/*announce=*/false);
  if (!line.quiet)
    Say(QCoreApplication::translate("simplescope-board", "plugged in: %1")
            .arg(QString::fromStdString(DescribeSignal(options))));
  const auto started = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(line.program[0], line.program);
    std::perror(line.program[0]);
    _exit(127);
  }
  if (line.forSeconds > 0 || options.unplugEverySeconds > 0 || !line.control.empty()) {
    // Look in steps, so a program that ends early ends the run early, and its requests are
    // served while it runs.
    Clock::time_point changeAt = started + Milliseconds(options.unplugEverySeconds);
    uint64_t commandsSaid = 0;
    while (!Ended(child)) {
      const Clock::time_point now = Clock::now();
      if (line.forSeconds > 0 && now - started >= Milliseconds(line.forSeconds)) {
        kill(child, SIGTERM);
        break;
      }
      if (options.unplugEverySeconds > 0 && now >= changeAt) {
        if (emulated.Plugged()) {
          emulated.Unplug();
          if (!line.quiet)
            Say(QCoreApplication::translate("simplescope-board",
                                            "unplugged (plugging in again in %1 s)")
                    .arg(options.unpluggedSeconds));
          changeAt = now + Milliseconds(options.unpluggedSeconds);
        } else {
          emulated.Plug(/*announce=*/true);
          if (!line.quiet)
            Say(QCoreApplication::translate("simplescope-board", "plugged in: %1")
                    .arg(QString::fromStdString(DescribeSignal(options))));
          changeAt = now + Milliseconds(options.unplugEverySeconds);
        }
      }
      ServeControlRequests(line.control, emulated, commandsSaid);
      usleep(20000);
    }
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall = std::chrono::duration<double>(Clock::now() - started).count();
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec / 1e6;
  // On standard error: standard output is the program's, often a table on its way to a file.
  if (!line.quiet)
    std::fprintf(stderr,
                 "wall %.2f s, cpu %.3f s (%.2f %% of one core), peak rss %ld MB, "
                 "%llu commands answered\n",
                 wall, cpu, 100 * cpu / wall, usage.ru_maxrss / 1024,
                 static_cast<unsigned long long>(emulated.Sent().size()));
  emulated.Unplug();
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGTERM && line.forSeconds > 0 ? 0 : 1;
  return WEXITSTATUS(status);
}
