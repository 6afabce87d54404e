#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>

#include "Component.h"
#include "Event.h"

class QMenu;
class QWidget;
class TPopupMenuTrigger;

// One entry of a popup menu: a caption, an optional shortcut ("Ctrl+Shift+S", Qt's portable
// key names) and a click that does nothing while the entry is disabled or hidden. The caption
// "-" makes a line between groups of entries.
class TMenuItem : public TComponent {
 public:
  using TComponent::TComponent;

  static inline const QString kSeparator = QStringLiteral("-");
  bool IsSeparator() const { return Caption == kSeparator; }

  QString Caption;
  QString ShortCut;
  bool Enabled = true;
  bool Visible = true;
  TNotifyEvent OnClick;

  // What choosing the entry does: its handler, guarded like every handler; nothing when the
  // entry is disabled.
  void Click();
};

// A menu that opens on a part of a window (a right click there, or the menu key anywhere in
// the window) and whose entries' shortcuts work anywhere in the window. The menu itself is
// made when it first opens: a program that never opens it pays for no menu, no actions and
// no style of its own. Binding only watches the events; it changes nothing the window shows.
class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // A new entry, owned by the menu, placed after the others.
  TMenuItem* Add(const QString& caption, const QString& shortCut, TNotifyEvent onClick);
  int Count() const { return ComponentCount(); }
  TMenuItem* Items(int index) const { return static_cast<TMenuItem*>(Component(index)); }

  // Runs before the menu opens and before a shortcut is taken: the place to bring the
  // captions and the Enabled flags up to date.
  TNotifyEvent OnPopup;

  // Right clicks on `area` open the menu; the menu key and the shortcuts work in its window.
  void BindWidget(QWidget* area);
  QWidget* Widget() const { return area_; }

  // Opens the menu at a point of the screen (it returns at once; a choice comes later).
  void Popup(QPoint screenPoint);
  // Where the menu last opened, on the screen.
  QPoint PopupPoint() const { return popupPoint_; }
  // True while an entry chosen in the open menu runs; false for one run by its shortcut.
  bool ChosenFromMenu() const { return chosenFromMenu_; }
  // The entry whose shortcut is this key combination (a QKeyCombination's int), or none.
  TMenuItem* ItemForKey(int keyCombination) const;
  // The open menu (null before the first popup): for tests and for closing it.
  QMenu* Menu() const;

 private:
  friend class TPopupMenuTrigger;
  void RunOnPopup();
  void UpdateMenu();

  QPointer<QWidget> area_;
  QPointer<QMenu> menu_;
  QPointer<QObject> trigger_;  // a TPopupMenuTrigger, which belongs to the area
  QPoint popupPoint_;
  bool chosenFromMenu_ = false;
};
