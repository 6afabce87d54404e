#include "ScreenPlacement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

QPoint KeepOnScreen(const QRect& frame, const QRect& area) {
  const int x = std::min(frame.left(), area.right() + 1 - frame.width());
  const int y = std::min(frame.top(), area.bottom() + 1 - frame.height());
  return {std::max(x, area.left()), std::max(y, area.top())};
}

void KeepWindowOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) return;
  // A window's position is its frame's.
  const QRect frame = window.frameGeometry();
  const QPoint at = KeepOnScreen(frame, screen->availableGeometry());
  if (at != frame.topLeft()) window.move(at);
}
