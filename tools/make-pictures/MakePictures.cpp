// Draws the window's pictures and the program icon, and writes them to resources/: the
// committed files are this program's output, so they can be made again the same way.
// Usage: make_pictures OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>

#include "framework/FontSubstitution.h"
#include "framework/JpegImage.h"
#include "framework/PixelFile.h"

namespace {

// The instrument housing with its black screen and its control area.
QImage Background() {
  QImage image(745, 662, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath housing;
  housing.moveTo(112, 2);
  housing.lineTo(637, 2);
  housing.lineTo(742, 80);
  housing.lineTo(742, 638);
  housing.quadTo(742, 658, 722, 658);
  housing.lineTo(22, 658);
  housing.quadTo(2, 658, 2, 638);
  housing.lineTo(2, 80);
  housing.closeSubpath();
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(QColor(235, 236, 236));
  p.drawPath(housing);
  // Bezel and screen.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 122, 124));
  p.drawRoundedRect(QRectF(43, 114, 661, 321), 14, 14);
  p.setBrush(Qt::black);
  p.drawRoundedRect(QRectF(53, 124, 641, 301), 10, 10);
  // Raised control area with the flat grey box.
  p.setBrush(QColor(238, 238, 238));
  p.setPen(QPen(QColor(255, 255, 255), 2));
  p.drawRoundedRect(QRectF(39, 457, 671, 170), 8, 8);
  p.setPen(QPen(QColor(170, 170, 170), 2));
  p.drawLine(41, 627, 708, 627);
  p.drawLine(710, 459, 710, 625);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(196, 196, 196));
  p.drawRect(65, 478, 283, 131);
  return image;
}

// A round glossy button with its caption.
QImage Button(const QString& caption) {
  QImage image(113, 114, QImage::Format_RGB32);
  image.fill(QColor(227, 227, 227));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF disc(0.5, 3.5, 112, 107);
  QRadialGradient shine(disc.center() - QPointF(14, 18), 70);
  shine.setColorAt(0, QColor(255, 226, 120));
  shine.setColorAt(0.6, QColor(240, 182, 36));
  shine.setColorAt(1, QColor(214, 150, 20));
  p.setPen(QPen(QColor(252, 214, 120), 4));
  p.setBrush(shine);
  p.drawEllipse(disc.adjusted(2, 2, -2, -2));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawEllipse(QRectF(24, 14, 64, 34));
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(30);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(disc, Qt::AlignCenter, caption);
  return image;
}

// The program icon: a green trace on a black screen with a grey dotted grid, under a short
// red title.
QImage Icon() {
  QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 60, 64));
  p.drawRoundedRect(QRectF(2, 2, 124, 124), 16, 16);
  p.setBrush(Qt::black);
  const QRectF screen(12, 34, 104, 82);
  p.drawRoundedRect(screen, 6, 6);
  p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
  for (int i = 1; i < 4; ++i) p.drawLine(QPointF(12 + i * 26, 36), QPointF(12 + i * 26, 114));
  for (int i = 1; i < 3; ++i) p.drawLine(QPointF(14, 34 + i * 27.3), QPointF(114, 34 + i * 27.3));
  QPainterPath trace;
  for (int x = 0; x <= 100; ++x) {
    const QPointF point(14 + x, 75 - 26 * std::sin(x * 2 * M_PI / 50));
    x == 0 ? trace.moveTo(point) : trace.lineTo(point);
  }
  p.setPen(QPen(QColor(40, 230, 60), 3));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trace);
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(22);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(230, 40, 40));
  p.drawText(QRectF(0, 4, 128, 28), Qt::AlignCenter, QStringLiteral("オシロ"));
  return image;
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "make_pictures: can't write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  InstallFontSubstitutions();
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictures OUTPUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  bool ok = Write(out.filePath("background.jpg"), EncodeJpeg(Background(), 85)) &&
            Write(out.filePath("start.jpg"), EncodeJpeg(Button(QStringLiteral("開始")), 90)) &&
            Write(out.filePath("stop.jpg"), EncodeJpeg(Button(QStringLiteral("終了")), 90));
  // The icon as PNG for the desktop, and as its pixels for the window, which reads them
  // without libpng.
  const QImage icon = Icon();
  if (ok) ok = icon.save(out.filePath("simplescope.png"));
  if (ok) ok = Write(out.filePath("simplescope.pixels"), PixelFileOf(icon));
  return ok ? 0 : 1;
}
