// How the recorder's text reaches a Windows console: as UTF-16 whatever the console's code
// page, and with the console put into virtual-terminal mode only for the write of a text with
// a sequence in it, so the console is left in the mode it was found in. Under Wine on the
// virtual display, in a console of the test's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "recorder/Console.h"

namespace {

class Console : public ::testing::Test {
 protected:
  void SetUp() override {
    // A program started without a terminal under Wine hangs on a console that takes no
    // console calls: let go of it for one of our own.
    if (!GetConsoleWindow()) {
      FreeConsole();
      if (!AllocConsole()) GTEST_SKIP() << "no console (error " << GetLastError() << ")";
    }
    // Read access too: the console's mode is read through the handle.
    console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(console, INVALID_HANDLE_VALUE);
    stream = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(console), 0), "w");
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(GetConsoleMode(console, &found));
    found &= ~static_cast<DWORD>(ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    ASSERT_TRUE(SetConsoleMode(console, found));
  }
  void TearDown() override {
    if (stream) std::fclose(stream);
  }
  // What the console shows on the cursor's line, from its start.
  std::wstring CursorLine() {
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    GetConsoleScreenBufferInfo(console, &screen);
    std::wstring shown(screen.dwSize.X, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, shown.data(), screen.dwSize.X,
                                {0, screen.dwCursorPosition.Y}, &read);
    shown.resize(read);
    return shown;
  }

  FILE* stream = nullptr;
  HANDLE console = INVALID_HANDLE_VALUE;
  DWORD found = 0;
};

}  // namespace

TEST_F(Console, AWriteWithASequenceLeavesTheConsolesModeAsItWas) {
  EXPECT_TRUE(IsTerminal(stream));
  PutText(stream, QStringLiteral("\r\033[K12.0 s  120 blocks"));
  DWORD now = 0;
  ASSERT_TRUE(GetConsoleMode(console, &now));
  EXPECT_EQ(now, found);
  // Japanese reaches the console as the characters they are, whatever its code page.
  PutText(stream, QStringLiteral("\r計測中"));
  EXPECT_NE(CursorLine().find(L"計測中"), std::wstring::npos);
}
