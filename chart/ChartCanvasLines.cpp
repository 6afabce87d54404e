// The canvas's lines: a pen's walk from the current position, thin and alternate lines pixel
// by pixel, and the lines written straight into the image's memory when nothing but the
// image is drawn on (the trace of every frame).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "ChartCanvas.h"

namespace {

// The pixels of the line from a to b, b itself left out (so joined lines set every pixel
// once), in order: visit(x, y, n) with n counting from 0.
template <typename Visit>
void WalkLine(TPoint a, TPoint b, Visit visit) {
  int x = a.X, y = a.Y;
  const int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
  const int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
  int error = dx + dy;
  for (int n = 0; !(x == b.X && y == b.Y); ++n) {
    visit(x, y, n);
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      x += sx;
    }
    if (e2 <= dx) {
      error += dx;
      y += sy;
    }
  }
}

// The pixels of that walk that the pattern of on and off runs (see PixelPatternOf) leaves
// on: visit(x, y).
template <typename Visit>
void WalkOnPixels(TPoint a, TPoint b, const std::vector<int>& pattern, Visit visit) {
  if (pattern.empty()) {
    WalkLine(a, b, [&](int x, int y, int) { visit(x, y); });
    return;
  }
  size_t segment = 0;
  int leftInSegment = pattern[0];
  WalkLine(a, b, [&](int x, int y, int) {
    if (segment % 2 == 0) visit(x, y);  // even segments are "on"
    if (--leftInSegment == 0) {
      segment = (segment + 1) % pattern.size();
      leftInSegment = pattern[segment];
    }
  });
}

// Thin styled lines go on and off along their pixels, as a screen's cosmetic pens do: the
// lengths of the on and off runs, from the line's first pixel (none for a solid line).
const std::vector<int>& PixelPatternOf(const TChartCanvas3D::TPenState& pen) {
  static const std::vector<int> kSolid, kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6},
      kDashDotDot{9, 3, 3, 3, 3, 3}, kAlternate{1, 1};
  if (pen.Alternate) return kAlternate;
  switch (pen.Style) {
    case psDash:
      return kDash;
    case psDot:
      return kDot;
    case psDashDot:
      return kDashDot;
    case psDashDotDot:
      return kDashDotDot;
    default:
      return kSolid;
  }
}

}  // namespace

void TChartCanvas3D::ThinLine(TPoint a, TPoint b) {
  // Bresenham from a towards b, b itself left out; with Alternate every other pixel.
  std::vector<QPoint> pixels;
  WalkLine(a, b, [&](int x, int y, int n) {
    if (!Pen.Alternate || n % 2 == 0) pixels.emplace_back(x, y);
  });
  QPen pen = QtPen();
  pen.setWidth(1);
  pen.setCapStyle(Qt::SquareCap);
  painter_->setPen(pen);
  painter_->drawPoints(pixels.data(), static_cast<int>(pixels.size()));
}

bool TChartCanvas3D::PixelSurfaceOf(TPixelSurface& surface) {
  if (painter_ == &imagePainter_) {
    // The image painter draws on nothing but the image.
    if (!image_) return false;
    surface.bits = image_->bits();
    surface.stride = image_->bytesPerLine();
    surface.right = image_->width() - 1;
    surface.bottom = image_->height() - 1;
    surface.width = image_->width();
    surface.height = image_->height();
    surface.image = true;
  } else {
    // Straight onto the window: its own pixels, when they are an image in memory that the
    // painter only shifts the chart onto, within the region the paint may touch.
    QPoint origin;
    QImage* pixels = WindowPixels(origin);
    if (!pixels || !pixels->isDetached() || clippedByWindow_) return false;
    QRect allowed = pixels->rect();
    if (windowPaint_.isValid()) allowed &= windowPaint_;
    allowed = allowed.translated(-origin) & WindowRect();
    surface = {pixels->bits() + origin.y() * pixels->bytesPerLine() +
                   origin.x() * static_cast<qsizetype>(sizeof(QRgb)),
               pixels->bytesPerLine(),
               allowed.left(),
               allowed.top(),
               allowed.right(),
               allowed.bottom(),
               window_.Width(),
               window_.Height(),
               false,
               origin};
  }
  if (!clip_.isNull()) {
    surface.left = std::max(surface.left, clip_.left());
    surface.top = std::max(surface.top, clip_.top());
    surface.right = std::min(surface.right, clip_.right());
    surface.bottom = std::min(surface.bottom, clip_.bottom());
  }
  return true;
}

