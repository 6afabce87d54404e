// The canvas' shapes, pictures and gradient, and its depth operations, checked by the pixels
// they set in the off-screen image.
#include <gtest/gtest.h>

#include <set>

#include "chart/ChartCanvas.h"

namespace {

using Pixel = std::pair<int, int>;
constexpr int kSize = 24;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;

class CanvasShapes : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void Clear() {
    canvas.PrepareWindow(nullptr, nullptr, {0, 0, kSize, kSize}, false);
    canvas.Brush = {clBlack, bsSolid};
    canvas.FillRectangle({0, 0, kSize, kSize});
    canvas.Pen = {clWhite, pmCopy, psSolid, 1, false};
    canvas.Brush = {clRed, bsSolid};
  }
  // The image as the window gets it; every pixel that is not black.
  std::set<Pixel> Shown() {
    image = QImage(kSize, kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    canvas.ShowImage(painter, {0, 0});
    painter.end();
    std::set<Pixel> lit;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (At(x, y) != clBlack) lit.insert({x, y});
    return lit;
  }
  TColor At(int x, int y) const { return FromQRgb(image.pixel(x, y)); }
  // Whether every pixel lies inside r (right and bottom edges outside).
  static bool AllInside(const std::set<Pixel>& pixels, const TRect& r) {
    for (const auto& [x, y] : pixels)
      if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) return false;
    return true;
  }
  static int CountOf(const std::set<Pixel>& pixels, const std::function<bool(int, int)>& where) {
    int count = 0;
    for (const auto& [x, y] : pixels) count += where(x, y);
    return count;
  }

  TChartCanvas3D canvas;
  QImage image;
};

}  // namespace

TEST_F(CanvasShapes, PutPixelSetsOnePixelInsideTheClipOnly) {
  canvas.PutPixel(3, 4, 0x123456);
  canvas.PutPixel(-1, 4, clWhite);  // off the image: nothing, and no harm
  canvas.PutPixel(kSize, kSize, clWhite);
  canvas.ClipToRectangle({10, 10, 20, 20});
  canvas.PutPixel(9, 10, clWhite);
  canvas.PutPixel(10, 10, clYellow);
  EXPECT_EQ(Shown(), (std::set<Pixel>{{3, 4}, {10, 10}}));
  EXPECT_EQ(At(3, 4), 0x123456u);
  EXPECT_EQ(At(10, 10), clYellow);
}

TEST_F(CanvasShapes, EllipseIsOutlinedAndFilledWithinItsBoundingRectangle) {
  const TRect box{2, 3, 20, 17};
  canvas.DrawEllipse(box);
  const std::set<Pixel> lit = Shown();
  EXPECT_TRUE(AllInside(lit, box));
  // The outline reaches each side of the box; the inside takes the brush.
  EXPECT_EQ(At(2, 10), clWhite);
  EXPECT_EQ(At(19, 10), clWhite);
  EXPECT_EQ(At(11, 3), clWhite);
  EXPECT_EQ(At(11, 16), clWhite);
  EXPECT_EQ(At(11, 10), clRed);
  for (Pixel corner : {Pixel{2, 3}, Pixel{19, 3}, Pixel{2, 16}, Pixel{19, 16}})
    EXPECT_EQ(lit.count(corner), 0u) << corner.first << "," << corner.second;

  Clear();
  canvas.Brush.Style = bsClear;
  canvas.DrawEllipse(box);
  Shown();
  EXPECT_EQ(At(2, 10), clWhite);
  EXPECT_EQ(At(11, 10), clBlack);  // a clear brush leaves the inside as it was
}

TEST_F(CanvasShapes, ArcGoesCounterClockwiseFromStartToEndWithThePenOnly) {
  // A circle about (12, 12): from the right (0 degrees) to the top (90 degrees).
  const TRect box{2, 2, 23, 23};
  canvas.DrawArc(box, {22, 12}, {12, 2});
  std::set<Pixel> lit = Shown();
  ASSERT_FALSE(lit.empty());
  EXPECT_TRUE(AllInside(lit, box));
  EXPECT_EQ(CountOf(lit, [](int x, int y) { return x < 12 || y > 12; }), 0);  // the quarter
  EXPECT_EQ(At(22, 12), clWhite);                                             // from the start
  EXPECT_EQ(At(12, 2), clWhite);                                              // to the end
  EXPECT_EQ(At(12, 12), clBlack);                                             // no fill, no radius

  // The other way round: the three quarters the first one left out.
  Clear();
  canvas.DrawArc(box, {12, 2}, {22, 12});
  lit = Shown();
  EXPECT_EQ(CountOf(lit, [](int x, int y) { return x > 13 && y < 11; }), 0);
  EXPECT_GT(CountOf(lit, [](int x, int y) { return x < 11 && y > 13; }), 0);
  EXPECT_GT(CountOf(lit, [](int x, int y) { return x > 13 && y > 13; }), 0);
}

