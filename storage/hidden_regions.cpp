// Hidden regions: the pure search, and OnHidden, which lists them and keeps the last for Save.
#include "storage/hidden_regions.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

std::vector<HiddenRegion> FindHiddenRegions(const DWORD* starts, const DWORD* counts, int rows) {
  std::vector<HiddenRegion> regions;
  std::uint64_t expected = 1;  // 64-bit: an entry's end beyond sector 2^32 - 1 cannot wrap
  for (int i = 0; i < rows; ++i) {
    if (counts[i] == 0) continue;
    if (starts[i] > expected) {
      const auto start = static_cast<DWORD>(expected - 1);
      regions.push_back({i, start, starts[i] - start});
    }
    expected = std::max<std::uint64_t>(expected, std::uint64_t{starts[i]} + counts[i]);
  }
  return regions;
}

void CDumpDlg::OnHidden() {
  if (m_btnHidden.GetCheck() != BST_CHECKED) return;
  m_btnFull.SetCheck(BST_UNCHECKED);
  m_btnPart.SetCheck(BST_UNCHECKED);
  m_lblPart.ShowWindow(SW_HIDE);
  m_cbPart.ShowWindow(SW_HIDE);
  if (m_selStore == -1) return;
  if (!ReadBootRecord()) {
    // No search, no range of this store: Save would copy a range found earlier, or none at all.
    m_btnSave.EnableWindow(FALSE);
    return;
  }

  const int rows = static_cast<int>(std::min<DWORD>(m_storePartCount[m_selStore], kMaxPartitions));
  CString text;
  const std::vector<HiddenRegion> regions = FindHiddenRegions(m_partStart, m_mbrSectors, rows);
  for (const HiddenRegion& region : regions) {
    m_hiddenStart = region.start;
    m_hiddenSectors = region.sectors;
    if (m_selPart == -1) {
      text += Format(u"Part%02d: 0x%X(%u.) hidden sectors.\n", region.row, region.sectors, region.sectors);
    } else {
      text += Format(u"Partition %s: 0x%X(%u) hidden sectrs.\n", m_partName[m_selPart], region.sectors,
                     region.sectors);
    }
  }
  if (!regions.empty()) {
    m_btnSave.EnableWindow(TRUE);
  } else {
    m_btnSave.EnableWindow(FALSE);
    text = u"Store does not have reserved sectors";
  }
  m_txtInfo.SetWindowText(text);
}
