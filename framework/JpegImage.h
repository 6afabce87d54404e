#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <functional>

// JPEG pictures through libjpeg (the window's pictures are baseline JPEG files). A file that
// libjpeg can't read gives a null image, never a crash.
QImage DecodeJpeg(const QByteArray& data);
// The size a JPEG file says it has (its header only), or an invalid size.
QSize JpegSize(const QByteArray& data);
// Decodes the rows `firstRow`..`lastRow` of a JPEG file in bands of up to kJpegBandRows rows
// and hands each to `onBand`, with the row it starts at: a picture can be drawn where it is
// needed without its whole image in memory.
// The bands are the same pixels as DecodeJpeg's. Returns false for a file that libjpeg can't
// read; the bands handed over before the fault stay handed over.
constexpr int kJpegBandRows = 16;
bool DecodeJpegRows(const QByteArray& data, int firstRow, int lastRow,
                    const std::function<void(const QImage& band, int top)>& onBand);
// Baseline JPEG of an image, at the given quality (1..100).
QByteArray EncodeJpeg(const QImage& image, int quality);
