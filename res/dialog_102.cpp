// Dialog template 102: the main dialog's window and its eleven controls, in template (tab) order.
#include "res/resource.h"

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate tmpl{
      IDD_VORSK_DIALOG,
      199,
      122,
      CString(kProgramName) + u"   v1.3",
      u"Arial",
      9,
      0x90C800C0,
      0x80040000,
      {
          {IDC_RADIO_FULL, ControlKind::RadioButton, u"Full NAND", 19, 11, 46, 10, 0x50020009},
          {IDC_RADIO_PART, ControlKind::RadioButton, u"Partition", 68, 11, 41, 10, 0x50020009},
          {IDC_RADIO_HIDDEN, ControlKind::RadioButton, u"Hidden", 112, 11, 35, 10, 0x50020009},
          {IDC_GROUP_OPTIONS, ControlKind::GroupBox, u"Options", 14, 0, 140, 26, 0x50000007},
          {IDC_COMBO_STORE, ControlKind::DropDownList, nullptr, 36, 29, 48, 84, 0x50030803},
          {IDC_COMBO_PART, ControlKind::DropDownList, nullptr, 130, 30, 48, 91, 0x40030803},
          {IDC_LABEL_STORE, ControlKind::StaticText, u"Store", 14, 31, 18, 8, 0x50020000},
          {IDC_LABEL_PART, ControlKind::StaticText, u"Partition", 99, 32, 28, 8, 0x40020000},
          {IDC_STATIC_INFO, ControlKind::StaticText, u"Static", 25, 47, 160, 58, 0x50020000},
          {IDC_BUTTON_SAVE, ControlKind::PushButton, u"Save", 163, 8, 32, 14, 0x58030001},
          {IDC_PROGRESS, ControlKind::ProgressBar, nullptr, 3, 112, 192, 7, 0x40820001},
      },
  };
  return tmpl;
}
