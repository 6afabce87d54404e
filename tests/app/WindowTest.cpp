// The main window, offscreen: its size, caption, pictures, the instructions, the "計測中"
// exchange, the hidden sine button, and closing while measuring.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ProcessCounters.h"
#include "app/Form1Window.h"
#include "chart/Chart.h"
#include "chart/FastLineSeries.h"
#include "framework/Dialogs.h"
#include "framework/JpegImage.h"
#include "framework/MessageWait.h"
#include "framework/PixelFile.h"

namespace {

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    WaitMs(50);
    if (const char* path = std::getenv("SIMPLESCOPE_SCREENSHOT"))
      window->grab().save(QString::fromLocal8Bit(path));
  }
  void TearDown() override {
    window.reset();
    SetMessageBoxHook({});
  }
  // A window pixel's colour, at any device pixel ratio.
  QColor At(int x, int y) {
    const QImage shot = window->grab().toImage();
    const double ratio = shot.devicePixelRatio();
    return shot.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
  }

  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(Window, FixedSizeCaptionAndPictures) {
  EXPECT_EQ(window->size(), QSize(744, 662));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->windowTitle(), "簡易オシロソフト");
  EXPECT_EQ(DecodeJpeg(TForm1Window::PictureFile("background.jpg")).size(), QSize(745, 662));
  EXPECT_EQ(DecodeJpeg(TForm1Window::PictureFile("start.jpg")).size(), QSize(113, 114));
  EXPECT_EQ(DecodeJpeg(TForm1Window::PictureFile("stop.jpg")).size(), QSize(113, 114));
  EXPECT_TRUE(TForm1Window::PictureFile("no-such.jpg").isEmpty());
  // The window's icon, kept as its pixels, is the desktop's icon.
  const QImage icon = ImageFromPixelFile(TForm1Window::PictureFile("simplescope.pixels"));
  const QImage desktopIcon(QStringLiteral(SIMPLESCOPE_RESOURCES "/simplescope.png"));
  ASSERT_FALSE(desktopIcon.isNull());
  EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32),
            desktopIcon.convertToFormat(QImage::Format_ARGB32));
  // The chart's black screen, the silver instructions, a "+" mark's black ground.
  EXPECT_EQ(At(300, 300), QColor(Qt::black));
  EXPECT_EQ(At(300, 600), QColor(192, 192, 192));
  EXPECT_EQ(At(74, 146), QColor(Qt::black));
  // The grey box of the housing shows where the panel doesn't cover it (x 348..370 is
  // panel; the box is 65..348): the corner left of the panel is the control area.
  const QColor housing = At(45, 470);
  EXPECT_GT(housing.red(), 200);
}

// The pictures are decoded where a paint needs them: whatever part is painted must be the
// whole picture's pixels there, and nothing around it may be touched.
TEST(PictureWidget, PaintsAnyPartAsTheWholePicture) {
  const QByteArray file = TForm1Window::PictureFile("background.jpg");
  const QImage whole = DecodeJpeg(file);
  TPictureWidget picture(nullptr, file);
  ASSERT_EQ(picture.size(), whole.size());
  const QRgb untouched = QColor(Qt::magenta).rgb();
  // All of it; where "計測中" and the instructions give way; the last row; a column.
  for (const QRect part : {picture.rect(), QRect(120, 520, 159, 53), QRect(56, 478, 315, 131),
                           QRect(0, 661, 745, 1), QRect(700, 3, 1, 600)}) {
    QImage painted(whole.size(), QImage::Format_RGB32);
    painted.fill(untouched);
    // (render puts the part's corner at the offset given.)
    picture.render(&painted, part.topLeft(), QRegion(part), QWidget::DrawChildren);
    for (int y = 0; y < whole.height(); ++y)
      for (int x = 0; x < whole.width(); ++x)
        ASSERT_EQ(painted.pixel(x, y), part.contains(x, y) ? whole.pixel(x, y) : untouched)
            << x << "," << y << " painting " << part.x() << "," << part.y() << " " << part.width()
            << "x" << part.height();
  }
  // A file that isn't a picture shows nothing and takes no room.
  TPictureWidget broken(nullptr, QByteArray("not a picture"));
  EXPECT_EQ(broken.size(), QSize(0, 0));
  QImage painted(8, 8, QImage::Format_RGB32);
  painted.fill(untouched);
  broken.render(&painted, QPoint(), QRegion(0, 0, 8, 8), QWidget::DrawChildren);
  EXPECT_EQ(painted.pixel(3, 3), untouched);
}

TEST_F(Window, TheInstructionsReadWholeOnThePanel) {
  const QList<QLabel*> lines = window->Panel1()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0]->text(), "簡易オシロ実験ボードがパソコン、教材キット");
  EXPECT_EQ(lines[1]->text(), "に正しく接続されているのを確認した後、");
  EXPECT_EQ(lines[2]->text(), "開始ボタンを押して計測開始して下さい。");
  // Each line where the window's definition puts it, and none cut off at its label's right
  // edge or the panel's.
  const int tops[] = {16, 50, 83};
  for (int i = 0; i < 3; ++i) {
    const QLabel* line = lines[i];
    EXPECT_EQ(line->geometry().topLeft(), QPoint(8, tops[i]));
    EXPECT_EQ(line->height(), 16);
    const int textWidth = line->fontMetrics().horizontalAdvance(line->text());
    EXPECT_LE(textWidth, line->width()) << line->text().toStdString();
    EXPECT_LE(line->geometry().right(), window->Panel1()->width()) << line->text().toStdString();
  }
}

