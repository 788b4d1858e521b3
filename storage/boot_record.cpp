// Boot record entries, and ReadBootRecord: sector 0 of the selected store into the partition rows.
#include "storage/boot_record.h"

#include "storage/units.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

namespace {
DWORD ReadLe32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}
void WriteLe32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}
}  // namespace

BootEntry ParseBootEntry(const BYTE* sector, int index) {
  const BYTE* e = sector + kBootEntryOffset + kBootEntrySize * index;
  return {e[4], ReadLe32(e + 8), ReadLe32(e + 12)};
}

void WriteBootEntry(BYTE* sector, int index, const BootEntry& entry) {
  BYTE* e = sector + kBootEntryOffset + kBootEntrySize * index;
  e[4] = static_cast<BYTE>(entry.type);
  WriteLe32(e + 8, entry.start);
  WriteLe32(e + 12, entry.sectors);
}

int CDumpDlg::ReadBootRecord() {
  const HANDLE store = m_sys.OpenStore(m_storeDevice[m_selStore]);
  if (store == 0 || store == INVALID_HANDLE_VALUE) {
    ReportApiError(u"OpenStore");
    return 0;
  }

  m_bytesReturned = 0;
  DISK_INFO info{};
  m_ioResult = m_sys.DeviceIoControl(store, IOCTL_DISK_GETINFO, nullptr, 0, &info, sizeof(info), &m_bytesReturned);
  if (m_ioResult == 0) {
    ReportApiError(u"IOCTL_DISK_GETINFO");
    m_txtInfo.SetWindowText(u"ERROR: Cannot get DiskInfo from store");
    m_sys.CloseHandle(store);
    return 0;
  }
  // Sector 0 must fit the buffer and hold the whole partition table.
  if (!IsSupportedSectorSize(info.di_bytes_per_sect)) {
    m_txtInfo.SetWindowText(Format(u"ERROR: Unsupported sector size %d", info.di_bytes_per_sect));
    m_sys.CloseHandle(store);
    return 0;
  }

  SG_REQ request{};
  request.sr_start = 0;
  request.sr_num_sec = 1;
  request.sr_num_sg = 1;
  request.sr_status = 0;
  request.sr_callback = nullptr;
  request.sr_sglist[0].sb_buf = m_sectorBuf;
  request.sr_sglist[0].sb_len = info.di_bytes_per_sect;
  m_bytesReturned = 0;
  m_ioResult = m_sys.DeviceIoControl(store, IOCTL_DISK_READ, &request, sizeof(request), nullptr, 0, &m_bytesReturned);
  if (m_ioResult == 0) {
    ReportApiError(u"IOCTL_DISK_READ");
    m_txtInfo.SetWindowText(u"ERROR: IOCTL_DISK_READ failed");
    m_sys.CloseHandle(store);
    return 0;
  }

  // The table has four rows; a store that reports more partitions has the first four parsed.
  for (DWORD i = 0; i < m_storePartCount[m_selStore] && i < static_cast<DWORD>(kMaxPartitions); ++i) {
    const BootEntry entry = ParseBootEntry(m_sectorBuf, static_cast<int>(i));
    m_partType[i] = entry.type;
    m_partStart[i] = entry.start;
    m_mbrSectors[i] = entry.sectors;
  }
  m_bootRecordStore = m_selStore;
  m_sys.CloseHandle(store);
  return 1;
}
