#include "JpegImage.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

// libjpeg reports fatal errors by calling error_exit; it must not return, so it jumps back.
struct TJpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TJpegError*>(info->err)->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// The pad bytes of 32-bit RGB pixels must read as opaque. (The width is read once: asked for
// each pixel, it costs more than the rest of the loop.)
void MakeOpaque(QImage& image, int rows) {
  const int width = image.width();
  for (int y = 0; y < rows; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] |= 0xFF000000u;
  }
}

void Prepare(jpeg_decompress_struct& info, TJpegError& error) {
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.output_message = IgnoreJpegMessage;
}

void ReadHeader(jpeg_decompress_struct& info, const QByteArray& data) {
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  // Straight into 32-bit RGB pixels: blue, green, red and a pad byte in memory is what a
  // 32-bit RGB image holds on this little-endian machine.
  info.out_color_space = JCS_EXT_BGRX;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  jpeg_decompress_struct info{};
  TJpegError error{};
  Prepare(info, error);
  QImage image;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  ReadHeader(info, data);
  jpeg_start_decompress(&info);
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB32);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {image.scanLine(static_cast<int>(info.output_scanline))};
    jpeg_read_scanlines(&info, rows, 1);
  }
  MakeOpaque(image, image.height());
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

QSize JpegSize(const QByteArray& data) {
  if (data.isEmpty()) return {};
  jpeg_decompress_struct info{};
  TJpegError error{};
  Prepare(info, error);
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  ReadHeader(info, data);
  const QSize size(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
  jpeg_destroy_decompress(&info);
  return size;
}

bool DecodeJpegRows(const QByteArray& data, int firstRow, int lastRow,
                    const std::function<void(const QImage& band, int top)>& onBand) {
  if (data.isEmpty()) return false;
  jpeg_decompress_struct info{};
  TJpegError error{};
  Prepare(info, error);
  QImage band;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  ReadHeader(info, data);
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width);
  const int height = static_cast<int>(info.output_height);
  const int end = lastRow < 0 ? 0 : lastRow >= height ? height : lastRow + 1;
  // The rows above are skipped: libjpeg-turbo still reads their data (and whatever the
  // first wanted row is made from), but makes no pixels of it.
  const int begin = std::max(firstRow, 0);
  if (begin > 0 && begin < end) jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(begin));
  band = QImage(width, kJpegBandRows, QImage::Format_RGB32);
  while (begin < end && static_cast<int>(info.output_scanline) < end) {
    const int top = static_cast<int>(info.output_scanline);
    const int rows = std::min(kJpegBandRows, end - top);
    for (int row = 0; row < rows; ++row) {
      JSAMPROW line[1] = {band.scanLine(row)};
      jpeg_read_scanlines(&info, line, 1);
    }
    MakeOpaque(band, rows);
    // The band's first rows, without a copy.
    onBand(QImage(band.constBits(), width, rows, band.bytesPerLine(), QImage::Format_RGB32), top);
  }
  // Stopping before the last row is no fault: the rest is simply not decoded.
  jpeg_destroy_decompress(&info);
  return true;
}

QByteArray EncodeJpeg(const QImage& source, int quality) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  jpeg_compress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(image.width()) * 3);
  while (info.next_scanline < info.image_height) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(info.next_scanline));
    for (int x = 0; x < image.width(); ++x) {
      row[3 * x] = static_cast<JSAMPLE>(qRed(line[x]));
      row[3 * x + 1] = static_cast<JSAMPLE>(qGreen(line[x]));
      row[3 * x + 2] = static_cast<JSAMPLE>(qBlue(line[x]));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray result(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  free(buffer);
  return result;
}
