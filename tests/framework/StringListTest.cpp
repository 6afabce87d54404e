#include <gtest/gtest.h>

#include "framework/Component.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/StringList.h"

namespace {

QString IndexErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EListError& e) {
    return e.Message();
  }
  return {};
}

}  // namespace

TEST(StringList, KeepsOrderAndObjects) {
  TStringList list;
  TObject a, b;
  EXPECT_EQ(list.AddObject("one", &a), 0);
  EXPECT_EQ(list.Add("two"), 1);
  list.SetObject(1, &b);
  list.Insert(0, "zero");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(0), "zero");
  EXPECT_EQ(list.Objects(0), nullptr);
  EXPECT_EQ(list.Objects(1), &a);
  EXPECT_EQ(list.Objects(2), &b);
  list.Insert(3, "end");
  EXPECT_EQ(list.Strings(3), "end");
  EXPECT_EQ(list.IndexOf("two"), 2);
  list.Delete(3);
  list.Delete(0);
  EXPECT_EQ(list.Strings(0), "one");
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, BadIndexRaisesAndChangesNothing) {
  TStringList list;
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(IndexErrorOf([&] { list.Delete(2); }), "リストのインデックスが範囲を超えています (2)");
  EXPECT_EQ(IndexErrorOf([&] { list.Strings(-1); }),
            "リストのインデックスが範囲を超えています (-1)");
  EXPECT_EQ(IndexErrorOf([&] { list.Insert(3, "x"); }),
            "リストのインデックスが範囲を超えています (3)");
  EXPECT_FALSE(IndexErrorOf([&] { list.Objects(5); }).isEmpty());
  EXPECT_FALSE(IndexErrorOf([&] { list.SetObject(2, nullptr); }).isEmpty());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), "a");
  EXPECT_EQ(list.Strings(1), "b");
}

TEST(MemoLines, ReadingPastTheEndGivesEmptyText) {
  TMemo memo(nullptr);
  memo.Lines.Add("21 ");
  EXPECT_EQ(memo.Lines.Line(0), "21 ");
  EXPECT_EQ(memo.Lines.Line(1), "");
  EXPECT_EQ(memo.Lines.Line(1000), "");
  EXPECT_EQ(memo.Lines.Line(-1), "");
  memo.Lines.Clear();
  EXPECT_EQ(memo.Lines.Count(), 0);
  EXPECT_EQ(memo.Lines.Line(0), "");
}
