#include <QObject>

#include "SystemTimer.h"

// Qt's timers on Linux are the system's own (a timeout of its poll): nothing to save.
std::unique_ptr<QObject> StartSystemTimer(int intervalMs, bool repeating,
                                          std::function<void()> onTimeout) {
  return StartQueuedQtTimer(intervalMs, repeating, std::move(onTimeout));
}
