// The headless window backend: controls live in memory, boxes are recorded and answered OK, and a
// scripted user clicks and selects through the same notification path a real window uses.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "toolkit/window_backend.h"

struct HeadlessControl {
  ControlKind kind = ControlKind::StaticText;
  bool visible = false;
  bool enabled = true;
  int check = 0;
  bool autoRadio = false;
  CString text;
  std::vector<CString> entries;
  int selection = -1;
  int rangeMin = 0, rangeMax = 100, pos = 0;
};

struct RecordedBox {
  CString text;
  CString caption;
  unsigned flags;
};

// Told about everything the user can see change, in the order it happens.
class HeadlessObserver {
 public:
  virtual ~HeadlessObserver() = default;
  virtual void OnInitialized() {}
  virtual void OnText(int id, const CString& text) { (void)id, (void)text; }
  virtual void OnBox(const RecordedBox& box) { (void)box; }
  virtual void OnProgress(int id, int min, int max, int pos) { (void)id, (void)min, (void)max, (void)pos; }
  virtual void OnShow(int id, bool visible) { (void)id, (void)visible; }
  virtual void OnClosed(int result) { (void)result; }
};

class HeadlessBackend;

// The scripted user. Each action acts as a person would and lets posted messages arrive afterwards.
// An action that a person could not do (a hidden or disabled control, an entry not in the list, a dialog
// that has closed) does nothing and returns false, with the reason in Refusal().
class HeadlessUser {
 public:
  explicit HeadlessUser(HeadlessBackend& backend) : m_backend(backend) {}
  bool Click(int id);
  bool Select(int id, int index);
  bool SelectText(int id, const CString& text);
  // The caption's close button (IDCANCEL).
  bool Close();
  const std::string& Refusal() const { return m_refusal; }

 private:
  bool Usable(int id);
  HeadlessBackend& m_backend;
  std::string m_refusal;
};

class HeadlessBackend : public WindowBackend {
 public:
  using Script = std::function<void(HeadlessUser&)>;

  // The script runs inside the modal loop; when it returns with the dialog still open, the user
  // closes it with the caption's close button.
  void SetScript(Script script) { m_script = std::move(script); }
  void SetObserver(HeadlessObserver* observer) { m_observer = observer; }
  // Makes CreateDialog fail, as when the window system cannot create the dialog.
  void FailCreate(bool fail) { m_failCreate = fail; }

  // What the user sees.
  const HeadlessControl* Control(int id) const;
  const std::vector<RecordedBox>& Boxes() const { return m_boxes; }
  bool IsOpen() const { return m_created && !m_ended; }
  int Repaints() const { return m_repaints; }
  int BigIcon() const { return m_bigIcon; }
  int SmallIcon() const { return m_smallIcon; }
  bool Centered() const { return m_centered; }
  const DialogTemplate* Template() const { return m_template; }

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
  friend class HeadlessUser;
  HeadlessControl* Find(int id);
  void Deliver(int id, int code);
  void DeliverPosted();

  const DialogTemplate* m_template = nullptr;
  DialogSink* m_sink = nullptr;
  std::map<int, HeadlessControl> m_controls;
  std::deque<unsigned> m_posted;
  std::vector<RecordedBox> m_boxes;
  Script m_script;
  HeadlessObserver* m_observer = nullptr;
  bool m_failCreate = false;
  bool m_created = false;
  bool m_ended = false;
  int m_result = 0;
  int m_repaints = 0;
  int m_bigIcon = 0, m_smallIcon = 0;
  bool m_centered = false;
};
