// ReportApiError: the box that names a failed platform operation with the system's code and text.
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

void CDumpDlg::ReportApiError(const CString& apiName) {
  const DWORD code = m_sys.GetLastError();
  const CString systemText = m_sys.FormatMessage(FORMAT_MESSAGE_FLAGS, code, LANG_NEUTRAL_DEFAULT);
  // Room for both texts, the format's own 21 characters, the code (at most 11) and the terminator.
  const size_t capacity = static_cast<size_t>(systemText.GetLength() + apiName.GetLength() + 40);
  std::u16string text = Format(u"%s failed with error %d: %s", apiName, code, systemText).str();
  if (text.size() > capacity - 1) text.resize(capacity - 1);
  MessageBox(CString(std::move(text)), u"Error", MB_OK);
}
