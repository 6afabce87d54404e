// The HID tests' main on Windows: a Qt Core application (the controller's event loop) and no
// window system, which these tests don't touch.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
