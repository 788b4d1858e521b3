// Save: the range from the mode, the image name, the space check, the texts, the outcome and the end.
#include <gtest/gtest.h>

#include <algorithm>

#include "session.h"

namespace {

bool Exists(const TempDir& dir, const std::string& relative) { return std::filesystem::exists(dir / relative); }

const CString kDoneWithErrors(u"Done with errors.\nResulting file may be compromised!");

}  // namespace

TEST(Save, EachModeNamesItsImageAndSaysWhereItGoes) {
  struct Case {
    int mode;
    int part;
    const char16_t* panel;
    std::string file;
    DWORD start, count;
  } cases[] = {
      {IDC_RADIO_FULL, -1,
       u"Saving full disk DSK1: to folder Storage Card\nFile name: DSK1_0_2097152.img\n\nPlease wait...", "DSK1_0_2097152.img",
       0, 4096},
      {IDC_RADIO_PART, 1,
       u"Saving partition Part01 to folder Storage Card\nFile name: DSK1_Part01_0_1048576.img\n\nPlease wait...",
       "DSK1_Part01_0_1048576.img", 200, 0x800},
      {IDC_RADIO_HIDDEN, -1,
       u"Saving hidden in NAND Flash to folder Storage Card\nFile name: DSK1_Hidden_82944_19456.img\n\nPlease wait...",
       "DSK1_Hidden_82944_19456.img", 162, 38},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].sectors = 4096;
    Session s(d);
    s.Run([&](HeadlessUser& user) {
      SaveFrom(user, 0, c.mode, c.part);
      // Save hides the choosing controls for good and leaves the panel, Save and the bar.
      for (int id : {IDC_RADIO_FULL, IDC_RADIO_PART, IDC_RADIO_HIDDEN, IDC_GROUP_OPTIONS, IDC_LABEL_STORE,
                     IDC_LABEL_PART, IDC_COMBO_STORE, IDC_COMBO_PART})
        EXPECT_FALSE(s.Visible(id)) << id;
      EXPECT_TRUE(s.Visible(IDC_BUTTON_SAVE));
      EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
      EXPECT_EQ(Session::Dialog().m_colonCount, 1);
    });
    const std::u16string panel = s.Panel().str(), want = c.panel;
    EXPECT_EQ(panel.substr(0, want.size()), want);
    EXPECT_EQ(ReadFileBytes(dir / ("card/" + c.file)), StoreBytes(d, 0, c.start, c.count)) << c.file;
    ASSERT_EQ(s.Boxes().size(), 1u);
    EXPECT_EQ(s.Boxes()[0].text, CString(u"Done"));
    EXPECT_EQ(s.Boxes()[0].caption, CString(u"vorsk"));
    EXPECT_EQ(s.Boxes()[0].flags, 0u);
    EXPECT_FALSE(s.ui.IsOpen());  // Save ends the run
  }
}

TEST(Save, ColonsDecideHowTheSourceOpensAndLeaveTheName) {
  struct Case {
    const char16_t* device;
    int colons;
    const char* file;
  } cases[] = {{u"DSK1:", 1, "DSK1_0_4096.img"}, {u"DSK1", 0, "DSK1_0_4096.img"}, {u"D:SK:", 2, "DSK_0_4096.img"}};
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].device = c.device;
    d.stores[0].sectors = 8;
    Session s(std::move(d));
    int colons = -1;
    s.Run([&](HeadlessUser& user) {
      SaveFrom(user, 0, IDC_RADIO_FULL);
      colons = Session::Dialog().m_colonCount;
    });
    EXPECT_EQ(colons, c.colons);
    EXPECT_TRUE(Exists(dir, std::string("card/") + c.file)) << c.file;
    EXPECT_EQ(s.sim.Calls("OpenStore").size(), c.colons ? 0u : 1u);
    // The full-store text shows the device name as the store reports it, colons and all.
    EXPECT_NE(s.Panel().str().find(CString(u"Saving full disk ").str() + c.device), std::u16string::npos);
  }
}

TEST(Save, SpaceCheckComparesWholeMegabytes) {
  struct Case {
    std::uint64_t sectors;
    std::uint64_t freeBytes;
    bool starts;
  } cases[] = {
      {197265, 100000000, true},       // 100,999,680 bytes: 100 MB against 100 MB
      {195313, 100000000, true},       // exactly 100 MB + 256 bytes
      {197266 + 1953, 100000000, false},
      {0x400000, 1999999999, false},   // 2 GiB (2147 MB) against 1999 MB
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].sectors = c.sectors;
    d.folders[u"Storage Card"].freeBytes = c.freeBytes;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_FULL); });
    EXPECT_EQ(!s.sim.Calls("CreateFile").empty(), c.starts) << c.sectors;
    if (!c.starts) {
      ASSERT_EQ(s.Boxes().size(), 1u);
      EXPECT_EQ(s.Boxes()[0].caption, CString(u"ERROR: Not enough space!"));
      EXPECT_EQ(s.Boxes()[0].flags, 0u);
      EXPECT_FALSE(s.ui.IsOpen());
    }
  }
}

