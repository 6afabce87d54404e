// The canvas is checked by the pixels it sets in its off-screen image.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QStaticText>
#include <random>
#include <set>

#include "chart/ChartCanvas.h"

namespace {

using Pixel = std::pair<int, int>;

class Canvas : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
    canvas.Brush = {clBlack, bsSolid};
    canvas.FillRectangle({0, 0, 20, 12});
  }
  // Every pixel that is not black, after showing the image.
  std::set<Pixel> Set() {
    QImage window(20, 12, QImage::Format_RGB32);
    QPainter painter(&window);
    canvas.ShowImage(painter, {0, 0});
    painter.end();
    std::set<Pixel> pixels;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x)
        if ((window.pixel(x, y) & 0xFFFFFF) != 0) pixels.insert({x, y});
    image = window;
    return pixels;
  }
  static std::set<Pixel> Box(int x0, int y0, int x1, int y1) {  // right/bottom outside
    std::set<Pixel> pixels;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) pixels.insert({x, y});
    return pixels;
  }
  TColor At(int x, int y) const { return FromQRgb(image.pixel(x, y)); }

  TChartCanvas3D canvas;
  QImage image;
};

}  // namespace

TEST_F(Canvas, RectangleLeavesItsRightAndBottomEdgesOut) {
  canvas.Pen = {clWhite, pmCopy, psSolid, 1, false};
  canvas.Brush = {clYellow, bsSolid};
  canvas.DrawRectangle(2, 3, 7, 6);
  EXPECT_EQ(Set(), Box(2, 3, 7, 6));
  EXPECT_EQ(At(2, 3), clWhite);   // outline
  EXPECT_EQ(At(6, 5), clWhite);   // its last column and row are 6 and 5
  EXPECT_EQ(At(3, 4), clYellow);  // fill inside
}

TEST_F(Canvas, RectangleWithoutOutlineFillsOneLess) {
  canvas.Pen.Style = psClear;
  canvas.Brush = {clYellow, bsSolid};
  canvas.DrawRectangle(2, 3, 7, 6);
  EXPECT_EQ(Set(), Box(2, 3, 6, 5));
}

TEST_F(Canvas, FillRectangleCoversExactlyItsPixels) {
  canvas.Brush = {clWhite, bsSolid};
  canvas.FillRectangle({1, 1, 4, 3});
  EXPECT_EQ(Set(), Box(1, 1, 4, 3));
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  canvas.Brush = {clWhite, bsClear};
  canvas.FillRectangle({5, 5, 9, 9});
  EXPECT_EQ(Set(), Box(1, 1, 4, 3));  // a clear brush fills nothing
}

TEST_F(Canvas, LinesLeaveOutTheirEndPoint) {
  canvas.Pen = {clWhite, pmCopy, psSolid, 1, false};
  canvas.DrawHorizLine(2, 6, 1);
  canvas.DrawVertLine(10, 2, 5);
  canvas.PenMoveTo(12, 0);
  canvas.PenLineTo(15, 3);
  EXPECT_EQ(canvas.PenPosition(), (TPoint{15, 3}));
  std::set<Pixel> expected = Box(2, 1, 6, 2);
  for (Pixel p : Box(10, 2, 11, 5)) expected.insert(p);
  for (int i = 0; i < 3; ++i) expected.insert({12 + i, i});
  EXPECT_EQ(Set(), expected);
}

TEST_F(Canvas, SmallDotsSetEveryOtherPixelOnlyWhenThin) {
  TChartPen pen;
  pen.SetColor(clWhite);
  pen.SetSmallDots(true);
  canvas.ApplyChartPen(pen);
  canvas.DrawHorizLine(0, 10, 2);
  std::set<Pixel> dots;
  for (int x = 0; x < 10; x += 2) dots.insert({x, 2});
  EXPECT_EQ(Set(), dots);

  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  canvas.Brush = {clBlack, bsSolid};
  canvas.FillRectangle({0, 0, 20, 12});
  pen.SetWidth(2);
  canvas.ApplyChartPen(pen);
  canvas.DrawHorizLine(0, 10, 6);
  const std::set<Pixel> wide = Set();
  for (int x = 1; x < 9; ++x) EXPECT_TRUE(wide.count({x, 6})) << x;  // no gaps
}

TEST_F(Canvas, HiddenPenDrawsNothing) {
  TChartHiddenPen pen;
  canvas.ApplyChartPen(pen);
  canvas.DrawLine(0, 0, 10, 10);
  EXPECT_TRUE(Set().empty());
}

