#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "Component.h"
#include "Event.h"
#include "StringList.h"

// A control as the window's logic sees it: two flags and a click. When a widget is bound,
// the flags follow onto it; without one (tests, hidden controls) the flags are the whole
// control.
class TControl : public TComponent {
 public:
  using TComponent::TComponent;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  TNotifyEvent OnClick;
  // What a user's click does: nothing on a disabled control.
  void Click();

  void BindWidget(QWidget* widget);

 private:
  bool enabled_ = true;
  bool visible_ = true;
  QPointer<QWidget> widget_;
};

// A picture, a label or a panel: only the flags and the click matter to the logic.
class TImage : public TControl {
  using TControl::TControl;
};
class TLabel : public TControl {
  using TControl::TControl;
};
class TPanel : public TControl {
  using TControl::TControl;
};

// The lines of a multi-line text box. Reading past the last line gives an empty text
// rather than an error, which is what lets a decoder treat missing lines as "not arrived".
class TMemoLines {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  void Add(const QString& line) { lines_.append(line); }
  void Clear() { lines_.clear(); }
  QString Line(int index) const;

 private:
  QStringList lines_;
};

// A multi-line text box that is never shown: only its lines are kept.
class TMemo : public TControl {
 public:
  using TControl::TControl;
  TMemoLines Lines;
};

// A list box that is never shown: its entries are texts with an object each.
class TListBox : public TControl {
 public:
  using TControl::TControl;
  TStringList Items;
};
