// DumpSectors: copies a run of sectors into an image file, one read request and one write per block.
#include <climits>
#include <cstdint>

#include "dump/block_size.h"
#include "storage/units.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

namespace {

// The progress bar takes an int range: counts beyond it are shown scaled down by a power of two.
int ProgressShift(DWORD sectorCount) {
  int shift = 0;
  while ((sectorCount >> shift) > static_cast<DWORD>(INT_MAX)) ++shift;
  return shift;
}

}  // namespace

int CDumpDlg::DumpSectors(const CString& deviceName, const CString& fileName, const CString& folderName,
                          DWORD startSector, DWORD sectorCount, int openAsDevice) {
  const DWORD sectorSize = m_storeBytesPerSector[m_selStore];
  const std::uint64_t totalBytes = std::uint64_t{sectorCount} * sectorSize;
  const DWORD blockSize = ChooseBlockSize(totalBytes);

  // A block must hold whole sectors, or the copy would make no progress.
  if (!IsSupportedSectorSize(sectorSize) || blockSize == 0) {
    m_txtInfo.SetWindowText(Format(u"ERROR: Unsupported sector size %d", sectorSize));
    return 0;
  }
  const DWORD sectorsPerBlock = blockSize / sectorSize;
  // Sector numbers are 32-bit: a range that runs past the last one would wrap to sector 0.
  const std::uint64_t lastBlockEnd =
      std::uint64_t{startSector} + (sectorCount == 0 ? sectorsPerBlock : std::uint64_t{sectorCount});
  if (lastBlockEnd > std::uint64_t{0xFFFFFFFFu} + 1) {
    m_txtInfo.SetWindowText(
        Format(u"ERROR: Sectors 0x%X to 0x%llX cannot be addressed", startSector, lastBlockEnd - 1));
    return 0;
  }

  MEMORYSTATUS memory{};
  memory.dwLength = sizeof(MEMORYSTATUS);
  m_sys.GlobalMemoryStatus(&memory);
  m_ioResult = memory.dwAvailVirtual / 2;
  if (m_ioResult < blockSize) {
    MessageBox(u"Please allocate more memory", u"LOW MEMORY", MB_OK);
    return 0;
  }

  CString panel;
  m_txtInfo.GetWindowText(panel);
  m_txtInfo.SetWindowText(panel + Format(u"\nRead/Write buffer size: 0x%X(%d.2MB)", blockSize, blockSize / 1000000));
  Invalidate(TRUE);
  UpdateWindow();

  auto* buffer = static_cast<BYTE*>(m_sys.Allocate(std::size_t{blockSize} + 1));
  if (!buffer) {
    MessageBox(u"Please allocate more memory", u"LOW MEMORY", MB_OK);
    return 0;
  }

  const HANDLE source = openAsDevice
                            ? m_sys.CreateFile(deviceName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_SYSTEM)
                            : m_sys.OpenStore(deviceName);
  if (source == 0 || source == INVALID_HANDLE_VALUE) {
    m_txtInfo.SetWindowText(Format(u"ERROR: Cannot open source store %s", m_storeDevice[m_selStore]));
    m_sys.Release(buffer);
    return 0;
  }

  const int shift = ProgressShift(sectorCount);
  m_progress.SetRange32(0, static_cast<int>(sectorCount >> shift));
  m_progress.ShowWindow(SW_SHOW);

  const CString path = CString(u"\\") + folderName + u"\\" + fileName;
  const HANDLE file = m_sys.CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file == 0 || file == INVALID_HANDLE_VALUE) {
    ReportApiError(u"Create output file\n");
    m_sys.CloseHandle(source);
    m_sys.Release(buffer);
    return 0;
  }

  SG_REQ request{};
  request.sr_num_sec = sectorsPerBlock;
  request.sr_num_sg = 1;
  request.sr_status = 0;
  request.sr_callback = nullptr;
  request.sr_sglist[0].sb_buf = buffer;
  request.sr_sglist[0].sb_len = blockSize;

  // Wide counters: the last block may end exactly at sector 2^32.
  std::uint64_t currentSector = startSector;
  std::uint64_t sectorsDone = 0;
  const char16_t* failed = nullptr;
  do {
    request.sr_start = static_cast<DWORD>(currentSector);
    m_bytesReturned = 0;
    m_ioResult = m_sys.DeviceIoControl(source, IOCTL_DISK_READ, &request, sizeof(request), nullptr, 0,
                                       &m_bytesReturned);
    if (m_ioResult == 0) {
      failed = u"IOCTL_DISK_READ";
      break;
    }
    m_bytesReturned = 0;
    if (!m_sys.WriteFile(file, buffer, blockSize, &m_bytesReturned) || m_bytesReturned != blockSize) {
      failed = u"WriteFile";
      break;
    }
    m_progress.SetPos(static_cast<int>(sectorsDone >> shift));
    sectorsDone += sectorsPerBlock;
    currentSector += sectorsPerBlock;
  } while (sectorsDone < sectorCount);

  // "Done" promises the whole image is on the medium.
  if (!failed && !m_sys.FlushFileBuffers(file)) failed = u"FlushFileBuffers";

  if (failed) {
    ReportApiError(failed);
    m_sys.CloseHandle(file);
    m_sys.CloseHandle(source);
    m_sys.Release(buffer);
    return 0;
  }

  m_sys.CloseHandle(file);
  m_progress.ShowWindow(SW_HIDE);
  m_sys.CloseHandle(source);
  m_sys.Release(buffer);
  return 1;
}
