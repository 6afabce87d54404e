#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "TableOutput.h"

namespace {

class TLinuxCalls : public TTableOutputCalls {
 public:
  int CheckWritable(const QString& path) const override {
    const QByteArray name = QFile::encodeName(path);
    const int fd = open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
      close(fd);
      return 0;
    }
    if (errno == ENXIO) return 0;  // a named pipe whose reader comes later
    if (errno != ENOENT) return errno;
    // Not there yet: its folder must be, and must let us make it.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    return access(folder.constData(), W_OK | X_OK) == 0 ? 0 : errno;
  }

  TSystemHandle Create(const QString& path, int& error) const override {
    const int fd =
        open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) error = errno;
    return TSystemHandle::FromDescriptor(fd);
  }

  TSystemHandle StandardOutput() const override {
    return TSystemHandle::FromDescriptor(STDOUT_FILENO);
  }

  bool IsDiskFile(TSystemHandle file) const override {
    struct stat info;
    return fstat(file.Descriptor(), &info) == 0 && S_ISREG(info.st_mode);
  }

  bool Position(TSystemHandle file, int64_t& offset) const override {
    const off_t at = lseek(file.Descriptor(), 0, SEEK_CUR);
    offset = at;
    return at >= 0;
  }

  size_t WriteSome(TSystemHandle file, const char* data, size_t size, int& error) const override {
    const int fd = file.Descriptor();
    for (;;) {
      const ssize_t n = write(fd, data, size);
      if (n > 0) return size_t(n);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        // Standard output inherited in non-blocking mode: wait until it takes more.
        pollfd ready{fd, POLLOUT, 0};
        if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
      }
      error = n < 0 ? errno : ENOSPC;
      return 0;
    }
  }

  void CutBack(TSystemHandle file, int64_t offset) const override {
    if (ftruncate(file.Descriptor(), offset) == 0) lseek(file.Descriptor(), offset, SEEK_SET);
  }

  int Flush(TSystemHandle file) const override {
    return fdatasync(file.Descriptor()) == 0 ? 0 : errno;
  }

  int Close(TSystemHandle file) const override { return close(file.Descriptor()) == 0 ? 0 : errno; }

  bool ReaderGone(int error) const override { return error == EPIPE; }
  int NotOpen() const override { return EBADF; }
  QString Reason(int error) const override { return QString::fromLocal8Bit(std::strerror(error)); }
};

}  // namespace

const TTableOutputCalls& SystemTableOutputCalls() {
  static const TLinuxCalls calls;
  return calls;
}
