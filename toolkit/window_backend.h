// The toolkit seam: what the dialog's class library asks of a window system, and what it delivers back.
//
// A backend owns one dialog at a time and keeps the state of its controls (check, visibility, enabled,
// text, list entries and selection, progress range and position). Controls are named by their template
// ID; the dialog itself is ID 0. Every operation on an ID that the template does not have does nothing
// and returns 0 / empty. Changing a state from the program never produces a notification.
#pragma once

#include <cstdint>

#include "toolkit/cstring.h"
#include "toolkit/dialog_template.h"

// Receives what the user (or the window system) does to the dialog.
class DialogSink {
 public:
  virtual ~DialogSink() = default;
  // A command notification (BN_CLICKED, CBN_SELCHANGE, ...) from control `id`, or IDOK / IDCANCEL.
  virtual void OnCommand(int id, int code) = 0;
  // A posted message (WM_CLOSE) reaches the dialog.
  virtual void OnMessage(unsigned message) = 0;
};

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;

  // Creates the dialog and its controls in the template's initial state (hidden, disabled and unchecked
  // as the styles say; lists empty with no selection; the panel holding its template text).
  // Returns false when the dialog cannot be created.
  virtual bool CreateDialog(const DialogTemplate& tmpl, DialogSink& sink) = 0;
  // Runs the modal loop until EndDialog; returns the value given to EndDialog.
  virtual int RunModalLoop() = 0;
  // Ends the modal loop with `result`; the loop returns after the current handler has returned.
  virtual void EndDialog(int result) = 0;
  // Destroys the dialog's window; controls stop existing.
  virtual void DestroyDialog() = 0;

  // Queues a message for the dialog; it is delivered by the modal loop after the running handler returns.
  virtual void PostMessage(unsigned message) = 0;

  virtual int GetCheck(int id) const = 0;  // 1 = checked, 0 = unchecked
  virtual void SetCheck(int id, int check) = 0;
  virtual bool IsVisible(int id) const = 0;
  virtual void Show(int id, bool show) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void Enable(int id, bool enable) = 0;
  virtual CString GetText(int id) const = 0;
  virtual void SetText(int id, const CString& text) = 0;

  // Lists: AddString returns the new entry's index; GetCurSel returns -1 when nothing is selected.
  virtual int AddString(int id, const CString& text) = 0;
  virtual void ResetContent(int id) = 0;
  virtual int GetCount(int id) const = 0;
  virtual CString GetEntry(int id, int index) const = 0;
  virtual int GetCurSel(int id) const = 0;

  // Progress bar.
  virtual void SetRange32(int id, int lower, int upper) = 0;
  virtual void SetPos(int id, int pos) = 0;

  // The dialog itself.
  virtual void Invalidate(bool erase) = 0;
  virtual void UpdateWindow() = 0;
  virtual void SetIcon(int iconResource, bool big) = 0;
  virtual void CenterWindow() = 0;
  // A modal box owned by the dialog; returns the button pressed (IDOK).
  virtual int MessageBox(const CString& text, const CString& caption, unsigned flags) = 0;
};
