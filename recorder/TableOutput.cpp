#include "TableOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
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

// Whether `path` could be written now, as an errno value (0: it could), without making or
// changing anything.
int CheckWritable(const QString& path) {
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

}  // namespace

std::unique_ptr<TTableOutput> TTableOutput::Open(const QString& path, QString& error) {
  if (path.isEmpty() || path == QLatin1String("-"))
    return std::unique_ptr<TTableOutput>(
        new TTableOutput(STDOUT_FILENO, QString(), TOutputText::StandardOutput()));
  if (const int problem = CheckWritable(path)) {
    error = Reason(problem);
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(new TTableOutput(-1, path, path));
}

TTableOutput::TTableOutput(int fd, QString path, QString name)
    : fd_(fd), path_(std::move(path)), name_(std::move(name)) {
  struct stat info;
  seekable_ = fd_ >= 0 && fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
}

bool TTableOutput::Create() {
  fd_ = open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return Fail(errno);
  struct stat info;
  seekable_ = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  return true;
}

TTableOutput::~TTableOutput() {
  if (!path_.isEmpty() && fd_ >= 0) close(fd_);
}

bool TTableOutput::Fail(int error) {
  readerGone_ = error == EPIPE;
  error_ = Reason(error);
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (fd_ < 0) {
    // A file is made with its first piece; a closed one takes no more.
    if (path_.isEmpty() || closed_) return Fail(EBADF);
    if (!Create()) return false;
  }
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
  if (path_.isEmpty() || fd_ < 0) return true;
  const int result = close(fd_);
  fd_ = -1;
  closed_ = true;
  return result == 0 || Fail(errno);
}
