#include "ChartAccessible.h"

#include "chart/Chart.h"

namespace {

bool listensForTests = false;

QAccessibleInterface* ChartInterface(const QString&, QObject* object) {
  // The chart declares no class of its own to Qt: it is told by what it is.
  if (auto* chart = dynamic_cast<TCustomChart*>(object)) return new TChartAccessible(chart);
  return nullptr;
}

}  // namespace

TChartAccessible::TChartAccessible(TCustomChart* chart)
    : QAccessibleWidget(chart, QAccessible::Chart) {}

QString TChartAccessible::text(QAccessible::Text kind) const {
  QString text = QAccessibleWidget::text(kind);
  auto* chart = static_cast<TCustomChart*>(widget());
  if (chart->OnGetAccessibleText) chart->OnGetAccessibleText(chart, kind, text);
  return text;
}

void InstallChartAccessibility() {
  static const bool installed = (QAccessible::installFactory(&ChartInterface), true);
  (void)installed;
}

bool AccessibilityListens() {
  return listensForTests || QAccessible::isActive();
}

void SetAccessibilityListensForTests(bool listens) {
  listensForTests = listens;
}
