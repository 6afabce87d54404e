#include <fontconfig/fontconfig.h>

#include <system_error>

#include "framework/FontConfigWarmUp.h"

TFontConfigWarmUp::TFontConfigWarmUp() {
  try {
    reader_ = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
    // No thread to be had: Qt reads the configuration itself when it first needs it.
  }
}

TFontConfigWarmUp::~TFontConfigWarmUp() {
  Wait();
}

void TFontConfigWarmUp::Wait() {
  if (reader_.joinable()) reader_.join();
}
