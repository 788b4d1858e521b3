// Headless controls in memory, the modal loop that runs a script, and the scripted user's actions.
#include "toolkit/headless/headless_backend.h"

#include "toolkit/afx.h"

const HeadlessControl* HeadlessBackend::Control(int id) const {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : &it->second;
}

HeadlessControl* HeadlessBackend::Find(int id) {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : &it->second;
}

bool HeadlessBackend::CreateDialog(const DialogTemplate& tmpl, DialogSink& sink) {
  if (m_failCreate) return false;
  m_template = &tmpl;
  m_sink = &sink;
  m_controls.clear();
  m_posted.clear();
  for (const ControlTemplate& c : tmpl.controls) {
    HeadlessControl& control = m_controls[c.id];
    control.kind = c.kind;
    control.visible = (c.style & WS_VISIBLE) != 0;
    control.enabled = (c.style & WS_DISABLED) == 0;
    control.autoRadio = c.kind == ControlKind::RadioButton && (c.style & 0xF) == BS_AUTORADIOBUTTON;
    if (c.text) control.text = c.text;
  }
  m_created = true;
  m_ended = false;
  return true;
}

int HeadlessBackend::RunModalLoop() {
  if (m_observer) m_observer->OnInitialized();
  DeliverPosted();
  if (!m_ended && m_script) {
    HeadlessUser user(*this);
    m_script(user);
  }
  if (!m_ended) {
    HeadlessUser user(*this);
    user.Close();
  }
  if (m_observer) m_observer->OnClosed(m_result);
  return m_result;
}

void HeadlessBackend::EndDialog(int result) {
  if (m_ended) return;
  m_ended = true;
  m_result = result;
}

void HeadlessBackend::DestroyDialog() {
  m_created = false;
  m_sink = nullptr;
}

void HeadlessBackend::PostMessage(unsigned message) { m_posted.push_back(message); }

void HeadlessBackend::DeliverPosted() {
  while (!m_posted.empty() && !m_ended && m_sink) {
    const unsigned message = m_posted.front();
    m_posted.pop_front();
    m_sink->OnMessage(message);
  }
}

void HeadlessBackend::Deliver(int id, int code) {
  if (m_sink) m_sink->OnCommand(id, code);
  DeliverPosted();
}

int HeadlessBackend::GetCheck(int id) const {
  const HeadlessControl* c = Control(id);
  return c ? c->check : 0;
}
void HeadlessBackend::SetCheck(int id, int check) {
  if (HeadlessControl* c = Find(id)) c->check = check;
}
bool HeadlessBackend::IsVisible(int id) const {
  const HeadlessControl* c = Control(id);
  return c && c->visible;
}
void HeadlessBackend::Show(int id, bool show) {
  HeadlessControl* c = Find(id);
  if (!c || c->visible == show) return;
  c->visible = show;
  if (m_observer) m_observer->OnShow(id, show);
}
bool HeadlessBackend::IsEnabled(int id) const {
  const HeadlessControl* c = Control(id);
  return c && c->enabled;
}
void HeadlessBackend::Enable(int id, bool enable) {
  if (HeadlessControl* c = Find(id)) c->enabled = enable;
}
CString HeadlessBackend::GetText(int id) const {
  const HeadlessControl* c = Control(id);
  return c ? c->text : CString();
}
void HeadlessBackend::SetText(int id, const CString& text) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  c->text = text;
  if (m_observer) m_observer->OnText(id, text);
}
int HeadlessBackend::AddString(int id, const CString& text) {
  HeadlessControl* c = Find(id);
  if (!c) return CB_ERR;
  c->entries.push_back(text);
  return static_cast<int>(c->entries.size()) - 1;
}
void HeadlessBackend::ResetContent(int id) {
  if (HeadlessControl* c = Find(id)) {
    c->entries.clear();
    c->selection = -1;
  }
}
int HeadlessBackend::GetCount(int id) const {
  const HeadlessControl* c = Control(id);
  return c ? static_cast<int>(c->entries.size()) : 0;
}
CString HeadlessBackend::GetEntry(int id, int index) const {
  const HeadlessControl* c = Control(id);
  if (!c || index < 0 || index >= static_cast<int>(c->entries.size())) return {};
  return c->entries[static_cast<size_t>(index)];
}
int HeadlessBackend::GetCurSel(int id) const {
  const HeadlessControl* c = Control(id);
  return c ? c->selection : CB_ERR;
}
void HeadlessBackend::SetRange32(int id, int lower, int upper) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  c->rangeMin = lower;
  c->rangeMax = upper;
  if (m_observer) m_observer->OnProgress(id, c->rangeMin, c->rangeMax, c->pos);
}
void HeadlessBackend::SetPos(int id, int pos) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  c->pos = pos;
  if (m_observer) m_observer->OnProgress(id, c->rangeMin, c->rangeMax, c->pos);
}
void HeadlessBackend::Invalidate(bool) {}
void HeadlessBackend::UpdateWindow() { ++m_repaints; }
void HeadlessBackend::SetIcon(int iconResource, bool big) { (big ? m_bigIcon : m_smallIcon) = iconResource; }
void HeadlessBackend::CenterWindow() { m_centered = true; }

int HeadlessBackend::MessageBox(const CString& text, const CString& caption, unsigned flags) {
  m_boxes.push_back({text, caption, flags});
  if (m_observer) m_observer->OnBox(m_boxes.back());
  return IDOK;
}

bool HeadlessUser::Usable(int id) {
  if (!m_backend.IsOpen()) {
    m_refusal = "the dialog has closed";
    return false;
  }
  const HeadlessControl* c = m_backend.Control(id);
  if (!c) {
    m_refusal = "the dialog has no control " + std::to_string(id);
    return false;
  }
  if (!c->visible) {
    m_refusal = "the control is hidden";
    return false;
  }
  if (!c->enabled) {
    m_refusal = "the control is disabled";
    return false;
  }
  m_refusal.clear();
  return true;
}

bool HeadlessUser::Click(int id) {
  if (!Usable(id)) return false;
  HeadlessControl* c = m_backend.Find(id);
  // An automatic radio button checks itself, then notifies: on every click, checked before or not.
  if (c->autoRadio) c->check = BST_CHECKED;
  m_backend.Deliver(id, BN_CLICKED);
  return true;
}

bool HeadlessUser::Select(int id, int index) {
  if (!Usable(id)) return false;
  HeadlessControl* c = m_backend.Find(id);
  if (index < 0 || index >= static_cast<int>(c->entries.size())) {
    m_refusal = "the list has no entry " + std::to_string(index);
    return false;
  }
  c->selection = index;
  m_backend.Deliver(id, CBN_SELCHANGE);
  return true;
}

bool HeadlessUser::SelectText(int id, const CString& text) {
  if (!Usable(id)) return false;
  const HeadlessControl* c = m_backend.Control(id);
  for (size_t i = 0; i < c->entries.size(); ++i) {
    if (c->entries[i] == text) return Select(id, static_cast<int>(i));
  }
  m_refusal = "the list has no entry \"" + text.ToUtf8() + "\"";
  return false;
}

bool HeadlessUser::Close() {
  if (!m_backend.IsOpen()) {
    m_refusal = "the dialog has closed";
    return false;
  }
  m_backend.Deliver(IDCANCEL, BN_CLICKED);
  return true;
}
