#pragma once

#include <QString>
#include <vector>

// Base of every object that can be kept in an object list.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// An object with an owner: the owner destroys the components it owns, last created first.
// A component destroyed before its owner takes itself out of the owner's list.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  const QString& Name() const { return name_; }
  void SetName(const QString& name) { name_ = name; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int index) const { return components_.at(index); }

  // True while the owner is still reading its definition; set-up code that must not run
  // before every property is in place looks at it.
  bool Loading() const { return loading_; }
  void SetLoading(bool loading) { loading_ = loading; }

  // Takes ownership of a component made elsewhere.
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

 protected:
  // Destroys the owned components now, last created first.
  void DestroyComponents();

 private:
  TComponent* owner_ = nullptr;
  QString name_;
  bool loading_ = false;
  std::vector<TComponent*> components_;
};
