// simplescope-record as a process of its own against the virtual board on an emulated
// sysfs and /dev (umockdev): runs under umockdev-wrapper, and the recorder it starts
// inherits the emulated machine.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <random>
#include <thread>

#include "../hid/BoardDescriptor.h"
#include "../hid/MouseDescriptor.h"
#include "EmulatedBoard.h"
#include "RecorderProcess.h"
#include "TableChecks.h"

namespace {

// The build's own program, unless SIMPLESCOPE_RECORD names another (a sanitizer build's).
const std::string kRecorder =
    std::getenv("SIMPLESCOPE_RECORD") ? std::getenv("SIMPLESCOPE_RECORD") : SIMPLESCOPE_RECORD;

// Messages are checked in English; the language test sets its own.
const std::vector<std::string> kEnglish = {"LANG=C.UTF-8", "LC_ALL=", "LANGUAGE="};

TBoardOptions KnownSignal() {
  TBoardOptions options;
  options.signal.kind = TSignalKind::File;
  // The ends and the middle of the range, a count beyond it, and a ramp: no two blocks of
  // the first few are alike.
  options.signal.rawValues = {0, 1, 256, 384, 511, 512, 640, 1023, 65535};
  for (uint16_t raw = 0; raw < 1024; raw += 7) options.signal.rawValues.push_back(raw);
  return options;
}

std::vector<uint16_t> DecodeAnswer(const std::vector<uint8_t>& answer) {
  std::vector<uint16_t> raws;
  for (size_t k = 0; k + 1 < answer.size(); k += 2)
    raws.push_back(static_cast<uint16_t>(answer[k] | answer[k + 1] << 8));
  return raws;
}

class RecorderOnEmulatedBoard : public ::testing::Test {
 protected:
  void SetUp() override {
    bed = std::make_unique<THidTestbed>();
    char pattern[] = "/tmp/simplescope-record-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    board.reset();
    bed.reset();
    std::system(("rm -rf " + folder).c_str());
  }

  void PlugBoard(const TBoardOptions& options = KnownSignal()) {
    board = std::make_unique<TEmulatedBoard>(*bed, options);
    board->Plug(/*announce=*/false);
  }

  std::unique_ptr<TRecorderProcess> Record(const std::vector<std::string>& arguments,
                                           std::vector<std::string> environment = kEnglish) {
    TRecorderProcess::TOptions options;
    options.environment = std::move(environment);
    return std::make_unique<TRecorderProcess>(kRecorder, arguments, options);
  }

  std::unique_ptr<THidTestbed> bed;
  std::unique_ptr<TEmulatedBoard> board;
  std::string folder;
};

}  // namespace

// ---- What the table holds ----

TEST_F(RecorderOnEmulatedBoard, RowsAreTheBoardsSamplesExactlyInOrder) {
  PlugBoard();
  const std::string file = folder + "/known.csv";
  auto recorder = Record({"--blocks", "6", "--interval", "20", "-o", file});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  EXPECT_TRUE(recorder->Stdout().empty());

  const TRecordedTable table = Csv(ReadWholeFile(file));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  ASSERT_EQ(table.Blocks(), 6u);
  // The board's signal, sample for sample, from its first sample on.
  TBoardSignal signal(KnownSignal().signal);
  for (size_t row = 0; row < table.Rows(); ++row)
    ASSERT_EQ(table.lines[row + 1][3], std::to_string(signal.NextSample())) << "row " << row;
  // And the answers as they went over the wire.
  const auto sent = board->Sent();
  ASSERT_GE(sent.size(), 6u);
  for (size_t b = 0; b < 6; ++b) EXPECT_EQ(table.BlockRaws(b), DecodeAnswer(sent[b]));
  // The conversion at the edges, exactly as written.
  EXPECT_EQ(table.lines[1][4], "-5.0000");
  EXPECT_EQ(table.lines[2][4], "-4.9902");
  EXPECT_EQ(table.lines[5][4], "-0.0098");
  EXPECT_EQ(table.lines[6][4], "0.0000");
  EXPECT_EQ(table.lines[8][4], "4.9902");
  EXPECT_EQ(table.lines[9][4], "634.9902");
  EXPECT_NE(recorder->Stderr().find("blocks: 6, samples: 192,"), std::string::npos)
      << recorder->Stderr();
}

