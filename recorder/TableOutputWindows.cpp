#include <windows.h>

#include <QCoreApplication>
#include <algorithm>

#include "TableOutput.h"

namespace {

class TOutputText {
  Q_DECLARE_TR_FUNCTIONS(TTableOutput)
 public:
  static QString StandardOutput() { return tr("standard output"); }
};

// The system's own words for the error, in the user's language.
QString Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString reason = length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                              : QStringLiteral("error %1").arg(error);
  if (text) LocalFree(text);
  return reason;
}

}  // namespace

std::unique_ptr<TTableOutput> TTableOutput::Open(const QString& path, QString& error) {
  if (path.isEmpty() || path == QLatin1String("-"))
    return std::unique_ptr<TTableOutput>(
        new TTableOutput(TSystemHandle::FromHandle(GetStdHandle(STD_OUTPUT_HANDLE)), false,
                         TOutputText::StandardOutput()));
  // Written with WriteFile on the system's handle: no C runtime text mode to turn each row's
  // CRLF into CR CR LF.
  HANDLE file =
      CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_WRITE, FILE_SHARE_READ,
                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = Reason(GetLastError());
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(
      new TTableOutput(TSystemHandle::FromHandle(file), true, path));
}

TTableOutput::TTableOutput(TSystemHandle file, bool owned, QString name)
    : file_(file), owned_(owned), name_(std::move(name)) {
  seekable_ = file_.Valid() && GetFileType(file_.Handle()) == FILE_TYPE_DISK;
}

TTableOutput::~TTableOutput() {
  if (owned_ && file_.Valid()) CloseHandle(file_.Handle());
}

bool TTableOutput::Fail(int error) {
  error_ = Reason(static_cast<DWORD>(error));
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (!file_.Valid()) return Fail(ERROR_INVALID_HANDLE);
  HANDLE file = file_.Handle();
  // Where this piece begins, to take a part of it back.
  LARGE_INTEGER start{};
  const LARGE_INTEGER here{};
  const bool marked = seekable_ && SetFilePointerEx(file, here, &start, FILE_CURRENT);
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
    if (WriteFile(file, text.data() + done, chunk, &written, nullptr) && written > 0) {
      done += written;
      continue;
    }
    // A full disk may take nothing without an error of its own.
    const DWORD error =
        written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
    if (done > 0 && marked) {
      // The disk took only part of it: the table ends with the last whole piece.
      if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) SetEndOfFile(file);
    }
    return Fail(static_cast<int>(error));
  }
  return true;
}

bool TTableOutput::Close() {
  if (!owned_ || !file_.Valid()) return true;
  const bool closed = CloseHandle(file_.Handle()) != FALSE;
  const DWORD error = GetLastError();
  file_ = TSystemHandle();
  return closed || Fail(static_cast<int>(error));
}
