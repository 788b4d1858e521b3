// OnSave: the range from the chosen mode, the image name, the space check, the copy and its outcome.
#include <cstdint>

#include "dump/image_name.h"
#include "storage/units.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

void CDumpDlg::OnSave() {
  m_btnFull.ShowWindow(SW_HIDE);
  m_btnPart.ShowWindow(SW_HIDE);
  m_btnHidden.ShowWindow(SW_HIDE);
  m_grpOptions.ShowWindow(SW_HIDE);
  m_lblStore.ShowWindow(SW_HIDE);
  m_lblPart.ShowWindow(SW_HIDE);
  m_cbStore.ShowWindow(SW_HIDE);
  m_cbPart.ShowWindow(SW_HIDE);

  const int sel = m_selStore;
  const int part = m_selPart;
  if (sel == -1 || (part == -1 && m_btnFull.GetCheck() != BST_CHECKED && m_btnPart.GetCheck() == BST_CHECKED)) {
    // Nothing to copy from: say so and end the run like every Save.
    m_txtInfo.SetWindowText(sel == -1 ? u"ERROR: No store is selected!" : u"ERROR: No partition is selected!");
    AfxGetApp()->m_pMainWnd->PostMessage(WM_CLOSE, 0, 0);
    return;
  }
  CString base = m_storeDevice[sel];
  m_colonCount = base.Remove(u':');
  const std::uint64_t sectorSize = m_storeBytesPerSector[sel];

  int result = -1;  // -1: no copy was started
  if (m_destStore == -1) {
    MessageBox(u"ERROR: No destination folder", u"ERROR: Not enough space!", MB_OK);
  } else if (m_btnFull.GetCheck() == BST_CHECKED) {
    const std::uint64_t storeBytes = std::uint64_t{m_storeSectors[sel]} * sectorSize;
    const std::uint64_t requestedMB = storeBytes / 1000000u;
    const std::uint64_t availableMB = m_maxFreeBytes / 1000000u;
    if (m_storeSectorsFull[sel] > 0xFFFFFFFFu) {
      // A copy addresses sectors with 32 bits: such a store cannot be dumped whole.
      MessageBox(Format(u"The store has %llu sectors; a dump can copy at most 4294967295.",
                        m_storeSectorsFull[sel]),
                 u"ERROR: Store too large!", MB_OK);
    } else if (requestedMB > availableMB) {
      MessageBox(Format(u"You requested to dump %llu MB. \nMaximum available space %llu MB. \n"
                        u"Use a higher capacity SD and restart Vorsk",
                        requestedMB, availableMB),
                 u"ERROR: Not enough space!", MB_OK);
    } else {
      const CString fileName = FullImageName(base, storeBytes);
      m_txtInfo.SetWindowText(Format(u"Saving full disk %s to folder %s\nFile name: %s\n\nPlease wait...",
                                     m_storeDevice[sel], m_storeFolder[m_destStore], fileName));
      result = DumpSectors(m_storeDevice[sel], fileName, m_storeFolder[m_destStore], 0, m_storeSectors[sel],
                           m_colonCount);
    }
  } else if (m_btnPart.GetCheck() == BST_CHECKED) {
    const CString fileName = PartitionImageName(base, m_partName[part], m_partSectors[part] * sectorSize);
    m_txtInfo.SetWindowText(Format(u"Saving partition %s to folder %s\nFile name: %s\n\nPlease wait...",
                                   m_partName[part], m_storeFolder[m_destStore], fileName));
    result = DumpSectors(m_storeDevice[sel], fileName, m_storeFolder[m_destStore], m_partStart[part],
                         m_partSectors[part], m_colonCount);
  } else {
    const CString fileName = HiddenImageName(base, m_hiddenStart * sectorSize, m_hiddenSectors * sectorSize);
    // The name reads whole when split at its first '_' and joined by the format's own.
    const std::u16string& name = fileName.str();
    const size_t cut = name.find(u'_');
    m_txtInfo.SetWindowText(Format(u"Saving hidden in %s to folder %s\nFile name: %s_%s\n\nPlease wait...",
                                   m_storeName[sel], m_storeFolder[m_destStore], CString(name.substr(0, cut)),
                                   CString(name.substr(cut + 1))));
    result = DumpSectors(m_storeDevice[sel], fileName, m_storeFolder[m_destStore], m_hiddenStart, m_hiddenSectors,
                         m_colonCount);
  }

  if (result > 0) {
    MessageBox(u"Done");
  } else if (result == 0) {
    MessageBox(u"Done with errors.\nResulting file may be compromised!");
  }
  AfxGetApp()->m_pMainWnd->PostMessage(WM_CLOSE, 0, 0);
}
