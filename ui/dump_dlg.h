// CDumpDlg: the main dialog, its controls, its state record and its handlers.
// The members are defined by responsibility: ui/ (frame, selection, error box), storage/ (stores, boot
// record, partitions, hidden regions) and dump/ (Save and the copy engine).
#pragma once

#include <cstdint>

#include "res/resource.h"
#include "storage/storage_services.h"
#include "toolkit/afx.h"

inline constexpr int kMaxStores = 10;
inline constexpr int kMaxPartitions = 4;
inline constexpr int kSectorBufferSize = 4096;

class CDumpDlg : public CDialog {
 public:
  explicit CDumpDlg(StorageServices& services, CWnd* parent = nullptr);
  ~CDumpDlg() override;

  // The dialog's own operations, shared by several handlers.
  virtual void ReportApiError(const CString& apiName);
  virtual CString GetStoreFolder(int index);
  virtual int DumpSectors(const CString& deviceName, const CString& fileName, const CString& folderName,
                          DWORD startSector, DWORD sectorCount, int openAsDevice);
  virtual int ReadBootRecord();

  // ---- State record, in declaration order ----
  HICON m_hIcon = 0;
  CButton m_btnFull;
  CButton m_btnPart;
  CButton m_btnHidden;
  CComboBox m_cbStore;
  CComboBox m_cbPart;
  CStatic m_lblPart;
  CStatic m_txtInfo;
  CStatic m_lblStore;
  CButton m_btnSave;
  CProgressCtrl m_progress;

  // Store table: one row per store found, in search order.
  std::uint64_t m_storeTotalBytes[kMaxStores];
  std::uint64_t m_storeFreeBytes[kMaxStores];
  std::uint64_t m_maxFreeBytes;
  DWORD m_storeSectors[kMaxStores];  // low 32 bits of the store's sector count
  DWORD m_storeBytesPerSector[kMaxStores];
  DWORD m_storePartCount[kMaxStores];
  CString m_storeDevice[kMaxStores];
  CString m_storeProfile[kMaxStores];
  CString m_storeName[kMaxStores];
  CString m_storeFolder[kMaxStores];
  std::uint64_t m_storeSectorsFull[kMaxStores];  // the whole 64-bit sector count

  // Partition table of the selected store.
  CString m_partName[kMaxPartitions];
  CString m_partFileSys[kMaxPartitions];
  DWORD m_partSectors[kMaxPartitions];
  DWORD m_mbrSectors[kMaxPartitions];
  DWORD m_partStart[kMaxPartitions];
  DWORD m_partType[kMaxPartitions];

  int m_selStore;
  int m_selPart;
  int m_destStore;
  DWORD m_hiddenStart;
  DWORD m_hiddenSectors;
  DWORD m_ioResult;
  DWORD m_bytesReturned;
  BYTE m_sectorBuf[kSectorBufferSize];
  int m_colonCount;
  CStatic m_grpOptions;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  // Handlers.
  void OnFullNand();
  void OnPartition();
  void OnHidden();
  void OnStoreSelChange();
  void OnPartitionSelChange();
  void OnSave();

  DECLARE_MESSAGE_MAP()

 private:
  void ResetStateRecord();
  void EnumerateStores();
  void ClearPartitionRows();

  StorageServices& m_sys;
  // The registry failure that GetStoreFolder met for the store being enumerated (empty when the profile
  // simply has no folder), kept for the summary.
  CString m_folderError;
  // The store whose boot record the partition rows hold, or -1: a partition's start is known only then.
  int m_bootRecordStore = -1;
};
