// The popup menu: made on first use, opened by a right click on its area or the menu key in
// its window, its entries' shortcuts taken by the window, disabled and hidden entries left
// alone.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "framework/PopupMenu.h"

namespace {

class PopupMenu : public ::testing::Test {
 protected:
  struct TReceiver {
    void Copy(TObject*) { clicks.push_back("copy"); }
    void Save(TObject*) { clicks.push_back("save"); }
    void SaveValues(TObject*) { clicks.push_back("save values"); }
    void Popup(TObject*) {
      ++popups;
      copy->Enabled = copyEnabled;
      save->Visible = saveVisible;
    }
    std::vector<std::string> clicks;
    int popups = 0;
    bool copyEnabled = true;
    bool saveVisible = true;
    TMenuItem* copy = nullptr;
    TMenuItem* save = nullptr;
  };

  void SetUp() override {
    window.resize(200, 100);
    area = new QWidget(&window);
    area->setGeometry(10, 10, 100, 50);
    other = new QWidget(&window);
    other->setGeometry(120, 10, 50, 50);
    menu = std::make_unique<TPopupMenu>(nullptr);
    receiver.copy = menu->Add("Copy", "Ctrl+C", TNotifyEvent::Bind<&TReceiver::Copy>(&receiver));
    receiver.save =
        menu->Add("Save & go", "Ctrl+S", TNotifyEvent::Bind<&TReceiver::Save>(&receiver));
    menu->Add("Save values", "Ctrl+Shift+S", TNotifyEvent::Bind<&TReceiver::SaveValues>(&receiver));
    menu->OnPopup = TNotifyEvent::Bind<&TReceiver::Popup>(&receiver);
    menu->BindWidget(area);
    window.show();
    QTest::qWait(20);
  }

  // A right click as the window system delivers it (to the window, which passes it on as a
  // mouse event and a context menu request); a click sent to the widget itself would be
  // the mouse event alone.
  void RightClick(QWidget* widget, QPoint at = QPoint(5, 5)) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::RightButton, {},
                      widget->mapTo(widget->window(), at));
  }

  QStringList Texts() const {
    QStringList texts;
    for (QAction* action : menu->Menu()->actions()) texts << action->text();
    return texts;
  }

  QWidget window;
  QWidget* area = nullptr;
  QWidget* other = nullptr;
  TReceiver receiver;
  std::unique_ptr<TPopupMenu> menu;
};

}  // namespace

TEST_F(PopupMenu, ARightClickOnTheAreaOpensItMadeOnlyThen) {
  EXPECT_EQ(menu->Menu(), nullptr);
  RightClick(other);  // not the area
  EXPECT_EQ(menu->Menu(), nullptr);
  RightClick(area, QPoint(30, 20));
  ASSERT_NE(menu->Menu(), nullptr);
  EXPECT_TRUE(menu->Menu()->isVisible());
  EXPECT_EQ(receiver.popups, 1);
  // Captions as given ('&' is no mnemonic), the shortcut shown after a tab.
  EXPECT_EQ(Texts(),
            QStringList({"Copy\tCtrl+C", "Save && go\tCtrl+S", "Save values\tCtrl+Shift+S"}));
  // Choosing an entry runs its handler.
  menu->Menu()->actions()[2]->trigger();
  EXPECT_EQ(receiver.clicks, std::vector<std::string>({"save values"}));
  menu->Menu()->close();

  // The entries follow what OnPopup says each time the menu opens.
  receiver.copyEnabled = false;
  receiver.saveVisible = false;
  RightClick(area);
  EXPECT_FALSE(menu->Menu()->actions()[0]->isEnabled());
  EXPECT_FALSE(menu->Menu()->actions()[1]->isVisible());
  EXPECT_TRUE(menu->Menu()->actions()[2]->isVisible());
  menu->Menu()->close();
}

TEST_F(PopupMenu, TheMenuKeyOpensItOverTheAreaFromAnywhereInTheWindow) {
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                        other->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(other, &key);  // unhandled there, it goes on to the window
  ASSERT_NE(menu->Menu(), nullptr);
  EXPECT_TRUE(menu->Menu()->isVisible());
  EXPECT_EQ(menu->Menu()->pos(), area->mapToGlobal(area->rect().center()));
  menu->Menu()->close();
  // A right click elsewhere in the window is not the area's.
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), other->mapToGlobal(QPoint(5, 5)));
  const int popups = receiver.popups;
  QApplication::sendEvent(other, &click);
  EXPECT_EQ(receiver.popups, popups);
}

TEST_F(PopupMenu, ShortcutsWorkInTheWindowBeforeTheMenuWasEverMade) {
  QTest::keyClick(other, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_C);  // no shortcut
  EXPECT_EQ(receiver.clicks, std::vector<std::string>({"copy", "save values", "save"}));
  EXPECT_EQ(receiver.popups, 3);  // each shortcut brought the entries up to date first
  EXPECT_EQ(menu->Menu(), nullptr);
  // A disabled entry's shortcut does nothing, nor a hidden one's.
  receiver.copyEnabled = false;
  receiver.saveVisible = false;
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(receiver.clicks.size(), 3u);
  EXPECT_EQ(menu->ItemForKey(QKeyCombination(Qt::ControlModifier, Qt::Key_X).toCombined()),
            nullptr);
}

