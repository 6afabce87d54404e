// simplescope-record on a real kernel: runs inside the virtual machine (see
// run-vm-test.sh) with simplescope-board, the virtual board tool, plugged in and pulled out
// as a process of its own. One boot covers every check.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <thread>

#include "../ProcessCounters.h"
#include "../recorder/RecorderProcess.h"
#include "../recorder/TableChecks.h"
#include "HotPlugStorm.h"

namespace {

// The board's signal: the counts 0, 1, ..., 999 over and over, so every row tells where in
// the signal it lies and a lost or doubled sample shows at once.
constexpr int kRampLength = 1000;
const char kRampFile[] = "/tmp/ramp.txt";

std::string Program(const char* variable, const char* fallback) {
  const char* path = std::getenv(variable);
  return path ? path : fallback;
}
const std::string kRecorder = Program("SIMPLESCOPE_RECORD", "/bin/simplescope-record");

// simplescope-board as the user runs it; ending it unplugs the board.
class TBoardProcess {
 public:
  explicit TBoardProcess(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"--signal=file", std::string("--file=") + kRampFile};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    TRecorderProcess::TOptions options;
    options.pipeStdout = false;
    process_ = std::make_unique<TRecorderProcess>(
        Program("SIMPLESCOPE_BOARD", "/bin/simplescope-board"), arguments, options);
  }
  ~TBoardProcess() { Unplug(); }
  void Unplug() {
    if (!process_) return;
    process_->Signal(SIGTERM);
    EXPECT_TRUE(process_->Wait());
    EXPECT_EQ(process_->ExitCode(), 0) << process_->Stderr();
    process_.reset();
  }

 private:
  std::unique_ptr<TRecorderProcess> process_;
};

// Within one plug of the board every sample follows the one before it; a plug starts the
// ramp again, at a block's first row, which `restarts` collects (none allowed without it).
void ExpectRampRuns(const TRecordedTable& table, std::vector<size_t>* restarts = nullptr) {
  for (size_t row = 0; row < table.Rows(); ++row) {
    const int raw = std::stoi(table.lines[row + 1][3]);
    const int expected = row == 0 ? 0 : (std::stoi(table.lines[row][3]) + 1) % kRampLength;
    if (raw == expected) continue;
    ASSERT_TRUE(restarts && raw == 0 && row % 32 == 0)
        << "row " << row << ": " << raw << " where " << expected << " belongs";
    restarts->push_back(row);
  }
}

std::unique_ptr<TRecorderProcess> Record(const std::vector<std::string>& arguments,
                                         uid_t runAs = 0) {
  TRecorderProcess::TOptions options;
  options.runAs = runAs;
  return std::make_unique<TRecorderProcess>(kRecorder, arguments, options);
}

class RealKernelRecorder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ofstream ramp(kRampFile);
    for (int i = 0; i < kRampLength; ++i) ramp << i << '\n';
  }
};

}  // namespace

