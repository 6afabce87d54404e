#include <gtest/gtest.h>

#include <array>

#include "hid/ModuleLoaderLinux.h"
#include "hid/SetupApiLinux.h"

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
  ASSERT_TRUE(SetupApiLinux::Bind());
  ASSERT_TRUE(SetupApiLinux::Bind());
  SetupApiLinux::Release();
  EXPECT_TRUE(SetupApiLinux::Bound());
  std::vector<THidInterfaceRecord> records;
  EXPECT_TRUE(SetupApiLinux::EnumerateHidraw(records));  // whatever this machine has
  SetupApiLinux::Release();
  EXPECT_FALSE(SetupApiLinux::Bound());
  EXPECT_FALSE(SetupApiLinux::EnumerateHidraw(records));

  SetupApiLinux::SetLibraryName("libsimplescope-missing.so.9");
  EXPECT_FALSE(SetupApiLinux::Bind());
  EXPECT_FALSE(SetupApiLinux::Bound());
  SetupApiLinux::SetLibraryName("libudev.so.1");
}
