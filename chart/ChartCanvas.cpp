#include "ChartCanvas.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPaintEngine>
#include <cmath>
#include <cstdlib>

#include "framework/FontSubstitution.h"

QColor ToQColor(TColor color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor FromQRgb(QRgb rgb) {
  return TColor(qRed(rgb)) | (TColor(qGreen(rgb)) << 8) | (TColor(qBlue(rgb)) << 16);
}

// ---- TChartCanvas ----

const QFont& TChartCanvas::QtFont() const {
  if (current_ && current_->For == Font) return *current_->Font;
  TMadeFont* oldest = &fonts_[0];
  for (TMadeFont& made : fonts_) {
    if (made.Font && made.For == Font) {
      current_ = &made;
      made.LastUse = ++uses_;
      return *made.Font;
    }
    if (!made.Font || (oldest->Font && made.LastUse < oldest->LastUse)) oldest = &made;
  }
  auto font = std::make_unique<QFont>(InstalledFamily(Font.Name));
  font->setPixelSize(std::max(1, std::abs(Font.Height)));
  font->setBold(Font.Styles & TChartFont::fsBold);
  font->setItalic(Font.Styles & TChartFont::fsItalic);
  font->setUnderline(Font.Styles & TChartFont::fsUnderline);
  font->setStrikeOut(Font.Styles & TChartFont::fsStrikeOut);
  auto plain = std::make_unique<QFont>(*font);
  plain->setStyleStrategy(QFont::NoFontMerging);
  oldest->Metrics = std::make_unique<QFontMetrics>(*font);
  oldest->PlainMetrics = std::make_unique<QFontMetrics>(*plain);
  oldest->Font = std::move(font);
  oldest->Plain = std::move(plain);
  oldest->For = Font;
  oldest->Key = Font.Name + QLatin1Char('\x1f') + QString::number(Font.Height) +
                QLatin1Char('\x1f') + QString::number(Font.Styles) + QLatin1Char('\x1f');
  oldest->Height = -1;
  oldest->LastUse = ++uses_;
  current_ = oldest;
  return *oldest->Font;
}

const QFontMetrics& TChartCanvas::Metrics() const {
  QtFont();
  return *current_->PlainMetrics;
}

bool TChartCanvas::FaceHasEvery(const QString& text) const {
  QtFont();
  const qsizetype length = text.size();
  for (qsizetype i = 0; i < length; ++i) {
    char32_t character = text[i].unicode();
    if (QChar::isHighSurrogate(character) && i + 1 < length && text[i + 1].isLowSurrogate()) {
      character = QChar::surrogateToUcs4(text[i], text[i + 1]);
      ++i;
    }
    if (!current_->PlainMetrics->inFontUcs4(character)) return false;
  }
  return true;
}

const QFont& TChartCanvas::MadeFont(bool plain) const {
  QtFont();
  return plain ? *current_->Plain : *current_->Font;
}

const QFontMetrics& TChartCanvas::MetricsFor(const QString& text) const {
  return FaceHasEvery(text) ? *current_->PlainMetrics : *current_->Metrics;
}

namespace {
// Beyond this many distinct texts the caches start afresh, so they can't grow without end.
constexpr qsizetype kTextCacheLimit = 2000;
}  // namespace

QString TChartCanvas::TextKey(const QString& text) const {
  QtFont();  // keeps current_ current
  return current_->Key + text;
}

int TChartCanvas::TextWidthOf(const QString& text) const {
  const QString key = TextKey(text);
  auto it = widths_.constFind(key);
  if (it != widths_.constEnd()) return *it;
  if (widths_.size() > kTextCacheLimit) widths_.clear();
  const int width = MetricsFor(text).horizontalAdvance(text);
  widths_.insert(key, width);
  return width;
}

int TChartCanvas::TextHeightOf(const QString&) const {
  QtFont();  // keeps current_ current
  if (current_->Height < 0) current_->Height = current_->PlainMetrics->height();
  return current_->Height;
}

void TChartCanvas::ApplyChartPen(const TChartPen& pen) {
  if (!pen.Visible()) {
    Pen.Style = psClear;
    return;
  }
  Pen.Color = pen.Color();
  Pen.Mode = pen.Mode();
  Pen.Style = pen.Style();
  Pen.Width = pen.Width();
  Pen.Alternate = pen.SmallDots() && pen.Width() == 1;
  if (Pen.Alternate) Pen.Style = psSolid;
}

// ---- TChartCanvas3D ----

TChartCanvas3D::TChartCanvas3D() = default;

TChartCanvas3D::~TChartCanvas3D() {
  EndDrawing();
}

void TChartCanvas3D::EndDrawing() {
  if (painter_ != &imagePainter_) {
    // The window's painter belongs to the window's paint: it gets its state back.
    painter_->restore();
    painter_ = &imagePainter_;
  }
  if (imagePainter_.isActive()) imagePainter_.end();
}

bool TChartCanvas3D::ResumeImageDrawing() {
  if (!buffered_ || !image_ || image_->isNull() || imageOutOfDate_ || painter_->isActive())
    return false;
  imagePainter_.begin(image_.get());
  imagePainter_.setRenderHint(QPainter::Antialiasing, false);
  imagePainter_.setRenderHint(QPainter::TextAntialiasing, !monochrome_);
  return true;
}

void TChartCanvas3D::SetIsMonochrome(bool value) {
  if (value == monochrome_) return;
  monochrome_ = value;
  EndDrawing();
  image_.reset();
  DropBackground();
  imageOutOfDate_ = true;
  if (options_ && OnInvalidateChart) OnInvalidateChart();
}

void TChartCanvas3D::SetIsBuffered(bool value) {
  if (value == buffered_) return;
  EndDrawing();
  buffered_ = value;
  if (!value && image_) image_.reset();
  DropBackground();
  imageOutOfDate_ = true;
  if (OnInvalidateChart) OnInvalidateChart();
}

QPen TChartCanvas3D::QtPen() const {
  if (Pen.Style == psClear || Pen.Mode == pmNop) return QPen(Qt::NoPen);
  QColor color = ToQColor(Pen.Color);
  if (Pen.Mode == pmBlack) color = Qt::black;
  if (Pen.Mode == pmWhite) color = Qt::white;
  QPen pen(color, std::max(1, Pen.Width));
  pen.setCosmetic(false);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  switch (Pen.Style) {
    case psDash:
      pen.setStyle(Qt::DashLine);
      break;
    case psDot:
      pen.setStyle(Qt::DotLine);
      break;
    case psDashDot:
      pen.setStyle(Qt::DashDotLine);
      break;
    case psDashDotDot:
      pen.setStyle(Qt::DashDotDotLine);
      break;
    default:
      pen.setStyle(Qt::SolidLine);
      break;
  }
  return pen;
}

// The raster operations of the pen modes, on the image's pixels.
void TChartCanvas3D::UsePenMode() {
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  switch (Pen.Mode) {
    case pmNot:
      mode = QPainter::RasterOp_NotDestination;
      break;
    case pmNotCopy:
      mode = QPainter::RasterOp_NotSource;
      break;
    case pmMergePenNot:
      mode = QPainter::RasterOp_SourceOrNotDestination;
      break;
    case pmMaskPenNot:
      mode = QPainter::RasterOp_SourceAndNotDestination;
      break;
    case pmMergeNotPen:
      mode = QPainter::RasterOp_NotSourceOrDestination;
      break;
    case pmMaskNotPen:
      mode = QPainter::RasterOp_NotSourceAndDestination;
      break;
    case pmMerge:
      mode = QPainter::RasterOp_SourceOrDestination;
      break;
    case pmNotMerge:
      mode = QPainter::RasterOp_NotSourceAndNotDestination;
      break;
    case pmMask:
      mode = QPainter::RasterOp_SourceAndDestination;
      break;
    case pmNotMask:
      mode = QPainter::RasterOp_NotSourceOrNotDestination;
      break;
    case pmXor:
      mode = QPainter::RasterOp_SourceXorDestination;
      break;
    case pmNotXor:
      mode = QPainter::RasterOp_NotSourceXorDestination;
      break;
    default:
      break;
  }
  SetPainterMode(mode);
}

void TChartCanvas3D::PutPixel(int x, int y, TColor color) {
  if (!painter_->isActive()) return;
  SetPainterMode(QPainter::CompositionMode_Source);
  painter_->fillRect(x, y, 1, 1, ToQColor(color));
}

namespace {

Qt::BrushStyle HatchOf(TBrushStyle style) {
  switch (style) {
    case bsHorizontal:
      return Qt::HorPattern;
    case bsVertical:
      return Qt::VerPattern;
    case bsFDiagonal:
      return Qt::FDiagPattern;
    case bsBDiagonal:
      return Qt::BDiagPattern;
    case bsCross:
      return Qt::CrossPattern;
    case bsDiagCross:
      return Qt::DiagCrossPattern;
    default:
      return Qt::SolidPattern;
  }
}

}  // namespace

void TChartCanvas3D::UseBrush() {
  if (Brush.Style == bsClear) {
    painter_->setBrush(Qt::NoBrush);
    return;
  }
  const Qt::BrushStyle style = HatchOf(Brush.Style);
  painter_->setBrush(QBrush(ToQColor(Brush.Color), style));
  // A hatch's ground: the background colour when the background is opaque.
  painter_->setBackgroundMode(backgroundMode_ == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
  painter_->setBackground(ToQColor(backgroundColor_));
}

void TChartCanvas3D::FillRectangle(const TRect& r) {
  if (!painter_->isActive() || Brush.Style == bsClear || r.Width() <= 0 || r.Height() <= 0) return;
  const QRect area(r.Left, r.Top, r.Width(), r.Height());
  SetPainterMode(QPainter::CompositionMode_SourceOver);
  if (Brush.Style != bsSolid) {
    // A hatch: its lines in the brush colour, the ground between them in the background
    // colour when the background is opaque and left as it was when it is transparent.
    if (backgroundMode_ == OPAQUE) painter_->fillRect(area, ToQColor(backgroundColor_));
    painter_->fillRect(area, QBrush(ToQColor(Brush.Color), HatchOf(Brush.Style)));
    return;
  }
  if (image_ && painter_->device() == image_.get() && clip_.isNull() &&
      area.contains(image_->rect())) {
    // The panel's background covers the whole image: one fill of its memory.
    image_->fill(ToQColor(Brush.Color));
    return;
  }
  painter_->fillRect(area, ToQColor(Brush.Color));
}

void TChartCanvas3D::DrawRectangle(int x0, int y0, int x1, int y1) {
  if (!painter_->isActive()) return;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  const bool outlined = Pen.Style != psClear && Pen.Mode != pmNop;
  // Without an outline the fill leaves out the last column and row too.
  const int inset = outlined ? 0 : 1;
  FillRectangle({x0, y0, x1 - inset, y1 - inset});
  if (!outlined || x1 - x0 < 1 || y1 - y0 < 1) return;
  if (Pen.Width <= 1) {
    const TPoint saved = position_;
    DrawLine(x0, y0, x1 - 1, y0);
    DrawLine(x1 - 1, y0, x1 - 1, y1 - 1);
    DrawLine(x1 - 1, y1 - 1, x0, y1 - 1);
    DrawLine(x0, y1 - 1, x0, y0);
    position_ = saved;
    return;
  }
  UsePenMode();
  QPen pen = QtPen();
  pen.setJoinStyle(Qt::MiterJoin);
  painter_->setPen(pen);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(QRectF(x0 + 0.5, y0 + 0.5, x1 - x0 - 1, y1 - y0 - 1));
}

void TChartCanvas3D::DrawFrame3D(TRect r, TColor topLeft, int width, TColor bottomRight) {
  const TPenState saved = Pen;
  Pen.Width = 1;
  Pen.Style = psSolid;
  Pen.Alternate = false;
  --r.Right;
  --r.Bottom;
  // Beyond half the rectangle's size the frames only go over what is drawn already.
  width = std::min<long long>(width, std::max(r.Width(), r.Height()) / 2 + 1);
  for (int i = 0; i < width; ++i) {
    Pen.Color = topLeft;
    PenMoveTo(r.Left, r.Bottom);
    PenLineTo(r.Left, r.Top);
    PenLineTo(r.Right, r.Top);
    Pen.Color = bottomRight;
    PenMoveTo(r.Right, r.Top);
    PenLineTo(r.Right, r.Bottom);
    PenLineTo(r.Left - 1, r.Bottom);
    ++r.Left;
    ++r.Top;
    --r.Right;
    --r.Bottom;
  }
  Pen = saved;
}

namespace {
// The path of a shape's outline in a rectangle: through the centres of its edge pixels, so
// that a thin pen reaches the rectangle's outermost pixels and no further, as a rectangle's
// outline does, and the shape's centre is that of the rectangle's pixels.
QRectF OutlineOf(const TRect& r) {
  return QRectF(r.Left + 0.5, r.Top + 0.5, r.Width() - 1.0, r.Height() - 1.0);
}
}  // namespace

void TChartCanvas3D::DrawEllipse(const TRect& r) {
  if (!painter_->isActive()) return;
  UsePenMode();
  painter_->setPen(QtPen());
  UseBrush();
  painter_->drawEllipse(OutlineOf(r));
}

namespace {
// Angle in sixteenths of a degree of a pixel seen from the centre of r's pixels.
int AngleOf(const TRect& r, TPoint p) {
  const double cx = (r.Left + r.Right - 1) / 2.0, cy = (r.Top + r.Bottom - 1) / 2.0;
  return static_cast<int>(std::lround(std::atan2(cy - p.Y, p.X - cx) * 180.0 / M_PI * 16));
}
int SpanOf(int start, int end) {
  int span = end - start;
  while (span <= 0) span += 360 * 16;  // counter-clockwise from start to end
  return span;
}
}  // namespace

void TChartCanvas3D::DrawArc(const TRect& r, TPoint start, TPoint end) {
  if (!painter_->isActive()) return;
  UsePenMode();
  painter_->setPen(QtPen());
  const int a = AngleOf(r, start);
  painter_->drawArc(OutlineOf(r), a, SpanOf(a, AngleOf(r, end)));
}

void TChartCanvas3D::DrawPie(const TRect& r, TPoint start, TPoint end) {
  if (!painter_->isActive()) return;
  UsePenMode();
  painter_->setPen(QtPen());
  UseBrush();
  const int a = AngleOf(r, start);
  painter_->drawPie(OutlineOf(r), a, SpanOf(a, AngleOf(r, end)));
}

void TChartCanvas3D::DrawRoundRect(int x0, int y0, int x1, int y1, int cw, int ch) {
  if (!painter_->isActive()) return;
  UsePenMode();
  painter_->setPen(QtPen());
  UseBrush();
  painter_->drawRoundedRect(OutlineOf({x0, y0, x1, y1}), cw / 2.0, ch / 2.0);
}

void TChartCanvas3D::DrawPolygon(const std::vector<TPoint>& points, int lastIndex) {
  if (!painter_->isActive() || lastIndex < 0 || lastIndex >= static_cast<int>(points.size()))
    return;
  std::vector<QPoint> qpoints;
  for (int i = 0; i <= lastIndex; ++i) qpoints.emplace_back(points[i].X, points[i].Y);
  UsePenMode();
  painter_->setPen(QtPen());
  UseBrush();
  painter_->drawPolygon(qpoints.data(), static_cast<int>(qpoints.size()));
}

void TChartCanvas3D::DrawGraphic(int x, int y, const QImage& picture) {
  if (!painter_->isActive() || picture.isNull()) return;
  SetPainterMode(QPainter::CompositionMode_SourceOver);
  painter_->drawImage(x, y, picture);
}

void TChartCanvas3D::StretchGraphic(const TRect& r, const QImage& picture) {
  if (!painter_->isActive() || picture.isNull()) return;
  SetPainterMode(QPainter::CompositionMode_SourceOver);
  painter_->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), picture);
}