TEST_F(RecorderOnEmulatedBoard, TsvGoesToStandardOutputWithAPointInAnyLocale) {
  PlugBoard();
  // A locale with a decimal comma, where one is installed; the table must not care.
  auto recorder = Record({"--format", "tsv", "--blocks", "2"},
                         {"LANG=de_DE.UTF-8", "LC_ALL=de_DE.UTF-8", "LANGUAGE="});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  ASSERT_EQ(recorder->Stdout().find('\r'), std::string::npos);
  const TRecordedTable table = TRecordedTable::Parse(recorder->Stdout(), '\t', "\n");
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), 2u);
  EXPECT_EQ(table.lines[2][4], "-4.9902");
}

TEST_F(RecorderOnEmulatedBoard, SecondsBoundTheRecordingAtTheIntervalsRate) {
  PlugBoard();
  auto recorder = Record({"--seconds", "1", "--interval", "50"});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  const TRecordedTable table = Csv(recorder->Stdout());
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  // Twenty commands in the second; a loaded machine (or a sanitizer build) loses a few.
  EXPECT_GE(table.Blocks(), 10u);
  EXPECT_LE(table.Blocks(), 21u);
  EXPECT_LT(std::stod(table.lines.back()[2]), 1.0);
}

// ---- The board comes and goes ----

TEST_F(RecorderOnEmulatedBoard, WaitsForTheBoardSayingSoOnce) {
  auto recorder = Record({"--blocks", "3"});
  ASSERT_TRUE(recorder->WaitForStderr("waiting for the experiment board"));
  // Another device coming and going is no reason to say it again.
  bed->Add(0x046D, 0xC077, kMouseDescriptor, true, /*announce=*/true);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  board = std::make_unique<TEmulatedBoard>(*bed, KnownSignal());
  board->Plug(/*announce=*/true);
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  const std::string& said = recorder->Stderr();
  EXPECT_EQ(said.find("waiting"), said.rfind("waiting")) << said;
  const TRecordedTable table = Csv(recorder->Stdout());
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), 3u);
}

TEST_F(RecorderOnEmulatedBoard, NoBoardWithNoWaitIsAnErrorThatSaysSo) {
  auto recorder = Record({"--no-wait"});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 1);
  EXPECT_NE(recorder->Stderr().find("no experiment board"), std::string::npos)
      << recorder->Stderr();
}

TEST_F(RecorderOnEmulatedBoard, MessagesAreJapaneseInAJapaneseLocale) {
  auto recorder = Record({"--no-wait"}, {"LANG=ja_JP.UTF-8", "LC_ALL=", "LANGUAGE="});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 1);
  EXPECT_NE(recorder->Stderr().find("実験ボード(ベンダー 0x21CF、製品 0x0004)が接続されていません"),
            std::string::npos)
      << recorder->Stderr();
  auto usage = Record({"--interval", "9"}, {"LANG=ja_JP.UTF-8", "LC_ALL=", "LANGUAGE="});
  ASSERT_TRUE(usage->Wait());
  EXPECT_EQ(usage->ExitCode(), 2);
  EXPECT_NE(usage->Stderr().find("整数のミリ秒ではありません"), std::string::npos)
      << usage->Stderr();
}

