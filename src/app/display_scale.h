// The screen's scale: the window's pixel measures are written for 96 DPI and
// drawn at the DPI of the screen the program starts on.
#pragma once

struct DisplayScale {
  // The scale of a screen of dpi dots per inch; a DPI the screen could not
  // tell (0 or less) is taken as 96, where every measure stays as written.
  static DisplayScale ForDpi(int dpi) { return DisplayScale{dpi > 0 ? dpi : kBaseDpi}; }

  static constexpr int kBaseDpi = 96;
  int dpi = kBaseDpi;

  // A measure written for 96 DPI, at this scale: rounded to the nearest
  // pixel, halves away from zero, as the platform's MulDiv(at96, dpi, 96)
  // rounds, so that every part of the window lands on the same pixels.
  int Pixels(int at96) const;
};
