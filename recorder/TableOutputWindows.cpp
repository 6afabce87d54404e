#include <windows.h>

#include <QCoreApplication>
#include <QFileInfo>
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

const wchar_t* Wide(const QString& text) {
  return reinterpret_cast<const wchar_t*>(text.utf16());
}

// Whether `path` could be written now, as a Windows error code (0: it could), without making
// or changing anything.
DWORD CheckWritable(const QString& path) {
  HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return 0;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND) return error;
  // Not there yet: its folder must be.
  const DWORD folder = GetFileAttributesW(Wide(QFileInfo(path).absolutePath()));
  if (folder == INVALID_FILE_ATTRIBUTES) return GetLastError();
  return (folder & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

}  // namespace

std::unique_ptr<TTableOutput> TTableOutput::Open(const QString& path, QString& error) {
  if (path.isEmpty() || path == QLatin1String("-"))
    return std::unique_ptr<TTableOutput>(
        new TTableOutput(TSystemHandle::FromHandle(GetStdHandle(STD_OUTPUT_HANDLE)), QString(),
                         TOutputText::StandardOutput()));
  if (const DWORD problem = CheckWritable(path)) {
    error = Reason(problem);
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(new TTableOutput(TSystemHandle(), path, path));
}

TTableOutput::TTableOutput(TSystemHandle file, QString path, QString name)
    : file_(file), path_(std::move(path)), name_(std::move(name)) {
  seekable_ = file_.Valid() && GetFileType(file_.Handle()) == FILE_TYPE_DISK;
}

bool TTableOutput::Create() {
  // Written with WriteFile on the system's handle: no C runtime text mode to turn each row's
  // CRLF into CR CR LF.
  HANDLE file = CreateFileW(Wide(path_), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(static_cast<int>(GetLastError()));
  file_ = TSystemHandle::FromHandle(file);
  seekable_ = GetFileType(file) == FILE_TYPE_DISK;
  return true;
}

TTableOutput::~TTableOutput() {
  if (!path_.isEmpty() && file_.Valid()) CloseHandle(file_.Handle());
}

bool TTableOutput::Fail(int error) {
  // A pipe whose reader has gone answers one of these two.
  readerGone_ = error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
  error_ = Reason(static_cast<DWORD>(error));
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (!file_.Valid()) {
    // A file is made with its first piece; a closed one takes no more.
    if (path_.isEmpty() || closed_) return Fail(ERROR_INVALID_HANDLE);
    if (!Create()) return false;
  }
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
  if (path_.isEmpty() || !file_.Valid()) return true;
  const bool closed = CloseHandle(file_.Handle()) != FALSE;
  const DWORD error = GetLastError();
  file_ = TSystemHandle();
  closed_ = true;
  return closed || Fail(static_cast<int>(error));
}