TEST_F(Canvas, Frame3DDrawsTheBevel) {
  canvas.DrawFrame3D({2, 2, 8, 7}, clWhite, 1, 0x808080);
  Set();
  // Top-left light: row 2 from x 2 to 6, column 2 from y 2 to 5 (but the corner at the
  // bottom-left is taken by the dark part).
  for (int x = 2; x <= 6; ++x) EXPECT_EQ(At(x, 2), clWhite) << x;
  for (int y = 2; y <= 5; ++y) EXPECT_EQ(At(2, y), clWhite) << y;
  // Bottom-right dark: column 7 from y 2 to 5, row 6 from x 2 to 7.
  for (int y = 2; y <= 5; ++y) EXPECT_EQ(At(7, y), 0x808080u) << y;
  for (int x = 2; x <= 7; ++x) EXPECT_EQ(At(x, 6), 0x808080u) << x;
  EXPECT_EQ(At(3, 3), clBlack);
  EXPECT_EQ(At(8, 2), clBlack);
  EXPECT_EQ(At(2, 7), clBlack);
}

TEST_F(Canvas, ClipToCubeMovesLeftTopAndBottomIn) {
  canvas.ClipToCube({2, 2, 10, 8}, 0, 0);
  canvas.Brush = {clWhite, bsSolid};
  canvas.FillRectangle({0, 0, 20, 12});
  EXPECT_EQ(Set(), Box(3, 3, 10, 7));
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  canvas.RemoveClip();
  canvas.FillRectangle({0, 0, 20, 12});
  EXPECT_EQ(Set().size(), 240u);
}

TEST_F(Canvas, PenModesCombineWithWhatIsThere) {
  canvas.Brush = {0x00FF00, bsSolid};
  canvas.FillRectangle({0, 0, 10, 1});
  canvas.Pen = {0x0000FF, pmXor, psSolid, 1, false};
  canvas.DrawHorizLine(0, 10, 0);
  Set();
  EXPECT_EQ(At(3, 0), 0x00FFFFu);
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  canvas.Pen.Mode = pmNop;
  canvas.DrawHorizLine(0, 10, 0);
  Set();
  EXPECT_EQ(At(3, 0), 0x00FFFFu);
}

TEST_F(Canvas, TextIsMeasuredAndPlacedByItsAlignment) {
  canvas.Font.Height = -12;
  canvas.Font.Color = clWhite;
  const int width = canvas.TextWidthOf("200");
  const int height = canvas.FontHeight();
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 8);
  EXPECT_EQ(canvas.TextHeightOf("-5"), height);
  canvas.SetBackgroundMode(OPAQUE);
  canvas.SetBackgroundColor(0x0000FF);
  canvas.SetTextAlignment(TA_RIGHT | TA_TOP);
  canvas.WriteText(18, 0, "8");
  Set();
  const int w8 = canvas.TextWidthOf("8");
  EXPECT_EQ(At(18 - w8, 0), 0x0000FFu);  // the box starts where the width says
  EXPECT_EQ(At(17 - w8, 0), clBlack);
  EXPECT_EQ(At(18, 0), clBlack);
}

TEST_F(Canvas, AnUnchangedImageIsShownAgainByCopying) {
  canvas.Brush = {clWhite, bsSolid};
  canvas.FillRectangle({0, 0, 1, 1});
  QImage window(20, 12, QImage::Format_RGB32);
  window.fill(Qt::black);
  QPainter painter(&window);
  EXPECT_FALSE(canvas.ReshowImage(painter));  // never shown yet
  canvas.ShowImage(painter, {0, 0});
  window.fill(Qt::black);
  EXPECT_TRUE(canvas.ReshowImage(painter));
  painter.end();
  EXPECT_EQ(FromQRgb(window.pixel(0, 0)), clWhite);
  canvas.InvalidateImage();
  QPainter again(&window);
  EXPECT_FALSE(canvas.ReshowImage(again));
}

TEST_F(Canvas, ANewSizeMakesANewImage) {
  const QImage* first = canvas.Image();
  QImage window(40, 40, QImage::Format_RGB32);
  QPainter painter(&window);
  canvas.ShowImage(painter, {0, 0});
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  EXPECT_EQ(canvas.Image()->size(), QSize(20, 12));
  const TRect r = canvas.PrepareWindow(nullptr, nullptr, {5, 5, 35, 25}, false);
  EXPECT_EQ(r, (TRect{0, 0, 30, 20}));
  EXPECT_EQ(canvas.Image()->size(), QSize(30, 20));
  (void)first;
  canvas.SetDevicePixelRatio(2);
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 30, 20}, false);
  EXPECT_EQ(canvas.Image()->size(), QSize(60, 40));
  canvas.ShowImage(painter, {0, 0});
}

