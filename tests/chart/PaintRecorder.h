#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRect>
#include <vector>

// Collects the rectangles a widget is asked to paint (install it as the widget's event filter).
class TPaintRecorder : public QObject {
 public:
  std::vector<QRect> rects;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      rects.push_back(static_cast<QPaintEvent*>(event)->region().boundingRect());
    return false;
  }
};
