#include "PopupMenu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#include "Dialogs.h"

void TMenuItem::Click() {
  if (Enabled && Visible && OnClick) RunHandlerGuarded([this] { OnClick(this); });
}

// Watches the bound area and its window for what opens the menu or chooses an entry. It
// belongs to the area, so it goes with the widget; the menu deletes it when it goes first.
class TPopupMenuTrigger : public QObject {
 public:
  TPopupMenuTrigger(TPopupMenu& menu, QWidget* area) : QObject(area), menu_(menu), area_(area) {
    area->installEventFilter(this);
    if (area->window() != area) area->window()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ContextMenu) {
      auto* request = static_cast<QContextMenuEvent*>(event);
      // A right click counts on the area only; the menu key wherever the focus is in the
      // window, and the menu then opens over the area.
      if (watched == area_) {
        menu_.Popup(request->globalPos());
        return true;
      }
      if (request->reason() == QContextMenuEvent::Keyboard) {
        menu_.Popup(area_->mapToGlobal(area_->rect().center()));
        return true;
      }
      return false;
    }
    if (event->type() == QEvent::KeyPress && watched == area_->window()) {
      auto* key = static_cast<QKeyEvent*>(event);
      // The keypad's keys are the same keys for a shortcut.
      const QKeyCombination combination(key->modifiers() & ~Qt::KeypadModifier,
                                        static_cast<Qt::Key>(key->key()));
      if (menu_.ItemForKey(combination.toCombined())) {
        menu_.RunOnPopup();
        // Found again: bringing the entries up to date may have made a submenu's anew.
        if (TMenuItem* item = menu_.ItemForKey(combination.toCombined())) item->Click();
        return true;
      }
    }
    return false;
  }

 private:
  TPopupMenu& menu_;
  QWidget* area_;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  // The widgets may outlive the menu (a window's logic goes before its widgets): nothing of
  // Qt's may call back into it afterwards.
  delete menu_.data();
  delete trigger_.data();
}

TMenuItem* TMenuItem::Add(const QString& caption, const QString& shortCut, TNotifyEvent onClick) {
  auto* item = new TMenuItem(this);
  item->Caption = caption;
  item->ShortCut = shortCut;
  item->OnClick = onClick;
  return item;
}

TMenuItem* TPopupMenu::Add(const QString& caption, const QString& shortCut, TNotifyEvent onClick) {
  auto* item = new TMenuItem(this);
  item->Caption = caption;
  item->ShortCut = shortCut;
  item->OnClick = onClick;
  return item;
}

void TPopupMenu::BindWidget(QWidget* area) {
  delete trigger_.data();
  area_ = area;
  if (area_) trigger_ = new TPopupMenuTrigger(*this, area_);
}

namespace {

// The entry itself, or one of its submenu's when the submenu can open.
TMenuItem* FindShortCut(int keyCombination, TMenuItem* item) {
  const QKeySequence sequence = QKeySequence::fromString(item->ShortCut);
  if (!sequence.isEmpty() && sequence.count() == 1 && sequence[0].toCombined() == keyCombination)
    return item;
  if (!item->Enabled || !item->Visible) return nullptr;
  for (int i = 0; i < item->Count(); ++i)
    if (TMenuItem* found = FindShortCut(keyCombination, item->Items(i))) return found;
  return nullptr;
}

}  // namespace

TMenuItem* TPopupMenu::ItemForKey(int keyCombination) const {
  for (int i = 0; i < Count(); ++i)
    if (TMenuItem* found = FindShortCut(keyCombination, Items(i))) return found;
  return nullptr;
}

QMenu* TPopupMenu::Menu() const {
  return menu_;
}

void TPopupMenu::RunOnPopup() {
  if (OnPopup) RunHandlerGuarded([this] { OnPopup(this); });
}

void TPopupMenu::UpdateMenu() {
  if (!menu_) {
    menu_ = new QMenu(area_ ? area_->window() : nullptr);
    // The program's face may leave fallback faces out (the window's own texts need none);
    // the entries' texts may need them.
    QFont font = menu_->font();
    font.setStyleStrategy(QFont::PreferDefault);
    menu_->setFont(font);
  }
  UpdateEntries(menu_, nullptr, {});
}

TMenuItem* TPopupMenu::ItemAt(const std::vector<int>& path) const {
  TMenuItem* item = nullptr;
  for (const int index : path) {
    const int count = item ? item->Count() : Count();
    if (index >= count) return nullptr;
    item = item ? item->Items(index) : Items(index);
  }
  return item;
}

void TPopupMenu::UpdateEntries(QMenu* menu, const TMenuItem* parent, const std::vector<int>& path) {
  const int count = parent ? parent->Count() : Count();
  const auto itemAt = [&](int i) { return parent ? parent->Items(i) : Items(i); };
  if (menu->actions().size() != count) {
    for (QAction* action : menu->actions()) delete action->menu();
    menu->clear();
    // A submenu's entries may be made anew each time it opens: an action finds its entry by
    // where it stands, never by a pointer that may have gone.
    for (int i = 0; i < count; ++i) {
      std::vector<int> itemPath = path;
      itemPath.push_back(i);
      QObject::connect(menu->addAction(QString()), &QAction::triggered, menu, [this, itemPath] {
        TMenuItem* item = ItemAt(itemPath);
        if (!item) return;
        chosenFromMenu_ = true;
        item->Click();
        chosenFromMenu_ = false;
      });
    }
  }
  const QList<QAction*> actions = menu->actions();
  for (int i = 0; i < count; ++i) {
    const TMenuItem* item = itemAt(i);
    QAction* action = actions[i];
    action->setSeparator(item->IsSeparator());
    action->setEnabled(item->Enabled);
    action->setVisible(item->Visible);
    action->setCheckable(item->Checkable);
    action->setChecked(item->Checkable && item->Checked);
    // A line has no text: a style may draw a separator's text as a heading.
    if (item->IsSeparator()) {
      action->setText(QString());
      continue;
    }
    if (item->Count() > 0) {
      QMenu* submenu = action->menu();
      if (!submenu) {
        submenu = new QMenu(menu);
        submenu->setFont(menu->font());
        action->setMenu(submenu);
      }
      std::vector<int> itemPath = path;
      itemPath.push_back(i);
      UpdateEntries(submenu, item, itemPath);
    } else if (QMenu* submenu = action->menu()) {
      action->setMenu(nullptr);
      delete submenu;
    }
    // The shortcut is only shown (after the tab): the window takes it itself, so it works
    // before the menu was ever made.
    QString text = QString(item->Caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QKeySequence shortCut = QKeySequence::fromString(item->ShortCut);
    if (!shortCut.isEmpty())
      text += QLatin1Char('\t') + shortCut.toString(QKeySequence::NativeText);
    action->setText(text);
  }
}

void TPopupMenu::Popup(QPoint screenPoint) {
  popupPoint_ = screenPoint;
  RunOnPopup();
  UpdateMenu();
  menu_->popup(screenPoint);
}
