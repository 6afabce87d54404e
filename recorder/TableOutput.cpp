#include "TableOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>

namespace {

class TOutputText {
  Q_DECLARE_TR_FUNCTIONS(TTableOutput)
 public:
  static QString StandardOutput() { return tr("standard output"); }
};

QString Reason(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

std::unique_ptr<TTableOutput> TTableOutput::Open(const QString& path, QString& error) {
  if (path.isEmpty() || path == QLatin1String("-"))
    return std::unique_ptr<TTableOutput>(
        new TTableOutput(STDOUT_FILENO, false, TOutputText::StandardOutput()));
  const int fd =
      open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = Reason(errno);
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(new TTableOutput(fd, true, path));
}

TTableOutput::TTableOutput(int fd, bool owned, QString name)
    : fd_(fd), owned_(owned), name_(std::move(name)) {
  struct stat info;
  seekable_ = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
}

TTableOutput::~TTableOutput() {
  if (owned_ && fd_ >= 0) close(fd_);
}

bool TTableOutput::Fail(int error) {
  error_ = Reason(error);
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (fd_ < 0) return Fail(EBADF);
  // Where this piece begins, to take a part of it back. A pipe needs nothing of the kind:
  // a block's rows (about 1.2 KB) are less than PIPE_BUF, which the kernel writes whole.
  const off_t start = seekable_ ? lseek(fd_, 0, SEEK_CUR) : -1;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd_, text.data() + done, text.size() - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard output inherited in non-blocking mode: wait until it takes more.
      pollfd ready{fd_, POLLOUT, 0};
      if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    const int error = n < 0 ? errno : ENOSPC;
    if (done > 0 && start >= 0) {
      // The disk took only part of it: the table ends with the last whole piece.
      if (ftruncate(fd_, start) == 0) lseek(fd_, start, SEEK_SET);
    }
    return Fail(error);
  }
  return true;
}

bool TTableOutput::Close() {
  if (!owned_ || fd_ < 0) return true;
  const int result = close(fd_);
  fd_ = -1;
  return result == 0 || Fail(errno);
}
