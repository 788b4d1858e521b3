// The dialog's frame: construction, control binding, message map and initialisation.
#include "ui/dump_dlg.h"

CDumpDlg::CDumpDlg(StorageServices& services, CWnd* parent)
    : CDialog(MainDialogTemplate(), parent), m_sys(services) {
  m_hIcon = IDR_MAINFRAME;
}

CDumpDlg::~CDumpDlg() = default;

void CDumpDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_RADIO_FULL, m_btnFull);
  DDX_Control(pDX, IDC_RADIO_PART, m_btnPart);
  DDX_Control(pDX, IDC_RADIO_HIDDEN, m_btnHidden);
  DDX_Control(pDX, IDC_COMBO_STORE, m_cbStore);
  DDX_Control(pDX, IDC_COMBO_PART, m_cbPart);
  DDX_Control(pDX, IDC_LABEL_PART, m_lblPart);
  DDX_Control(pDX, IDC_STATIC_INFO, m_txtInfo);
  DDX_Control(pDX, IDC_LABEL_STORE, m_lblStore);
  DDX_Control(pDX, IDC_BUTTON_SAVE, m_btnSave);
  DDX_Control(pDX, IDC_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_GROUP_OPTIONS, m_grpOptions);
}

BEGIN_MESSAGE_MAP(CDumpDlg)
ON_BN_CLICKED(IDC_RADIO_FULL, OnFullNand)
ON_BN_CLICKED(IDC_RADIO_PART, OnPartition)
ON_BN_CLICKED(IDC_RADIO_HIDDEN, OnHidden)
ON_CBN_SELCHANGE(IDC_COMBO_STORE, OnStoreSelChange)
ON_CBN_SELCHANGE(IDC_COMBO_PART, OnPartitionSelChange)
ON_BN_CLICKED(IDC_BUTTON_SAVE, OnSave)
END_MESSAGE_MAP()

BOOL CDumpDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  CenterWindow(GetDesktopWindow());
  ResetStateRecord();
  m_btnFull.SetCheck(BST_CHECKED);
  EnumerateStores();
  return TRUE;
}

void CDumpDlg::ResetStateRecord() {
  for (int r = 0; r < kMaxStores; ++r) {
    m_storeTotalBytes[r] = 0;
    m_storeFreeBytes[r] = 0;
    m_storeSectors[r] = 0;
    m_storeSectorsFull[r] = 0;
    m_storeBytesPerSector[r] = 0;
    m_storePartCount[r] = 0;
    m_storeDevice[r] = CString();
    m_storeProfile[r] = CString();
    m_storeName[r] = CString();
    m_storeFolder[r] = CString();
  }
  m_maxFreeBytes = 0;
  ClearPartitionRows();
  m_selStore = -1;
  m_selPart = -1;
  m_destStore = -1;
  m_hiddenStart = 0;
  m_hiddenSectors = 0;
  m_ioResult = 0;
  m_bytesReturned = 0;
}

void CDumpDlg::ClearPartitionRows() {
  for (int p = 0; p < kMaxPartitions; ++p) {
    m_partName[p] = CString();
    m_partFileSys[p] = CString();
    m_partSectors[p] = 0;
    m_mbrSectors[p] = 0;
    m_partStart[p] = 0;
    m_partType[p] = 0;
  }
  m_bootRecordStore = -1;
}
