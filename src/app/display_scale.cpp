// Scaling the window's 96-DPI measures to the screen's DPI.
#include "app/display_scale.h"

int DisplayScale::Pixels(int at96) const {
  const long long product = static_cast<long long>(at96) * dpi;
  const long long half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}
