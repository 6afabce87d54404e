#include "framework/PixelFile.h"

#include <QtEndian>
#include <cstring>

namespace {
constexpr qsizetype kHeaderBytes = 8;
constexpr int kBytesPerPixel = 4;
}  // namespace

// Four bytes a pixel: a QImage of RGBA8888 has no padding at the ends of its rows, so the
// pixels are one block both ways.
QByteArray PixelFileOf(const QImage& image) {
  const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888);
  QByteArray file(kHeaderBytes + pixels.sizeInBytes(), Qt::Uninitialized);
  qToLittleEndian<quint32>(pixels.width(), file.data());
  qToLittleEndian<quint32>(pixels.height(), file.data() + 4);
  std::memcpy(file.data() + kHeaderBytes, pixels.constBits(), pixels.sizeInBytes());
  return file;
}

QImage ImageFromPixelFile(const QByteArray& file) {
  if (file.size() < kHeaderBytes) return {};
  const quint32 width = qFromLittleEndian<quint32>(file.constData());
  const quint32 height = qFromLittleEndian<quint32>(file.constData() + 4);
  if (width == 0 || height == 0 || width > kPixelFileMaxSide || height > kPixelFileMaxSide)
    return {};
  if (file.size() != kHeaderBytes + qsizetype(width) * height * kBytesPerPixel) return {};
  QImage image(int(width), int(height), QImage::Format_RGBA8888);
  if (image.isNull()) return {};
  std::memcpy(image.bits(), file.constData() + kHeaderBytes, image.sizeInBytes());
  return image;
}
