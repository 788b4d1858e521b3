// The window backends' layout arithmetic: dialog units to pixels, and static text wrapping with tabs.
#include <gtest/gtest.h>

#include "toolkit/dialog_units.h"
#include "toolkit/text_layout.h"

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {199, 6, 4, 299},     // 298.5 rounds up
      {122, 15, 8, 229},    // 228.75
      {7, 15, 8, 13},       // 13.125
      {-199, 6, 4, -299},   // negative halves round away from zero
      {199, -6, 4, -299},
      {10, 3, -4, -8},      // -7.5
      {0, 5, 3, 0},
      {5, 5, 0, 0},         // no divisor: 0, never a crash
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
  }
  // The product may exceed 32 bits; only the quotient has to fit.
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST(DialogUnits, BaseUnitsAndTemplateRectangles) {
  // Letter widths as a 9-point sans font gives them on common screens.
  EXPECT_EQ(BaseUnitsFromFont(312, 15).x, 6);  // 6.0 per letter
  EXPECT_EQ(BaseUnitsFromFont(285, 14).x, 5);  // 5.48
  EXPECT_EQ(BaseUnitsFromFont(287, 14).x, 6);  // 5.52
  EXPECT_EQ(BaseUnitsFromFont(285, 14).y, 14);

  struct Case {
    int x, y, cx, cy;
    PixelRect expected;
  } cases[] = {
      {0, 0, 199, 122, {0, 0, 299, 229}},     // the dialog
      {19, 11, 46, 10, {29, 21, 69, 19}},     // "Full NAND"
      {25, 47, 160, 58, {38, 88, 240, 109}},  // the information panel
      {3, 112, 192, 7, {5, 210, 288, 13}},    // the progress bar
  };
  for (const Case& c : cases) {
    const PixelRect r = DialogToPixels(c.x, c.y, c.cx, c.cy, {6, 15});
    EXPECT_EQ(r.x, c.expected.x);
    EXPECT_EQ(r.y, c.expected.y);
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
  }
}

namespace {
// One pixel per character makes every position easy to read.
int Monospace(std::u16string_view s) { return static_cast<int>(s.size()); }
}  // namespace

TEST(TextLayout, WrapsAtTheWidthBreaksAtLineFeedsAndExpandsTabs) {
  struct Case {
    const char* what;
    std::u16string text;
    int width;
    std::vector<TextLine> expected;
  } cases[] = {
      {"empty text", u"", 20, {{}}},
      {"fits", u"Store: DSK1:", 20, {{{0, u"Store: DSK1:"}}}},
      {"line feeds", u"a\nb\n", 20, {{{0, u"a"}}, {{0, u"b"}}, {}}},
      {"carriage return before a line feed", u"a\r\nb", 20, {{{0, u"a"}}, {{0, u"b"}}}},
      {"wraps before the word that would pass the edge", u"one two three", 8,
       {{{0, u"one two "}}, {{0, u"three"}}}},
      {"a word ending exactly at the edge stays", u"abcd efgh", 9, {{{0, u"abcd efgh"}}}},
      {"a word wider than the line stays whole", u"x abcdefghijkl y", 5,
       {{{0, u"x "}}, {{0, u"abcdefghijkl "}}, {{0, u"y"}}}},
      {"tab to the next stop", u"Sector Size:\t0x200", 40, {{{0, u"Sector Size:"}, {16, u"0x200"}}}},
      {"two tabs", u"ab\t\tc", 40, {{{0, u"ab"}, {16, u"c"}}}},
      {"a tab exactly on a stop moves a whole stop", u"abcdefgh\tc", 40, {{{0, u"abcdefgh"}, {16, u"c"}}}},
      {"leading tab", u"\tx", 40, {{{8, u"x"}}}},
      {"wrap after a tab", u"ab\tcdefghij", 12, {{{0, u"ab"}}, {{0, u"cdefghij"}}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayoutText(c.text, c.width, 8, Monospace), c.expected) << c.what;
  }
}

TEST(TextLayout, NoTabStopsWhenTheTabWidthIsZero) {
  const std::vector<TextLine> expected = {{{0, u"a"}, {1, u"b"}}};
  EXPECT_EQ(LayoutText(u"a\tb", 10, 0, Monospace), expected);
}
