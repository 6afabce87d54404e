// The window on Windows' own window system (under Wine, on Xvfb): its client area, a real
// click on the start picture with no board connected, a picture of it for the docs, --version
// where it has nowhere to write, and the captions of the program's windows as the system has
// them.
#include <gtest/gtest.h>
#include <windows.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFrame>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

#include "WindowPicture.h"
#include "app/Form1Window.h"
#include "framework/FontSubstitution.h"
#include "framework/MessageWait.h"

namespace {

HWND WindowHandle(const QWidget& window) {
  return reinterpret_cast<HWND>(window.winId());
}

// Shown, and drawn once: a top-level window maps in a second or so under Wine.
void ShowAndWait(QWidget& window) {
  window.show();
  QElapsedTimer waited;
  waited.start();
  while (!window.isActiveWindow() && waited.elapsed() < 5000) WaitMs(20);
  WaitMs(200);
}

}  // namespace

TEST(WineWindow, ClientAreaIsTheWindowsSize) {
  TForm1Window window;
  ShowAndWait(window);
  RECT client{};
  ASSERT_TRUE(GetClientRect(WindowHandle(window), &client));
  EXPECT_EQ(client.right - client.left, 744);
  EXPECT_EQ(client.bottom - client.top, 662);
  // The frame around it is Windows' own: the window is a top-level window with a caption.
  const LONG style = GetWindowLongW(WindowHandle(window), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  SaveWindowPictureIfAsked(window);
}

// A click as Windows delivers it, in client coordinates, on the start picture (at 400,488,
// 113 x 114): with no board the program says so in a warning box, which OK closes.
TEST(WineWindow, ClickOnStartWithoutABoardShowsTheC1Box) {
  TForm1Window window;
  ShowAndWait(window);
  QString boxText;
  QTimer lookForTheBox;
  QObject::connect(&lookForTheBox, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxText = box->text();
    box->buttons().first()->click();  // the box's one button, "OK"
  });
  lookForTheBox.start(50);
  const LPARAM at = MAKELPARAM(400 + 56, 488 + 57);
  PostMessageW(WindowHandle(window), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(WindowHandle(window), WM_LBUTTONUP, 0, at);
  QElapsedTimer waited;
  waited.start();
  while (boxText.isEmpty() && waited.elapsed() < 10000) WaitMs(20);
  EXPECT_EQ(boxText, QStringLiteral("(C1)実験ボードと接続が確認出来ません。"));
  EXPECT_TRUE(window.Panel1()->isVisible());  // nothing started
}

// Japanese Windows has the faces the window asks for; Wine and Windows in other languages
// don't (by those names), and the face used instead is a Japanese one the system has (under
// Wine, the host's IPA fonts), never a Latin face that shows boxes.
TEST(WineWindow, TheWindowsFacesAreJapaneseFacesTheSystemHas) {
  for (const QString& requested :
       {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ Ｐ明朝")}) {
    const QString family = InstalledFamily(requested);
    EXPECT_TRUE(QFontDatabase::families().contains(family)) << family.toStdString();
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
        << family.toStdString();
  }
}

namespace {

struct BoxSearch {
  DWORD process = 0;
  HWND box = nullptr;
};

// The program's top-level dialog box (class "#32770"), once it is shown.
BOOL CALLBACK FindBoxOfProcess(HWND window, LPARAM search) {
  auto* wanted = reinterpret_cast<BoxSearch*>(search);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process != wanted->process || !IsWindowVisible(window) ||
      std::wstring(className) != L"#32770")
    return TRUE;
  wanted->box = window;
  return FALSE;
}

BOOL CALLBACK CollectStaticTexts(HWND child, LPARAM texts) {
  wchar_t className[16] = {};
  GetClassNameW(child, className, 16);
  if (std::wstring(className) == L"Static") {
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    *reinterpret_cast<std::wstring*>(texts) += text;
  }
  return TRUE;
}

// simplescope.exe beside this test, started with the arguments given (after a blank) and,
// with noStandardHandles, detached and with no standard handles, as the Start menu starts it.
bool StartProgram(const std::wstring& arguments, bool noStandardHandles,
                  PROCESS_INFORMATION& started) {
  wchar_t testProgram[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, testProgram, MAX_PATH);
  std::wstring program(testProgram);
  program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"simplescope.exe";
  std::wstring commandLine = L"\"" + program + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (noStandardHandles) startup.dwFlags = STARTF_USESTDHANDLES;  // all three left null
  return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        noStandardHandles ? DETACHED_PROCESS : 0, nullptr, nullptr, &startup,
                        &started) != FALSE;
}

// Waits up to 20 s for the program to end (then ends it), and answers whether it ended of
// itself, with its exit code.
bool EndsOfItself(PROCESS_INFORMATION& started, DWORD& exitCode) {
  const bool ended = WaitForSingleObject(started.hProcess, 20000) == WAIT_OBJECT_0;
  exitCode = 1;
  GetExitCodeProcess(started.hProcess, &exitCode);
  if (!ended) TerminateProcess(started.hProcess, 1);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return ended;
}

}  // namespace