void TChartCanvas3D::FillGradient(const TRect& r, TColor start, bool vertical, TColor end) {
  if (!painter_->isActive()) return;
  QLinearGradient gradient(r.Left, r.Top, vertical ? r.Left : r.Right, vertical ? r.Bottom : r.Top);
  gradient.setColorAt(0, ToQColor(start));
  gradient.setColorAt(1, ToQColor(end));
  SetPainterMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), gradient);
}

QImage* TChartCanvas3D::WindowPixels(QPoint& origin) const {
  if (painter_ == &imagePainter_) return nullptr;
  QPaintEngine* engine = painter_->paintEngine();
  if (!engine || !engine->paintDevice() || engine->paintDevice()->devType() != QInternal::Image)
    return nullptr;
  auto* pixels = static_cast<QImage*>(engine->paintDevice());
  const QTransform shift = painter_->deviceTransform();
  // Opaque pixels of these formats are the colours' own words.
  if (pixels->devicePixelRatio() != 1.0 ||
      (pixels->format() != QImage::Format_RGB32 &&
       pixels->format() != QImage::Format_ARGB32_Premultiplied) ||
      shift.type() > QTransform::TxTranslate || shift.dx() != std::trunc(shift.dx()) ||
      shift.dy() != std::trunc(shift.dy()))
    return nullptr;
  origin = QPoint(static_cast<int>(shift.dx()), static_cast<int>(shift.dy()));
  return pixels;
}

