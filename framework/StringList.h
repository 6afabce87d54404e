#pragma once

#include <QString>
#include <deque>

class TObject;

// An ordered list of texts, each with an optional object riding along. The list never owns
// the objects. Every index outside 0..Count()-1 raises the list's index error and leaves the
// list as it was.
class TStringList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  int Add(const QString& text) { return AddObject(text, nullptr); }
  int AddObject(const QString& text, TObject* object);
  void Insert(int index, const QString& text);  // index may equal Count()
  void Delete(int index);
  void Clear() { items_.clear(); }

  const QString& Strings(int index) const;
  TObject* Objects(int index) const;
  void SetObject(int index, TObject* object);
  int IndexOf(const QString& text) const;

 private:
  struct Item {
    QString text;
    TObject* object = nullptr;
  };
  void CheckIndex(int index, int limit) const;

  // A deque: the sample history takes every new text at the front and drops the last.
  std::deque<Item> items_;
};