TEST_F(RecorderOnEmulatedBoard, UnplugAndReplugContinueTheBlockNumbersAfterAGap) {
  PlugBoard();
  const std::string file = folder + "/replug.csv";
  auto recorder = Record({"--interval", "20", "-o", file});
  ASSERT_TRUE(recorder->WaitFor([&] { return ReadWholeFile(file).size() > 8 * 1200; }));
  board->Unplug();
  ASSERT_TRUE(recorder->WaitForStderr("waiting for it to come back"));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const size_t beforeReplug = Csv(ReadWholeFile(file)).Blocks();
  board->Plug(/*announce=*/true);
  ASSERT_TRUE(recorder->WaitForStderr("the board is back"));
  ASSERT_TRUE(
      recorder->WaitFor([&] { return Csv(ReadWholeFile(file)).Blocks() > beforeReplug + 5; }));
  recorder->Signal(SIGINT);
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();

  const TRecordedTable table = Csv(ReadWholeFile(file));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));  // numbers run on without a break
  // The time column shows the gap: the board was away for at least 0.4 s.
  const double before = std::stod(table.lines[beforeReplug * 32][2]);
  const double after = std::stod(table.lines[beforeReplug * 32 + 1][2]);
  EXPECT_GE(after - before, 0.4);
  // Every block is one the board sent, in the order it sent them; at most the answer in
  // flight when the board went is missing.
  const auto sent = board->Sent();
  size_t next = 0;
  for (size_t b = 0; b < table.Blocks(); ++b) {
    while (next < sent.size() && DecodeAnswer(sent[next]) != table.BlockRaws(b)) ++next;
    ASSERT_LT(next, sent.size()) << "block " << b << " is none the board sent after the last";
    ++next;
  }
  EXPECT_GE(table.Blocks() + 2, next);
  EXPECT_NE(recorder->Stderr().find(", gaps: 1"), std::string::npos) << recorder->Stderr();
}

TEST_F(RecorderOnEmulatedBoard, ExitOnUnplugEndsWithTheBlocksSoFar) {
  PlugBoard();
  auto recorder = Record({"--exit-on-unplug", "--interval", "20"});
  ASSERT_TRUE(recorder->WaitFor([&] { return Csv(recorder->Stdout()).Blocks() >= 3; }));
  board->Unplug();
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 1);
  EXPECT_NE(recorder->Stderr().find("recording ends"), std::string::npos) << recorder->Stderr();
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(Csv(recorder->Stdout())));
}

// ---- Ending ----

TEST_F(RecorderOnEmulatedBoard, StopSignalsMidBlockLeaveWholeBlocksAndExitZero) {
  // Answers 40 ms late: about half the time a command waits for its answer when the
  // signal comes.
  TBoardOptions late = KnownSignal();
  late.answerDelayMs = 40;
  PlugBoard(late);
  std::mt19937 random(11);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGINT}) {
    auto recorder = Record({"--interval", "100"});
    ExpectStopSignalEndsCleanly(*recorder, signal, random);
  }
}

TEST_F(RecorderOnEmulatedBoard, AReaderThatStopsEarlyEndsTheRecordingQuietly) {
  PlugBoard();
  auto recorder = Record({"--interval", "20"});
  // What `| head -3` does: read the first lines, then go away.
  ASSERT_TRUE(recorder->WaitFor([&] { return Csv(recorder->Stdout()).lines.size() >= 3; }));
  recorder->CloseStdout();
  ASSERT_TRUE(recorder->Wait(5000));
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  // The summary as after any recording, and nothing else: no error to report.
  const std::string& said = recorder->Stderr();
  EXPECT_EQ(said.find("cannot write"), std::string::npos) << said;
  EXPECT_EQ(said.find("Broken pipe"), std::string::npos) << said;
  EXPECT_NE(said.find("blocks: "), std::string::npos) << said;
}

