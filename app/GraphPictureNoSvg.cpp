#include "app/GraphPicture.h"

// A build without Qt SVG saves pictures as PNG only.
bool TGraphPicture::SvgAvailable() {
  return false;
}

QByteArray TGraphPicture::Svg(const TGraphContent&, const TGraphPictureOptions&) {
  return {};
}
