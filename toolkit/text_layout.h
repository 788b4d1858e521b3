// Static-text layout: where each piece of a left-aligned text goes when it wraps at a width and expands tabs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A piece of a line without tabs, drawn from pixel x.
struct TextRun {
  int x;
  std::u16string text;
  friend bool operator==(const TextRun&, const TextRun&) = default;
};
using TextLine = std::vector<TextRun>;

// Width in pixels of a piece of text without tabs or line feeds.
using MeasureText = std::function<int(std::u16string_view)>;

// Lays `text` out as a left-aligned static text control shows it: a line feed ends a line (a carriage
// return before it is dropped), a tab moves on to the next multiple of `tabWidth`, and a word that would
// end past `width` starts a new line; a word wider than a whole line stays whole on a line of its own.
// Spaces at a wrap stay at the end of the line they follow. An empty text is one empty line.
std::vector<TextLine> LayoutText(std::u16string_view text, int width, int tabWidth, const MeasureText& measure);
