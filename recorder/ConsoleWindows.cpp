#include <io.h>
#include <windows.h>

#include "Console.h"

namespace {

HANDLE HandleOf(FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

bool IsTerminal(FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != FALSE;
}

void PutText(FILE* stream, const QString& text) {
  HANDLE console = HandleOf(stream);
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stream);
    std::fflush(stream);
    return;
  }
  // The progress line goes back and clears with terminal sequences, which a console takes
  // once asked to.
  if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING))
    SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  std::fflush(stream);
  const std::wstring wide = text.toStdWString();
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
