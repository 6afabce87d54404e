#include <gtest/gtest.h>

#include <array>

#include "hid/ModuleLoader.h"
#include "hid/SetupApi.h"

namespace {
void* first = reinterpret_cast<void*>(1);
void* second = reinterpret_cast<void*>(1);
}  // namespace

TEST(ModuleLoader, BindsEveryEntryOrNone) {
  TModuleLoader loader;
  const std::array good = {TModuleLoader::TEntry{"udev_new", &first},
                           TModuleLoader::TEntry{"udev_unref", &second}};
  ASSERT_TRUE(loader.Load("libudev.so.1", good));
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  loader.Release();
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(second, nullptr);

  const std::array oneMissing = {TModuleLoader::TEntry{"udev_new", &first},
                                 TModuleLoader::TEntry{"udev_no_such_entry", &second}};
  EXPECT_FALSE(loader.Load("libudev.so.1", oneMissing));
  EXPECT_FALSE(loader.Loaded());
  EXPECT_EQ(first, nullptr);  // the entry that was found is cleared too
  EXPECT_EQ(loader.LastFailure(), "udev_no_such_entry");

  EXPECT_FALSE(loader.Load("libsimplescope-missing.so.9", good));
  EXPECT_FALSE(loader.LastFailure().empty());
}

TEST(SetupApi, BindingIsCountedAndAMissingLibraryLeavesItUnbound) {
  ASSERT_TRUE(SetupApi::Bind());
  ASSERT_TRUE(SetupApi::Bind());
  SetupApi::Release();
  EXPECT_TRUE(SetupApi::Bound());
  std::vector<THidInterfaceRecord> records;
  EXPECT_TRUE(SetupApi::EnumerateHidraw(records));  // whatever this machine has
  SetupApi::Release();
  EXPECT_FALSE(SetupApi::Bound());
  EXPECT_FALSE(SetupApi::EnumerateHidraw(records));

  SetupApi::SetLibraryName("libsimplescope-missing.so.9");
  EXPECT_FALSE(SetupApi::Bind());
  EXPECT_FALSE(SetupApi::Bound());
  SetupApi::SetLibraryName("libudev.so.1");
}
