#include <windows.h>

#include <QFileInfo>
#include <algorithm>

#include "TableOutput.h"

namespace {

const wchar_t* Wide(const QString& text) {
  return reinterpret_cast<const wchar_t*>(text.utf16());
}

int LastError() {
  return static_cast<int>(GetLastError());
}

class TWindowsCalls : public TTableOutputCalls {
 public:
  int CheckWritable(const QString& path) const override {
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return static_cast<int>(error);
    // Not there yet. Whether the folder takes a new file (a read-only folder or share, the
    // folder's permissions) only making one tells: the file itself, gone again at its close.
    file = CreateFileW(Wide(path), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return 0;
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) return LastError();
    // A folder may let its users make files but not delete them: made, and deleted where
    // that is allowed after all, else left empty for the recording to write.
    file = CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    CloseHandle(file);
    DeleteFileW(Wide(path));
    return 0;
  }

  TSystemHandle Create(const QString& path, int& error) const override {
    // Written with WriteFile on the system's handle: no C runtime text mode to turn each
    // row's CRLF into CR CR LF.
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) error = LastError();
    return TSystemHandle::FromHandle(file);
  }

  TSystemHandle StandardOutput() const override {
    return TSystemHandle::FromHandle(GetStdHandle(STD_OUTPUT_HANDLE));
  }

  bool IsDiskFile(TSystemHandle file) const override {
    return GetFileType(file.Handle()) == FILE_TYPE_DISK;
  }

  bool Position(TSystemHandle file, int64_t& offset) const override {
    LARGE_INTEGER at{};
    const LARGE_INTEGER here{};
    if (!SetFilePointerEx(file.Handle(), here, &at, FILE_CURRENT)) return false;
    offset = at.QuadPart;
    return true;
  }

  size_t WriteSome(TSystemHandle file, const char* data, size_t size, int& error) const override {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    SetLastError(ERROR_SUCCESS);
    if (WriteFile(file.Handle(), data, chunk, &written, nullptr) && written > 0) return written;
    // A full disk may take nothing without an error of its own.
    error = GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : LastError();
    return 0;
  }

  void CutBack(TSystemHandle file, int64_t offset) const override {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    if (SetFilePointerEx(file.Handle(), at, nullptr, FILE_BEGIN)) SetEndOfFile(file.Handle());
  }

  int Flush(TSystemHandle file) const override {
    return FlushFileBuffers(file.Handle()) ? 0 : LastError();
  }

  int Close(TSystemHandle file) const override {
    return CloseHandle(file.Handle()) ? 0 : LastError();
  }

  // A pipe whose reader has gone answers one of these two.
  bool ReaderGone(int error) const override {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
  }
  int NotOpen() const override { return ERROR_INVALID_HANDLE; }
  // A program that opened the file without sharing it for writing, or locked a part of it.
  bool InUse(int error) const override {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
  }

  QString Reason(int error) const override {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString reason = length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                                : QStringLiteral("error %1").arg(error);
    if (text) LocalFree(text);
    return reason;
  }
};

}  // namespace

const TTableOutputCalls& SystemTableOutputCalls() {
  static const TWindowsCalls calls;
  return calls;
}
