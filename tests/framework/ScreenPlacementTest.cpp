// A window kept on the screen's available area.
#include <gtest/gtest.h>

#include "framework/ScreenPlacement.h"

TEST(ScreenPlacement, AWindowIsMovedOntoTheAreaAsLittleAsPossible) {
  const QRect area(0, 0, 1024, 740);  // a panel below
  // Already on it: where it is.
  EXPECT_EQ(KeepOnScreen({100, 50, 250, 300}, area), QPoint(100, 50));
  // Over the right edge (the measurements window beside a centred main window).
  EXPECT_EQ(KeepOnScreen({892, 53, 250, 300}, area), QPoint(774, 53));
  // Over the bottom and the left.
  EXPECT_EQ(KeepOnScreen({-20, 600, 250, 300}, area), QPoint(0, 440));
  // Larger than the area: its top left corner, with the caption, on it.
  EXPECT_EQ(KeepOnScreen({-31, -31, 746, 700}, QRect(0, 0, 640, 480)), QPoint(0, 0));
  // An area that doesn't start at 0 (a second monitor on the left, a panel on top).
  EXPECT_EQ(KeepOnScreen({-100, 0, 250, 300}, QRect(-1920, 30, 1920, 1050)), QPoint(-250, 30));
}