TEST_F(RecorderOnEmulatedBoard, AnOutputThatTakesNothingIsAnErrorThatSaysSo) {
  PlugBoard();
  // A full device as the file, and as standard output.
  auto toFile = Record({"--interval", "20", "-o", "/dev/full"});
  ASSERT_TRUE(toFile->Wait());
  EXPECT_EQ(toFile->ExitCode(), 1);
  EXPECT_NE(toFile->Stderr().find("cannot write to /dev/full: No space left on device"),
            std::string::npos)
      << toFile->Stderr();
  TRecorderProcess::TOptions full;
  full.environment = kEnglish;
  full.pipeStdout = false;
  full.stdoutFile = "/dev/full";
  TRecorderProcess toStdout(kRecorder, {"--interval", "20"}, full);
  ASSERT_TRUE(toStdout.Wait());
  EXPECT_EQ(toStdout.ExitCode(), 1);
  EXPECT_NE(toStdout.Stderr().find("cannot write to standard output: No space left on device"),
            std::string::npos)
      << toStdout.Stderr();
  // A file this user may not write is refused at the start, and left as it was (root may
  // write anything: the test then records as another user).
  const std::string locked = folder + "/locked.csv";
  ASSERT_EQ(close(open(locked.c_str(), O_CREAT | O_WRONLY, 0444)), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  TRecorderProcess::TOptions other;
  other.environment = kEnglish;
  if (geteuid() == 0) other.runAs = 65534;
  TRecorderProcess refused(kRecorder, {"--blocks", "1", "-o", locked}, other);
  ASSERT_TRUE(refused.Wait());
  EXPECT_EQ(refused.ExitCode(), 1);
  EXPECT_NE(refused.Stderr().find("cannot open " + locked + ": Permission denied"),
            std::string::npos)
      << refused.Stderr();
  struct stat info;
  ASSERT_EQ(stat(locked.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 0);
}

TEST_F(RecorderOnEmulatedBoard, TheFileIsMadeWithTheFirstBlockAndNotBefore) {
  const std::string kept = folder + "/kept.csv";
  const std::string never = folder + "/never.csv";
  const std::string before = "an earlier recording\r\n";
  {
    const int fd = open(kept.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(write(fd, before.data(), before.size()), ssize_t(before.size()));
    close(fd);
  }
  // No board, and no waiting for one: the file stays as it was, none is made.
  for (const std::string& file : {kept, never}) {
    auto recorder = Record({"--no-wait", "-o", file});
    ASSERT_TRUE(recorder->Wait());
    EXPECT_EQ(recorder->ExitCode(), 1) << recorder->Stderr();
  }
  EXPECT_EQ(ReadWholeFile(kept), before);
  EXPECT_NE(access(never.c_str(), F_OK), 0) << "a recording without blocks made a file";
  // Nor on standard output: not even the header.
  auto toStdout = Record({"--no-wait"});
  ASSERT_TRUE(toStdout->Wait());
  EXPECT_EQ(toStdout->Stdout(), "");

  // Stopped while waiting for the board: the same.
  auto waiting = Record({"-o", kept});
  ASSERT_TRUE(waiting->WaitForStderr("waiting for the experiment board"));
  waiting->Signal(SIGINT);
  ASSERT_TRUE(waiting->Wait());
  EXPECT_EQ(waiting->ExitCode(), 0) << waiting->Stderr();
  EXPECT_NE(waiting->Stderr().find("blocks: 0,"), std::string::npos) << waiting->Stderr();
  EXPECT_EQ(ReadWholeFile(kept), before);

  // With the board the file is emptied and holds this recording alone.
  PlugBoard();
  auto recording = Record({"--blocks", "2", "--interval", "20", "-o", kept});
  ASSERT_TRUE(recording->Wait());
  EXPECT_EQ(recording->ExitCode(), 0) << recording->Stderr();
  const TRecordedTable table = Csv(ReadWholeFile(kept));
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_EQ(table.Blocks(), 2u);
}

TEST_F(RecorderOnEmulatedBoard, AFullDiskEndsWithTheReasonAndTheFileAtABlockBoundary) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  const std::string disk = folder + "/disk";
  mkdir(disk.c_str(), 0755);
  // Four pages: room for the header and a dozen blocks.
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
  PlugBoard();
  const std::string file = disk + "/full.csv";
  auto recorder = Record({"--interval", "10", "-o", file});
  const bool ended = recorder->Wait();
  const std::string text = ReadWholeFile(file);
  umount(disk.c_str());
  ASSERT_TRUE(ended);
  EXPECT_EQ(recorder->ExitCode(), 1);
  EXPECT_NE(recorder->Stderr().find("cannot write to " + file + ": No space left on device"),
            std::string::npos)
      << recorder->Stderr();
  const TRecordedTable table = Csv(text);
  ASSERT_NO_FATAL_FAILURE(ExpectWellFormedTable(table));
  EXPECT_GE(table.Blocks(), 5u);
  EXPECT_NE(recorder->Stderr().find("blocks: " + std::to_string(table.Blocks()) + ","),
            std::string::npos)
      << recorder->Stderr();
}

// ---- The command line ----

TEST_F(RecorderOnEmulatedBoard, BadArgumentsAreUsageErrorsThatTouchNothing) {
  PlugBoard();
  const std::string file = folder + "/never.csv";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--interval", "9"}, "--interval: \"9\" is not a whole number of milliseconds"},
      {{"--interval", "fast"}, "--interval: \"fast\""},
      {{"--interval", "3600001"}, "--interval: \"3600001\""},
      {{"--blocks", "0"}, "--blocks: \"0\" is not a whole number"},
      {{"--blocks", "-3"}, "--blocks: \"-3\""},
      {{"--blocks", "2.5"}, "--blocks: \"2.5\""},
      {{"--seconds", "0"}, "--seconds: \"0\" is not a positive number"},
      {{"--seconds", "nan"}, "--seconds: \"nan\""},
      {{"--seconds", "1,5"}, "--seconds: \"1,5\""},
      {{"--format", "xlsx"}, "--format: \"xlsx\" is neither csv nor tsv"},
      {{"--colour"}, "Unknown option 'colour'"},
      {{"--blocks"}, "Missing value after '--blocks'"},
      {{"now"}, "unexpected argument \"now\""},
      {{"--list", "--blocks", "3"}, "--list takes no other options"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<std::string> withFile = arguments;
    withFile.insert(withFile.begin(), {"-o", file});
    auto recorder = Record(withFile);
    ASSERT_TRUE(recorder->Wait());
    EXPECT_EQ(recorder->ExitCode(), 2) << arguments[0];
    EXPECT_NE(recorder->Stderr().find("simplescope-record: " + message), std::string::npos)
        << recorder->Stderr();
    EXPECT_NE(recorder->Stderr().find("Try 'simplescope-record --help'"), std::string::npos);
    EXPECT_TRUE(recorder->Stdout().empty());
    EXPECT_NE(access(file.c_str(), F_OK), 0) << "a usage error made the file";
  }
  auto help = Record({"--help"});
  ASSERT_TRUE(help->Wait());
  EXPECT_EQ(help->ExitCode(), 0);
  EXPECT_NE(help->Stdout().find("--exit-on-unplug"), std::string::npos);
  // A file that can't be made is a runtime error, not a usage error.
  auto unwritable = Record({"-o", folder + "/no/such/folder.csv", "--blocks", "1"});
  ASSERT_TRUE(unwritable->Wait());
  EXPECT_EQ(unwritable->ExitCode(), 1);
  EXPECT_NE(unwritable->Stderr().find("no/such/folder.csv: No such file or directory"),
            std::string::npos)
      << unwritable->Stderr();
}

TEST_F(RecorderOnEmulatedBoard, ListMarksTheBoardAndAdvisesWhenItCantBeOpened) {
  bed->Add(0x046D, 0xC077, kMouseDescriptor);
  bed->Add(0x21CF, 0x0004, kBoardDescriptor, /*accessible=*/false);
  auto recorder = Record({"--list"});
  ASSERT_TRUE(recorder->Wait());
  EXPECT_EQ(recorder->ExitCode(), 0) << recorder->Stderr();
  const std::string& listed = recorder->Stdout();
  EXPECT_NE(listed.find("/dev/hidraw0  046D:C077  test  read/write\n"), std::string::npos)
      << listed;
  EXPECT_NE(listed.find("/dev/hidraw1  21CF:0004  test  no access   <- experiment board\n"),
            std::string::npos)
      << listed;
  EXPECT_NE(listed.find("The experiment board at /dev/hidraw1 was found, but this user may not "
                        "open it. Check the access rights"),
            std::string::npos)
      << listed;

  // Recording from it gives the same advice, and with --no-wait ends there.
  auto recording = Record({"--no-wait"});
  ASSERT_TRUE(recording->Wait());
  EXPECT_EQ(recording->ExitCode(), 1);
  EXPECT_NE(recording->Stderr().find("The experiment board at /dev/hidraw1 was found"),
            std::string::npos)
      << recording->Stderr();
}
