// The dialog on wxWidgets: template controls as widgets, user events as the dialog's notifications.
#include "toolkit/wx/wx_backend.h"

// Before the toolkit's headers, whose C libraries define TRUE and FALSE as macros.
#include "toolkit/afx.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/iconbndl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/mstream.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>

#include <algorithm>

#include "toolkit/wx/static_text.h"
#include "toolkit/wx/wx_text.h"

namespace {

// Counts a program change for as long as it lasts: the toolkit may signal it, the dialog must not hear it.
class ProgramChange {
 public:
  explicit ProgramChange(int& depth) : m_depth(depth) { ++m_depth; }
  ~ProgramChange() { --m_depth; }
  ProgramChange(const ProgramChange&) = delete;
  ProgramChange& operator=(const ProgramChange&) = delete;

 private:
  int& m_depth;
};

// Twenty-five frames a second are enough for a bar to move smoothly.
constexpr std::chrono::milliseconds kProgressRepaint{40};

wxRect ToWx(const PixelRect& r) { return wxRect(r.x, r.y, r.width, r.height); }

}  // namespace

WxBackend::WxBackend() = default;

WxBackend::~WxBackend() { DestroyDialog(); }

void WxBackend::RegisterIcon(int resource, const unsigned char* data, std::size_t size) {
  m_icons[resource] = {data, size};
}

WxBackend::Control* WxBackend::Find(int id) {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : &it->second;
}
const WxBackend::Control* WxBackend::Find(int id) const {
  auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : &it->second;
}
wxWindow* WxBackend::Window(int id) const {
  if (id == 0) return m_dialog;
  const Control* c = Find(id);
  return c ? c->window : nullptr;
}

bool WxBackend::CreateDialog(const DialogTemplate& tmpl, DialogSink& sink) {
  DestroyDialog();
  if (!wxTheApp) return false;
  m_sink = &sink;
  m_ended = false;
  m_result = 0;
  m_pending.clear();

  m_dialog = new wxDialog(nullptr, wxID_ANY, ::ToWx(tmpl.caption), wxDefaultPosition, wxDefaultSize,
                          wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  // The template's font, or the closest one the system has under that name.
  wxFont font(wxFontInfo(tmpl.fontPoints).FaceName(::ToWx(tmpl.fontName)));
  if (!font.IsOk()) font = wxFont(wxFontInfo(tmpl.fontPoints).Family(wxFONTFAMILY_SWISS));
  m_dialog->SetFont(font);

  int lettersWidth = 0, charHeight = 0;
  m_dialog->GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &lettersWidth, &charHeight, nullptr,
                          nullptr, &font);
  const DialogBaseUnits units = BaseUnitsFromFont(lettersWidth, charHeight);
  const PixelRect client = DialogToPixels(0, 0, tmpl.cx, tmpl.cy, units);
  m_dialog->SetClientSize(client.width, client.height);

  for (const ControlTemplate& c : tmpl.controls) CreateControl(c, font, units);

  // The caption's close button, and Escape, are Cancel.
  m_dialog->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Notify(IDCANCEL, BN_CLICKED); });
  m_dialog->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE) {
      Notify(IDCANCEL, BN_CLICKED);
    } else {
      event.Skip();
    }
  });
  return true;
}

