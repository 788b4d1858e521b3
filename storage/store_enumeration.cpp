// Store enumeration at start-up: the store table, the store list, the destination and the summary.
#include "storage/record_text.h"
#include "storage/units.h"
#include "toolkit/wide_format.h"
#include "ui/dump_dlg.h"

namespace {
// Capacity, in characters, of the buffer that receives a profile's "Folder" value.
constexpr DWORD kFolderCapacity = 260;
}  // namespace

void CDumpDlg::EnumerateStores() {
  STOREINFO info{};
  info.cbSize = sizeof(STOREINFO);
  CString summary = u"Stores found:\n";

  const HANDLE search = m_sys.FindFirstStore(&info);
  if (search == 0 || search == INVALID_HANDLE_VALUE) {
    MessageBox(u"ERROR: No Store found", u"FindFirstStore", MB_SETFOREGROUND);
    return;
  }

  int r = 0;
  int notListed = 0;  // stores beyond the table's rows: counted, never stored
  do {
    if (r == kMaxStores) {
      ++notListed;
      continue;
    }
    m_storeDevice[r] = FieldText(info.szDeviceName);
    m_storeProfile[r] = FieldText(info.sdi.szProfile);
    m_storeName[r] = FieldText(info.szStoreName);
    m_storeSectors[r] = static_cast<DWORD>(info.snNumSectors);
    m_storeSectorsFull[r] = info.snNumSectors;
    m_storeBytesPerSector[r] = info.dwBytesPerSector;
    m_storePartCount[r] = info.dwPartitionCount;
    m_folderError = CString();
    m_storeFolder[r] = GetStoreFolder(r);
    // A registry that failed (rather than a profile without a folder) keeps its text in the summary.
    if (!m_folderError.IsEmpty()) summary += m_folderError + u"\n";

    if (!m_storeFolder[r].IsEmpty()) {
      std::uint64_t freeToCaller = 0, total = 0, totalFree = 0;
      if (m_sys.GetDiskFreeSpaceEx(m_storeFolder[r], &freeToCaller, &total, &totalFree)) {
        m_storeTotalBytes[r] = total;
        m_storeFreeBytes[r] = freeToCaller;
        summary += Format(u"\\%s\t\t%lluMB, %lluMB free\n", m_storeFolder[r], ToMB(total), ToMB(freeToCaller));
        if (freeToCaller > m_maxFreeBytes) {
          m_maxFreeBytes = freeToCaller;
          m_destStore = r;
        }
      } else {
        summary += Format(u"%s - Disk free space unavailable\n", m_storeFolder[r]);
      }
    }
    m_cbStore.AddString(m_storeDevice[r]);
    ++r;
  } while (m_sys.FindNextStore(search, &info));
  // The search ends with "no more items"; any other reason cut the list short and is shown.
  if (m_sys.GetLastError() != ERROR_NO_MORE_ITEMS) ReportApiError(u"FindNextStore");
  m_sys.FindCloseStore(search);

  if (notListed > 0) summary += Format(u"%d more stores not listed\n", notListed);
  summary += u"\n Please select a store...";
  m_txtInfo.SetWindowText(summary);
}

CString CDumpDlg::GetStoreFolder(int index) {
  const CString keyPath = CString(u"System\\StorageManager\\Profiles\\") + m_storeProfile[index] + u"\\";
  HKEY key = 0;
  const LONG opened = m_sys.RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyPath, 0, 0, &key);
  if (opened != 0) {
    const CString error = Format(u"Error on opening key\n %s", keyPath);
    m_txtInfo.SetWindowText(error);
    if (opened != static_cast<LONG>(ERROR_FILE_NOT_FOUND)) m_folderError = error;
    return CString();
  }
  WCHAR folder[kFolderCapacity] = {};
  DWORD size = sizeof(folder);
  DWORD type = 0;
  const LONG queried = m_sys.RegQueryValueEx(key, u"Folder", &type, reinterpret_cast<BYTE*>(folder), &size);
  if (queried != 0) {
    const CString error = Format(u"Error on opening key\n %s\\Folder", keyPath);
    m_txtInfo.SetWindowText(error);
    if (queried != static_cast<LONG>(ERROR_FILE_NOT_FOUND)) m_folderError = error;
    m_sys.RegCloseKey(key);
    return CString();
  }
  m_sys.RegCloseKey(key);
  folder[kFolderCapacity - 1] = u'\0';  // a value that filled the buffer exactly is still one text
  return FieldText(folder);
}
