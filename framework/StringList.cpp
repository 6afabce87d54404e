#include "StringList.h"

#include "Exceptions.h"

void TStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) throw EListError::IndexOutOfBounds(index);
}

int TStringList::AddObject(const QString& text, TObject* object) {
  items_.push_back({text, object});
  return Count() - 1;
}

void TStringList::Insert(int index, const QString& text) {
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, Item{text, nullptr});
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  items_.erase(items_.begin() + index);
}

const QString& TStringList::Strings(int index) const {
  CheckIndex(index, Count());
  return items_[index].text;
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index, Count());
  return items_[index].object;
}

void TStringList::SetObject(int index, TObject* object) {
  CheckIndex(index, Count());
  items_[index].object = object;
}

int TStringList::IndexOf(const QString& text) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].text == text) return i;
  return -1;
}
