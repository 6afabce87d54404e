#pragma once

#include <QByteArray>
#include <QString>

// Puts a table on the system clipboard: as plain text (tab-separated, which spreadsheets
// paste as columns) and the same rows as CSV under "text/csv", for programs that ask for it.
void CopyTableToClipboard(const QString& tabSeparated, const QByteArray& csv);
