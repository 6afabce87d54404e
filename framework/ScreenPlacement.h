#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

// Where a window whose frame is `frame` goes so that it lies on the screen's available area
// `area`, moved as little as possible. A frame larger than the area keeps its top left
// corner, with the caption, on it.
QPoint KeepOnScreen(const QRect& frame, const QRect& area);

// Moves a shown window onto the available area of its screen, where it isn't there already.
void KeepWindowOnScreen(QWidget& window);
