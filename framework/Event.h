#pragma once

// An event handler: a piece of code bound to the object it runs on. Two handlers count as
// the same when their code is the same, whatever object they are bound to; that is what
// lets a component tell "the same handler again" from a real change.
template <typename Signature>
class TEvent;

namespace event_detail {
template <typename T>
struct MemberOf;
template <typename Class, typename Member>
struct MemberOf<Member Class::*> {
  using type = Class;
};
}  // namespace event_detail

template <typename R, typename... Args>
class TEvent<R(Args...)> {
 public:
  TEvent() = default;

  // Binds Method to a receiver: TEvent<...>::Bind<&TForm1::Image2Click>(form). The code is
  // that of the method's own class, whatever class the receiver is seen as here.
  template <auto Method>
  static TEvent Bind(typename event_detail::MemberOf<decltype(Method)>::type* receiver) {
    using Receiver = typename event_detail::MemberOf<decltype(Method)>::type;
    TEvent event;
    event.receiver_ = receiver;
    event.code_ = &Thunk<Method, Receiver>;
    return event;
  }

  bool Assigned() const { return code_ != nullptr; }
  explicit operator bool() const { return Assigned(); }
  bool SameCode(const TEvent& other) const { return code_ == other.code_; }
  bool operator==(const TEvent& other) const {
    return code_ == other.code_ && receiver_ == other.receiver_;
  }
  void* Receiver() const { return receiver_; }

  R operator()(Args... args) const { return code_(receiver_, args...); }

 private:
  template <auto Method, typename Receiver>
  static R Thunk(void* receiver, Args... args) {
    return (static_cast<Receiver*>(receiver)->*Method)(args...);
  }

  void* receiver_ = nullptr;
  R (*code_)(void*, Args...) = nullptr;
};

class TObject;
using TNotifyEvent = TEvent<void(TObject* sender)>;
