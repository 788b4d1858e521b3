// The class library the dialog is written against: application, modal dialog, control wrappers, data
// exchange and message map, carried over the toolkit seam (window_backend.h) to a backend of our own.
#pragma once

#include <cstdint>

#include "toolkit/cstring.h"
#include "toolkit/dialog_template.h"
#include "toolkit/window_backend.h"

using BOOL = int;
using UINT = unsigned int;
using HICON = int;  // an icon is named by its resource number
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr int BN_CLICKED = 0;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;
inline constexpr int CB_ERR = -1;
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;

// A window: the dialog itself (ID 0) or one of its controls, reached through the dialog's backend.
class CWnd {
 public:
  virtual ~CWnd() = default;

  int GetDlgCtrlID() const { return m_id; }
  BOOL ShowWindow(int cmdShow);  // returns whether it was visible before
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable);  // returns whether it was disabled before
  BOOL IsWindowEnabled() const;
  void SetWindowText(const CString& text);
  void GetWindowText(CString& text) const;
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  // Queues a message for the dialog this window belongs to.
  BOOL PostMessage(UINT message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

  // Binds this wrapper to control `id` of a dialog living in `backend` (used by DDX_Control).
  void Attach(WindowBackend* backend, int id) {
    m_backend = backend;
    m_id = id;
  }
  WindowBackend* Backend() const { return m_backend; }

 protected:
  WindowBackend* m_backend = nullptr;
  int m_id = 0;
};

class CButton : public CWnd {
 public:
  int GetCheck() const;
  void SetCheck(int check);
};

class CComboBox : public CWnd {
 public:
  int AddString(const CString& text);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
};

class CStatic : public CWnd {};

class CProgressCtrl : public CWnd {
 public:
  void SetRange32(int lower, int upper);
  int SetPos(int pos);
};

class CDataExchange {
 public:
  explicit CDataExchange(WindowBackend* backend) : m_backend(backend) {}
  WindowBackend* m_backend;
};

// Binds a control of the dialog to its wrapper member.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog;
using AFX_PMSG = void (CDialog::*)();

// One row of a message map: a notification code from a control, and the handler it runs.
struct AFX_MSGMAP_ENTRY {
  UINT message;
  int code;
  int id;
  AFX_PMSG handler;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP_ENTRY* entries;  // ends with a row whose handler is null
};

#define DECLARE_MESSAGE_MAP() \
 protected:                   \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass)                             \
  const AFX_MSGMAP* theClass::GetMessageMap() const {           \
    using ThisClass = theClass;                                 \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define ON_BN_CLICKED(id, handler) \
  {WM_COMMAND, BN_CLICKED, id, static_cast<AFX_PMSG>(&ThisClass::handler)},
#define ON_CBN_SELCHANGE(id, handler) \
  {WM_COMMAND, CBN_SELCHANGE, id, static_cast<AFX_PMSG>(&ThisClass::handler)},
#define END_MESSAGE_MAP()               \
  {0, 0, 0, nullptr}                    \
  }                                     \
  ;                                     \
  static const AFX_MSGMAP map{entries}; \
  return &map;                          \
  }

class CWinApp;

// A modal dialog built from a template.
class CDialog : public CWnd, private DialogSink {
 public:
  explicit CDialog(const DialogTemplate& tmpl, CWnd* parent = nullptr) : m_template(tmpl) { (void)parent; }
  ~CDialog() override = default;

  // Creates the dialog, initialises it and runs it until it ends; -1 when it cannot be created.
  virtual int DoModal();
  void EndDialog(int result);

  int MessageBox(const CString& text, const char16_t* caption = nullptr, UINT flags = MB_OK);
  HICON SetIcon(HICON icon, BOOL bigIcon);
  void CenterWindow(CWnd* alternateOwner = nullptr);
  static CWnd* GetDesktopWindow();

 protected:
  virtual const AFX_MSGMAP* GetMessageMap() const { return nullptr; }
  virtual void DoDataExchange(CDataExchange* pDX) { (void)pDX; }
  virtual BOOL OnInitDialog();
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 private:
  void OnCommand(int id, int code) override;
  void OnMessage(unsigned message) override;

  const DialogTemplate& m_template;
};

// The application. The front end hands it a window backend and runs it.
class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return FALSE; }

  CWnd* m_pMainWnd = nullptr;
  CString m_appTitle = u"vorsk";     // caption of boxes that give none: the executable's base name
  WindowBackend* m_backend = nullptr;
};

CWinApp* AfxGetApp();

// Runs `app` with `backend`: the application's start-up operation, then the end of the program.
int AfxWinMain(CWinApp& app, WindowBackend& backend, const CString& title);
