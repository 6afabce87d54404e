// simplescope-record.exe under Wine against the emulated board (tools/wine-board-run.sh, the
// board sending a ramp): the rows are the board's samples in order, each row ends in exactly
// one CRLF, an unplug and replug go on with the block numbers, Ctrl+C, Ctrl+Break and the end
// of the session keep every block received, and the console is left in the mode it was
// found in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/EmulatedBoardControl.h"

namespace {

// The ramp the board sends (tests/recorder/windows/CMakeLists.txt): 0, 1, ... 1022, again.
constexpr int kRampLength = 1023;
constexpr int kSamplesPerBlock = 32;

std::string Beside(const std::string& name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The recorder as a child with its standard error in a file, by default in a process group
// of its own so that a console event can be sent to it alone.
class TRecorderProcess {
 public:
  TRecorderProcess(const std::string& arguments, const std::string& errors,
                   DWORD creation = CREATE_NEW_PROCESS_GROUP) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    errorFile_ = CreateFileA(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Start(arguments, errorFile_, creation);
  }
  // With standard error on the caller's own (inheritable) handle: a console, say.
  TRecorderProcess(const std::string& arguments, HANDLE errors) { Start(arguments, errors, 0); }
  ~TRecorderProcess() {
    if (started_) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
    if (errorFile_ != INVALID_HANDLE_VALUE) CloseHandle(errorFile_);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return process_.dwProcessId; }
  // The exit code, or -1 when it has not ended within the time.
  long Wait(DWORD milliseconds) {
    if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  void Start(const std::string& arguments, HANDLE errors, DWORD creation) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = errors;
    std::string command(1, '"');
    command.append(Beside("simplescope-record.exe")).append("\" ").append(arguments);
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, creation, nullptr,
                              nullptr, &startup, &process_);
  }
  HANDLE errorFile_ = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// A console of the test's own, with a window on the display. Under Wine a program started
// without a terminal hangs on a console that shows nothing and takes no console calls (a new
// one can't be had before it is let go of).
bool ConsoleOfOurOwn() {
  if (GetConsoleWindow()) return true;
  FreeConsole();
  return AllocConsole() != FALSE;
}

struct TTable {
  std::vector<std::string> lines;  // without their line ends
  std::vector<long> blocks, raws;
  bool oneCrlfEach = true;
  bool endsAtALine = true;
};

TTable ParseCsv(const std::string& text) {
  TTable table;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      table.endsAtALine = false;
      break;
    }
    std::string line = text.substr(start, end - start);
    if (line.find('\r') != std::string::npos || line.find('\n') != std::string::npos)
      table.oneCrlfEach = false;
    table.lines.push_back(line);
    start = end + 2;
  }
  for (size_t i = 1; i < table.lines.size(); ++i) {
    std::istringstream fields(table.lines[i]);
    std::string block, sample, time, raw;
    std::getline(fields, block, ',');
    std::getline(fields, sample, ',');
    std::getline(fields, time, ',');
    std::getline(fields, raw, ',');
    table.blocks.push_back(std::atol(block.c_str()));
    table.raws.push_back(std::atol(raw.c_str()));
  }
  return table;
}

class RecorderUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (EmulatedBoardControl::Folder().empty())
      GTEST_SKIP() << "no emulated board (SIMPLESCOPE_BOARD_CONTROL)";
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    base = std::string(folder) + "simplescope-record-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(base.c_str(), nullptr);
  }
  std::string base;
};

TEST_F(RecorderUnderWine, RowsAreTheRampInOrderEachEndingInOneCrlf) {
  const std::string file = base + "\\ramp.csv";
  TRecorderProcess recorder("--blocks 40 --interval 20 -o \"" + file + "\"", base + "\\err1.txt");
  ASSERT_TRUE(recorder.Started());
  ASSERT_EQ(recorder.Wait(60000), 0) << ReadWhole(base + "\\err1.txt");
  const TTable table = ParseCsv(ReadWhole(file));
  EXPECT_TRUE(table.endsAtALine);
  EXPECT_TRUE(table.oneCrlfEach);
  ASSERT_EQ(table.lines.size(), 1u + 40 * kSamplesPerBlock);
  EXPECT_EQ(table.lines[0], "block,sample,time_s,raw,volts");
  for (size_t i = 1; i < table.raws.size(); ++i)
    ASSERT_EQ(table.raws[i], (table.raws[i - 1] + 1) % kRampLength) << "row " << i + 1;
  EXPECT_EQ(table.blocks.front(), 0);
  EXPECT_EQ(table.blocks.back(), 39);
}

