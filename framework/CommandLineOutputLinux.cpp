#include <cstdio>

#include "CommandLineOutput.h"

void ShowCommandLineText(const QString& text, bool isError) {
  std::fputs(text.toLocal8Bit().constData(), isError ? stderr : stdout);
}
