#pragma once

#include <QByteArray>
#include <QImage>

// JPEG pictures through libjpeg (the window's pictures are baseline JPEG files). A file that
// libjpeg can't read gives a null image, never a crash.
QImage DecodeJpeg(const QByteArray& data);
// Baseline JPEG of an image, at the given quality (1..100).
QByteArray EncodeJpeg(const QImage& image, int quality);
