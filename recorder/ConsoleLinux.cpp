#include <unistd.h>

#include "Console.h"

bool IsTerminal(FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

bool TakesLineSequences(FILE*) {
  return true;
}

void PutText(FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}