void WxBackend::CreateControl(const ControlTemplate& c, const wxFont& font, DialogBaseUnits units) {
  const wxRect r = ToWx(DialogToPixels(c.x, c.y, c.cx, c.cy, units));
  const wxString text = c.text ? ::ToWx(CString(c.text)) : wxString();
  const int id = c.id;
  Control control{c.kind, nullptr, nullptr};
  switch (c.kind) {
    case ControlKind::RadioButton: {
      // A group of its own: the button and a hidden sibling that takes the check when the program
      // unchecks the button, since a radio button alone in its group cannot be unchecked.
      auto* radio = new wxRadioButton(m_dialog, id, text, r.GetPosition(), r.GetSize(), wxRB_GROUP);
      // The toolkit's check mark is wider than the template planned for: the text must still show whole.
      radio->SetFont(font);
      wxSize size = r.GetSize();
      size.IncTo(radio->GetBestSize());
      radio->SetSize(size);
      auto* unchecker = new wxRadioButton(m_dialog, wxID_ANY, wxString(), r.GetPosition(), radio->GetSize());
      unchecker->Hide();
      unchecker->SetValue(true);
      radio->Bind(wxEVT_RADIOBUTTON, [this, id](wxCommandEvent&) { Notify(id, BN_CLICKED); });
      control.window = radio;
      control.unchecker = unchecker;
      break;
    }
    case ControlKind::PushButton: {
      auto* button = new wxButton(m_dialog, id, text, r.GetPosition(), r.GetSize());
      if ((c.style & 0xF) == BS_DEFPUSHBUTTON) button->SetDefault();
      button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { Notify(id, BN_CLICKED); });
      control.window = button;
      break;
    }
    case ControlKind::GroupBox:
      control.window = new wxStaticBox(m_dialog, id, text, r.GetPosition(), r.GetSize());
      break;
    case ControlKind::DropDownList: {
      // The template's height includes the dropped-down part: the closed list keeps its natural height.
      auto* list = new wxChoice(m_dialog, id, r.GetPosition(), wxSize(r.GetWidth(), -1));
      list->Bind(wxEVT_CHOICE, [this, id](wxCommandEvent&) { Notify(id, CBN_SELCHANGE); });
      control.window = list;
      break;
    }
    case ControlKind::StaticText:
      control.window = new WxStaticText(m_dialog, id, text, r.GetPosition(), r.GetSize());
      break;
    case ControlKind::ProgressBar:
      control.window = new wxGauge(m_dialog, id, 100, r.GetPosition(), r.GetSize(), wxGA_HORIZONTAL | wxGA_SMOOTH);
      break;
  }
  control.window->SetFont(font);
  if ((c.style & WS_VISIBLE) == 0) control.window->Hide();
  if ((c.style & WS_DISABLED) != 0) control.window->Disable();
  control.tabStop = (c.style & WS_TABSTOP) != 0;
  m_controls[id] = control;
  m_order.push_back(id);
}

int WxBackend::RunModalLoop() {
  if (!m_dialog) return -1;
  if (!m_ended) {
    // Once the dialog is up: the focus goes to the first control with a tab stop, and messages posted
    // during initialisation arrive.
    m_dialog->CallAfter([this] { ReportShown(); });
    m_inModalLoop = true;
    m_dialog->ShowModal();
    m_inModalLoop = false;
  }
  if (m_observer) m_observer->OnClosed(m_result);
  return m_result;
}

void WxBackend::ReportShown() {
  for (int id : m_order) {
    const Control& c = m_controls[id];
    if (c.tabStop && c.window->IsShown() && c.window->IsEnabled()) {
      c.window->SetFocus();
      break;
    }
  }
  if (m_observer) {
    std::map<int, PixelRect> rects;
    for (const auto& [id, c] : m_controls) {
      const wxRect r = c.window->GetScreenRect();
      rects[id] = {r.x, r.y, r.width, r.height};
    }
    const wxRect d = m_dialog->GetScreenRect();
    rects[0] = {d.x, d.y, d.width, d.height};
    m_observer->OnShown(rects);
  }
  if (m_handlerDepth == 0) DeliverPending();
}

void WxBackend::EndDialog(int result) {
  if (m_ended) return;
  m_ended = true;
  m_result = result;
  if (m_dialog && m_dialog->IsModal()) m_dialog->EndModal(result);
}

void WxBackend::DestroyDialog() {
  m_controls.clear();
  m_order.clear();
  m_pending.clear();
  m_sink = nullptr;
  delete m_dialog;
  m_dialog = nullptr;
}

