// Start-up: create the dialog, make it the main window, run it modally, and end.
#include "app/dump_app.h"

#include "ui/dump_dlg.h"

BOOL CDumpApp::InitInstance() {
  if (!m_services) return FALSE;
  CDumpDlg dlg(*m_services);
  m_pMainWnd = &dlg;
  (void)dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
