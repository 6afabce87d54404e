#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "app/Form1.h"
#include "app/GraphPicture.h"

bool TGraphPicture::SvgAvailable() {
  return true;
}

QByteArray TGraphPicture::Svg(const TGraphContent& content, const TGraphPictureOptions& options) {
  QByteArray svg;
  QBuffer buffer(&svg);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(options.Size);
  generator.setViewBox(QRect(QPoint(0, 0), options.Size));
  generator.setTitle(TForm1::kCaption);
  {
    QPainter painter(&generator);
    if (!painter.isActive()) return {};
    Draw(painter, content, options);
  }
  return svg;
}
