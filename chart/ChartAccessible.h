#pragma once

#include <QAccessibleWidget>

class TCustomChart;

// The chart as assistive technology sees it: a chart, not an unnamed area, with the name and
// description its owner gives through OnGetAccessibleText (the widget's own otherwise). The
// texts are asked for when a screen reader wants them, so keeping them up to date costs the
// chart nothing, and never a repaint.
class TChartAccessible : public QAccessibleWidget {
 public:
  explicit TChartAccessible(TCustomChart* chart);
  QString text(QAccessible::Text kind) const override;
};

// Lets every chart of the program answer with a TChartAccessible. Once is enough; more
// calls change nothing.
void InstallChartAccessibility();

// Whether assistive technology listens (a screen reader through the platform's accessibility),
// so that changes are worth telling it; or a test said one does: offscreen, none ever listens.
bool AccessibilityListens();
void SetAccessibilityListensForTests(bool listens);
