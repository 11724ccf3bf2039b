// The main window's layout and its minimum size.
#include "app/window_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowGeometry, ButtonsSitBottomRightAndTheViewFillsTheRest) {
  const int sizes[][2] = {{404, 162}, {800, 500}, {1200, 330}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    const MainWindowLayout layout = ComputeMainWindowLayout(w, h, {100, 30}, {50, 30});
    EXPECT_EQ(layout.progressBar.width, w - 20);
    EXPECT_EQ(layout.progressBar.height, 20);
    EXPECT_EQ(layout.syncButton.x, w - 110);
    EXPECT_EQ(layout.syncButton.y, h - 40);
    EXPECT_EQ(layout.closeButton.x, w - 170);
    EXPECT_EQ(layout.closeButton.y, h - 40);
    // The Close button ends 10 pixels left of the Sync button; both end 10 above the bottom.
    EXPECT_EQ(layout.closeButton.x + layout.closeButton.width + 10, layout.syncButton.x);
    EXPECT_EQ(layout.syncButton.y + layout.syncButton.height, h - 10);
    EXPECT_EQ(layout.logView.width, w - 20);
    EXPECT_EQ(layout.logView.height, h - 90);
  }
}

TEST(WindowGeometry, TheTallerButtonDecidesTheViewHeight) {
  const MainWindowLayout layout = ComputeMainWindowLayout(500, 300, {100, 30}, {50, 44});
  EXPECT_EQ(layout.logView.height, 300 - 44 - 60);
  EXPECT_EQ(layout.closeButton.y, 300 - 44 - 10);
}

TEST(WindowGeometry, ATinyClientAreaGivesEmptyNotNegativeSizes) {
  const MainWindowLayout layout = ComputeMainWindowLayout(0, 0, {100, 30}, {50, 30});
  EXPECT_EQ(layout.progressBar.width, 0);
  EXPECT_EQ(layout.logView.width, 0);
  EXPECT_EQ(layout.logView.height, 0);
}

TEST(WindowGeometry, OnlyTheDraggedEdgeMovesToHoldTheMinimum) {
  struct Case {
    int edge;
    WindowRect proposed, expected;
  };
  const WindowRect small{100, 100, 300, 200};  // 200 x 100
  const Case cases[] = {
      {kEdgeLeft, small, {-120, 100, 300, 200}},
      {kEdgeRight, small, {100, 100, 520, 200}},
      {kEdgeTop, small, {100, -20, 300, 200}},
      {kEdgeBottom, small, {100, 100, 300, 320}},
      {kEdgeTopLeft, small, {-120, -20, 300, 200}},
      {kEdgeTopRight, small, {100, -20, 520, 200}},
      {kEdgeBottomLeft, small, {-120, 100, 300, 320}},
      {kEdgeBottomRight, small, {100, 100, 520, 320}},
      {kEdgeRight, {0, 0, 600, 400}, {0, 0, 600, 400}},  // large enough: unchanged
      {kEdgeLeft, {0, 0, 420, 220}, {0, 0, 420, 220}},   // exactly the minimum
  };
  for (const auto& c : cases) {
    WindowRect rect = c.proposed;
    ApplyMinimumSize(c.edge, rect);
    EXPECT_EQ(rect.left, c.expected.left) << c.edge;
    EXPECT_EQ(rect.top, c.expected.top) << c.edge;
    EXPECT_EQ(rect.right, c.expected.right) << c.edge;
    EXPECT_EQ(rect.bottom, c.expected.bottom) << c.edge;
  }
}

}  // namespace
