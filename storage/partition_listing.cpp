// OnPartition: partition mode; the chosen partition's details, or the store's partitions listed afresh.
#include "storage/record_text.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

void CDumpDlg::OnPartition() {
  if (m_btnPart.GetCheck() != BST_CHECKED) return;
  m_btnFull.SetCheck(BST_UNCHECKED);
  m_btnHidden.SetCheck(BST_UNCHECKED);

  if (m_selStore == -1) {
    // Without a store there is nothing to list and no row to open.
    m_txtInfo.SetWindowText(u"ERROR: No store is selected!");
    return;
  }

  if (m_selPart != -1) {
    const int p = m_selPart;
    m_btnSave.EnableWindow(m_bootRecordStore == m_selStore ? TRUE : FALSE);
    m_lblPart.ShowWindow(SW_SHOW);
    m_cbPart.ShowWindow(SW_SHOW);
    m_txtInfo.SetWindowText(CString(u"Partition name:\t") + m_partName[p] + u"\n" +
                            Format(u"St. sector:\t\t0x%X\n", m_partStart[p]) +
                            Format(u"Sectors:\t\t0x%X \n", m_partSectors[p]) +
                            Format(u"Partition type:\t\t0x%X \n", m_partType[p]) + u"File System:\t\t" +
                            m_partFileSys[p]);
    return;
  }

  m_btnSave.EnableWindow(FALSE);
  m_cbPart.ResetContent();
  m_lblPart.ShowWindow(SW_SHOW);
  m_cbPart.ShowWindow(SW_SHOW);

  const HANDLE store = m_sys.OpenStore(m_storeDevice[m_selStore]);
  if (store == 0 || store == INVALID_HANDLE_VALUE) {
    m_txtInfo.SetWindowText(Format(u"ERROR: Cannot open store %s", m_storeDevice[m_selStore]));
    return;
  }
  PARTINFO info{};
  info.cbSize = sizeof(PARTINFO);
  const HANDLE search = m_sys.FindFirstPartition(store, &info);
  if (search == 0 || search == INVALID_HANDLE_VALUE) {
    m_txtInfo.SetWindowText(
        Format(u"ERROR: Cannot enumerate partitions \n hPart=%d\n hOpenStore=%08X", search, store));
    m_sys.CloseHandle(store);
    return;
  }
  // The table has four rows: a fifth and later partition is neither stored nor listed.
  for (int i = 0;;) {
    m_partName[i] = FieldText(info.szPartitionName);
    m_partFileSys[i] = FieldText(info.szFileSys);
    m_partSectors[i] = static_cast<DWORD>(info.snNumSectors);
    m_partType[i] = info.bPartType;
    m_cbPart.AddString(m_partName[i]);
    if (++i == kMaxPartitions) break;
    if (m_sys.FindNextPartition(search, &info) != 1) {
      // The search ends with "no more items"; any other reason cut the list short and is shown.
      if (m_sys.GetLastError() != ERROR_NO_MORE_ITEMS) ReportApiError(u"FindNextPartition");
      break;
    }
  }

  m_txtInfo.SetWindowText(u"Please select a partition...");
  m_sys.FindClosePartition(search);
  m_sys.CloseHandle(store);
  ReadBootRecord();
}