void WxBackend::PostMessage(unsigned message) {
  m_pending.push_back({true, message, 0});
  // Outside any handler nothing else would hand it out: the loop does, once it runs again.
  if (m_handlerDepth == 0 && m_dialog) {
    m_dialog->CallAfter([this] {
      if (m_handlerDepth == 0) DeliverPending();
    });
  }
}

void WxBackend::Notify(int id, int code) {
  if (!m_sink || m_ended || m_programChange > 0) return;
  if (m_handlerDepth > 0) {
    // Input that reaches us while a handler runs (a close during a copy) waits in line, as in a queue.
    m_pending.push_back({false, static_cast<unsigned>(id), code});
    return;
  }
  ++m_handlerDepth;
  m_sink->OnCommand(id, code);
  --m_handlerDepth;
  DeliverPending();
}

void WxBackend::DeliverPending() {
  while (m_sink && !m_ended && !m_pending.empty()) {
    // Posted messages go first, as a message queue hands them out before input.
    auto next = std::find_if(m_pending.begin(), m_pending.end(), [](const Pending& p) { return p.message; });
    if (next == m_pending.end()) next = m_pending.begin();
    const Pending p = *next;
    m_pending.erase(next);
    ++m_handlerDepth;
    if (p.message) {
      m_sink->OnMessage(p.messageOrId);
    } else {
      m_sink->OnCommand(static_cast<int>(p.messageOrId), p.code);
    }
    --m_handlerDepth;
  }
}

int WxBackend::GetCheck(int id) const {
  const Control* c = Find(id);
  if (!c || c->kind != ControlKind::RadioButton) return 0;
  return static_cast<wxRadioButton*>(c->window)->GetValue() ? 1 : 0;
}

void WxBackend::SetCheck(int id, int check) {
  Control* c = Find(id);
  if (!c || c->kind != ControlKind::RadioButton) return;
  ProgramChange change(m_programChange);
  if (check) {
    static_cast<wxRadioButton*>(c->window)->SetValue(true);
  } else {
    c->unchecker->SetValue(true);
  }
}

bool WxBackend::IsVisible(int id) const {
  const wxWindow* w = Window(id);
  return w && w->IsShown();
}

void WxBackend::Show(int id, bool show) {
  if (wxWindow* w = Window(id)) w->Show(show);
}

bool WxBackend::IsEnabled(int id) const {
  const wxWindow* w = Window(id);
  return w && w->IsThisEnabled();
}

void WxBackend::Enable(int id, bool enable) {
  if (wxWindow* w = Window(id)) w->Enable(enable);
}

CString WxBackend::GetText(int id) const {
  const wxWindow* w = Window(id);
  if (!w) return {};
  return FromWx(id == 0 ? m_dialog->GetTitle() : w->GetLabel());
}

void WxBackend::SetText(int id, const CString& text) {
  wxWindow* w = Window(id);
  if (!w) return;
  if (id == 0) {
    m_dialog->SetTitle(::ToWx(text));
  } else {
    ProgramChange change(m_programChange);
    w->SetLabel(::ToWx(text));
  }
  if (m_observer) m_observer->OnText(id, GetText(id));
}

int WxBackend::AddString(int id, const CString& text) {
  Control* c = Find(id);
  if (!c || c->kind != ControlKind::DropDownList) return CB_ERR;
  ProgramChange change(m_programChange);
  return static_cast<wxChoice*>(c->window)->Append(::ToWx(text));
}

void WxBackend::ResetContent(int id) {
  Control* c = Find(id);
  if (!c || c->kind != ControlKind::DropDownList) return;
  ProgramChange change(m_programChange);
  static_cast<wxChoice*>(c->window)->Clear();
}

int WxBackend::GetCount(int id) const {
  const Control* c = Find(id);
  if (!c || c->kind != ControlKind::DropDownList) return 0;
  return static_cast<int>(static_cast<wxChoice*>(c->window)->GetCount());
}

