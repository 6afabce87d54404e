#include <io.h>
#include <windows.h>

#include <optional>

#include "Console.h"

namespace {

HANDLE HandleOf(FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// Puts the console into virtual-terminal mode for as long as it lives, and gives it back its
// own mode after. Where the console refuses that mode (before Windows 10, or with the legacy
// console), Taken() is false and nothing changes.
class TTerminalMode {
 public:
  explicit TTerminalMode(HANDLE console) : console_(console) {
    if (!GetConsoleMode(console_, &mode_)) return;
    if (mode_ & ENABLE_VIRTUAL_TERMINAL_PROCESSING) {
      taken_ = true;
      return;
    }
    taken_ = changed_ = SetConsoleMode(console_, mode_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  }
  ~TTerminalMode() {
    if (changed_) SetConsoleMode(console_, mode_);
  }
  TTerminalMode(const TTerminalMode&) = delete;
  TTerminalMode& operator=(const TTerminalMode&) = delete;
  bool Taken() const { return taken_; }

 private:
  HANDLE console_;
  DWORD mode_ = 0;
  bool taken_ = false;
  bool changed_ = false;
};

// Wine's console (8.0) takes the virtual-terminal mode but shows the sequences as text
// ("[K" after every progress line): there the line is cleared with blanks, as on a console
// that refuses the mode.
bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

bool IsTerminal(FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(HandleOf(stream), &mode) != FALSE;
}

bool TakesLineSequences(FILE* stream) {
  return !UnderWine() && TTerminalMode(HandleOf(stream)).Taken();
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
  std::fflush(stream);
  const std::wstring wide = text.toStdWString();
  // The mode is the whole console's, shared with the shell and every program in it: ours
  // only for this one write.
  std::optional<TTerminalMode> terminal;
  if (text.contains(QLatin1Char('\033'))) terminal.emplace(console);
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
