// The class-library substitute with its headless backend: template, radio buttons, notifications,
// refusals of the scripted user, boxes and the end of the modal run.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "session.h"
#include "toolkit/afx.h"
#include "toolkit/headless/headless_backend.h"

namespace {

// A dialog of two automatic radio buttons (each its own group), a hidden button and a disabled one.
const DialogTemplate& TwoRadios() {
  static const DialogTemplate t{1, 100, 50, u"Test", u"Arial", 9, 0x90C800C0, 0,
                                {{11, ControlKind::RadioButton, u"A", 0, 0, 10, 10, 0x50020009},
                                 {12, ControlKind::RadioButton, u"B", 0, 0, 10, 10, 0x50020009},
                                 {13, ControlKind::PushButton, u"Hidden", 0, 0, 10, 10, 0x40010000},
                                 {14, ControlKind::PushButton, u"Off", 0, 0, 10, 10, 0x58010000}}};
  return t;
}

class ClickCounter : public CDialog {
 public:
  ClickCounter() : CDialog(TwoRadios()) {}
  int clicksA = 0;
  void OnA() { ++clicksA; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ClickCounter)
ON_BN_CLICKED(11, OnA)
END_MESSAGE_MAP()

class TestApp : public CWinApp {
 public:
  int modalResult = 0;
  BOOL InitInstance() override {
    ClickCounter dlg;
    m_pMainWnd = &dlg;
    modalResult = dlg.DoModal();
    return FALSE;
  }
};

}  // namespace

TEST(Toolkit, RadioButtonsCheckThemselvesAndNotifyOnEveryClick) {
  HeadlessBackend ui;
  TestApp app;
  int clicksSeen = 0;
  ui.SetScript([&](HeadlessUser& user) {
    EXPECT_TRUE(user.Click(11));
    EXPECT_TRUE(user.Click(12));
    // Each button is a group of its own: checking B leaves A checked.
    EXPECT_EQ(ui.Control(11)->check, 1);
    EXPECT_EQ(ui.Control(12)->check, 1);
    EXPECT_TRUE(user.Click(11));  // already checked: notifies again
    clicksSeen = dynamic_cast<ClickCounter*>(AfxGetApp()->m_pMainWnd)->clicksA;
    // A change of check state from the program is silent.
    ui.SetCheck(11, 0);
  });
  AfxWinMain(app, ui, u"tester");
  EXPECT_EQ(clicksSeen, 2);
  EXPECT_EQ(app.modalResult, IDCANCEL);  // the script ended: the user closed the dialog
}

TEST(Toolkit, UserCannotUseHiddenDisabledOrMissingControls) {
  HeadlessBackend ui;
  TestApp app;
  ui.SetScript([&](HeadlessUser& user) {
    EXPECT_FALSE(user.Click(13));
    EXPECT_EQ(user.Refusal(), "the control is hidden");
    EXPECT_FALSE(user.Click(14));
    EXPECT_EQ(user.Refusal(), "the control is disabled");
    EXPECT_FALSE(user.Click(99));
    EXPECT_FALSE(user.Select(11, 0));  // a radio button has no entries
    EXPECT_TRUE(user.Close());
    EXPECT_FALSE(user.Click(11));
    EXPECT_EQ(user.Refusal(), "the dialog has closed");
  });
  AfxWinMain(app, ui, u"tester");
}

TEST(Toolkit, PostedCloseEndsTheRunAfterTheHandlerAndBoxesTakeTheTitle) {
  HeadlessBackend ui;
  TestApp app;
  ui.SetScript([&](HeadlessUser&) {
    auto* dlg = dynamic_cast<ClickCounter*>(AfxGetApp()->m_pMainWnd);
    dlg->MessageBox(u"hello");
    dlg->MessageBox(u"text", u"Caption", MB_SETFOREGROUND);
    AfxGetApp()->m_pMainWnd->PostMessage(WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui.IsOpen());  // queued, not yet delivered
  });
  AfxWinMain(app, ui, u"tester");
  ASSERT_EQ(ui.Boxes().size(), 2u);
  EXPECT_EQ(ui.Boxes()[0].caption, CString(u"tester"));
  EXPECT_EQ(ui.Boxes()[0].flags, MB_OK);
  EXPECT_EQ(ui.Boxes()[1].caption, CString(u"Caption"));
  EXPECT_EQ(ui.Boxes()[1].flags, MB_SETFOREGROUND);
  EXPECT_EQ(app.modalResult, IDCANCEL);
}

TEST(Toolkit, DialogThatCannotBeCreatedEndsTheProgramQuietly) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.ui.FailCreate(true);
  bool scriptRan = false;
  s.Run([&](HeadlessUser&) { scriptRan = true; });
  EXPECT_FALSE(scriptRan);
  EXPECT_TRUE(s.sim.Calls().empty());
}

