#pragma once

#include <QString>
#include <cstdio>

// Standard output and standard error as the user sees them; one file per platform. On Linux
// the text goes out in the locale's encoding. On Windows a console is given the text as
// UTF-16, which it shows whatever its code page (Japanese messages included), and a file or
// pipe gets UTF-8.
bool IsTerminal(FILE* stream);
// Whether the terminal takes the sequence that clears a line. Every Linux terminal does; a
// Windows console does once asked to process virtual-terminal sequences, which a console
// before Windows 10 refuses.
bool TakesLineSequences(FILE* stream);
// Writes the text whole and flushes the stream. A Windows console is put into
// virtual-terminal mode only for the write of a text with a sequence in it, and given back
// its own mode at once: the console the recorder ran in is left as it was found, however
// the recorder ends.
void PutText(FILE* stream, const QString& text);