bool TChartCanvas3D::DirectLine(TPoint a, TPoint b) {
  if (devicePixelRatio_ != 1.0 || Pen.Mode != pmCopy || Pen.Style == psClear) return false;
  const std::vector<int>* pattern = &PixelPatternOf(Pen);
  if (!pattern->empty() && Pen.Width > 1) return false;
  TPixelSurface surface;
  if (!PixelSurfaceOf(surface)) return false;
  const QRgb color = 0xFF000000u | ((Pen.Color & 0xFF) << 16) | (Pen.Color & 0xFF00) |
                     ((Pen.Color >> 16) & 0xFF);  // ToQColor(Pen.Color).rgb()
  const int width = std::max(1, Pen.Width);
  // A wide line is a square brush of the pen's width along the thin one, centred on it.
  const int before = width / 2, after = (width - 1) / 2;
  const int left = surface.left, top = surface.top, right = surface.right, bottom = surface.bottom;
  if (left > right || top > bottom) return true;
  if (!surface.image && !windowHoles_.empty()) {
    const QRect reach = QRect(QPoint(std::min(a.X, b.X) - before, std::min(a.Y, b.Y) - before),
                              QPoint(std::max(a.X, b.X) + after, std::max(a.Y, b.Y) + after))
                            .translated(surface.origin);
    for (const QRect& hole : windowHoles_)
      if (hole.intersects(reach)) return false;
  }
  // What the line can reach, for the part of the image a render gives back to the ground.
  if (surface.image && !dirtyAll_) {
    const int x0 = std::max(left, std::min(a.X, b.X) - before),
              y0 = std::max(top, std::min(a.Y, b.Y) - before),
              x1 = std::min(right, std::max(a.X, b.X) + after),
              y1 = std::min(bottom, std::max(a.Y, b.Y) + after);
    if (x0 <= x1 && y0 <= y1) dirty_.Include(x0, y0, x1, y1);
  }
  uchar* bits = surface.bits;
  const qsizetype stride = surface.stride;
  auto plot = [&](int px, int py) {
    if (width == 2 && px > left && px <= right && py > top && py <= bottom) {
      // The trace's pen: the pixel and those left of, above, and above left of it.
      QRgb* lower = reinterpret_cast<QRgb*>(bits + py * stride) + px;
      QRgb* upper = reinterpret_cast<QRgb*>(reinterpret_cast<uchar*>(lower) - stride);
      lower[-1] = lower[0] = upper[-1] = upper[0] = color;
      return;
    }
    if (width == 1) {
      if (px >= left && px <= right && py >= top && py <= bottom)
        reinterpret_cast<QRgb*>(bits + py * stride)[px] = color;
      return;
    }
    if (px - before >= left && px + after <= right && py - before >= top && py + after <= bottom) {
      for (int yy = py - before; yy <= py + after; ++yy) {
        QRgb* line = reinterpret_cast<QRgb*>(bits + yy * stride);
        for (int xx = px - before; xx <= px + after; ++xx) line[xx] = color;
      }
      return;
    }
    for (int yy = std::max(py - before, top); yy <= std::min(py + after, bottom); ++yy) {
      QRgb* line = reinterpret_cast<QRgb*>(bits + yy * stride);
      for (int xx = std::max(px - before, left); xx <= std::min(px + after, right); ++xx)
        line[xx] = color;
    }
  };
  // Axis lines, ticks and grid lines run straight: a span of one colour, on and off along
  // the pen's pattern, with no stepping arithmetic per pixel.
  if (width == 1 && (a.Y == b.Y || a.X == b.X) && !(a == b)) {
    const bool across = a.Y == b.Y;
    if (across ? (a.Y < top || a.Y > bottom) : (a.X < left || a.X > right)) return true;
    const int start = across ? a.X : a.Y, end = across ? b.X : b.Y;
    const int step = start < end ? 1 : -1;
    const int low = across ? left : top, high = across ? right : bottom;
    QRgb* origin = across ? reinterpret_cast<QRgb*>(bits + a.Y * stride) + 0
                          : reinterpret_cast<QRgb*>(bits) + a.X;
    const qsizetype pitch = across ? 1 : stride / static_cast<qsizetype>(sizeof(QRgb));
    if (pattern->empty()) {
      const int last = end - step;  // the end point is left out
      const int lo = std::max(std::min(start, last), low),
                hi = std::min(std::max(start, last), high);
      for (int k = lo; k <= hi; ++k) origin[k * pitch] = color;
      return true;
    }
    size_t segment = 0;
    int remaining = (*pattern)[0];
    for (int i = start; i != end; i += step) {
      if (segment % 2 == 0 && i >= low && i <= high) origin[i * pitch] = color;
      if (--remaining == 0) {
        segment = (segment + 1) % pattern->size();
        remaining = (*pattern)[segment];
      }
    }
    return true;
  }
  // A line reaching far beyond the image goes to the painter, which clips it without
  // walking every pixel.
  const long long steps = std::max<long long>(std::abs(static_cast<long long>(b.X) - a.X),
                                              std::abs(static_cast<long long>(b.Y) - a.Y));
  if (steps > 4LL * (surface.width + surface.height) + 16) return false;
  if (width == 2 && pattern->empty() && std::min(a.X, b.X) > left && std::max(a.X, b.X) <= right &&
      std::min(a.Y, b.Y) > top && std::max(a.Y, b.Y) <= bottom) {
    // The trace's pen wholly inside: the same walk with a pointer that follows it, each step
    // setting the pixel and those left of, above, and above left of it, and the end capped.
    const qsizetype words = stride / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* p = reinterpret_cast<QRgb*>(bits + a.Y * stride) + a.X;
    int x = a.X, y = a.Y;
    const int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
    const int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
    const qsizetype rowStep = sy * words;
    int error = dx + dy;
    while (!(x == b.X && y == b.Y)) {
      p[0] = p[-1] = p[-words] = p[-words - 1] = color;
      const int e2 = 2 * error;
      if (e2 >= dy) {
        error += dy;
        x += sx;
        p += sx;
      }
      if (e2 <= dx) {
        error += dx;
        y += sy;
        p += rowStep;
      }
    }
    p[0] = p[-1] = p[-words] = p[-words - 1] = color;
    return true;
  }
  WalkOnPixels(a, b, *pattern, plot);
  if (width > 1) plot(b.X, b.Y);  // wide pens cap their end, as round caps would
  return true;
}

