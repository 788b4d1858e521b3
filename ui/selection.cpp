// The selection handlers: Full NAND, a store chosen in the store list, a partition chosen in its list.
#include "storage/units.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

void CDumpDlg::OnFullNand() {
  if (m_btnFull.GetCheck() != BST_CHECKED) return;
  m_lblPart.ShowWindow(SW_HIDE);
  m_cbPart.ShowWindow(SW_HIDE);
  m_btnPart.SetCheck(BST_UNCHECKED);
  m_btnHidden.SetCheck(BST_UNCHECKED);
  if (m_selStore == -1) return;
  m_btnSave.EnableWindow(TRUE);
  const int s = m_selStore;
  m_txtInfo.SetWindowText(Format(u"Selected store:\t%s\n", m_storeDevice[s]) +
                          Format(u"Sector Size:\t\t0x%X(%u.)\n", m_storeBytesPerSector[s], m_storeBytesPerSector[s]) +
                          Format(u"No. of sectors:\t0x%X(%u.)\n", m_storeSectors[s], m_storeSectors[s]) +
                          Format(u"Partitions:\t\t%u", m_storePartCount[s]));
}

void CDumpDlg::OnStoreSelChange() {
  const int sel = m_cbStore.GetCurSel();
  if (sel == -1) {
    m_txtInfo.SetWindowText(u"ERROR: No store is selected!");
    return;
  }
  bool changed = false;
  if (sel != m_selStore) {
    m_selStore = sel;
    changed = true;
  }
  const DWORD parts = m_storePartCount[sel];
  m_txtInfo.SetWindowText(
      Format(u"Store:  %s  Folder: %s\n", m_storeDevice[sel], m_storeFolder[sel]) +
      Format(u"0x%X(%u.) bytes/sector\n", m_storeBytesPerSector[sel], m_storeBytesPerSector[sel]) +
      Format(u"0x%X (%u.) sectors\n", m_storeSectors[sel], m_storeSectors[sel]) +
      Format(u"%lluMB total, %lluMB free\n", ToMB(m_storeTotalBytes[sel]), ToMB(m_storeFreeBytes[sel])) +
      Format(parts <= 1 ? u"%u partition." : u"%u partitions.", parts));
  if (!changed) return;

  m_selPart = -1;
  m_cbPart.ResetContent();
  m_btnSave.EnableWindow(TRUE);
  ClearPartitionRows();
  m_btnFull.SetCheck(BST_CHECKED);
  m_btnPart.SetCheck(BST_UNCHECKED);
  m_btnHidden.SetCheck(BST_UNCHECKED);
  m_lblPart.ShowWindow(SW_HIDE);
  m_cbPart.ShowWindow(SW_HIDE);
  Invalidate(TRUE);
  UpdateWindow();
}

void CDumpDlg::OnPartitionSelChange() {
  const int sel = m_cbPart.GetCurSel();
  if (m_selStore == -1) {
    // No store to read: the list cannot belong to one, so nothing is opened.
    m_txtInfo.SetWindowText(u"ERROR: No store is selected!");
    return;
  }
  ReadBootRecord();
  if (sel == -1) {
    m_txtInfo.SetWindowText(u"ERROR: No partition is selected!");
    return;
  }
  m_selPart = sel;
  m_txtInfo.SetWindowText(Format(u"Partition name:\t%s\n", m_partName[sel]) +
                          Format(u"Starting sector:\t0x%X\n", m_partStart[sel]) +
                          Format(u"No. of Sectors:\t0x%X\n", m_partSectors[sel]) +
                          Format(u"Partition type:\t\t0x%X\n", m_partType[sel]) + u"File System:\t\t" +
                          m_partFileSys[sel]);
  // Without the boot record the partition's first sector is unknown: Save would copy the wrong sectors.
  m_btnSave.EnableWindow(m_bootRecordStore == m_selStore ? TRUE : FALSE);
}