TEST_F(RealKernelRecorder, RowsAreTheBoardsSamplesExactlyInOrder) {
  TBoardProcess board;
  auto recorder = Record({"--blocks", "40", "--interval", "20", "-o", "/tmp/known.csv"});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  const TRecordedTable table = Csv(ReadWholeFile("/tmp/known.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), 40u);
  ExpectRampRuns(table);  // 1280 samples: the ramp wraps once, without a hole
}

TEST_F(RealKernelRecorder, UnplugAndReplugContinueTheBlockNumbersAfterAGap) {
  auto board = std::make_unique<TBoardProcess>();
  auto recorder = Record({"--interval", "20", "-o", "/tmp/replug.csv"});
  ASSERT_TRUE(
      recorder->WaitFor([&] { return Csv(ReadWholeFile("/tmp/replug.csv")).Blocks() >= 10; }));
  board.reset();
  ASSERT_TRUE(recorder->WaitForStderr("waiting for it to come back"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  board = std::make_unique<TBoardProcess>();
  ASSERT_TRUE(recorder->WaitForStderr("the board is back"));
  const size_t atReplug = Csv(ReadWholeFile("/tmp/replug.csv")).Blocks();
  ASSERT_TRUE(recorder->WaitFor(
      [&] { return Csv(ReadWholeFile("/tmp/replug.csv")).Blocks() >= atReplug + 10; }));
  recorder->Signal(SIGINT);
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  const TRecordedTable table = Csv(ReadWholeFile("/tmp/replug.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  std::vector<size_t> restarts;
  ExpectRampRuns(table, &restarts);
  ASSERT_EQ(restarts.size(), 1u) << "the board's second plug starts its ramp once";
  const double before = std::stod(table.lines[restarts[0]][2]);
  const double after = std::stod(table.lines[restarts[0] + 1][2]);
  EXPECT_GE(after - before, 0.3);
  EXPECT_NE(recorder->Stderr().find(", gaps: 1"), std::string::npos) << recorder->Stderr();
}

TEST_F(RealKernelRecorder, StopSignalsMidBlockLeaveWholeBlocksAndExitZero) {
  TBoardProcess board({"--delay=40"});
  std::mt19937 random(5);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    auto recorder = Record({});
    ExpectStopSignalEndsCleanly(*recorder, signal, random);
  }
}

TEST_F(RealKernelRecorder, AFullDiskEndsWithTheReasonAndExitOneAClosedPipeQuietly) {
  TBoardProcess board;
  mkdir("/tmp/disk", 0755);
  ASSERT_EQ(mount("tmpfs", "/tmp/disk", "tmpfs", 0, "size=16k"), 0) << strerror(errno);
  auto full = Record({"--interval", "10", "-o", "/tmp/disk/full.csv"});
  ASSERT_TRUE(full->Wait());
  EXPECT_EQ(full->ExitCode(), 1);
  EXPECT_NE(full->Stderr().find("cannot write to /tmp/disk/full.csv: No space left on device"),
            std::string::npos)
      << full->Stderr();
  const TRecordedTable table = Csv(ReadWholeFile("/tmp/disk/full.csv"));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_GE(table.Blocks(), 5u);
  umount("/tmp/disk");

  auto piped = Record({"--interval", "20"});
  ASSERT_TRUE(piped->WaitFor([&] { return piped->Stdout().find('\n') != std::string::npos; }));
  piped->CloseStdout();
  ASSERT_TRUE(piped->Wait(5000));
  // A reader that has read enough is the normal end of a pipeline.
  EXPECT_EQ(piped->ExitCode(), 0) << piped->Stderr();
  EXPECT_EQ(piped->Stderr().find("cannot write"), std::string::npos) << piped->Stderr();
  EXPECT_NE(piped->Stderr().find("blocks: "), std::string::npos) << piped->Stderr();
}

TEST_F(RealKernelRecorder, ABoardThisUserCantOpenIsListedWithAdvice) {
  TBoardProcess board;
  // The node is root's alone (mode 0600): another user finds the board but can't open it.
  constexpr uid_t kNobody = 65534;
  // The guest's root folder comes from a private temporary folder (mode 0700); another
  // user could not even start a program.
  ASSERT_EQ(chmod("/", 0755), 0) << strerror(errno);
  std::unique_ptr<TRecorderProcess> list;
  for (int attempt = 0; attempt < 50; ++attempt) {
    list = Record({"--list"}, kNobody);
    ASSERT_TRUE(list->Wait());
    if (list->Stdout().find("21CF:0004") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // not plugged in yet
  }
  EXPECT_EQ(list->ExitCode(), 0) << list->Stderr();
  const std::string& listed = list->Stdout();
  EXPECT_NE(listed.find("21CF:0004  simplescope virtual board  no access  <- experiment board"),
            std::string::npos)
      << listed;
  EXPECT_NE(listed.find("was found, but this user may not open it"), std::string::npos) << listed;

  auto recording = Record({"--no-wait"}, kNobody);
  ASSERT_TRUE(recording->Wait());
  EXPECT_EQ(recording->ExitCode(), 1);
  EXPECT_NE(recording->Stderr().find("was found, but this user may not open it"), std::string::npos)
      << recording->Stderr();

  // Root may: the same listing says so.
  auto asRoot = Record({"--list"});
  ASSERT_TRUE(asRoot->Wait());
  EXPECT_NE(asRoot->Stdout().find("read/write  <- experiment board"), std::string::npos)
      << asRoot->Stdout();
}

TEST_F(RealKernelRecorder, BadArgumentsAreUsageErrors) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--interval", "5"}, {"--blocks", "none"}, {"--format", "json"}}) {
    auto recorder = Record(arguments);
    ASSERT_TRUE(recorder->Wait());
    EXPECT_EQ(recorder->ExitCode(), 2) << arguments[0];
    EXPECT_NE(recorder->Stderr().find("Try 'simplescope-record --help'"), std::string::npos);
  }
}

namespace {

// What another process holds now, read from /proc.
struct THeld {
  int files = 0;
  int threads = 0;
  long residentKilobytes = 0;
};

int Entries(const std::string& folder) {
  int count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
  }
  return count;
}

THeld HeldBy(pid_t pid) {
  const std::string base = "/proc/" + std::to_string(pid);
  THeld held{Entries(base + "/fd"), Entries(base + "/task"), 0};
  std::ifstream status(base + "/status");
  std::string key;
  while (status >> key)
    if (key == "VmRSS:" && status >> held.residentKilobytes) break;
  return held;
}

// The recorder's process, found by its name (the only one in the machine).
pid_t RecorderPid() {
  if (DIR* dir = opendir("/proc")) {
    while (dirent* entry = readdir(dir)) {
      std::ifstream comm(std::string("/proc/") + entry->d_name + "/comm");
      std::string name;
      if (std::getline(comm, name) && name == "simplescope-rec") {
        // The entry lives in the directory's buffer: read it before closing.
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        closedir(dir);
        return pid;
      }
    }
    closedir(dir);
  }
  return -1;
}

}  // namespace

TEST_F(RealKernelRecorder, AStormOfPlugsLosesAndDoublesNoRow) {
  TStormBoard board({"--signal=file", std::string("--file=") + kRampFile});
  TUhidMouse mouse;
  board.Plug();
  mouse.Plug();
  const char* file = "/tmp/storm.csv";
  auto blocks = [&] { return Csv(ReadWholeFile(file)).Blocks(); };
  auto recorder = Record({"--interval", "20", "-o", file});
  ASSERT_TRUE(recorder->WaitFor([&] { return blocks() >= 10; }));
  // One unplug and replug first: what the first one sets up for good is there before the
  // counting starts.
  board.Unplug();
  ASSERT_TRUE(recorder->WaitForStderr("waiting for it to come back"));
  board.Plug();
  ASSERT_TRUE(recorder->WaitForStderr("the board is back"));
  const size_t warmedUp = blocks();
  ASSERT_TRUE(recorder->WaitFor([&] { return blocks() >= warmedUp + 5; }));
  const pid_t pid = RecorderPid();
  ASSERT_GT(pid, 0);
  const THeld before = HeldBy(pid);
  {
    THotPlugStorm storm(board, mouse, StormCycles());
    // Its messages are read meanwhile, so a full pipe never stalls it.
    recorder->WaitFor([&] { return storm.Done(); }, 3600 * 1000);
  }
  const size_t afterStorm = blocks();
  ASSERT_TRUE(recorder->WaitFor([&] { return blocks() >= afterStorm + 10; }))
      << recorder->Stderr().substr(recorder->Stderr().size() -
                                   std::min<size_t>(2000, recorder->Stderr().size()));
  const THeld after = HeldBy(pid);
  recorder->Signal(SIGINT);
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0);

  EXPECT_LE(after.files, before.files);
  EXPECT_EQ(after.threads, before.threads);
  if (ProcessCounters::kResidentMemoryTellsLeaks) {
    EXPECT_LE(after.residentKilobytes - before.residentKilobytes, 1024) << "resident memory grew";
  }
  // Block numbers go on from 0 without a hole; within each plug every sample follows the
  // one before it, and a plug starts the ramp again at a block's first row.
  const TRecordedTable table = Csv(ReadWholeFile(file));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  std::vector<size_t> restarts;
  ExpectRampRuns(table, &restarts);
  EXPECT_LE(restarts.size(), static_cast<size_t>(StormCycles()) + 1);
  const std::string& said = recorder->Stderr();
  const size_t gaps = said.rfind(", gaps: ");
  std::printf(
      "storm of %d cycles: %zu blocks, %zu restarts of the ramp, %s gaps; recorder files %d -> "
      "%d, threads %d -> %d, RSS %ld -> %ld KiB\n",
      StormCycles(), table.Blocks(), restarts.size(),
      gaps == std::string::npos ? "?" : std::to_string(std::atoi(said.c_str() + gaps + 8)).c_str(),
      before.files, after.files, before.threads, after.threads, before.residentKilobytes,
      after.residentKilobytes);
}
