#pragma once

#include <thread>

// Reads the font configuration on a thread of its own while the program starts.
// fontconfig parses every file of /etc/fonts/conf.d the first time a text needs a face:
// some 24 M instructions, a quarter of a window's start-up, which would otherwise wait
// for the window system's connection to be made first. Made before QApplication, waited
// for before the first font is asked for (so the configuration is made once, not raced for).
// On Windows there is nothing to read ahead: both calls do nothing there.
class TFontConfigWarmUp {
 public:
  TFontConfigWarmUp();
  ~TFontConfigWarmUp();
  TFontConfigWarmUp(const TFontConfigWarmUp&) = delete;
  TFontConfigWarmUp& operator=(const TFontConfigWarmUp&) = delete;

  // Returns once the configuration is read; at once on later calls.
  void Wait();

 private:
  std::thread reader_;
};