// A window program started from the Start menu has no console and no standard output:
// --version then comes in a box, whose OK ends the program with success.
TEST(WineProgram, VersionWithNowhereToWriteComesInABox) {
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(StartProgram(L" --version", true, started)) << GetLastError();
  BoxSearch search{started.dwProcessId};
  QElapsedTimer waited;
  waited.start();
  while (!search.box && waited.elapsed() < 20000) {
    EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&search));
    if (!search.box) Sleep(50);
  }
  std::wstring text;
  if (search.box) {
    EnumChildWindows(search.box, CollectStaticTexts, reinterpret_cast<LPARAM>(&text));
    PostMessageW(search.box, WM_COMMAND, IDOK, 0);
  }
  DWORD exitCode = 1;
  const bool ended = EndsOfItself(started, exitCode);
  ASSERT_NE(search.box, nullptr) << "no box within 20 s";
  EXPECT_EQ(QString::fromStdWString(text).left(12), QStringLiteral("simplescope "));
  EXPECT_TRUE(ended);
  EXPECT_EQ(exitCode, 0u);
}

namespace {

struct WindowSearch {
  DWORD process = 0;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisibleWindowsOfProcess(HWND window, LPARAM search) {
  auto* wanted = reinterpret_cast<WindowSearch*>(search);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == wanted->process && IsWindowVisible(window)) wanted->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD process) {
  WindowSearch search{process, {}};
  EnumWindows(CollectVisibleWindowsOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

std::wstring CaptionOf(HWND window) {
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  return caption;
}

}  // namespace

// The program itself, as a pupil starts it: the window's caption, and that of the warning
// box a click on the start picture brings up without a board, are the texts they are given.
// Qt's windows platform would append an application display name to every caption
// ("警告 - 簡易オシロソフト"), which the program therefore doesn't set.
TEST(WineProgram, EveryWindowsCaptionIsExactlyItsOwn) {
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(StartProgram(L"", false, started)) << GetLastError();
  auto waitForWindows = [&](size_t count) {
    std::vector<HWND> windows;
    QElapsedTimer waited;
    waited.start();
    while ((windows = VisibleWindowsOf(started.dwProcessId)).size() != count &&
           waited.elapsed() < 20000)
      Sleep(50);
    return windows;
  };
  const std::vector<HWND> first = waitForWindows(1);
  ASSERT_EQ(first.size(), 1u);
  const HWND window = first[0];
  EXPECT_EQ(CaptionOf(window), L"簡易オシロソフト");
  // The start picture lies at (400, 488) in the client area and is 113 x 114.
  const LPARAM at = MAKELPARAM(400 + 56, 488 + 57);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  const std::vector<HWND> both = waitForWindows(2);
  HWND box = nullptr;
  for (HWND shown : both)
    if (shown != window) box = shown;
  ASSERT_NE(box, nullptr) << "no warning box within 20 s";
  EXPECT_EQ(CaptionOf(box), L"警告");
  PostMessageW(box, WM_CLOSE, 0, 0);  // the box's one button, as Esc
  EXPECT_EQ(waitForWindows(1).size(), 1u);
  PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  const bool ended = EndsOfItself(started, exitCode);
  EXPECT_TRUE(ended);
  EXPECT_EQ(exitCode, 0u);
}
