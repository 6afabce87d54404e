#include <gtest/gtest.h>

#include <QApplication>

#include "framework/FontSubstitution.h"

// Where the tests draw when QT_QPA_PLATFORM doesn't say: offscreen, or for the Windows build
// Windows' own platform (Qt's offscreen one finds no fonts there, and Wine keeps the host's
// QT_ variables from the programs it runs).
#ifndef SIMPLESCOPE_TEST_QPA_PLATFORM
#define SIMPLESCOPE_TEST_QPA_PLATFORM "offscreen"
#endif

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? SIMPLESCOPE_TEST_QPA_PLATFORM
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  // Charts measure their texts in the faces the window asks for, as the program does.
  InstallFontSubstitutions();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
