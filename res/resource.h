// Resource numbers: the dialog template, the icon and the control IDs.
#pragma once

#include <cstddef>

#include "toolkit/dialog_template.h"

inline constexpr int IDD_VORSK_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;

inline constexpr int IDC_RADIO_FULL = 1002;
inline constexpr int IDC_RADIO_PART = 1003;
inline constexpr int IDC_RADIO_HIDDEN = 1004;
inline constexpr int IDC_GROUP_OPTIONS = 1005;
inline constexpr int IDC_COMBO_STORE = 1006;
inline constexpr int IDC_COMBO_PART = 1007;
inline constexpr int IDC_LABEL_STORE = 1008;
inline constexpr int IDC_BUTTON_SAVE = 1009;
inline constexpr int IDC_LABEL_PART = 1010;
inline constexpr int IDC_STATIC_INFO = 1011;
inline constexpr int IDC_PROGRESS = 1012;

// The program's name, which opens the dialog's caption.
inline constexpr const char16_t* kProgramName = u"Vorsk";

// Dialog template 102: the main dialog.
const DialogTemplate& MainDialogTemplate();

// Icon 128 as the bytes of an .ico file holding its nine images.
const unsigned char* MainIconData();
std::size_t MainIconSize();
