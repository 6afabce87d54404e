#pragma once

#include <QFocusEvent>
#include <QWidget>

// Whether a control that just took the focus should show it: only when the focus came by
// the keyboard (Tab, Shift+Tab, a shortcut) in a window whose focus the keyboard has been
// moving. A click, the window's activation, or a control handing its focus on because it was
// disabled shows nothing, so a window used with the mouse looks as it always does.
inline bool FocusCameFromKeyboard(const QWidget& widget, const QFocusEvent& event) {
  const Qt::FocusReason reason = event.reason();
  const bool keyboardReason = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                              reason == Qt::ShortcutFocusReason;
  return keyboardReason && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}