TEST(ChartPen, PresetsAndNotification) {
  int changes = 0;
  TChartPen pen([&] { ++changes; });
  pen.SetVisible(false);
  pen.SetVisible(false);
  pen.SetSmallDots(true);
  pen.SetWidth(3);
  EXPECT_EQ(changes, 3);
  EXPECT_FALSE(TChartHiddenPen().Visible());
  EXPECT_EQ(TDottedGrayPen().Color(), 0x808080u);
  EXPECT_EQ(TDottedGrayPen().Style(), psDot);
  EXPECT_EQ(TDarkGrayPen().Color(), 0x808080u);
  EXPECT_EQ(TChartAxisPen().Width(), 2);
  EXPECT_EQ(TChartArrowPen().Color(), clWhite);
  TChartPen copy;
  copy.Assign(pen);
  EXPECT_FALSE(copy.Visible());
  EXPECT_TRUE(copy.SmallDots());
  EXPECT_EQ(copy.Width(), 3);
}

TEST_F(Canvas, HatchedBrushDrawsLinesOnItsGround) {
  canvas.Brush = {clWhite, bsCross};
  canvas.SetBackgroundMode(OPAQUE);
  canvas.SetBackgroundColor(0xFF0000);
  canvas.FillRectangle({0, 0, 10, 12});
  Set();
  std::set<TColor> colours;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 10; ++x) colours.insert(At(x, y));
  EXPECT_EQ(colours, (std::set<TColor>{clWhite, 0xFF0000}));
  EXPECT_EQ(At(10, 0), clBlack);  // the rectangle's right edge is outside it
  // On a transparent background the ground between the lines stays as it was.
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, 20, 12}, false);
  canvas.SetBackgroundMode(TRANSPARENT);
  canvas.Brush = {clBlack, bsSolid};
  canvas.FillRectangle({0, 0, 20, 12});
  canvas.Brush = {clWhite, bsDiagCross};
  canvas.FillRectangle({0, 0, 10, 12});
  Set();
  colours.clear();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 10; ++x) colours.insert(At(x, y));
  EXPECT_EQ(colours, (std::set<TColor>{clWhite, clBlack}));
}

namespace {

// A two-pixel pen sets, at each pixel of the thin line's walk and at its end, that pixel
// and those left of, above, and above left of it; inside the image, across its edges and
// within a clip alike.
TEST(CanvasWidePen, TwoPixelLinesSetTheSquareAlongTheWalk) {
  constexpr int kSize = 24;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-3, kSize + 2);
  for (int round = 0; round < 400; ++round) {
    TChartCanvas3D canvas;
    canvas.PrepareWindow(nullptr, nullptr, {0, 0, kSize, kSize}, false);
    canvas.Brush = {clBlack, bsSolid};
    canvas.FillRectangle({0, 0, kSize, kSize});
    const bool clipped = round % 4 == 3;
    const TRect clip{3, 2, 19, 21};
    if (clipped) canvas.ClipToRectangle(clip);
    canvas.Pen.Color = clWhite;
    canvas.Pen.Width = 2;
    const TPoint a{coordinate(random), coordinate(random)};
    const TPoint b{coordinate(random), coordinate(random)};
    canvas.DrawLine(a.X, a.Y, b.X, b.Y);
    const QImage image = *canvas.Image();

    std::set<Pixel> expected;
    auto square = [&](int x, int y) {
      for (int yy = y - 1; yy <= y; ++yy)
        for (int xx = x - 1; xx <= x; ++xx) {
          const bool inside = xx >= 0 && yy >= 0 && xx < kSize && yy < kSize;
          const bool inClip = !clipped || (xx >= clip.Left && xx < clip.Right && yy >= clip.Top &&
                                           yy < clip.Bottom);
          if (inside && inClip) expected.insert({xx, yy});
        }
    };
    int x = a.X, y = a.Y, error = std::abs(b.X - a.X) - std::abs(b.Y - a.Y);
    while (!(x == b.X && y == b.Y)) {
      square(x, y);
      const int e2 = 2 * error;
      if (e2 >= -std::abs(b.Y - a.Y)) {
        error -= std::abs(b.Y - a.Y);
        x += a.X < b.X ? 1 : -1;
      }
      if (e2 <= std::abs(b.X - a.X)) {
        error += std::abs(b.X - a.X);
        y += a.Y < b.Y ? 1 : -1;
      }
    }
    square(b.X, b.Y);  // the end, even of a line of no length
    std::set<Pixel> lit;
    for (int yy = 0; yy < kSize; ++yy)
      for (int xx = 0; xx < kSize; ++xx)
        if ((image.pixel(xx, yy) & 0xFFFFFF) != 0) lit.insert({xx, yy});
    ASSERT_EQ(lit, expected) << "from (" << a.X << ", " << a.Y << ") to (" << b.X << ", " << b.Y
                             << ")" << (clipped ? " clipped" : "");
  }
}

}  // namespace

