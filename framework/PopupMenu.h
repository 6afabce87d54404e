#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <vector>

#include "Component.h"
#include "Event.h"

class QMenu;
class QWidget;
class TPopupMenuTrigger;

// One entry of a popup menu: a caption, an optional shortcut ("Ctrl+Shift+S", Qt's portable
// key names) and a click that does nothing while the entry is disabled or hidden. The caption
// "-" makes a line between groups of entries. An entry with entries of its own opens them as
// a submenu (and has no click itself); a checkable one shows a check mark while Checked.
class TMenuItem : public TComponent {
 public:
  using TComponent::TComponent;

  static inline const QString kSeparator = QStringLiteral("-");
  bool IsSeparator() const { return Caption == kSeparator; }

  QString Caption;
  QString ShortCut;
  bool Enabled = true;
  bool Visible = true;
  bool Checkable = false;
  bool Checked = false;
  // Free for the owner: which of a list of things the entry stands for.
  int Tag = 0;
  TNotifyEvent OnClick;

  // What choosing the entry does: its handler, guarded like every handler; nothing when the
  // entry is disabled.
  void Click();

  // The submenu's entries, owned by this one.
  TMenuItem* Add(const QString& caption, const QString& shortCut, TNotifyEvent onClick);
  int Count() const { return ComponentCount(); }
  TMenuItem* Items(int index) const { return static_cast<TMenuItem*>(Component(index)); }
  // Destroys the submenu's entries: a list made again each time the menu opens.
  void Clear() { DestroyComponents(); }
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
  // Brings a Qt menu up to date with the entries under `parent` (the menu's own for none),
  // which stands at `path` (its index at each level from the top).
  void UpdateEntries(QMenu* menu, const TMenuItem* parent, const std::vector<int>& path);
  // The entry at this path of indexes from the top, if it is still there.
  TMenuItem* ItemAt(const std::vector<int>& path) const;

  QPointer<QWidget> area_;
  QPointer<QMenu> menu_;
  QPointer<QObject> trigger_;  // a TPopupMenuTrigger, which belongs to the area
  QPoint popupPoint_;
  bool chosenFromMenu_ = false;
};
