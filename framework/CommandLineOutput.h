#pragma once

#include <QString>

// Where a program's answer to its command line goes (--help, --version, a mistake): standard
// output, or standard error for a mistake. A window program on Windows has neither when it is
// started from the desktop or the Start menu; the text is shown in a message box there.
void ShowCommandLineText(const QString& text, bool isError);
