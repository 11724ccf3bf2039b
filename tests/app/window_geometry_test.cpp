// The main window's layout and its minimum size.
#include "app/window_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

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

TEST(DisplayScale, RoundsAsMulDivDoes) {
  struct Case {
    int at96, dpi, expected;
  };
  const Case cases[] = {
      {10, 96, 10},   {420, 96, 420}, {15, 120, 19},  // 18.75
      {10, 120, 13},                                // 12.5: halves go up
      {30, 120, 38},                                // 37.5
      {-5, 120, -6},                                // -6.25
      {-2, 120, -3},                                // -2.5: halves go away from zero
      {15, 144, 23},  {420, 144, 630}, {220, 192, 440}, {1, 72, 1},  // 0.75
  };
  for (const auto& c : cases)
    EXPECT_EQ(DisplayScale::ForDpi(c.dpi).Pixels(c.at96), c.expected) << c.at96 << " at " << c.dpi;
  // A screen that tells no DPI is taken as 96.
  EXPECT_EQ(DisplayScale::ForDpi(0).Pixels(420), 420);
  EXPECT_EQ(DisplayScale::ForDpi(-1).Pixels(420), 420);
#ifdef _WIN32
  for (const int dpi : {72, 96, 120, 144, 168, 192, 240, 288})
    for (int at96 = -100; at96 <= 1000; ++at96)
      ASSERT_EQ(DisplayScale::ForDpi(dpi).Pixels(at96), ::MulDiv(at96, dpi, 96)) << at96 << " at " << dpi;
#endif
}

// At every scale the margins stay equal on both sides, the buttons keep
// their gap and the bar, the view and the buttons never meet.
TEST(WindowGeometry, EveryScaleKeepsTheMarginsAndTheOrder) {
  for (const int dpi : {96, 120, 144, 168, 192, 240}) {
    const DisplayScale scale = DisplayScale::ForDpi(dpi);
    const MainWindowLayout created = CreationLayout(scale);
    const ControlSize sync{created.syncButton.width, created.syncButton.height};
    const ControlSize close{created.closeButton.width, created.closeButton.height};
    const int w = scale.Pixels(412), h = scale.Pixels(174);
    const MainWindowLayout layout = ComputeMainWindowLayout(w, h, sync, close, true, scale);
    const int margin = scale.Pixels(10);
    EXPECT_EQ(layout.progressBar.x, margin) << dpi;
    EXPECT_EQ(w - layout.progressBar.x - layout.progressBar.width, margin) << dpi;
    EXPECT_EQ(w - layout.logView.x - layout.logView.width, margin) << dpi;
    EXPECT_EQ(w - layout.syncButton.x - layout.syncButton.width, margin) << dpi;
    EXPECT_EQ(h - layout.syncButton.y - layout.syncButton.height, margin) << dpi;
    EXPECT_EQ(layout.closeButton.x + layout.closeButton.width + margin, layout.syncButton.x) << dpi;
    EXPECT_LT(layout.progressBar.y + layout.progressBar.height, layout.logView.y) << dpi;
    EXPECT_EQ(layout.logView.y + layout.logView.height + margin, std::min(layout.syncButton.y, layout.closeButton.y))
        << dpi;
    EXPECT_EQ(sync.width, scale.Pixels(100)) << dpi;
    EXPECT_EQ(close.width, scale.Pixels(50)) << dpi;

    WindowRect small{0, 0, 100, 100};
    ApplyMinimumSize(kEdgeBottomRight, small, scale);
    EXPECT_EQ(small.right, scale.Pixels(420)) << dpi;
    EXPECT_EQ(small.bottom, scale.Pixels(220)) << dpi;
  }
}

}  // namespace