TEST_F(RecorderUnderWine, UnplugAndReplugGoOnWithTheBlockNumbers) {
  const std::string file = base + "\\replug.csv";
  const std::string errors = base + "\\err2.txt";
  TRecorderProcess recorder("--blocks 60 --interval 50 -o \"" + file + "\"", errors);
  ASSERT_TRUE(recorder.Started());
  for (int i = 0; i < 200 && ParseCsv(ReadWhole(file)).blocks.size() < 10 * kSamplesPerBlock; ++i)
    Sleep(50);
  ASSERT_TRUE(EmulatedBoardControl::Request("unplug"));
  Sleep(3000);
  ASSERT_TRUE(EmulatedBoardControl::Request("plug"));
  ASSERT_EQ(recorder.Wait(90000), 0) << ReadWhole(errors);
  const TTable table = ParseCsv(ReadWhole(file));
  EXPECT_TRUE(table.endsAtALine);
  ASSERT_EQ(table.blocks.size(), 60u * kSamplesPerBlock);
  for (size_t i = kSamplesPerBlock; i < table.blocks.size(); i += kSamplesPerBlock)
    EXPECT_EQ(table.blocks[i], table.blocks[i - 1] + 1) << "row " << i + 2;
  EXPECT_NE(ReadWhole(errors).find("the board was unplugged after block"), std::string::npos)
      << ReadWhole(errors);
}

// Waits for five blocks in the file; then, after `stop` has stopped the recorder, checks
// that it ended well with every block it received whole in the file and counted.
void RecordAndStop(TRecorderProcess& recorder, const std::string& file, const std::string& errors,
                   const std::function<void()>& stop) {
  ASSERT_TRUE(recorder.Started());
  for (int i = 0; i < 200 && ParseCsv(ReadWhole(file)).blocks.size() < 5 * kSamplesPerBlock; ++i)
    Sleep(50);
  ASSERT_NO_FATAL_FAILURE(stop());
  if (::testing::Test::IsSkipped()) return;
  ASSERT_EQ(recorder.Wait(20000), 0) << ReadWhole(errors);
  const TTable table = ParseCsv(ReadWhole(file));
  EXPECT_TRUE(table.endsAtALine);
  ASSERT_EQ(table.blocks.size() % kSamplesPerBlock, 0u);
  const size_t blocks = table.blocks.size() / kSamplesPerBlock;
  EXPECT_GE(blocks, 5u);
  EXPECT_NE(ReadWhole(errors).find("blocks: " + std::to_string(blocks) + ","), std::string::npos)
      << ReadWhole(errors);
}

TEST_F(RecorderUnderWine, CtrlBreakKeepsEveryBlockAndSaysHowMany) {
  // A console event goes to the processes of a console: give the recorder one to share.
  ConsoleOfOurOwn();
  const std::string file = base + "\\stopped.csv";
  const std::string errors = base + "\\err3.txt";
  TRecorderProcess recorder("--interval 20 -o \"" + file + "\"", errors);
  RecordAndStop(recorder, file, errors, [&] {
    // Wine 8 run without a terminal has no console that passes the event on; a Windows PC
    // has.
    if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, recorder.Id()))
      GTEST_SKIP() << "no console to send Ctrl+Break through (error " << GetLastError() << ")";
  });
}

