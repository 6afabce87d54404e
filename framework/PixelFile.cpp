#include "framework/PixelFile.h"

#include <QtEndian>
#include <cstring>

namespace {
constexpr qsizetype kHeaderBytes = 8;
constexpr int kBytesPerPixel = 4;
}  // namespace

QByteArray PixelFileOf(const QImage& image) {
  const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888);
  const qsizetype rowBytes = qsizetype(pixels.width()) * kBytesPerPixel;
  QByteArray file(kHeaderBytes + rowBytes * pixels.height(), Qt::Uninitialized);
  char* out = file.data();
  qToLittleEndian<quint32>(pixels.width(), out);
  qToLittleEndian<quint32>(pixels.height(), out + 4);
  out += kHeaderBytes;
  // Rows of a QImage may be padded; the file's aren't.
  for (int y = 0; y < pixels.height(); ++y, out += rowBytes)
    std::memcpy(out, pixels.constScanLine(y), rowBytes);
  return file;
}

QImage ImageFromPixelFile(const QByteArray& file) {
  if (file.size() < kHeaderBytes) return {};
  const quint32 width = qFromLittleEndian<quint32>(file.constData());
  const quint32 height = qFromLittleEndian<quint32>(file.constData() + 4);
  if (width == 0 || height == 0 || width > kPixelFileMaxSide || height > kPixelFileMaxSide)
    return {};
  const qsizetype rowBytes = qsizetype(width) * kBytesPerPixel;
  if (file.size() != kHeaderBytes + rowBytes * qsizetype(height)) return {};
  QImage image(int(width), int(height), QImage::Format_RGBA8888);
  if (image.isNull()) return {};
  const char* in = file.constData() + kHeaderBytes;
  for (int y = 0; y < int(height); ++y, in += rowBytes)
    std::memcpy(image.scanLine(y), in, rowBytes);
  return image;
}