TEST_F(CanvasShapes, PieIsTheArcClosedToTheCentreAndFilled) {
  const TRect box{2, 2, 23, 23};
  canvas.DrawPie(box, {22, 12}, {12, 2});
  const std::set<Pixel> lit = Shown();
  EXPECT_TRUE(AllInside(lit, box));
  EXPECT_EQ(At(17, 7), clRed);     // inside the slice
  EXPECT_EQ(At(17, 12), clWhite);  // on the radius to the start
  EXPECT_EQ(At(12, 7), clWhite);   // on the radius to the end
  EXPECT_EQ(CountOf(lit, [](int x, int y) { return x < 12 || y > 12; }), 0);
}

TEST_F(CanvasShapes, RoundRectangleRoundsItsCornersOnly) {
  const TRect box{2, 3, 20, 17};
  canvas.DrawRoundRect(box.Left, box.Top, box.Right, box.Bottom, 8, 8);
  const std::set<Pixel> lit = Shown();
  EXPECT_TRUE(AllInside(lit, box));
  EXPECT_EQ(At(10, 3), clWhite);  // the middle of each edge is the rectangle's
  EXPECT_EQ(At(10, 16), clWhite);
  EXPECT_EQ(At(2, 10), clWhite);
  EXPECT_EQ(At(19, 10), clWhite);
  EXPECT_EQ(At(10, 10), clRed);
  for (Pixel corner : {Pixel{2, 3}, Pixel{19, 3}, Pixel{2, 16}, Pixel{19, 16}})
    EXPECT_EQ(lit.count(corner), 0u) << corner.first << "," << corner.second;
}

TEST_F(CanvasShapes, PolygonRunsThroughThePointsUpToTheLastIndex) {
  // A fourth point beyond the last index would make the triangle a square.
  const std::vector<TPoint> points = {{2, 2}, {18, 2}, {2, 18}, {18, 18}};
  canvas.DrawPolygon(points, 2);
  const std::set<Pixel> lit = Shown();
  EXPECT_TRUE(AllInside(lit, {2, 2, 19, 19}));
  EXPECT_EQ(At(2, 2), clWhite);
  EXPECT_EQ(At(18, 2), clWhite);
  EXPECT_EQ(At(2, 18), clWhite);
  EXPECT_EQ(At(10, 2), clWhite);  // the edge from point 0 to point 1
  EXPECT_EQ(At(5, 5), clRed);
  EXPECT_EQ(CountOf(lit, [](int x, int y) { return x + y > 21; }), 0);  // beyond the diagonal

  // A last index outside the points draws nothing.
  Clear();
  canvas.DrawPolygon(points, 4);
  canvas.DrawPolygon(points, -1);
  canvas.DrawPolygon({}, 0);
  EXPECT_TRUE(Shown().empty());
}

namespace {
QImage Picture(const std::vector<std::vector<TColor>>& rows) {
  QImage picture(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) picture.setPixelColor(x, y, ToQColor(rows[y][x]));
  return picture;
}
}  // namespace

TEST_F(CanvasShapes, GraphicIsDrawnWithItsTopLeftCornerAtThePoint) {
  const QImage picture = Picture({{clRed, clWhite, clYellow}, {0x00FF00, clBlue, clWhite}});
  canvas.DrawGraphic(5, 4, picture);
  canvas.DrawGraphic(0, 0, QImage());  // no picture: nothing
  std::set<Pixel> expected;
  for (int y = 4; y < 6; ++y)
    for (int x = 5; x < 8; ++x) expected.insert({x, y});
  EXPECT_EQ(Shown(), expected);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(At(5 + x, 4 + y), FromQRgb(picture.pixel(x, y))) << x << "," << y;
}

TEST_F(CanvasShapes, StretchedGraphicFillsItsRectangle) {
  canvas.StretchGraphic({2, 3, 10, 7}, Picture({{clRed, clBlue}}));
  canvas.StretchGraphic({12, 12, 20, 20}, QImage());
  std::set<Pixel> expected;
  for (int y = 3; y < 7; ++y)
    for (int x = 2; x < 10; ++x) expected.insert({x, y});
  EXPECT_EQ(Shown(), expected);
  for (int y = 3; y < 7; ++y) {
    for (int x = 2; x < 6; ++x) EXPECT_EQ(At(x, y), clRed) << x << "," << y;
    for (int x = 6; x < 10; ++x) EXPECT_EQ(At(x, y), clBlue) << x << "," << y;
  }
}

