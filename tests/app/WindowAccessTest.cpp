// The window by keyboard and as a screen reader sees it, in-process (offscreen, and under
// Wine): the tab order, focus frames for the keyboard only, Space, Enter, F5 and F6 as the
// pictures' clicks; named push buttons with a press action, a named chart whose description
// follows the trace at most once a second, and "計測中" reported only while it shows.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTranslator>
#include <functional>

#include "app/Form1Window.h"
#include "app/TraceReadout.h"
#include "chart/Chart.h"
#include "chart/ChartAccessible.h"
#include "framework/Dialogs.h"
#include "framework/MessageWait.h"

namespace {

class WindowAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    window = std::make_unique<TForm1Window>();
    window->show();
    window->activateWindow();
    WaitMs(50);
  }
  void TearDown() override {
    window.reset();
    SetMessageBoxHook({});
    SwitchLocale(QLocale::c());
  }

  // The program loads its catalogue once; another language needs it loaded again.
  static void SwitchLocale(const QLocale& locale) {
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>(
             QString(), Qt::FindDirectChildrenOnly)) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
    QLocale::setDefault(locale);
  }

  TForm1& Form() { return window->Form(); }
  // Measuring as a start leaves the window, without a board: the ticks are a day apart.
  void PretendMeasuring() {
    Form().Image2->SetEnabled(false);
    Form().Panel1->SetVisible(false);
    Form().Timer1->SetInterval(24 * 3600 * 1000);
    Form().Timer1->SetEnabled(true);
  }
  // A tick's redraw of these values, newest first.
  // A trace of these values, newest first, as ticks would have taken them.
  void Redraw(const QStringList& values) {
    Form().ClearHistory();
    for (auto value = values.crbegin(); value != values.crend(); ++value)
      Form().AddToHistory(value->toDouble());
    Form().RedrawFromHistory();
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window.get() ? focus : window.get(), key,
                    modifiers);
    WaitMs(10);
  }
  static QAccessibleInterface* Accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
  }
  // Every accessible below one, depth first.
  static void ForEach(QAccessibleInterface* accessible,
                      const std::function<void(QAccessibleInterface*)>& visit) {
    visit(accessible);
    for (int i = 0; i < accessible->childCount(); ++i)
      if (QAccessibleInterface* child = accessible->child(i)) ForEach(child, visit);
  }

  std::unique_ptr<TForm1Window> window;
  std::vector<QString> boxes;
};

}  // namespace

TEST_F(WindowAccess, TabGoesStartStopChartThenTheHiddenButtonAndFramesWhatItReaches) {
  const QImage untouched = window->grab().toImage();
  EXPECT_EQ(QApplication::focusWidget(), window.get());  // nothing framed at first
  QWidget* const order[] = {window->StartPicture(), window->StopPicture(), window->Chart2(),
                            window->Button3()};
  for (QWidget* expected : order) {
    Key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), expected);
  }
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), window->Chart2());
  EXPECT_TRUE(window->Chart2()->ShowsFocusFrame());
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::focusWidget(), window->StartPicture());
  EXPECT_TRUE(window->StartPicture()->ShowsFocusFrame());
  EXPECT_FALSE(window->StopPicture()->ShowsFocusFrame());
  EXPECT_FALSE(window->Chart2()->ShowsFocusFrame());
  // The frame lies on the picture's edge, and nothing else of the window changed.
  const QImage framed = window->grab().toImage();
  const QRect start = window->StartPicture()->geometry();
  EXPECT_NE(framed.copy(start), untouched.copy(start));
  QImage outside = framed;
  QImage before = untouched;
  for (QImage* image : {&outside, &before})
    for (int y = start.top(); y <= start.bottom(); ++y)
      for (int x = start.left(); x <= start.right(); ++x) image->setPixel(x, y, 0);
  EXPECT_EQ(outside, before);
}

