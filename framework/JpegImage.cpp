#include "JpegImage.h"

#include <jpeglib.h>

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

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  jpeg_decompress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.output_message = IgnoreJpegMessage;
  QImage image;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  // Straight into the image's own pixels: blue, green, red and a pad byte in memory is
  // what a 32-bit RGB image holds on this little-endian machine.
  info.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&info);
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB32);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {image.scanLine(static_cast<int>(info.output_scanline))};
    jpeg_read_scanlines(&info, rows, 1);
  }
  // The pad bytes must read as opaque. (The sizes are read once: asked for each pixel, they
  // cost more than the rest of the loop.)
  const int width = image.width(), height = image.height();
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] |= 0xFF000000u;
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
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
