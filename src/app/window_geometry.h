// Where the main window's controls go, and how small the window may get.
// Every measure here is in pixels at 96 DPI; the functions take the screen's
// scale and give pixels at it.
#pragma once

#include "app/display_scale.h"

inline constexpr int kMinimumWindowWidth = 420;
inline constexpr int kMinimumWindowHeight = 220;

struct WindowRect {
  long left = 0, top = 0, right = 0, bottom = 0;
};

// Edge numbers as the platform's sizing message gives them.
enum SizingEdge {
  kEdgeLeft = 1, kEdgeRight = 2, kEdgeTop = 3, kEdgeTopLeft = 4, kEdgeTopRight = 5,
  kEdgeBottom = 6, kEdgeBottomLeft = 7, kEdgeBottomRight = 8,
};

// Holds a proposed window rectangle at the minimum size, moving only the edge being dragged.
void ApplyMinimumSize(int edge, WindowRect& rect, DisplayScale scale = {});

struct ControlSize {
  int width = 0, height = 0;
};

// The height of the font of the view and the buttons.
inline constexpr int kFontHeight = 15;

struct ControlPlacement {
  int x = 0, y = 0, width = 0, height = 0;
};

struct MainWindowLayout {
  ControlPlacement progressBar, syncButton, closeButton, logView;
};

// Where the controls stand as they are created. The first layout moves them
// all and sizes the bar and the view; the buttons keep these sizes.
MainWindowLayout CreationLayout(DisplayScale scale = {});

// Bar along the top, the view below it, the buttons at the bottom right, for
// a client area of width x height and the buttons' current sizes. Without a
// Sync button the Close button takes its place, as the Sync button would
// stand at its creation size.
MainWindowLayout ComputeMainWindowLayout(int width, int height, ControlSize syncButton, ControlSize closeButton,
                                         bool syncButtonPresent = true, DisplayScale scale = {});