TEST_F(WindowAccess, SpaceEnterAndF5AreTheStartPicturesClickAndF6TheStopPictures) {
  Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), window->StartPicture());
  Key(Qt::Key_Space);
  Key(Qt::Key_Return);
  Key(Qt::Key_Enter, Qt::KeypadModifier);
  Key(Qt::Key_F5);
  // No board: each is a click on the start picture, which says so.
  EXPECT_EQ(boxes, std::vector<QString>(4, "(C1)実験ボードと接続が確認出来ません。"));
  // A held key is one press.
  QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", /*autorep=*/true);
  QApplication::sendEvent(window->StartPicture(), &repeated);
  EXPECT_EQ(boxes.size(), 4u);
  // Idle, the stop picture's click does nothing, and so does F6.
  Key(Qt::Key_F6);
  Key(Qt::Key_Tab);
  Key(Qt::Key_Space);
  EXPECT_EQ(boxes.size(), 4u);
  EXPECT_TRUE(Form().Panel1->Visible());
}

TEST_F(WindowAccess, ThePicturesAreNamedPushButtonsThatPress) {
  QAccessibleInterface* start = Accessible(window->StartPicture());
  QAccessibleInterface* stop = Accessible(window->StopPicture());
  ASSERT_TRUE(start && stop);
  EXPECT_EQ(start->role(), QAccessible::Button);
  EXPECT_EQ(start->text(QAccessible::Name), "Start");
  EXPECT_EQ(stop->text(QAccessible::Name), "Stop");
  EXPECT_TRUE(start->state().focusable);
  QAccessibleActionInterface* press = start->actionInterface();
  ASSERT_NE(press, nullptr);
  EXPECT_TRUE(press->actionNames().contains(QAccessibleActionInterface::pressAction()));
  EXPECT_EQ(press->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
            QStringList("F5"));
  EXPECT_EQ(window->StartPicture()->ToolTipText(), "Start (F5)");
  EXPECT_EQ(window->StopPicture()->ToolTipText(), "Stop (F6)");
  // Pressed through it: the click comes after the call has returned.
  press->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(boxes.empty());
  WaitMs(20);
  EXPECT_EQ(boxes, std::vector<QString>{"(C1)実験ボードと接続が確認出来ません。"});
  // Disabled where the click does nothing: the stop picture while idle, the start picture
  // while measuring.
  EXPECT_FALSE(start->state().disabled);
  EXPECT_TRUE(stop->state().disabled);
  Form().Image2->SetEnabled(false);  // as a start leaves it
  EXPECT_TRUE(start->state().disabled);
  EXPECT_FALSE(stop->state().disabled);
  Form().Image3->Click();
  EXPECT_TRUE(stop->state().disabled);

  SwitchLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  EXPECT_EQ(start->text(QAccessible::Name), "開始");
  EXPECT_EQ(stop->text(QAccessible::Name), "終了");
  EXPECT_EQ(window->StartPicture()->ToolTipText(), "開始 (F5)");
}

TEST_F(WindowAccess, OnlyWhatShowsIsShowingAndEveryFocusableControlHasAName) {
  QLabel* measuring = window->Label1();
  EXPECT_FALSE(measuring->isVisible());  // under the instructions' panel
  EXPECT_TRUE(Accessible(measuring)->state().invisible);
  const QList<QLabel*> instructions = window->Panel1()->findChildren<QLabel*>();
  ASSERT_EQ(instructions.size(), 3);
  for (QLabel* line : instructions) EXPECT_FALSE(Accessible(line)->state().invisible);
  Form().Panel1->SetVisible(false);  // as a start leaves it
  EXPECT_TRUE(measuring->isVisible());
  EXPECT_FALSE(Accessible(measuring)->state().invisible);
  EXPECT_EQ(Accessible(measuring)->text(QAccessible::Name), "計測中");
  for (QLabel* line : instructions) EXPECT_TRUE(Accessible(line)->state().invisible);
  Form().Panel1->SetVisible(true);
  EXPECT_FALSE(measuring->isVisible());

  QStringList unnamed;
  int focusable = 0;
  ForEach(Accessible(window.get()), [&](QAccessibleInterface* accessible) {
    if (!accessible->state().focusable || accessible->object() == window.get()) return;
    ++focusable;
    if (accessible->text(QAccessible::Name).isEmpty())
      unnamed << QString::fromLatin1(accessible->object()->metaObject()->className());
  });
  EXPECT_EQ(focusable, 4);  // the pictures, the chart, the hidden button
  EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
}

