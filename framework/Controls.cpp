#include "Controls.h"

#include <QWidget>

#include "Dialogs.h"

void TControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
}

void TControl::SetVisible(bool visible) {
  visible_ = visible;
  if (widget_) widget_->setVisible(visible);
}

void TControl::Click() {
  if (enabled_ && OnClick) RunHandlerGuarded([this] { OnClick(this); });
}

void TControl::BindWidget(QWidget* widget) {
  widget_ = widget;
  if (!widget_) return;
  widget_->setEnabled(enabled_);
  widget_->setVisible(visible_);
}

QString TMemoLines::Line(int index) const {
  if (index < 0 || index >= lines_.size()) return QString();
  return lines_.at(index);
}