TEST_F(PopupMenu, EitherMayGoFirstTheMenuOrItsWidgets) {
  RightClick(area);
  ASSERT_NE(menu->Menu(), nullptr);
  menu.reset();  // the window's logic goes before its widgets
  RightClick(area);
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(receiver.clicks.empty());

  // And the other way round.
  auto second = std::make_unique<TPopupMenu>(nullptr);
  second->Add("Copy", "Ctrl+C", TNotifyEvent::Bind<&TReceiver::Copy>(&receiver));
  auto* area2 = new QWidget(&window);
  second->BindWidget(area2);
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(receiver.clicks.size(), 1u);
  delete area2;
  EXPECT_EQ(second->Widget(), nullptr);
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(receiver.clicks.size(), 1u);
  second.reset();
}

TEST_F(PopupMenu, AnEntryCaptionedWithAHyphenIsALineAndNothingElse) {
  menu->Add(TMenuItem::kSeparator, QString(), {});
  menu->Add("Last", QString(), {});
  RightClick(area);
  ASSERT_NE(menu->Menu(), nullptr);
  QAction* line = menu->Menu()->actions()[3];
  EXPECT_TRUE(line->isSeparator());
  EXPECT_EQ(line->text(), "");
  // Drawn, the line's row holds no text: no pixel there in the entries' text colour.
  const QImage image = menu->Menu()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect row = menu->Menu()->actionGeometry(line);
  const QRgb text = menu->Menu()->palette().color(QPalette::Text).rgb();
  int textPixels = 0;
  for (int y = row.top(); y <= row.bottom(); ++y)
    for (int x = row.left(); x <= row.left() + row.width() / 3; ++x)
      textPixels += image.pixel(x, y) == text;
  EXPECT_EQ(textPixels, 0);
  menu->Menu()->close();
}

TEST_F(PopupMenu, ASubmenuIsMadeAnewEachTimeItOpensAndItsEntriesRunTheirHandlers) {
  std::vector<int> chosen;
  struct TListReceiver {
    std::vector<int>* chosen;
    void Choose(TObject* sender) { chosen->push_back(static_cast<TMenuItem*>(sender)->Tag); }
  } listReceiver{&chosen};
  TMenuItem* list = menu->Add("List", QString(), {});
  TMenuItem* check = menu->Add("Checked", "T", {});
  check->Checkable = true;
  int entries = 2;
  menu->OnPopup = TNotifyEvent::Bind<&TReceiver::Popup>(&receiver);
  const auto fill = [&] {
    list->Clear();
    for (int i = 0; i < entries; ++i)
      list->Add(QString("Entry %1").arg(i), i == 0 ? "Ctrl+1" : QString(),
                TNotifyEvent::Bind<&TListReceiver::Choose>(&listReceiver))
          ->Tag = 10 * entries + i;
  };
  fill();
  RightClick(area);
  ASSERT_NE(menu->Menu(), nullptr);
  QAction* listAction = menu->Menu()->actions()[3];
  ASSERT_NE(listAction->menu(), nullptr);
  const auto subTexts = [&] {
    QStringList texts;
    for (QAction* action : listAction->menu()->actions()) texts << action->text();
    return texts;
  };
  EXPECT_EQ(subTexts(), QStringList({"Entry 0\tCtrl+1", "Entry 1"}));
  EXPECT_TRUE(menu->Menu()->actions()[4]->isCheckable());
  EXPECT_FALSE(menu->Menu()->actions()[4]->isChecked());
  listAction->menu()->actions()[1]->trigger();
  EXPECT_EQ(chosen, std::vector<int>({21}));
  menu->Menu()->close();

  // Made again with as many entries: the actions reach the new ones, not those destroyed.
  entries = 2;
  check->Checked = true;
  fill();
  for (int i = 0; i < 2; ++i) list->Items(i)->Tag += 100;
  RightClick(area);
  listAction->menu()->actions()[0]->trigger();
  EXPECT_EQ(chosen, std::vector<int>({21, 120}));
  EXPECT_TRUE(menu->Menu()->actions()[4]->isChecked());
  menu->Menu()->close();
  // More of them, then none: an entry without any has no submenu.
  entries = 3;
  fill();
  RightClick(area);
  EXPECT_EQ(subTexts(), QStringList({"Entry 0\tCtrl+1", "Entry 1", "Entry 2"}));
  menu->Menu()->close();
  // A sub-entry's shortcut works in the window too, unless its submenu is disabled.
  QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(chosen, std::vector<int>({21, 120, 30}));
  list->Enabled = false;
  QTest::keyClick(&window, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(chosen.size(), 3u);
  entries = 0;
  fill();
  RightClick(area);
  EXPECT_EQ(menu->Menu()->actions()[3]->menu(), nullptr);
  menu->Menu()->close();
}
