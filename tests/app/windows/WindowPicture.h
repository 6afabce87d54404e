// The window's client area as it is on the screen, saved for the docs when
// SIMPLESCOPE_SCREENSHOT names a file. Without a window manager (Xvfb) nothing draws the
// frame, so it is left out.
#pragma once

#include <QScreen>
#include <QString>
#include <QWidget>
#include <cstdlib>

inline void SaveWindowPictureIfAsked(const QWidget& window) {
  const char* path = std::getenv("SIMPLESCOPE_SCREENSHOT");
  if (!path) return;
  window.screen()->grabWindow(window.winId()).save(QString::fromLocal8Bit(path));
}
