#pragma once

#include <QString>
#include <cstdio>

// Standard output and standard error as the user sees them; one file per platform. On Linux
// the text goes out in the locale's encoding. On Windows a console is given the text as
// UTF-16, which it shows whatever its code page (Japanese messages included), and a file or
// pipe gets UTF-8.
bool IsTerminal(FILE* stream);
// Writes the text whole and flushes the stream.
void PutText(FILE* stream, const QString& text);
