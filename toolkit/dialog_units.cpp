// Dialog-unit arithmetic, as the dialog manager does it.
#include "toolkit/dialog_units.h"

#include <cstdint>

int MulDiv(int a, int b, int c) {
  if (c == 0) return 0;
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t half = (c < 0 ? -std::int64_t{c} : std::int64_t{c}) / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -std::int64_t{c} : c);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int charHeight) {
  // Twice the average over 26 letters pairs, plus one, halved: the average rounded to the nearest pixel.
  return {(lettersWidth / 26 + 1) / 2, charHeight};
}

PixelRect DialogToPixels(int x, int y, int cx, int cy, DialogBaseUnits units) {
  return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4), MulDiv(cy, units.y, 8)};
}
