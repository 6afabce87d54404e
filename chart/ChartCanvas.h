#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <QString>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "chart/ChartFont.h"
#include "chart/ChartPen.h"
#include "chart/View3DOptions.h"
#include "framework/Colors.h"
#include "framework/Geometry.h"

// Text alignment flags: one horizontal and one vertical flag, or-ed.
enum : int {
  TA_LEFT = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_TOP = 0,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
};
// Background modes of text output.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// The chart's drawing surface. Coordinates are whole pixels; rectangles leave their right
// and bottom edges out; a line leaves its end point out, so joined lines set every pixel
// once. Drawing is aliased: a yellow trace is pure yellow on black. The canvas measures
// text in its current font.
class TChartCanvas {
 public:
  virtual ~TChartCanvas() = default;

  int TextWidthOf(const QString& text) const;
  int TextHeightOf(const QString& text) const;
  int FontHeight() const { return TextHeightOf(QStringLiteral("W")); }

  // What draws: set directly, or from a chart pen with ApplyChartPen.
  struct TPenState {
    TColor Color = clBlack;
    TPenMode Mode = pmCopy;
    TPenStyle Style = psSolid;
    int Width = 1;
    bool Alternate = false;  // every other pixel (a thin pen with SmallDots)
  };
  TPenState Pen;
  TChartBrush Brush;
  TChartFont Font;

  void ApplyChartPen(const TChartPen& pen);

 protected:
  // The font and its metrics, made again only when Font changes: looking a face up is by
  // far the dearest thing a chart frame would otherwise do, many times over.
  const QFont& QtFont() const;
  // The face's own metrics (height, ascent), which fallback faces don't change.
  const QFontMetrics& Metrics() const;
  // For a text: the metrics without fallback faces when the face has every character of it.
  // Asking for fallbacks has fontconfig sort every installed face (per script, some
  // million instructions each), which a chart's labels, all of one face, never need.
  const QFontMetrics& MetricsFor(const QString& text) const;
  // The current font, without fallback faces or with them.
  const QFont& MadeFont(bool plain) const;

 private:
  friend class TChartCanvas3D;
  // Text laid out once and kept: a chart draws the same few labels every frame.
  QString TextKey(const QString& text) const;
  mutable QHash<QString, int> widths_;
  struct TLaidOutText {
    QStaticText Layout;
    bool Plain = false;  // laid out with the font without fallbacks
  };
  mutable QHash<QString, TLaidOutText> layouts_;
  bool FaceHasEvery(const QString& text) const;
  // The last few fonts made: a chart switches between those of its titles, labels and
  // series on every render.
  struct TMadeFont {
    TChartFont For;
    QString Key;
    std::unique_ptr<QFont> Font;
    std::unique_ptr<QFontMetrics> Metrics;
    std::unique_ptr<QFont> Plain;  // the same without fallback faces
    std::unique_ptr<QFontMetrics> PlainMetrics;
    int Height = -1;  // once asked
    unsigned LastUse = 0;
  };
  mutable std::array<TMadeFont, 4> fonts_;
  mutable TMadeFont* current_ = nullptr;
  mutable unsigned uses_ = 0;
};

// The canvas the chart uses: flat drawing with every depth operation reduced to its 2D
// form, and, by default, an off-screen image that is drawn in full and then shown in one
// copy, kept between paints so an unchanged chart is shown again by copying alone.
class TChartCanvas3D : public TChartCanvas {
 public:
  TChartCanvas3D();
  ~TChartCanvas3D() override;