TEST_F(Window, MeasuringShowsTheLabelInPlaceOfThePanel) {
  EXPECT_TRUE(window->Panel1()->isVisible());
  EXPECT_TRUE(window->Form().Panel1->Visible());
  window->Form().Image2->Click();  // no board: C1, nothing changes
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "(C1)実験ボードと接続が確認出来ません。");
  EXPECT_TRUE(window->Panel1()->isVisible());
  // What a successful start does to the window's look:
  window->Form().Panel1->SetVisible(false);
  WaitMs(20);
  EXPECT_FALSE(window->Panel1()->isVisible());
  bool dark = false;  // the 53-pixel characters show where the panel was
  const QImage shot = window->grab().toImage();
  for (int x = 120; x < 279 && !dark; ++x)
    for (int y = 520; y < 573 && !dark; ++y) dark = qGray(shot.pixel(x, y)) < 60;
  EXPECT_TRUE(dark);
  window->Form().Image3->Click();
  EXPECT_TRUE(window->Panel1()->isVisible());
}

TEST_F(Window, TheHiddenButtonDrawsTheSineFromTheKeyboard) {
  QPushButton* button3 = window->Button3();
  EXPECT_GT(button3->x(), window->width());  // never seen
  button3->setFocus();
  QTest::keyClick(button3, Qt::Key_Space);
  WaitMs(20);
  auto* series = static_cast<TFastLineSeries*>(window->Form().Series2);
  ASSERT_EQ(series->PointCount(), 200);
  EXPECT_NEAR(series->YValueAt(9), 2.4, 1e-12);
}

TEST_F(Window, ClosingWhileAWarningBoxIsOpenEndsCleanly) {
  SetMessageBoxHook({});  // a real modal box this time
  // With the program's default face, which skips fallback faces (the window's texts need
  // none), a box still takes them: its text may be anything.
  const QFont previous = QApplication::font();
  QApplication::setFont(TForm1Window::ProgramFont());
  ASSERT_TRUE(QApplication::font().styleStrategy() & QFont::NoFontMerging);
  bool boxHasFallbacks = false;
  QTimer::singleShot(50, [&] { window->close(); });
  QTimer::singleShot(100, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->isVisible() && widget->isModal()) {
        boxHasFallbacks = !(widget->font().styleStrategy() & QFont::NoFontMerging);
        widget->close();
      }
  });
  window->Form().Image2->Click();  // no board: the C1 box, closed from outside
  QApplication::setFont(previous);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(boxHasFallbacks);
  window.reset();
}

TEST_F(Window, ClosingEndsCleanly) {
  // Counted with a window made and gone once already, so that what Qt makes on first use
  // is in the count.
  window.reset();
  const int threads = ProcessCounters::Threads(), files = ProcessCounters::OpenFiles();
  window = std::make_unique<TForm1Window>();
  window->show();
  window->Form().Timer1->SetInterval(100);
  window->Form().Timer1->SetEnabled(true);  // as if measuring: a tick is due
  WaitMs(30);
  ASSERT_TRUE(window->Form().Timer1->Enabled());
  window->close();
  EXPECT_FALSE(window->isVisible());
  window.reset();
  WaitMs(250);  // the due tick would run now: without a board it would say so in a box
  EXPECT_TRUE(boxes.empty());
  // The controller's monitor and the devices' handles went with the window.
  EXPECT_EQ(ProcessCounters::Threads(), threads);
  EXPECT_EQ(ProcessCounters::OpenFiles(), files);
}

TEST_F(Window, OnAScaledScreenTheChartImageFollowsThePixelRatio) {
  const double ratio = window->devicePixelRatioF();
  if (ratio == 1.0) GTEST_SKIP() << "run with QT_SCALE_FACTOR=2 to see a scaled screen";
  window->Chart2()->repaint();
  const QImage* image = window->Chart2()->Canvas()->Image();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), QSize(617, 281) * ratio);  // twice the pixels, same layout
  EXPECT_EQ(window->size(), QSize(744, 662));
  // The chart's layout is in window pixels: the plot is where it is at 1x.
  EXPECT_EQ(window->Chart2()->PlotRect.Right, 598);
}

TEST_F(Window, TextsLookTheSameWithoutFallbackFaces) {
  // The window's fonts skip fallback faces when the Gothic face has all their characters;
  // each text must then look exactly as it does with fallbacks allowed.
  window->Panel1()->hide();  // "計測中" shows
  WaitMs(20);
  const QList<QLabel*> labels = window->findChildren<QLabel*>();
  ASSERT_GE(labels.size(), 6);
  for (QLabel* label : labels) {
    const QImage without = label->grab().toImage();
    const QFont font = label->font();
    QFont merging = font;
    merging.setStyleStrategy(QFont::PreferDefault);
    label->setFont(merging);
    const QImage with = label->grab().toImage();
    label->setFont(font);
    EXPECT_EQ(without, with) << label->text().toStdString();
  }
}
