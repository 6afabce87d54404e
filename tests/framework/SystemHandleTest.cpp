#include <gtest/gtest.h>

#include <cstdint>

#include "framework/SystemHandle.h"

// Descriptor 0 is a real file (standard input), handle 0 is none: the one type must keep the
// two systems' ideas of "no object" apart.
TEST(SystemHandle, NoneIsMinusOneForDescriptorsAndNullOrAllBitsForHandles) {
  EXPECT_FALSE(TSystemHandle().Valid());
  EXPECT_FALSE(TSystemHandle::FromDescriptor(-1).Valid());
  EXPECT_FALSE(TSystemHandle::FromDescriptor(-5).Valid());
  EXPECT_TRUE(TSystemHandle::FromDescriptor(0).Valid());
  EXPECT_EQ(TSystemHandle::FromDescriptor(0).Descriptor(), 0);
  EXPECT_EQ(TSystemHandle::FromDescriptor(-5), TSystemHandle());

  EXPECT_FALSE(TSystemHandle::FromHandle(nullptr).Valid());
  EXPECT_FALSE(TSystemHandle::FromHandle(reinterpret_cast<void*>(intptr_t{-1})).Valid());
  EXPECT_EQ(TSystemHandle().Handle(), nullptr);
}

TEST(SystemHandle, AHandleComesBackAsItWent) {
  int object = 0;
  const TSystemHandle handle = TSystemHandle::FromHandle(&object);
  ASSERT_TRUE(handle.Valid());
  EXPECT_EQ(handle.Handle(), &object);
  EXPECT_EQ(handle, TSystemHandle::FromHandle(&object));
  EXPECT_NE(handle, TSystemHandle::FromDescriptor(3));
}