// Texts are drawn without fallback faces when the face has all their characters (asking for
// fallbacks has fontconfig sort every face): they must look and measure exactly as they do
// with fallbacks allowed, and a character the face lacks must still come from another face.
TEST(CanvasText, LooksAsWithFallbackFacesWhetherOrNotItNeedsThem) {
  TChartCanvas3D canvas;
  canvas.Font.Name = QStringLiteral("IPAPMincho");  // the oscilloscope's label face
  canvas.Font.Height = -13;
  canvas.Font.Color = clWhite;
  QFont merging(canvas.Font.Name);
  merging.setPixelSize(13);
  QFont plain = merging;
  plain.setStyleStrategy(QFont::NoFontMerging);
  // A character this machine's label face lacks and some other face has.
  QString foreign;
  for (char32_t candidate : {U'\u0531', U'\u10D0', U'\u0E01', U'\u05D0', U'\u2603'}) {
    const QString text = QString::fromUcs4(&candidate, 1);
    if (!QFontMetrics(plain).inFontUcs4(candidate) && QFontMetrics(merging).inFontUcs4(candidate))
      foreign = text;
  }
  if (foreign.isEmpty()) GTEST_SKIP() << "every face here has the same characters";
  for (const QString& text : {QStringLiteral("-5.25"), QStringLiteral("200"),
                              QStringLiteral("x") + foreign + QStringLiteral("1")}) {
    EXPECT_EQ(canvas.TextWidthOf(text), QFontMetrics(merging).horizontalAdvance(text))
        << text.toStdString();
    canvas.PrepareWindow(nullptr, nullptr, {0, 0, 80, 24}, false);
    canvas.Brush = {clBlack, bsSolid};
    canvas.FillRectangle({0, 0, 80, 24});
    canvas.SetTextAlignment(TA_LEFT | TA_TOP);
    canvas.SetBackgroundMode(TRANSPARENT);
    canvas.WriteText(3, 2, text);
    QImage drawn(80, 24, QImage::Format_RGB32);
    QPainter shown(&drawn);
    canvas.ShowImage(shown, {0, 0});
    shown.end();
    QImage expected(80, 24, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter painter(&expected);
    painter.setFont(merging);
    painter.setPen(Qt::white);
    QStaticText layout(text);
    layout.setTextFormat(Qt::PlainText);
    layout.prepare(QTransform(), merging);
    painter.drawStaticText(3, 2, layout);
    painter.end();
    EXPECT_EQ(drawn, expected) << text.toStdString();
    QImage blank(80, 24, QImage::Format_RGB32);
    blank.fill(Qt::black);
    EXPECT_NE(drawn, blank) << "nothing drawn";
  }
}

TEST_F(Canvas, VerticalSpansSetThePixelsOfTheirLinesForEveryPenWidthAndClip) {
  const std::vector<TChartCanvas3D::TVerticalSpan> spans = {
      {0, 0, 11}, {3, 4, 4}, {5, 2, 9}, {6, -5, 3}, {10, 8, 40}, {19, 1, 2}, {25, 0, 5}};
  for (int width : {1, 2, 3})
    for (bool clipped : {false, true}) {
      const auto draw = [&](bool asSpans) {
        SetUp();
        canvas.Pen = {clWhite, pmCopy, psSolid, width, false};
        if (clipped) canvas.ClipToCube({2, 3, 16, 10}, 0, 0);
        if (asSpans) {
          canvas.DrawVerticalSpans(spans);
        } else {
          for (const auto& span : spans) {
            canvas.PenMoveTo(span.X, span.Top);
            canvas.PenLineTo(span.X, span.Bottom + 1);
          }
        }
        canvas.RemoveClip();
        return Set();
      };
      const std::set<Pixel> lines = draw(false);
      EXPECT_FALSE(lines.empty());
      EXPECT_EQ(draw(true), lines) << "width " << width << (clipped ? ", clipped" : "");
    }
}