// Wine turns the SIGINT a terminal's Ctrl+C sends into the console's CTRL_C_EVENT, for the
// handlers the program registered, on a thread of its own, as Windows does. The signal is
// sent as a terminal would, by a Linux program Wine starts from here (its Z: drive); on
// Windows there is none, and the Ctrl+Break case above stands for it.
TEST_F(RecorderUnderWine, CtrlCKeepsEveryBlockAndSaysHowMany) {
  const std::string name = "ctrl-c-" + std::to_string(GetCurrentProcessId()) + ".csv";
  const std::string file = base + "\\" + name;
  const std::string errors = base + "\\err4.txt";
  TRecorderProcess recorder("--interval 20 -o \"" + file + "\"", errors, 0);
  RecordAndStop(recorder, file, errors, [&] {
    std::string command = "Z:\\bin\\sh -c \"pkill -INT -f " + name + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION sender{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &sender))
      GTEST_SKIP() << "not under Wine: no Linux shell to send SIGINT from";
    WaitForSingleObject(sender.hProcess, 10000);
    CloseHandle(sender.hThread);
    CloseHandle(sender.hProcess);
  });
}

// Log-off and shut-down reach a program that loads user32 only through its top-level
// windows (WM_QUERYENDSESSION, then WM_ENDSESSION), never through the console's handler;
// Wine's `wineboot --end-session` sends both to every top-level window, as Windows does at
// the end of a session, and ends the processes once their windows have answered. Run as a
// test of its own (tests/recorder/windows/CMakeLists.txt): it ends the session of its
// Wine prefix.
TEST_F(RecorderUnderWine, TheSessionsEndKeepsEveryBlockAndSaysHowMany) {
  const std::string file = base + "\\session.csv";
  const std::string errors = base + "\\err5.txt";
  TRecorderProcess recorder("--interval 20 -o \"" + file + "\"", errors);
  RecordAndStop(recorder, file, errors, [&] {
    std::string command = "wineboot.exe --end-session";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION ender{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &ender))
      GTEST_SKIP() << "not under Wine: no wineboot to end the session with";
    WaitForSingleObject(ender.hProcess, 30000);
    CloseHandle(ender.hThread);
    CloseHandle(ender.hProcess);
  });
}

// The recorder on a console: the progress line is cleared and overwritten without leaving
// anything of an escape sequence in what the console shows (Wine's console takes the
// virtual-terminal mode but doesn't process the sequences, so there the recorder clears with
// blanks, as on a console that refuses the mode), and the console is left in the mode it was
// found in.
TEST_F(RecorderUnderWine, TheConsoleIsLeftInTheModeItWasFoundIn) {
  if (!ConsoleOfOurOwn()) GTEST_SKIP() << "no console (error " << GetLastError() << ")";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  &inherit, OPEN_EXISTING, 0, nullptr);
  DWORD before = 0;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &before))
    GTEST_SKIP() << "no console (error " << GetLastError() << ")";
  before &= ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  ASSERT_TRUE(SetConsoleMode(console, before));
  CONSOLE_SCREEN_BUFFER_INFO screen{};
  GetConsoleScreenBufferInfo(console, &screen);
  const std::string file = base + "\\console.csv";
  {
    // Long enough for a few progress lines (one every quarter of a second).
    TRecorderProcess recorder("--seconds 2 --interval 20 -o \"" + file + "\"", console);
    ASSERT_TRUE(recorder.Started());
    ASSERT_EQ(recorder.Wait(60000), 0);
  }
  DWORD after = 0;
  ASSERT_TRUE(GetConsoleMode(console, &after));
  EXPECT_EQ(after, before);
  // What the console shows from where the cursor stood before the recording.
  const DWORD cells = screen.dwSize.X * (screen.dwSize.Y - screen.dwCursorPosition.Y);
  std::wstring shown(cells, L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(console, shown.data(), cells, {0, screen.dwCursorPosition.Y}, &read);
  shown.resize(read);
  CloseHandle(console);
  EXPECT_NE(shown.find(L"simplescope-record: blocks: "), std::wstring::npos);
  EXPECT_EQ(shown.find(L'\x1b'), std::wstring::npos);
  EXPECT_EQ(shown.find(L"[K"), std::wstring::npos);
}

}  // namespace