TEST_F(CanvasShapes, GradientRunsFromStartToEndColourAcrossItsRectangle) {
  const TRect box{2, 2, 22, 22};
  auto red = [&](int x, int y) { return int(At(x, y) & 0xFF); };
  auto blue = [&](int x, int y) { return int(At(x, y) >> 16); };

  canvas.FillGradient(box, clRed, true, clBlue);  // top to bottom
  std::set<Pixel> lit = Shown();
  EXPECT_EQ(lit.size(), 400u);
  EXPECT_TRUE(AllInside(lit, box));
  EXPECT_GE(red(2, 2), 0xF0);
  EXPECT_LE(blue(2, 2), 0x10);
  EXPECT_GE(blue(2, 21), 0xE0);
  for (int y = 3; y < 22; ++y) {
    EXPECT_LE(red(10, y), red(10, y - 1)) << y;
    EXPECT_GE(blue(10, y), blue(10, y - 1)) << y;
    for (int x = 3; x < 22; ++x) ASSERT_EQ(At(x, y), At(2, y)) << x << "," << y;  // rows even
  }

  Clear();
  canvas.FillGradient(box, clRed, false, clBlue);  // left to right
  lit = Shown();
  EXPECT_TRUE(AllInside(lit, box));
  EXPECT_GE(red(2, 2), 0xF0);
  EXPECT_GE(blue(21, 2), 0xE0);
  for (int x = 3; x < 22; ++x) {
    EXPECT_LE(red(x, 10), red(x - 1, 10)) << x;
    for (int y = 3; y < 22; ++y) ASSERT_EQ(At(x, y), At(x, 2)) << x << "," << y;  // columns even
  }
}

// In a flat chart every depth operation is its flat counterpart, at any depth.
TEST_F(CanvasShapes, DepthOperationsDrawAsTheirFlatForms) {
  EXPECT_EQ(canvas.ProjectPoint(7, -3, 40), (TPoint{7, -3}));
  canvas.BeginFlatDrawing();
  canvas.LineWithDepth(1, 1, 20, 9, 15);
  EXPECT_EQ(canvas.PenPosition(), (TPoint{20, 9}));
  canvas.MoveToDepth(3, 20, 7);
  canvas.LineToDepth(15, 12, 7);
  canvas.HorizLineWithDepth(2, 22, 16, 3);
  canvas.VertLineWithDepth(21, 2, 22, 3);
  canvas.EndFlatDrawing();
  EXPECT_FALSE(canvas.Is3D());
  const std::set<Pixel> withDepth = Shown();
  const QImage drawn = image;

  Clear();
  canvas.DrawLine(1, 1, 20, 9);
  canvas.PenMoveTo(3, 20);
  canvas.PenLineTo(15, 12);
  canvas.DrawHorizLine(2, 22, 16);
  canvas.DrawVertLine(21, 2, 22);
  EXPECT_EQ(Shown(), withDepth);
  EXPECT_EQ(image, drawn);
}

TEST_F(CanvasShapes, PreparingForAPaintKeepsTheChartsViewFlag) {
  EXPECT_FALSE(canvas.Is3D());
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, kSize, kSize}, true);
  EXPECT_TRUE(canvas.Is3D());
  canvas.PrepareWindow(nullptr, nullptr, {0, 0, kSize, kSize}, false);
  EXPECT_FALSE(canvas.Is3D());
}

// A render that starts from the kept ground takes up the drawing state that went with it.
TEST_F(CanvasShapes, TheKeptGroundBringsBackItsDrawingState) {
  canvas.SetBackgroundColor(0x112233);
  canvas.SetBackgroundMode(TRANSPARENT);
  canvas.SetTextAlignment(TA_RIGHT | TA_BOTTOM);
  canvas.PenMoveTo(5, 6);
  canvas.KeepBackground();
  ASSERT_TRUE(canvas.HasBackground());
  canvas.SetBackgroundColor(clWhite);
  canvas.SetBackgroundMode(OPAQUE);
  canvas.SetTextAlignment(TA_LEFT | TA_TOP);
  canvas.Pen.Color = clYellow;
  canvas.DrawLine(0, 0, 20, 20);
  ASSERT_TRUE(canvas.RestoreBackground());
  EXPECT_EQ(canvas.BackgroundColor(), 0x112233u);
  EXPECT_EQ(canvas.BackgroundMode(), TRANSPARENT);
  EXPECT_EQ(canvas.TextAlignment(), TA_RIGHT | TA_BOTTOM);
  EXPECT_EQ(canvas.Pen.Color, clWhite);
  EXPECT_EQ(canvas.PenPosition(), (TPoint{5, 6}));
  EXPECT_TRUE(Shown().empty());  // and the line drawn since is gone
}