TEST(Save, NotEnoughSpaceCreatesNothingAndCloses) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.folders[u"Storage Card"].freeBytes = 3000000;
  d.folders[u"ResidentFlash"].freeBytes = 0;
  Session s(std::move(d));
  CString panelBefore;
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    panelBefore = s.Panel();
    ASSERT_TRUE(user.Click(IDC_BUTTON_SAVE));
  });
  ASSERT_EQ(s.Boxes().size(), 1u);
  EXPECT_EQ(s.Boxes()[0].text, CString(u"You requested to dump 134 MB. \nMaximum available space 3 MB. \n"
                                       u"Use a higher capacity SD and restart Vorsk"));
  EXPECT_EQ(s.Panel(), panelBefore);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "card"));
  EXPECT_FALSE(s.ui.IsOpen());
}

TEST(Save, PartitionAndHiddenDumpsHaveNoSpaceCheck) {
  for (int mode : {IDC_RADIO_PART, IDC_RADIO_HIDDEN}) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.folders[u"Storage Card"].freeBytes = 999999;  // 0 MB, yet room for these small ranges
    d.folders[u"ResidentFlash"].freeBytes = 0;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, mode, 0); });
    EXPECT_EQ(s.Boxes().back().text, CString(u"Done")) << mode;
  }
}

TEST(Save, WithoutADestinationNothingIsWritten) {
  for (int mode : {IDC_RADIO_FULL, IDC_RADIO_PART, IDC_RADIO_HIDDEN}) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.folders[u"Storage Card"].freeBytes = 0;
    d.folders[u"ResidentFlash"].freeBytes = 0;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, mode, 0); });
    ASSERT_EQ(s.Boxes().size(), 1u);
    EXPECT_EQ(s.Boxes()[0].text, CString(u"ERROR: No destination folder"));
    EXPECT_EQ(s.Boxes()[0].caption, CString(u"ERROR: Not enough space!"));
    EXPECT_EQ(s.Boxes()[0].flags, 0u);
    EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
    EXPECT_FALSE(s.ui.IsOpen());
  }
}

TEST(Save, HiddenModeCopiesTheLastRangeFoundEvenFromAnotherStore) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.stores[1].partitionCount = 1;
  d.stores[1].bootRecord = {{0x0C, 40, 100}};
  Session s(d);
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));  // finds 162 + 38 on DSK1:
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 1));
    ASSERT_TRUE(user.Click(IDC_RADIO_FULL));
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));  // finds 0 + 40 on DSK2:
    ASSERT_TRUE(user.Click(IDC_BUTTON_SAVE));
  });
  EXPECT_EQ(ReadFileBytes(dir / "card/DSK2_Hidden_0_20480.img"), StoreBytes(d, 1, 0, 40));
}

TEST(Save, UnsafeDeviceAndPartitionNamesStayInsideTheFolder) {
  struct Case {
    const char16_t* device;
    const char16_t* partition;
    const char* file;
  } cases[] = {
      {u"../x:", u"P", ".._x_P_0_51200.img"},
      {u"..:", u"..", "____0_51200.img"},
      {u"a\\b:", u"p/q", "a_b_p_q_0_51200.img"},
      {u"d\x01:", u"\x1B[31m", "d___[31m_0_51200.img"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].device = c.device;
    d.stores[0].partitions = {{c.partition, u"FATFS", 0x0B, 100}};
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
    EXPECT_EQ(s.Boxes().back().text, CString(u"Done"));
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
      if (e.is_regular_file()) files.push_back(e.path().lexically_relative(dir.Path()).string());
    ASSERT_EQ(files.size(), 1u) << CString(c.device);
    EXPECT_EQ(files[0], std::string("card/") + c.file);
  }
}

TEST(Save, StoreWithMoreSectorsThanOneDumpAddressesIsRefused) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = 0x100000040ull;
  d.folders[u"Storage Card"].freeBytes = 0xFFFFFFFFFFFFFFFFull;
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_FULL); });
  ASSERT_EQ(s.Boxes().size(), 1u);
  EXPECT_EQ(s.Boxes()[0].caption, CString(u"ERROR: Store too large!"));
  EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
}
