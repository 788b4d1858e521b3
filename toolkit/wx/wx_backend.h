// The window backend on wxWidgets: the dialog as a real window, its controls as real widgets.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <vector>

#include "toolkit/dialog_units.h"
#include "toolkit/window_backend.h"

class wxDialog;
class wxFont;
class wxRadioButton;
class wxWindow;

// Told what the user sees change, for tracing a window run.
class WxObserver {
 public:
  virtual ~WxObserver() = default;
  // The dialog is on the screen; `screenRects` gives each control's rectangle in screen pixels.
  virtual void OnShown(const std::map<int, PixelRect>& screenRects) { (void)screenRects; }
  virtual void OnText(int id, const CString& text) { (void)id, (void)text; }
  virtual void OnBox(const CString& text, const CString& caption, unsigned flags) { (void)text, (void)caption, (void)flags; }
  virtual void OnClosed(int result) { (void)result; }
};

class WxBackend : public WindowBackend {
 public:
  WxBackend();
  ~WxBackend() override;
  WxBackend(const WxBackend&) = delete;
  WxBackend& operator=(const WxBackend&) = delete;

  // The bytes of an .ico file for icon resource `resource` (kept by the caller).
  void RegisterIcon(int resource, const unsigned char* data, std::size_t size);
  void SetObserver(WxObserver* observer) { m_observer = observer; }

  // WindowBackend
  bool CreateDialog(const DialogTemplate& tmpl, DialogSink& sink) override;
  int RunModalLoop() override;
  void EndDialog(int result) override;
  void DestroyDialog() override;
  void PostMessage(unsigned message) override;
  int GetCheck(int id) const override;
  void SetCheck(int id, int check) override;
  bool IsVisible(int id) const override;
  void Show(int id, bool show) override;
  bool IsEnabled(int id) const override;
  void Enable(int id, bool enable) override;
  CString GetText(int id) const override;
  void SetText(int id, const CString& text) override;
  int AddString(int id, const CString& text) override;
  void ResetContent(int id) override;
  int GetCount(int id) const override;
  CString GetEntry(int id, int index) const override;
  int GetCurSel(int id) const override;
  void SetRange32(int id, int lower, int upper) override;
  void SetPos(int id, int pos) override;
  void Invalidate(bool erase) override;
  void UpdateWindow() override;
  void SetIcon(int iconResource, bool big) override;
  void CenterWindow() override;
  int MessageBox(const CString& text, const CString& caption, unsigned flags) override;

 private:
  struct Control {
    ControlKind kind;
    wxWindow* window;
    wxRadioButton* unchecker;  // radio buttons: the hidden sibling that is checked to uncheck the button
    int rangeMin = 0, rangeMax = 100, pos = 0;
    bool tabStop = false;
  };
  struct Pending {
    bool message;  // a posted message, or a command from the user
    unsigned messageOrId;
    int code;
  };

  Control* Find(int id);
  const Control* Find(int id) const;
  wxWindow* Window(int id) const;
  void CreateControl(const ControlTemplate& c, const wxFont& font, DialogBaseUnits units);
  // A notification from the user; one that arrives while a handler runs waits until it has returned.
  void Notify(int id, int code);
  void DeliverPending();
  void ShowProgress(Control& c);
  // Brings what has been drawn or invalidated to the screen now, letting no user input through.
  void RepaintNow();
  void ReportShown();

  wxDialog* m_dialog = nullptr;
  DialogSink* m_sink = nullptr;
  WxObserver* m_observer = nullptr;
  std::map<int, Control> m_controls;
  std::vector<int> m_order;  // template order, which is the tab order
  std::deque<Pending> m_pending;
  std::map<int, std::pair<const unsigned char*, std::size_t>> m_icons;
  int m_handlerDepth = 0;
  int m_programChange = 0;  // > 0 while the program changes a control: the toolkit must not notify
  bool m_ended = false;
  bool m_inModalLoop = false;
  int m_result = 0;
  std::chrono::steady_clock::time_point m_lastRepaint{};
};
