// A dialog template as data: the window and every control with ID, kind, text, position, size and style.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/cstring.h"

enum class ControlKind { RadioButton, PushButton, GroupBox, DropDownList, StaticText, ProgressBar };

// Window styles that the backends read from the template.
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x00000001;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x00000009;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char16_t* text;  // nullptr: none
  int x, y, cx, cy;      // dialog units
  std::uint32_t style;
};

struct DialogTemplate {
  int id;
  int cx, cy;  // dialog units; the program places the dialog
  CString caption;
  CString fontName;
  int fontPoints;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::vector<ControlTemplate> controls;  // template order, which is the tab order
};