bool TChartCanvas3D::TextWouldChangeNothing(int left, int top, int width, int height) const {
  // Glyphs blended onto pixels of their own colour leave those pixels as they were: text
  // in the colour of everything under it (the oscilloscope's black labels on the black
  // panel) need not be drawn at all. A margin covers glyphs that reach past their advance.
  if (devicePixelRatio_ != 1.0 || !painter_->transform().isIdentity()) return false;
  // The pixels drawn so far: the image's, or the window's own when the chart draws straight
  // onto it.
  QPoint origin;
  const QImage* surface =
      image_ && painter_->device() == image_.get() ? image_.get() : WindowPixels(origin);
  if (!surface) return false;
  constexpr int kMargin = 3;
  const QRect box = QRect(left - kMargin + origin.x(), top - kMargin + origin.y(),
                          width + 2 * kMargin, height + 2 * kMargin) &
                    surface->rect();
  const QRgb color = ToQColor(Font.Color).rgb();
  for (int y = box.top(); y <= box.bottom(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(surface->constScanLine(y));
    for (int x = box.left(); x <= box.right(); ++x)
      if (line[x] != color) return false;
  }
  return true;
}

void TChartCanvas3D::WriteText(int x, int y, const QString& text) {
  if (!painter_->isActive()) return;
  // Blanks leave no mark on a transparent background (the chart's one-blank title).
  if (backgroundMode_ != OPAQUE && text.trimmed().isEmpty()) return;
  // Text anchored this far out can't reach any surface (an axis stretched to the limits of
  // its coordinates puts its labels there); leaving it out keeps the sums below in range.
  constexpr int kFar = 1 << 28;
  if (x < -kFar || x > kFar || y < -kFar || y > kFar) return;
  const QFontMetrics& metrics = Metrics();
  const int width = TextWidthOf(text);
  int left = x;
  if ((textAlignment_ & TA_CENTER) == TA_CENTER)
    left = x - width / 2;
  else if (textAlignment_ & TA_RIGHT)
    left = x - width;
  int top = y;
  if ((textAlignment_ & TA_BASELINE) == TA_BASELINE)
    top = y - metrics.ascent();
  else if (textAlignment_ & TA_BOTTOM)
    top = y - metrics.height();
  if (FarFromSurface(left, top, width + metrics.height())) return;
  if (backgroundMode_ != OPAQUE && TextWouldChangeNothing(left, top, width, metrics.height()))
    return;
  SetPainterMode(QPainter::CompositionMode_SourceOver);
  if (backgroundMode_ == OPAQUE)
    painter_->fillRect(left, top, width, metrics.height(), ToQColor(backgroundColor_));
  painter_->setPen(ToQColor(Font.Color));
  const QString key = TextKey(text);
  auto it = layouts_.find(key);
  if (it == layouts_.end()) {
    if (layouts_.size() > kTextCacheLimit) layouts_.clear();
    const bool plain = FaceHasEvery(text);
    QStaticText layout(text);
    layout.setTextFormat(Qt::PlainText);
    layout.prepare(QTransform(), MadeFont(plain));
    it = layouts_.insert(key, {layout, plain});
  }
  // The painter's font must be the one the text was laid out with, or it lays it out again.
  painter_->setFont(MadeFont(it->Plain));
  painter_->drawStaticText(left, top, it->Layout);
}

bool TChartCanvas3D::FarFromSurface(int x, int y, int reach) const {
  // On the image (whose pixels may be finer than the layout's) in its coordinates; on the
  // window, the chart's rectangle there.
  const QPaintDevice* device = painter_->device();
  const long long ratio = std::max<long long>(1, std::lround(device->devicePixelRatioF()));
  const long long r = reach * ratio;
  if (painter_ != &imagePainter_) {
    const QRect w = WindowRect();
    return x < w.left() - r || y < w.top() - r || x > w.right() + 1 + r || y > w.bottom() + 1 + r;
  }
  const QPoint at = painter_->transform().map(QPoint(x, y));
  return at.x() < -r || at.y() < -r || at.x() > device->width() + r ||
         at.y() > device->height() + r;
}

void TChartCanvas3D::WriteRotatedText(int x, int y, int angle, const QString& text) {
  if (!painter_->isActive()) return;
  if (angle > 360) angle -= 360;
  Brush.Style = bsClear;
  // Turned text is laid out afresh each time it is drawn; text that can't reach the
  // surface, at any turn, is left out (an axis stretched far beyond the chart has
  // thousands of labels there).
  if (FarFromSurface(x, y, TextWidthOf(text) + Metrics().height())) return;
  const int savedMode = backgroundMode_;
  backgroundMode_ = TRANSPARENT;
  painter_->save();
  painter_->translate(x, y);
  painter_->rotate(-angle);  // counter-clockwise, as an escapement is
  WriteText(0, 0, text);
  painter_->restore();
  backgroundMode_ = savedMode;
}

void TChartCanvas3D::ClipToRectangle(const TRect& r) {
  if (!painter_->isActive()) return;
  clip_ = QRect(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  if (clip_.isNull()) clip_ = QRect(r.Left, r.Top, 0, 0);
  painter_->setClipRect(painter_ == &imagePainter_ ? clip_ : clip_ & WindowRect());
}

void TChartCanvas3D::RemoveClip() {
  clip_ = QRect();
  if (!painter_->isActive()) return;
  if (painter_ == &imagePainter_)
    painter_->setClipping(false);
  else
    painter_->setClipRect(WindowRect());
}

void TChartCanvas3D::ClipToCube(const TRect& r, int, int) {
  ClipToRectangle({r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1});
}

TRect TChartCanvas3D::PrepareWindow(QPainter* window, TView3DOptions* options, const TRect& bounds,
                                    bool is3D) {
  EndDrawing();
  options_ = options;
  is3D_ = is3D;
  // The first render goes straight onto the window when that gives it the same pixels: a
  // chart drawn once and never changed needs no image, and the window's first paint is
  // spared making one (0.7 MB for the oscilloscope's) and copying it. Later renders, which
  // come with a change, draw through the image.
  const bool firstRender = !rendered_;
  rendered_ = true;
  const bool straight = !buffered_ || (firstRender && firstRenderStraight_ && !monochrome_ &&
                                       devicePixelRatio_ == 1.0 && window && window->isActive());
  if (straight) {
    window_ = bounds;
    // Straight onto the window, in its coordinates; its painter is handed back as it was.
    if (window && window->isActive()) {
      painter_ = window;
      painter_->save();
      clippedByWindow_ = painter_->hasClipping();
      windowPaint_ = QRect();
      windowHoles_.clear();
      if (const QPaintEngine* engine = painter_->paintEngine()) {
        const QRegion paint = engine->systemClip();
        if (!paint.isEmpty()) {
          windowPaint_ = paint.boundingRect();
          const QRegion holes = QRegion(windowPaint_) - paint;
          windowHoles_.assign(holes.begin(), holes.end());
        }
      }
      // Nothing reaches beyond the chart's rectangle, as nothing reaches beyond its image.
      painter_->setClipRect(WindowRect(), Qt::IntersectClip);
      painter_->setRenderHint(QPainter::Antialiasing, false);
      painter_->setRenderHint(QPainter::TextAntialiasing, !monochrome_);
    }
    return bounds;
  }
  const int w = std::max(0, bounds.Width()), h = std::max(0, bounds.Height());
  const QSize pixels(static_cast<int>(std::lround(w * devicePixelRatio_)),
                     static_cast<int>(std::lround(h * devicePixelRatio_)));
  if (image_ && (image_->size() != pixels || image_->devicePixelRatio() != devicePixelRatio_))
    image_.reset();
  if (!image_) {
    dirtyAll_ = true;
    image_ = std::make_unique<QImage>(pixels, QImage::Format_RGB32);
    image_->setDevicePixelRatio(devicePixelRatio_);
    image_->fill(Qt::white);
  }
  BeginImagePainter();
  return {0, 0, w, h};
}

void TChartCanvas3D::BeginImagePainter() {
  // A control of no size has an image of none: nothing is drawn on it.
  if (image_->isNull() || !imagePainter_.begin(image_.get())) return;
  imagePainter_.setRenderHint(QPainter::Antialiasing, false);
  imagePainter_.setRenderHint(QPainter::TextAntialiasing, !monochrome_);
}

void TChartCanvas3D::SuspendDrawing() {
  if (painter_ == &imagePainter_ && imagePainter_.isActive()) imagePainter_.end();
}

void TChartCanvas3D::ResumeDrawing() {
  if (buffered_ && image_ && painter_ == &imagePainter_ && !imagePainter_.isActive())
    BeginImagePainter();
}

void TChartCanvas3D::SetPainterMode(QPainter::CompositionMode mode) {
  // What the painter draws next may reach anywhere: the whole ground goes back.
  dirtyAll_ = true;
  painter_->setCompositionMode(mode);
}

void TChartCanvas3D::KeepBackground() {
  if (!buffered_ || !image_ || image_->isNull() || !clip_.isNull()) {
    DropBackground();
    return;
  }
  // The painter draws straight into the image's memory: what it holds now is all drawn.
  background_ = image_->copy();
  dirty_ = {};
  dirtyAll_ = false;
  backgroundState_ = {Pen,      Brush, Font, backgroundColor_, backgroundMode_, textAlignment_,
                      position_};
}

bool TChartCanvas3D::RestoreBackground() {
  if (!buffered_ || !image_ || background_.isNull() || background_.size() != image_->size() ||
      background_.devicePixelRatio() != image_->devicePixelRatio() ||
      background_.format() != image_->format() || painter_ != &imagePainter_)
    return false;
  // Copied into the image's own memory, not shared with it: the series drawn next must not
  // reach the kept ground.
  // Only what was drawn since the image was the ground goes back, by the painter's copy
  // (which takes a small part of the instructions of memcpy on an image this large).
  EndDrawing();
  BeginImagePainter();
  imagePainter_.setCompositionMode(QPainter::CompositionMode_Source);
  if (dirtyAll_)
    imagePainter_.drawImage(QPoint(0, 0), background_);
  else if (!dirty_.isNull()) {  // lines written straight, only at one pixel per layout pixel
    const QRect back(QPoint(dirty_.Left, dirty_.Top), QPoint(dirty_.Right, dirty_.Bottom));
    imagePainter_.drawImage(back, background_, back);
  }
  dirty_ = {};
  dirtyAll_ = false;
  Pen = backgroundState_.pen;
  Brush = backgroundState_.brush;
  Font = backgroundState_.font;
  backgroundColor_ = backgroundState_.backgroundColor;
  backgroundMode_ = backgroundState_.backgroundMode;
  textAlignment_ = backgroundState_.textAlignment;
  position_ = backgroundState_.position;
  clip_ = QRect();
  return true;
}

void TChartCanvas3D::CopyImage(QPainter& window, TPoint origin) const {
  if (monochrome_)
    window.drawImage(origin.X, origin.Y, image_->convertToFormat(QImage::Format_Mono));
  else
    window.drawImage(origin.X, origin.Y, *image_);
}

void TChartCanvas3D::ShowImage(QPainter& window, TPoint origin) {
  EndDrawing();
  if (!buffered_ || !image_) return;
  CopyImage(window, origin);
  imageOutOfDate_ = false;
}

bool TChartCanvas3D::ReshowImage(QPainter& window, TPoint origin) {
  if (imageOutOfDate_ || !buffered_ || !image_) return false;
  EndDrawing();
  CopyImage(window, origin);
  return true;
}
