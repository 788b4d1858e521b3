// Dialog units to pixels: how a template's positions and sizes become a window's, given the dialog font.
#pragma once

// The font's base units: one horizontal dialog unit is x/4 pixels, one vertical unit y/8 pixels.
struct DialogBaseUnits {
  int x;
  int y;
};

struct PixelRect {
  int x, y, width, height;
};

// a * b / c rounded to the nearest whole number, halves away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c);

// Base units of a font from the width in pixels of the 52 letters "A".."Z" "a".."z" written in it and
// its character height: the average letter width rounded to the nearest pixel, and the height.
DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int charHeight);

// A rectangle of the template in pixels.
PixelRect DialogToPixels(int x, int y, int cx, int cy, DialogBaseUnits units);
