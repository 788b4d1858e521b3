// The class library's wrappers: each operation forwards to the dialog's window backend.
#include "toolkit/afx.h"

namespace {
CWinApp* g_app = nullptr;
CWnd g_desktop;
}  // namespace

BOOL CWnd::ShowWindow(int cmdShow) {
  if (!m_backend) return FALSE;
  const BOOL was = m_backend->IsVisible(m_id) ? TRUE : FALSE;
  m_backend->Show(m_id, cmdShow != SW_HIDE);
  return was;
}
BOOL CWnd::IsWindowVisible() const { return m_backend && m_backend->IsVisible(m_id) ? TRUE : FALSE; }
BOOL CWnd::EnableWindow(BOOL enable) {
  if (!m_backend) return FALSE;
  const BOOL wasDisabled = m_backend->IsEnabled(m_id) ? FALSE : TRUE;
  m_backend->Enable(m_id, enable != FALSE);
  return wasDisabled;
}
BOOL CWnd::IsWindowEnabled() const { return m_backend && m_backend->IsEnabled(m_id) ? TRUE : FALSE; }
void CWnd::SetWindowText(const CString& text) {
  if (m_backend) m_backend->SetText(m_id, text);
}
void CWnd::GetWindowText(CString& text) const { text = m_backend ? m_backend->GetText(m_id) : CString(); }
void CWnd::Invalidate(BOOL erase) {
  if (m_backend) m_backend->Invalidate(erase != FALSE);
}
void CWnd::UpdateWindow() {
  if (m_backend) m_backend->UpdateWindow();
}

int CButton::GetCheck() const { return m_backend ? m_backend->GetCheck(m_id) : 0; }
void CButton::SetCheck(int check) {
  if (m_backend) m_backend->SetCheck(m_id, check);
}

int CComboBox::AddString(const CString& text) { return m_backend ? m_backend->AddString(m_id, text) : CB_ERR; }
void CComboBox::ResetContent() {
  if (m_backend) m_backend->ResetContent(m_id);
}
int CComboBox::GetCount() const { return m_backend ? m_backend->GetCount(m_id) : 0; }
int CComboBox::GetCurSel() const { return m_backend ? m_backend->GetCurSel(m_id) : CB_ERR; }

void CProgressCtrl::SetRange32(int lower, int upper) {
  if (m_backend) m_backend->SetRange32(m_id, lower, upper);
}
int CProgressCtrl::SetPos(int pos) {
  if (m_backend) m_backend->SetPos(m_id, pos);
  return 0;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) { control.Attach(pDX->m_backend, id); }

int CDialog::DoModal() {
  WindowBackend* backend = AfxGetApp() ? AfxGetApp()->m_backend : nullptr;
  if (!backend || !backend->CreateDialog(m_template, *this)) return -1;
  Attach(backend, 0);
  OnInitDialog();
  const int result = backend->RunModalLoop();
  backend->DestroyDialog();
  return result;
}

void CDialog::EndDialog(int result) {
  if (m_backend) m_backend->EndDialog(result);
}

BOOL CDialog::OnInitDialog() { return UpdateData(FALSE); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  (void)saveAndValidate;
  CDataExchange dx(m_backend);
  DoDataExchange(&dx);
  return TRUE;
}

int CDialog::MessageBox(const CString& text, const char16_t* caption, UINT flags) {
  if (!m_backend) return IDOK;
  const CString title = caption ? CString(caption) : (AfxGetApp() ? AfxGetApp()->m_appTitle : CString());
  return m_backend->MessageBox(text, title, flags);
}

BOOL CWnd::PostMessage(UINT message, std::uintptr_t, std::intptr_t) {
  if (!m_backend) return FALSE;
  m_backend->PostMessage(message);
  return TRUE;
}

HICON CDialog::SetIcon(HICON icon, BOOL bigIcon) {
  if (m_backend) m_backend->SetIcon(icon, bigIcon != FALSE);
  return 0;
}

void CDialog::CenterWindow(CWnd*) {
  if (m_backend) m_backend->CenterWindow();
}

CWnd* CDialog::GetDesktopWindow() { return &g_desktop; }

void CDialog::OnCommand(int id, int code) {
  if (const AFX_MSGMAP* map = GetMessageMap()) {
    for (const AFX_MSGMAP_ENTRY* e = map->entries; e->handler; ++e) {
      if (e->message == WM_COMMAND && e->id == id && e->code == code) {
        (this->*(e->handler))();
        return;
      }
    }
  }
  if (code == BN_CLICKED && id == IDOK) OnOK();
  if (code == BN_CLICKED && id == IDCANCEL) OnCancel();
}

void CDialog::OnMessage(unsigned message) {
  if (message == WM_CLOSE) OnCancel();
}

CWinApp::CWinApp() { g_app = this; }
CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

int AfxWinMain(CWinApp& app, WindowBackend& backend, const CString& title) {
  CWinApp* const previous = g_app;
  g_app = &app;
  app.m_backend = &backend;
  if (!title.IsEmpty()) app.m_appTitle = title;
  app.InitInstance();
  app.m_pMainWnd = nullptr;
  g_app = previous;
  return 0;
}