CString WxBackend::GetEntry(int id, int index) const {
  const Control* c = Find(id);
  if (!c || c->kind != ControlKind::DropDownList || index < 0 || index >= GetCount(id)) return {};
  return FromWx(static_cast<wxChoice*>(c->window)->GetString(static_cast<unsigned>(index)));
}

int WxBackend::GetCurSel(int id) const {
  const Control* c = Find(id);
  if (!c || c->kind != ControlKind::DropDownList) return CB_ERR;
  const int sel = static_cast<wxChoice*>(c->window)->GetSelection();
  return sel == wxNOT_FOUND ? CB_ERR : sel;
}

void WxBackend::ShowProgress(Control& c) {
  // The gauge counts from 0: the range and position are moved down by the lower bound, and a position
  // outside the range shows as its nearer end.
  const long long span = static_cast<long long>(c.rangeMax) - c.rangeMin;
  const int range = span <= 0 ? 1 : static_cast<int>(std::min<long long>(span, 0x7FFFFFFF));
  const long long value = std::clamp<long long>(static_cast<long long>(c.pos) - c.rangeMin, 0, range);
  auto* gauge = static_cast<wxGauge*>(c.window);
  gauge->SetRange(range);
  gauge->SetValue(static_cast<int>(value));
}

void WxBackend::SetRange32(int id, int lower, int upper) {
  Control* c = Find(id);
  if (!c || c->kind != ControlKind::ProgressBar) return;
  c->rangeMin = lower;
  c->rangeMax = upper;
  ShowProgress(*c);
}

void WxBackend::SetPos(int id, int pos) {
  Control* c = Find(id);
  if (!c || c->kind != ControlKind::ProgressBar) return;
  c->pos = pos;
  ShowProgress(*c);
  // A progress bar shows its new position while the handler that moves it runs; at most every
  // kProgressRepaint, since each repaint waits for the window system and a fast copy moves it often.
  if (c->window->IsShown()) {
    c->window->Refresh(false);
    if (std::chrono::steady_clock::now() - m_lastRepaint >= kProgressRepaint) RepaintNow();
  }
}

void WxBackend::Invalidate(bool erase) {
  if (m_dialog) m_dialog->Refresh(erase);
}

void WxBackend::UpdateWindow() { RepaintNow(); }

void WxBackend::RepaintNow() {
  if (!m_dialog || !m_dialog->IsShown()) return;
  m_lastRepaint = std::chrono::steady_clock::now();
  m_dialog->Update();
  // Painting happens in the toolkit's loop: let it run for drawing and window-system events only; the
  // user's input waits until the running handler has returned.
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
    ++m_handlerDepth;
    loop->YieldFor(wxEVT_CATEGORY_UI);
    --m_handlerDepth;
  }
}

void WxBackend::SetIcon(int iconResource, bool big) {
  (void)big;  // the window gets every size the icon has; the window system picks the big and small one
  auto it = m_icons.find(iconResource);
  if (!m_dialog || it == m_icons.end()) return;
  wxLogNull quiet;
  wxMemoryInputStream in(it->second.first, it->second.second);
  const wxIconBundle bundle(in, wxBITMAP_TYPE_ICO);
  if (bundle.IsOk()) m_dialog->SetIcons(bundle);
}

void WxBackend::CenterWindow() {
  if (m_dialog) m_dialog->CentreOnScreen();
}

int WxBackend::MessageBox(const CString& text, const CString& caption, unsigned flags) {
  if (m_observer) m_observer->OnBox(text, caption, flags);
  long style = wxOK | wxICON_NONE | wxCENTRE;
  if (flags & MB_SETFOREGROUND) style |= wxSTAY_ON_TOP;
  wxMessageDialog box(m_dialog, ::ToWx(text), ::ToWx(caption), style);
  // Whatever reaches the dialog while the box is up waits for the box, and for the handler that showed it.
  ++m_handlerDepth;
  box.ShowModal();
  --m_handlerDepth;
  return IDOK;
}
