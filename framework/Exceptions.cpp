#include "Exceptions.h"

Exception::Exception(QString message)
    : message_(std::move(message)), utf8_(message_.toStdString()) {}

EListError EListError::IndexOutOfBounds(int index) {
  return EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}
