#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void CopyTableToClipboard(const QString& tabSeparated, const QByteArray& csv) {
  auto* data = new QMimeData;
  data->setText(tabSeparated);
  data->setData(QStringLiteral("text/csv"), csv);
  // The clipboard takes the data and frees it when something else is copied.
  QGuiApplication::clipboard()->setMimeData(data);
}
