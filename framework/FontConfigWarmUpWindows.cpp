#include "framework/FontConfigWarmUp.h"

// Windows: Qt asks the system's own font service, which has its configuration loaded before
// any program starts; there is nothing to read ahead.
TFontConfigWarmUp::TFontConfigWarmUp() = default;

TFontConfigWarmUp::~TFontConfigWarmUp() = default;

void TFontConfigWarmUp::Wait() {}
