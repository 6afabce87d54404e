#include <gtest/gtest.h>

#include <vector>

#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/Event.h"

namespace {

std::vector<QString> destroyed;

class TNamed : public TComponent {
 public:
  TNamed(TComponent* owner, const QString& name) : TComponent(owner) { SetName(name); }
  ~TNamed() override { destroyed.push_back(Name()); }
};

struct TReceiver {
  void Handle(TObject*) { ++calls; }
  void Other(TObject*) {}
  int calls = 0;
};
struct TDerivedReceiver : TReceiver {};

}  // namespace

TEST(Component, OwnerDestroysItsComponentsLastFirst) {
  destroyed.clear();
  {
    TNamed owner(nullptr, "owner");
    new TNamed(&owner, "a");
    auto* b = new TNamed(&owner, "b");
    new TNamed(b, "b.child");
    new TNamed(&owner, "c");
    EXPECT_EQ(owner.ComponentCount(), 3);
  }
  EXPECT_EQ(destroyed, (std::vector<QString>{"owner", "c", "b", "b.child", "a"}));
}

TEST(Component, ComponentDestroyedEarlyLeavesItsOwner) {
  destroyed.clear();
  TNamed owner(nullptr, "owner");
  auto* a = new TNamed(&owner, "a");
  new TNamed(&owner, "b");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Component(0)->Name(), "b");
}

TEST(Event, SameCodeWhateverTheReceiver) {
  TReceiver r1, r2;
  auto e1 = TNotifyEvent::Bind<&TReceiver::Handle>(&r1);
  auto e2 = TNotifyEvent::Bind<&TReceiver::Handle>(&r2);
  auto e3 = TNotifyEvent::Bind<&TReceiver::Other>(&r1);
  EXPECT_TRUE(e1.SameCode(e2));
  TDerivedReceiver derived;
  EXPECT_TRUE(e1.SameCode(TNotifyEvent::Bind<&TReceiver::Handle>(&derived)));
  EXPECT_FALSE(e1 == e2);
  EXPECT_FALSE(e1.SameCode(e3));
  EXPECT_FALSE(TNotifyEvent().Assigned());
  e2(nullptr);
  EXPECT_EQ(r2.calls, 1);
  EXPECT_EQ(r1.calls, 0);
}

TEST(Controls, DisabledControlIgnoresClicks) {
  TReceiver r;
  TImage picture(nullptr);
  picture.OnClick = TNotifyEvent::Bind<&TReceiver::Handle>(&r);
  picture.Click();
  picture.SetEnabled(false);
  picture.Click();
  EXPECT_EQ(r.calls, 1);
}
