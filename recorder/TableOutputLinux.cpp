#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "TableOutput.h"

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
    return std::unique_ptr<TTableOutput>(new TTableOutput(
        TSystemHandle::FromDescriptor(STDOUT_FILENO), QString(), TOutputText::StandardOutput()));
  if (const int problem = CheckWritable(path)) {
    error = Reason(problem);
    return nullptr;
  }
  return std::unique_ptr<TTableOutput>(new TTableOutput(TSystemHandle(), path, path));
}

TTableOutput::TTableOutput(TSystemHandle file, QString path, QString name)
    : file_(file), path_(std::move(path)), name_(std::move(name)) {
  struct stat info;
  seekable_ = file_.Valid() && fstat(file_.Descriptor(), &info) == 0 && S_ISREG(info.st_mode);
}

bool TTableOutput::Create() {
  const int fd =
      open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(errno);
  file_ = TSystemHandle::FromDescriptor(fd);
  struct stat info;
  seekable_ = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  return true;
}

TTableOutput::~TTableOutput() {
  if (!path_.isEmpty() && file_.Valid()) close(file_.Descriptor());
}

bool TTableOutput::Fail(int error) {
  readerGone_ = error == EPIPE;
  error_ = Reason(error);
  return false;
}

bool TTableOutput::Write(const std::string& text) {
  if (!file_.Valid()) {
    // A file is made with its first piece; a closed one takes no more.
    if (path_.isEmpty() || closed_) return Fail(EBADF);
    if (!Create()) return false;
  }
  const int fd = file_.Descriptor();
  // Where this piece begins, to take a part of it back. A pipe needs nothing of the kind:
  // a block's rows (about 1.2 KB) are less than PIPE_BUF, which the kernel writes whole.
  const off_t start = seekable_ ? lseek(fd, 0, SEEK_CUR) : -1;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard output inherited in non-blocking mode: wait until it takes more.
      pollfd ready{fd, POLLOUT, 0};
      if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
    }
    const int error = n < 0 ? errno : ENOSPC;
    if (done > 0 && start >= 0) {
      // The disk took only part of it: the table ends with the last whole piece.
      if (ftruncate(fd, start) == 0) lseek(fd, start, SEEK_SET);
    }
    return Fail(error);
  }
  return true;
}

bool TTableOutput::Close() {
  if (path_.isEmpty() || !file_.Valid()) return true;
  const int result = close(file_.Descriptor());
  file_ = TSystemHandle();
  closed_ = true;
  return result == 0 || Fail(errno);
}
