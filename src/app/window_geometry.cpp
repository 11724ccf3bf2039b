// Main window layout and minimum size.
#include "app/window_geometry.h"

#include <algorithm>

namespace {

// The layout's measures at 96 DPI.
constexpr int kMargin = 10;  // around the controls and between the buttons
constexpr int kBarHeight = 20;
constexpr int kViewTop = 40;

ControlPlacement Scaled(ControlPlacement at96, DisplayScale scale) {
  return {scale.Pixels(at96.x), scale.Pixels(at96.y), scale.Pixels(at96.width), scale.Pixels(at96.height)};
}

}  // namespace

void ApplyMinimumSize(int edge, WindowRect& rect, DisplayScale scale) {
  const int minimumWidth = scale.Pixels(kMinimumWindowWidth);
  const int minimumHeight = scale.Pixels(kMinimumWindowHeight);
  if (rect.right - rect.left < minimumWidth) {
    if (edge == kEdgeLeft || edge == kEdgeTopLeft || edge == kEdgeBottomLeft) rect.left = rect.right - minimumWidth;
    if (edge == kEdgeRight || edge == kEdgeTopRight || edge == kEdgeBottomRight) rect.right = rect.left + minimumWidth;
  }
  if (rect.bottom - rect.top < minimumHeight) {
    if (edge == kEdgeTop || edge == kEdgeTopLeft || edge == kEdgeTopRight) rect.top = rect.bottom - minimumHeight;
    if (edge == kEdgeBottom || edge == kEdgeBottomLeft || edge == kEdgeBottomRight)
      rect.bottom = rect.top + minimumHeight;
  }
}

MainWindowLayout CreationLayout(DisplayScale scale) {
  MainWindowLayout layout;
  layout.progressBar = Scaled({kMargin, kMargin, 100, kBarHeight}, scale);
  layout.syncButton = Scaled({30, 100, 100, 30}, scale);
  layout.closeButton = Scaled({30, 100, 50, 30}, scale);
  layout.logView = Scaled({kMargin, kViewTop, 100, 20}, scale);
  return layout;
}

// The margin is scaled once and used on both sides, so that the left and the
// right margins stay equal at every scale (a scaled 20 is not always two
// scaled 10s).
MainWindowLayout ComputeMainWindowLayout(int width, int height, ControlSize sync, ControlSize close, bool syncPresent,
                                         DisplayScale scale) {
  if (!syncPresent) {
    const ControlPlacement created = CreationLayout(scale).syncButton;
    sync = {created.width, created.height};
  }
  const int margin = scale.Pixels(kMargin);
  const int viewTop = scale.Pixels(kViewTop);
  MainWindowLayout layout;
  // A client area smaller than the controls (while minimised) gives empty sizes, not negative ones.
  layout.progressBar = {margin, margin, std::max(0, width - 2 * margin), scale.Pixels(kBarHeight)};
  layout.syncButton = {width - sync.width - margin, height - sync.height - margin, sync.width, sync.height};
  layout.closeButton = {layout.syncButton.x - margin - close.width, height - close.height - margin, close.width,
                        close.height};
  if (!syncPresent) layout.closeButton = {layout.syncButton.x, layout.syncButton.y, close.width, close.height};
  layout.logView = {margin, viewTop, std::max(0, width - 2 * margin),
                    std::max(0, height - std::max(sync.height, close.height) - viewTop - 2 * margin)};
  return layout;
}
