#pragma once

#include <functional>
#include <memory>

class QObject;

// A precise timer that runs onTimeout on the main thread from its message loop, outside any
// timer event of Qt's: a handler that waits in a nested loop for longer than the interval sees
// the next timeouts run nested inside it, as a window's timer messages do. Timeouts that come
// while one is still waiting to run count as one. Nothing of it runs once the object is gone.
// One file per platform: Qt's timer on Linux, a timer of the system that posts to the main
// thread's window on Windows (Qt's own would cost a posted event per timeout).
std::unique_ptr<QObject> StartSystemTimer(int intervalMs, bool repeating,
                                          std::function<void()> onTimeout);

// Qt's precise timer with each timeout queued to the main thread's event loop: the Linux
// timer, and the Windows one where the system gives no timer.
std::unique_ptr<QObject> StartQueuedQtTimer(int intervalMs, bool repeating,
                                            std::function<void()> onTimeout);