TEST_F(WindowAccess, TheChartIsAWaveformDescribedAtMostOnceASecondWhileMeasuringWithoutARepaint) {
  QAccessibleInterface* chart = Accessible(window->Chart2());
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(chart->role(), QAccessible::Chart);
  EXPECT_EQ(chart->text(QAccessible::Name), "waveform");
  EXPECT_EQ(chart->text(QAccessible::Description), "no value");
  WaitMs(1100);
  PretendMeasuring();
  Form().Button3Click(nullptr);  // 2.4 V, starting at 0
  WaitMs(20);
  const int renders = window->Chart2()->Renders();
  QElapsedTimer since;
  since.start();
  EXPECT_EQ(chart->text(QAccessible::Description), "latest 0.00 V, min −2.40 V, max 2.40 V");
  // A new trace within the second: the description stays as it was told.
  Redraw({"1.5"});
  const QString soon = chart->text(QAccessible::Description);
  if (since.elapsed() < TTraceReadout::kDescriptionInterval) {
    EXPECT_EQ(soon, "latest 0.00 V, min −2.40 V, max 2.40 V");
  }
  WaitMs(TTraceReadout::kDescriptionInterval + 100);
  SwitchLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  EXPECT_EQ(chart->text(QAccessible::Name), "波形");
  EXPECT_EQ(chart->text(QAccessible::Description), "最新 1.50 V、最小 1.50 V、最大 1.50 V");
  // Asking never repainted the chart (the redraw above did, once).
  EXPECT_EQ(window->Chart2()->Renders(), renders + 1);
}

namespace {

// A screen reader that listens, as far as the window can tell offscreen: what the chart
// announces as its changed description, recorded after each step.
class WindowAnnouncements : public WindowAccess {
 protected:
  void SetUp() override {
    WindowAccess::SetUp();
    SetAccessibilityListensForTests(true);
  }
  void TearDown() override {
    SetAccessibilityListensForTests(false);
    WindowAccess::TearDown();
  }
  void Hear() {
    for (; heard < window->Chart2()->AccessibleDescriptionChanges(); ++heard)
      told.push_back(Accessible(window->Chart2())->text(QAccessible::Description));
  }
  std::vector<QString> told;
  int heard = 0;
};

}  // namespace

TEST_F(WindowAnnouncements, TheStopAndEveryCursorMoveAreToldAtOnce) {
  PretendMeasuring();
  Redraw({"1.5"});
  Hear();
  ASSERT_EQ(told, std::vector<QString>{"latest 1.50 V, min 1.50 V, max 1.50 V"});
  // The next ticks come within the second: not told, as a moving trace.
  Redraw({"2.5", "1.5"});
  Redraw({"3.5", "2.5", "1.5"});
  Hear();
  EXPECT_EQ(told.size(), 1u);
  // The stop tells the trace as it stands, at once.
  window->StopPicture()->OnClick();
  ASSERT_FALSE(Form().Timer1->Enabled());
  Hear();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1], "latest 3.50 V, min 1.50 V, max 3.50 V");

  // A cursor placed by keyboard, then moved: each told at once with its sample and value.
  Form().Button3Click(nullptr);
  Hear();
  told.clear();
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), window->Chart2());
  Key(Qt::Key_A);  // the middle of the trace: x 99, sample 100, the sine's trough
  Hear();
  Key(Qt::Key_Right);
  Hear();
  Key(Qt::Key_Right);
  Hear();
  const QString trace = "latest 0.00 V, min −2.40 V, max 2.40 V";
  EXPECT_EQ(told, std::vector<QString>({"cursor A: sample 100, −2.400 V. " + trace,
                                        "cursor A: sample 99, −2.364 V. " + trace,
                                        "cursor A: sample 98, −2.256 V. " + trace}));
  // While measuring too, however soon after the last.
  PretendMeasuring();
  told.clear();
  Key(Qt::Key_Left);
  Hear();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_TRUE(told[0].startsWith("cursor A: sample 99, −2.364 V. ")) << told[0].toStdString();
  // In Japanese, as a reader of the window's language hears it.
  SwitchLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  Key(Qt::Key_Right);
  Hear();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_TRUE(told[1].startsWith("カーソル A: サンプル 98, −2.256 V。最新 "))
      << told[1].toStdString();
  Form().Image3->Click();
}
