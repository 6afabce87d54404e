#pragma once

#include <QByteArray>
#include <QImage>

// A picture stored as its pixels, for one read at start-up without a decoder: the program
// icon as PNG would load libpng and inflate its data, some 0.2 MiB of memory and 1.8 M
// instructions, for 64 KiB of pixels.
// The file: width and height as 32-bit little-endian numbers, then the rows, top first, of
// 8-bit RGBA with straight alpha.
QByteArray PixelFileOf(const QImage& image);
// The picture of a pixel file; a null image for anything else (a short or long file, a size
// of 0 or above kPixelFileMaxSide), never a crash.
constexpr int kPixelFileMaxSide = 4096;
QImage ImageFromPixelFile(const QByteArray& file);
