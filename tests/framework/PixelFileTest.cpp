// Pictures stored as their pixels: what is written must come back exactly, straight alpha
// included, and anything that isn't such a file must give a null image, not a crash or a
// read past its end.
#include <gtest/gtest.h>

#include <QtEndian>
#include <random>

#include "framework/PixelFile.h"

namespace {

QByteArray Header(quint32 width, quint32 height) {
  QByteArray header(8, '\0');
  qToLittleEndian<quint32>(width, header.data());
  qToLittleEndian<quint32>(height, header.data() + 4);
  return header;
}

}  // namespace

TEST(PixelFile, GivesBackEveryPixelOfAnyFormat) {
  // Odd sizes (rows of a QImage are padded to 4 bytes; a file's rows aren't), every alpha.
  QImage image(7, 5, QImage::Format_RGBA8888);
  std::mt19937 random(3);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixelColor(x, y,
                          QColor(random() & 255, random() & 255, random() & 255, random() & 255));
  const QByteArray file = PixelFileOf(image);
  EXPECT_EQ(file.size(), 8 + 7 * 5 * 4);
  EXPECT_EQ(file.left(8), Header(7, 5));
  EXPECT_EQ(ImageFromPixelFile(file), image);

  // A picture of another format comes back as the same colours.
  QImage rgb(3, 2, QImage::Format_RGB888);
  rgb.fill(QColor(10, 200, 30));
  rgb.setPixelColor(2, 1, QColor(1, 2, 3));
  EXPECT_EQ(ImageFromPixelFile(PixelFileOf(rgb)).convertToFormat(QImage::Format_RGB888), rgb);
}

TEST(PixelFile, AnythingElseGivesANullImage) {
  const QByteArray pixels(2 * 3 * 4, '\x7f');
  EXPECT_FALSE(ImageFromPixelFile(Header(2, 3) + pixels).isNull());
  for (const QByteArray& bad : {
           QByteArray(), QByteArray("\x02\0\0\0", 4),  // header cut short
           Header(2, 3) + pixels.chopped(1),           // a byte missing
           Header(2, 3) + pixels + '\0',               // a byte too many
           Header(0, 3),                               // no width
           Header(2, 0),                               // no height
           Header(kPixelFileMaxSide + 1, 1) + QByteArray((kPixelFileMaxSide + 1) * 4, '\0'),
           Header(0xFFFFFFFF, 0xFFFFFFFF),  // would overflow a size computed in 32 bits
           Header(0x40000000, 4) + pixels,  // 2^30 * 4 * 4 wraps to 0 in 32 bits
       })
    EXPECT_TRUE(ImageFromPixelFile(bad).isNull()) << bad.toHex().left(40).toStdString();
}