  // Who to ask for a full repaint when a setting makes the image useless.
  std::function<void()> OnInvalidateChart;

  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor color) { backgroundColor_ = color; }
  int BackgroundMode() const { return backgroundMode_; }
  void SetBackgroundMode(int mode) { backgroundMode_ = mode; }
  int TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(int flags) { textAlignment_ = flags; }
  bool IsMonochrome() const { return monochrome_; }
  void SetIsMonochrome(bool value);
  bool IsBuffered() const { return buffered_; }
  // Without buffering every paint draws straight onto the window. A change asks the chart
  // to repaint.
  void SetIsBuffered(bool value);
  // Whether the first render may go straight onto the window (see PrepareWindow); on by
  // default. Off, every render of a buffered canvas goes through its image.
  void SetFirstRenderStraight(bool value) { firstRenderStraight_ = value; }
  // Pixels of the image per pixel of layout (2 on a screen scaled twice).
  void SetDevicePixelRatio(double ratio) { devicePixelRatio_ = ratio; }
  double DevicePixelRatio() const { return devicePixelRatio_; }

  void PutPixel(int x, int y, TColor color);
  void PenMoveTo(int x, int y) { position_ = {x, y}; }
  void PenLineTo(int x, int y);
  TPoint PenPosition() const { return position_; }
  // How many PenLineTo calls the canvas has had: what a series' drawing costs, in calls.
  long long PenLineCalls() const { return penLineCalls_; }
  void DrawLine(int x0, int y0, int x1, int y1);
  // Vertical lines in the pen from row Top to row Bottom, both drawn: the pixels of
  // PenMoveTo(X, Top) and PenLineTo(X, Bottom + 1) for each, written in one pass where the
  // canvas can (a solid pen, copied), for a series of one line a pixel column.
  struct TVerticalSpan {
    int X = 0, Top = 0, Bottom = 0;
  };
  void DrawVerticalSpans(std::span<const TVerticalSpan> spans);
  void DrawHorizLine(int x0, int x1, int y) { DrawLine(x0, y, x1, y); }
  void DrawVertLine(int x, int y0, int y1) { DrawLine(x, y0, x, y1); }
  void DrawRectangle(int x0, int y0, int x1, int y1);
  void DrawRect(const TRect& r) { DrawRectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRectangle(const TRect& r);
  void EraseRectangle(const TRect& r) { FillRectangle(r); }
  void DrawFrame3D(TRect r, TColor topLeft, int width, TColor bottomRight);
  void DrawEllipse(const TRect& r);
  void DrawArc(const TRect& r, TPoint start, TPoint end);
  void DrawPie(const TRect& r, TPoint start, TPoint end);
  void DrawRoundRect(int x0, int y0, int x1, int y1, int cornerWidth, int cornerHeight);
  void DrawPolygon(const std::vector<TPoint>& points, int lastIndex);
  void DrawGraphic(int x, int y, const QImage& picture);
  void StretchGraphic(const TRect& r, const QImage& picture);
  void FillGradient(const TRect& r, TColor startColor, bool vertical, TColor endColor);
  void WriteText(int x, int y, const QString& text);
  void WriteRotatedText(int x, int y, int angle, const QString& text);
  void ClipToRectangle(const TRect& r);
  void RemoveClip();
  void InvalidateImage() { imageOutOfDate_ = true; }
  bool ImageOutOfDate() const { return imageOutOfDate_; }

  // Depth operations: in a flat chart every point is its own projection.
  TPoint ProjectPoint(int x, int y, int /*z*/) const { return {x, y}; }
  void ClipToCube(const TRect& r, int z0, int z1);
  void LineWithDepth(int x0, int y0, int x1, int y1, int /*z*/) { DrawLine(x0, y0, x1, y1); }
  void MoveToDepth(int x, int y, int /*z*/) { PenMoveTo(x, y); }
  void LineToDepth(int x, int y, int /*z*/) { PenLineTo(x, y); }
  void HorizLineWithDepth(int x0, int x1, int y, int /*z*/) { DrawLine(x0, y, x1, y); }
  void VertLineWithDepth(int x, int y0, int y1, int /*z*/) { DrawLine(x, y0, x, y1); }
  void TextWithDepth(int x, int y, int /*z*/, const QString& text) { WriteText(x, y, text); }
  void BeginFlatDrawing() {}
  void EndFlatDrawing() {}

  // One paint: PrepareWindow, drawing, ShowImage. With buffering the chart lays itself out
  // in image coordinates: the answer is (0, 0, width, height).
  // Without buffering the canvas draws with the window's painter, in the window's
  // coordinates, and the answer is bounds itself.
  TRect PrepareWindow(QPainter* window, TView3DOptions* options, const TRect& bounds, bool is3D);
  // Copies the image to the window with its top-left corner at origin; up to date now.
  void ShowImage(QPainter& window, TPoint origin);
  // When the image is up to date: copies it again and answers true.
  bool ReshowImage(QPainter& window, TPoint origin = {});
  // Between paints: draws on the kept image again, when there is one and it is up to date
  // (otherwise the next paint draws everything anyway and the answer is false). Ended by
  // EndImageDrawing; the image stays up to date, so a paint shows it by copying.
  bool ResumeImageDrawing();
  void EndImageDrawing() { EndDrawing(); }
  const QImage* Image() const { return image_.get(); }
  bool Is3D() const { return is3D_; }

  // The ground a render may start from: the image with the parts of a chart that stay the
  // same from render to render (panel, walls, axes), and the drawing state they left.
  // Kept only with buffering and without a clip in force.
  void KeepBackground();
  // Copies the kept ground into the image and takes up its drawing state, drawing on;
  // false (and nothing changed) when none is kept for an image of this size.
  bool RestoreBackground();
  void DropBackground() { background_ = QImage(); }
  bool HasBackground() const { return !background_.isNull(); }
  // Between PrepareWindow and ShowImage: drawing calls do nothing until ResumeDrawing, so a
  // render can lay itself out before it knows whether it starts from the kept ground.
  void SuspendDrawing();
  void ResumeDrawing();

 private:
  QPen QtPen() const;
  void UsePenMode();
  // The brush for the painter's own shapes: solid, a hatch, or none.
  void UseBrush();
  void EndDrawing();
  void BeginImagePainter();
  void SetPainterMode(QPainter::CompositionMode mode);
  // The image onto the window, in black and white when monochrome.
  void CopyImage(QPainter& window, TPoint origin) const;
  // Cuts a line reaching far beyond the surface to the surface; false when nothing of it
  // shows.
  bool ShortenFarLine(TPoint& a, TPoint& b) const;
  // Whether a point lies more than reach layout pixels outside the surface drawn on.
  bool FarFromSurface(int x, int y, int reach) const;
  bool TextWouldChangeNothing(int left, int top, int width, int height) const;
  // The window's own pixels, when the painter draws straight onto a window kept in memory,
  // one device pixel per pixel, shifted by whole pixels (origin: where layout pixel (0, 0)
  // is); else nullptr.
  QImage* WindowPixels(QPoint& origin) const;
  // The pixels of a line from a to b, without b, in the current pen.
  void ThinLine(TPoint a, TPoint b);
  // The same written straight into the image: solid copy-mode lines at one image pixel
  // per layout pixel, which is every line of the oscilloscope. Answers false when the line
  // needs the painter.
  bool DirectLine(TPoint a, TPoint b);
  // Where DirectLine writes: the image, or the window's own pixels when the chart draws
  // straight onto a window kept in memory. bits is layout pixel (0, 0); the bounds (of the
  // surface, the paint's region, the chart's rectangle and the clip) are inclusive. A line
  // that reaches outside a paint's region of many parts is left to the painter.
  struct TPixelSurface {
    uchar* bits = nullptr;
    qsizetype stride = 0;
    int left = 0, top = 0, right = -1, bottom = -1;
    int width = 0, height = 0;  // for the reach of far lines
    bool image = false;
    QPoint origin;  // where layout pixel (0, 0) is on the window's pixels
  };
  bool PixelSurfaceOf(TPixelSurface& surface);
  // The same pixels through a painter that draws on a window DirectLine can't write to (one
  // not in memory, or clipped to a region of many parts), at one device pixel per layout
  // pixel, so that a chart drawn straight onto the window looks as one drawn through its
  // image. Answers false for the lines DirectLine leaves to the painter as well.
  bool PaintedPixelLine(TPoint a, TPoint b);

  TView3DOptions* options_ = nullptr;
  bool is3D_ = false;
  TRect window_;  // where a render straight onto the window draws, in layout pixels
  QRect WindowRect() const {
    return {window_.Left, window_.Top, window_.Width(), window_.Height()};
  }
  bool clippedByWindow_ = false;  // the window's painter came with a clip of its own
  // The paint's region on the window's pixels: its bounds, and what they hold that it
  // leaves out (other windows lying over the chart).
  QRect windowPaint_;
  std::vector<QRect> windowHoles_;
  std::unique_ptr<QImage> image_;
  struct TDrawingState {
    TPenState pen;
    TChartBrush brush;
    TChartFont font;
    TColor backgroundColor;
    int backgroundMode;
    int textAlignment;
    TPoint position;
  };
  QImage background_;
  TDrawingState backgroundState_;
  // Where the image may differ from the kept ground, in image pixels: the lines written
  // straight into it add their reach; anything the painter draws makes it all.
  struct TPixelBox {
    int Left = 0, Top = 0, Right = -1, Bottom = -1;  // inclusive
    bool isNull() const { return Right < Left; }
    void Include(int left, int top, int right, int bottom) {
      if (isNull()) {
        *this = {left, top, right, bottom};
        return;
      }
      Left = std::min(Left, left);
      Top = std::min(Top, top);
      Right = std::max(Right, right);
      Bottom = std::max(Bottom, bottom);
    }
  } dirty_;
  bool dirtyAll_ = true;
  bool buffered_ = true;
  bool firstRenderStraight_ = true;
  bool rendered_ = false;
  bool monochrome_ = false;
  bool imageOutOfDate_ = true;
  double devicePixelRatio_ = 1.0;
  // Draws on the image; painter_ is it, or the window's painter when unbuffered.
  QPainter imagePainter_;
  QPainter* painter_ = &imagePainter_;
  TPoint position_;
  long long penLineCalls_ = 0;
  QRect clip_;  // the clip rectangle in force, empty when none
  TColor backgroundColor_ = clWhite;
  int backgroundMode_ = OPAQUE;
  int textAlignment_ = TA_LEFT | TA_TOP;
};

QColor ToQColor(TColor color);
TColor FromQRgb(QRgb rgb);
