#include <windows.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "CommandLineOutput.h"

namespace {

// A console gets the text as UTF-16, which it shows whatever its code page; a file or pipe
// gets UTF-8.
bool WriteTo(HANDLE stream, const QString& text) {
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode))
    return WriteConsoleW(stream, reinterpret_cast<const wchar_t*>(text.utf16()),
                         static_cast<DWORD>(text.size()), &written, nullptr);
  const QByteArray bytes = text.toUtf8();
  return WriteFile(stream, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void ShowCommandLineText(const QString& text, bool isError) {
  // Redirected, or started from a console: the standard handle is there to write to.
  if (WriteTo(GetStdHandle(isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text)) return;
  // A window program started from a console has no console of its own, but can use the one
  // it was started from.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    const bool written = WriteTo(console, QStringLiteral("\n") + text);
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
    FreeConsole();
    if (written) return;
  }
  const QString title = QCoreApplication::instance()
                            ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
                            : QString();
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.trimmed().utf16()),
              reinterpret_cast<const wchar_t*>(title.utf16()),
              MB_OK | (isError ? MB_ICONWARNING : MB_ICONINFORMATION));
}