bool TChartCanvas3D::PaintedPixelLine(TPoint a, TPoint b) {
  // Drawn through the image, at one image pixel per layout pixel, DirectLine takes these.
  if (painter_ == &imagePainter_ || devicePixelRatio_ != 1.0 || Pen.Mode != pmCopy ||
      Pen.Style == psClear)
    return false;
  const std::vector<int>& pattern = PixelPatternOf(Pen);
  if (!pattern.empty() && Pen.Width > 1) return false;
  // Lines reaching far, and pens wider than the chart could hold, are the painter's.
  const long long reach = 4LL * (window_.Width() + window_.Height()) + 16;
  const long long steps = std::max(std::abs(static_cast<long long>(b.X) - a.X),
                                   std::abs(static_cast<long long>(b.Y) - a.Y));
  if (steps > reach || Pen.Width > reach) return false;
  const QColor color = ToQColor(Pen.Color);
  const int width = std::max(1, Pen.Width), before = width / 2;
  UsePenMode();
  if (pattern.empty() && (a.X == b.X || a.Y == b.Y) && !(a == b)) {
    // A solid straight line is one rectangle: a thin one leaves its end out, a wide one
    // covers it with its last square.
    const int last = width > 1 ? 0 : 1;
    const TPoint end{b.X - last * ((b.X > a.X) - (b.X < a.X)),
                     b.Y - last * ((b.Y > a.Y) - (b.Y < a.Y))};
    const QPoint low(std::min(a.X, end.X) - before, std::min(a.Y, end.Y) - before);
    const QPoint high(std::max(a.X, end.X) - before + width - 1,
                      std::max(a.Y, end.Y) - before + width - 1);
    painter_->fillRect(QRect(low, high), color);
    return true;
  }
  // The pen's squares (single pixels for a thin pen) along the walk, and a wide pen's end.
  std::vector<QPoint> marks;
  WalkOnPixels(a, b, pattern, [&](int x, int y) { marks.emplace_back(x, y); });
  if (width > 1) marks.push_back({b.X, b.Y});
  if (marks.empty()) return true;
  int left = marks[0].x(), top = marks[0].y(), right = left, bottom = top;
  for (const QPoint& mark : marks) {
    left = std::min(left, mark.x());
    right = std::max(right, mark.x());
    top = std::min(top, mark.y());
    bottom = std::max(bottom, mark.y());
  }
  const QRect box(left - before, top - before, right - left + width, bottom - top + width);
  const long long area = static_cast<long long>(box.width()) * box.height();
  if (area <= 4LL * window_.Width() * window_.Height() + 4096 &&
      area <= 16LL * width * width * static_cast<long long>(marks.size()) + 4096) {
    // Set on a clear image of their box and laid over the window in one: opaque pixels copy,
    // clear ones leave the window as it is.
    QImage pixels(box.size(), QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    const QRgb rgb = color.rgb();
    uchar* bits = pixels.bits();
    const qsizetype stride = pixels.bytesPerLine();
    for (const QPoint& mark : marks)
      for (int y = 0; y < width; ++y)
        std::fill_n(
            reinterpret_cast<QRgb*>(bits + (mark.y() - top + y) * stride) + (mark.x() - left),
            width, rgb);
    painter_->drawImage(box.topLeft(), pixels);
    return true;
  }
  // A long slanting line: its squares one by one.
  std::vector<QRect> squares;
  squares.reserve(marks.size());
  for (const QPoint& mark : marks)
    squares.emplace_back(mark.x() - before, mark.y() - before, width, width);
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(color);
  painter_->drawRects(squares.data(), static_cast<int>(squares.size()));
  return true;
}

namespace {

// Cuts the line from a to b down to its part inside r (Liang-Barsky); false when none of
// it is inside.
bool ClipLine(TPoint& a, TPoint& b, const QRect& r) {
  const double x0 = a.X, y0 = a.Y, dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.left(), r.right() - x0, y0 - r.top(), r.bottom() - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const TPoint start{static_cast<int>(std::lround(x0 + t0 * dx)),
                     static_cast<int>(std::lround(y0 + t0 * dy))};
  const TPoint end{static_cast<int>(std::lround(x0 + t1 * dx)),
                   static_cast<int>(std::lround(y0 + t1 * dy))};
  a = start;
  b = end;
  return true;
}

}  // namespace

bool TChartCanvas3D::ShortenFarLine(TPoint& a, TPoint& b) const {
  // A line that reaches far beyond the surface (a point mapped some billion pixels away)
  // is cut to the surface first: walking all of its pixels would take minutes, and the
  // painter's own arithmetic is not made for such coordinates either. Lines within reach,
  // which are all of an ordinary chart's, are drawn exactly as given.
  // The image, or the chart's rectangle on the window.
  const QRect surface = painter_ == &imagePainter_ ? image_->rect() : WindowRect();
  const long long reach = 4LL * (surface.width() + surface.height()) + 16;
  const long long steps = std::max(std::llabs(static_cast<long long>(b.X) - a.X),
                                   std::llabs(static_cast<long long>(b.Y) - a.Y));
  if (steps <= reach) return true;
  const int margin = std::max(1, Pen.Width) + 2;
  if (!ClipLine(a, b, surface.adjusted(-margin, -margin, margin, margin))) return false;
  if (a == b) ++b.X;  // a glancing touch still leaves its pixel
  return true;
}

void TChartCanvas3D::PenLineTo(int x, int y) {
  ++penLineCalls_;
  TPoint from = position_;
  position_ = {x, y};
  if (!painter_->isActive() || Pen.Style == psClear || Pen.Mode == pmNop) return;
  TPoint to = position_;
  if (!ShortenFarLine(from, to)) return;
  x = to.X;
  y = to.Y;
  if (DirectLine(from, to) || PaintedPixelLine(from, to)) return;
  UsePenMode();
  if (Pen.Width <= 1 && (Pen.Style == psSolid || Pen.Style == psInsideFrame)) {
    ThinLine(from, to);
    return;
  }
  painter_->setPen(QtPen());
  painter_->drawLine(from.X, from.Y, x, y);
}

void TChartCanvas3D::DrawLine(int x0, int y0, int x1, int y1) {
  PenMoveTo(x0, y0);
  PenLineTo(x1, y1);
}

void TChartCanvas3D::DrawVerticalSpans(std::span<const TVerticalSpan> spans) {
  TPixelSurface surface;
  const bool direct = painter_->isActive() && devicePixelRatio_ == 1.0 && Pen.Mode == pmCopy &&
                      Pen.Style == psSolid && !Pen.Alternate && PixelSurfaceOf(surface) &&
                      (surface.image || windowHoles_.empty());
  if (!direct) {
    for (const TVerticalSpan& span : spans) {
      PenMoveTo(span.X, span.Top);
      PenLineTo(span.X, span.Bottom + 1);
    }
    return;
  }
  const QRgb color =
      0xFF000000u | ((Pen.Color & 0xFF) << 16) | (Pen.Color & 0xFF00) | ((Pen.Color >> 16) & 0xFF);
  // The square brush of a wide pen along the thin line, as DirectLine draws it.
  const int width = std::max(1, Pen.Width);
  const int before = width / 2, after = (width - 1) / 2;
  // A thin line leaves its end out; a wide one ends with its brush on the end.
  const int beyond = width > 1 ? 1 : 0;
  for (const TVerticalSpan& span : spans) {
    const int x0 = std::max(surface.left, span.X - before);
    const int x1 = std::min(surface.right, span.X + after);
    const int y0 = std::max(surface.top, span.Top - before);
    const int y1 = std::min(surface.bottom, span.Bottom + beyond + after);
    if (x0 > x1 || y0 > y1) continue;
    for (int y = y0; y <= y1; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(surface.bits + y * surface.stride);
      for (int x = x0; x <= x1; ++x) line[x] = color;
    }
    if (surface.image && !dirtyAll_) dirty_.Include(x0, y0, x1, y1);
  }
}