TEST(Toolkit, MainDialogStartsAsTheTemplateSays) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser&) {
    EXPECT_EQ(s.Radios(), "100");
    for (int id : {IDC_RADIO_FULL, IDC_RADIO_PART, IDC_RADIO_HIDDEN, IDC_GROUP_OPTIONS, IDC_COMBO_STORE,
                   IDC_LABEL_STORE, IDC_STATIC_INFO, IDC_BUTTON_SAVE})
      EXPECT_TRUE(s.Visible(id)) << id;
    for (int id : {IDC_COMBO_PART, IDC_LABEL_PART, IDC_PROGRESS}) EXPECT_FALSE(s.Visible(id)) << id;
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(s.Control(IDC_COMBO_STORE).entries, (std::vector<CString>{u"DSK1:", u"DSK2:"}));
    EXPECT_EQ(s.Control(IDC_COMBO_STORE).selection, -1);
    EXPECT_TRUE(s.Control(IDC_COMBO_PART).entries.empty());
    EXPECT_EQ(s.ui.BigIcon(), IDR_MAINFRAME);
    EXPECT_EQ(s.ui.SmallIcon(), IDR_MAINFRAME);
    EXPECT_TRUE(s.ui.Centered());
    EXPECT_EQ(s.ui.Template()->caption, CString(u"Vorsk   v1.3"));
    CDumpDlg& dlg = Session::Dialog();
    EXPECT_EQ(dlg.m_selStore, -1);
    EXPECT_EQ(dlg.m_selPart, -1);
    for (int p = 0; p < kMaxPartitions; ++p) {
      EXPECT_TRUE(dlg.m_partName[p].IsEmpty());
      EXPECT_EQ(dlg.m_partStart[p] | dlg.m_partSectors[p] | dlg.m_mbrSectors[p] | dlg.m_partType[p], 0u);
    }
    for (int r = 2; r < kMaxStores; ++r) {
      EXPECT_TRUE(dlg.m_storeDevice[r].IsEmpty());
      EXPECT_EQ(dlg.m_storeSectors[r] | dlg.m_storeFreeBytes[r] | dlg.m_storeTotalBytes[r], 0u);
    }
  });
  EXPECT_FALSE(s.ui.IsOpen());
}

TEST(Toolkit, IconHoldsNineImages) {
  const unsigned char* ico = MainIconData();
  ASSERT_GT(MainIconSize(), 6u + 9 * 16);
  EXPECT_EQ(ico[2] | ico[3] << 8, 1);  // an icon
  ASSERT_EQ(ico[4] | ico[5] << 8, 9);
  std::vector<std::pair<int, int>> sizesAndDepths;
  for (int i = 0; i < 9; ++i) {
    const unsigned char* e = ico + 6 + 16 * i;
    sizesAndDepths.push_back({e[0] == 0 ? 256 : e[0], e[6] | e[7] << 8});
  }
  const std::vector<std::pair<int, int>> want = {{48, 4}, {48, 8}, {48, 24}, {32, 4}, {32, 8},
                                                 {32, 24}, {16, 4}, {16, 8}, {16, 24}};
  EXPECT_EQ(sizesAndDepths, want);
}
