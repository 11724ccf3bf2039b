// Main window layout and minimum size.
#include "app/window_geometry.h"

#include <algorithm>

void ApplyMinimumSize(int edge, WindowRect& rect) {
  if (rect.right - rect.left < kMinimumWindowWidth) {
    if (edge == kEdgeLeft || edge == kEdgeTopLeft || edge == kEdgeBottomLeft) rect.left = rect.right - kMinimumWindowWidth;
    if (edge == kEdgeRight || edge == kEdgeTopRight || edge == kEdgeBottomRight)
      rect.right = rect.left + kMinimumWindowWidth;
  }
  if (rect.bottom - rect.top < kMinimumWindowHeight) {
    if (edge == kEdgeTop || edge == kEdgeTopLeft || edge == kEdgeTopRight) rect.top = rect.bottom - kMinimumWindowHeight;
    if (edge == kEdgeBottom || edge == kEdgeBottomLeft || edge == kEdgeBottomRight)
      rect.bottom = rect.top + kMinimumWindowHeight;
  }
}

MainWindowLayout ComputeMainWindowLayout(int width, int height, ControlSize sync, ControlSize close,
                                         bool syncPresent) {
  if (!syncPresent) sync = kSyncButtonCreationSize;
  MainWindowLayout layout;
  // A client area smaller than the controls (while minimised) gives empty sizes, not negative ones.
  layout.progressBar = {10, 10, std::max(0, width - 20), 20};
  layout.syncButton = {width - sync.width - 10, height - sync.height - 10, sync.width, sync.height};
  layout.closeButton = {width - sync.width - close.width - 20, height - close.height - 10, close.width, close.height};
  if (!syncPresent) layout.closeButton = {layout.syncButton.x, layout.syncButton.y, close.width, close.height};
  layout.logView = {10, 40, std::max(0, width - 20), std::max(0, height - std::max(sync.height, close.height) - 60)};
  return layout;
}
