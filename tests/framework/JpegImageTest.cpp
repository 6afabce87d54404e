// JPEG pictures decoded whole and band by band: the bands must be the whole decode's pixels
// wherever they start and stop, and a file libjpeg can't read must give nothing, not a crash.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <climits>
#include <random>

#include "framework/JpegImage.h"

namespace {

// A picture with detail in every block and colour (chroma subsampling smears colour across
// rows, so a band that started from the wrong neighbours would show it), 61 rows: not a
// multiple of the band height, nor of the 16-row blocks.
QByteArray TestJpeg() {
  QImage image(83, 61, QImage::Format_RGB32);
  std::mt19937 random(7);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb((x * 9 + y) & 255, (y * 13) & 255, random() & 255));
  return EncodeJpeg(image, 90);
}

// The rows firstRow..lastRow as DecodeJpegRows hands them over, laid out in a whole image;
// rows not handed over stay magenta.
QImage DrawnByBands(const QByteArray& jpeg, int firstRow, int lastRow, int* bands = nullptr) {
  const QSize size = JpegSize(jpeg);
  QImage drawn(size, QImage::Format_RGB32);
  drawn.fill(Qt::magenta);
  QPainter painter(&drawn);
  int count = 0;
  EXPECT_TRUE(DecodeJpegRows(jpeg, firstRow, lastRow, [&](const QImage& band, int top) {
    EXPECT_LE(band.height(), kJpegBandRows);
    EXPECT_EQ(band.width(), size.width());
    painter.drawImage(QPoint(0, top), band);
    ++count;
  }));
  if (bands) *bands = count;
  return drawn;
}

TEST(Jpeg, BandsAreTheWholeDecodeWhereverTheyStartAndStop) {
  const QByteArray jpeg = TestJpeg();
  const QImage whole = DecodeJpeg(jpeg);
  ASSERT_EQ(whole.size(), QSize(83, 61));
  EXPECT_EQ(JpegSize(jpeg), whole.size());
  for (int first = 0; first < whole.height(); ++first) {
    for (int last = first; last < whole.height(); last += 3) {
      const QImage drawn = DrawnByBands(jpeg, first, last);
      // Every wanted row is the whole decode's.
      for (int y = first; y <= last; ++y)
        ASSERT_EQ(0, memcmp(drawn.constScanLine(y), whole.constScanLine(y),
                            static_cast<size_t>(whole.bytesPerLine())))
            << "row " << y << " of " << first << ".." << last;
      // Nothing else is handed over.
      const QRgb untouched = QColor(Qt::magenta).rgb();
      for (int y = 0; y < first; ++y) ASSERT_EQ(drawn.pixel(0, y), untouched) << "row " << y;
      for (int y = last + 1; y < whole.height(); ++y)
        ASSERT_EQ(drawn.pixel(0, y), untouched) << "row " << y;
    }
  }
}

TEST(Jpeg, RowsOutsideThePictureGiveWhatLiesInside) {
  const QByteArray jpeg = TestJpeg();
  const QImage whole = DecodeJpeg(jpeg);
  EXPECT_EQ(DrawnByBands(jpeg, -20, 1000), whole);
  EXPECT_EQ(DrawnByBands(jpeg, INT_MIN, INT_MAX), whole);
  int bands = -1;
  DrawnByBands(jpeg, 100, 200, &bands);  // below the picture
  EXPECT_EQ(bands, 0);
  DrawnByBands(jpeg, 0, -1, &bands);  // an empty range
  EXPECT_EQ(bands, 0);
}

TEST(Jpeg, FilesLibjpegCantReadGiveNothing) {
  const QByteArray jpeg = TestJpeg();
  int bands = 0;
  auto count = [&](const QImage&, int) { ++bands; };
  for (const QByteArray& bad : {QByteArray(), QByteArray("not a picture"),
                                QByteArray(jpeg.constData(), 40), QByteArray(2000, '\xFF')}) {
    EXPECT_TRUE(DecodeJpeg(bad).isNull());
    EXPECT_FALSE(JpegSize(bad).isValid());
    EXPECT_FALSE(DecodeJpegRows(bad, 0, 100, count));
  }
  EXPECT_EQ(bands, 0);
  // A file cut short after its header decodes what it has; the rest is libjpeg's grey.
  const QByteArray cut = jpeg.left(jpeg.size() / 2);
  EXPECT_TRUE(DecodeJpegRows(cut, 0, 100, count));
  EXPECT_EQ(DecodeJpeg(cut).size(), QSize(83, 61));
}

}  // namespace
