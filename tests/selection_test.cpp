// Choosing a store, Full NAND and choosing a partition, as the user sees them.
#include <gtest/gtest.h>

#include "session.h"

namespace {
const CString kNandSummary(u"Store:  DSK1:  Folder: ResidentFlash\n0x200(512.) bytes/sector\n0x40000 (262144.) sectors\n"
                           u"5MB total, 3MB free\n2 partitions.");
const CString kNandDetails(u"Selected store:\tDSK1:\nSector Size:\t\t0x200(512.)\nNo. of sectors:\t0x40000(262144.)\n"
                           u"Partitions:\t\t2");
}  // namespace

TEST(Selection, FirstStoreSelectionShowsItsSummaryInWholeStoreMode) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    EXPECT_EQ(s.Panel(), kNandSummary);
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(s.Radios(), "100");
    EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
    EXPECT_FALSE(s.Visible(IDC_LABEL_PART));
    EXPECT_EQ(s.ui.Repaints(), 1);
    EXPECT_EQ(Session::Dialog().m_selStore, 0);
  });
  EXPECT_TRUE(s.sim.Calls("OpenStore").empty());  // a selection reads nothing from the store
}

TEST(Selection, SummaryWordsAndMegabytes) {
  struct Case {
    std::optional<DWORD> partitions;
    std::uint64_t total, freeBytes;
    const char16_t* tail;
  } cases[] = {
      {0, 5000000, 999999, u"5MB total, 0MB free\n0 partition."},
      {1, 5000000, 1000000, u"5MB total, 1MB free\n1 partition."},
      {2, 0xFFFFFFFFFFFFFFFFull, 1000000, u"18446744073709MB total, 1MB free\n2 partitions."},  // whole, never negative
      {7, 5000000, 0, u"5MB total, 0MB free\n7 partitions."},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].partitionCount = c.partitions;
    d.folders[u"ResidentFlash"].totalBytes = c.total;
    d.folders[u"ResidentFlash"].freeBytes = c.freeBytes;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      const std::u16string panel = s.Panel().str(), tail = c.tail;
      EXPECT_EQ(panel.substr(panel.size() - tail.size()), tail);
    });
  }
}

TEST(Selection, ReselectingTheSameStoreOnlyRewritesThePanel) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ChoosePartition(user, 0, 1);
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    EXPECT_EQ(s.Panel(), kNandSummary);
    EXPECT_EQ(s.Radios(), "010");
    EXPECT_TRUE(s.Visible(IDC_COMBO_PART));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), 2u);
    EXPECT_EQ(s.Control(IDC_COMBO_PART).selection, 1);
    EXPECT_EQ(Session::Dialog().m_selPart, 1);
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(s.ui.Repaints(), 1);  // only the first selection repainted
  });
}

TEST(Selection, ChangingStoreInAnyModeReturnsToWholeStoreMode) {
  for (int mode : {IDC_RADIO_PART, IDC_RADIO_HIDDEN}) {
    TempDir dir;
    Session s(NandAndCard(dir));
    s.Run([&](HeadlessUser& user) {
      ChoosePartition(user, 0, 0);
      if (mode == IDC_RADIO_HIDDEN) {
        ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
      }
      const DWORD hiddenStart = Session::Dialog().m_hiddenStart;
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 1));
      CDumpDlg& dlg = Session::Dialog();
      EXPECT_EQ(dlg.m_selStore, 1);
      EXPECT_EQ(dlg.m_selPart, -1);
      EXPECT_TRUE(s.Control(IDC_COMBO_PART).entries.empty());
      EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
      EXPECT_FALSE(s.Visible(IDC_LABEL_PART));
      EXPECT_EQ(s.Radios(), "100");
      EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
      EXPECT_EQ(s.ui.Repaints(), 2);
      EXPECT_EQ(dlg.m_hiddenStart, hiddenStart);  // the hidden range outlives the store change
      for (int p = 0; p < kMaxPartitions; ++p) {
        EXPECT_TRUE(dlg.m_partName[p].IsEmpty() && dlg.m_partFileSys[p].IsEmpty());
        EXPECT_EQ(dlg.m_partStart[p] | dlg.m_partSectors[p] | dlg.m_mbrSectors[p] | dlg.m_partType[p], 0u);
      }
      EXPECT_EQ(s.Panel(), CString(u"Store:  DSK2:  Folder: Storage Card\n0x200(512.) bytes/sector\n"
                                   u"0x100000 (1048576.) sectors\n2000MB total, 1500MB free\n0 partition."));
    });
  }
}

TEST(Selection, FullNandWithoutStoreOnlyTidiesTheModes) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    const CString before = s.Panel();
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));  // no store: a silent stop
    EXPECT_EQ(s.Radios(), "001");
    EXPECT_EQ(s.Panel(), before);
    ASSERT_TRUE(user.Click(IDC_RADIO_FULL));
    EXPECT_EQ(s.Radios(), "100");
    EXPECT_EQ(s.Panel(), before);
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
  });
}

TEST(Selection, FullNandShowsTheStoreDetailsOnEveryClickAndKeepsThePartitionChoice) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_FULL));  // already checked: runs in full
    EXPECT_EQ(s.Panel(), kNandDetails);
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    ASSERT_TRUE(user.Select(IDC_COMBO_PART, 1));
    ASSERT_TRUE(user.Click(IDC_RADIO_FULL));
    EXPECT_EQ(s.Panel(), kNandDetails);
    EXPECT_EQ(s.Radios(), "100");
    EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), 2u);
    EXPECT_EQ(Session::Dialog().m_selPart, 1);
    EXPECT_EQ(s.ui.Repaints(), 1);
  });
}

TEST(Selection, ChoosingAPartitionRereadsTheBootRecordAndShowsItsDetails) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    const size_t readsBefore = s.sim.Calls("IOCTL_DISK_READ").size();
    ASSERT_TRUE(user.Select(IDC_COMBO_PART, 1));
    EXPECT_EQ(s.sim.Calls("IOCTL_DISK_READ").size(), readsBefore + 1);
    EXPECT_EQ(s.Panel(), CString(u"Partition name:\tPart01\nStarting sector:\t0xC8\nNo. of Sectors:\t0x800\n"
                                 u"Partition type:\t\t0xB\nFile System:\t\tFATFS"));
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(Session::Dialog().m_selPart, 1);
  });
}

TEST(Selection, PartitionDetailsStandEvenWhenTheBootRecordCannotBeRead) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.faults = {{"IOCTL_DISK_READ", 2, ERROR_CRC}};  // the second read of sector 0: the one on choosing
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) {
    ChoosePartition(user, 0, 0);
    EXPECT_EQ(s.Panel(), CString(u"Partition name:\tPart00\nStarting sector:\t0x3F\nNo. of Sectors:\t0x64\n"
                                 u"Partition type:\t\t0xB\nFile System:\t\tFATFS"));
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
  });
  ASSERT_EQ(s.Boxes().size(), 1u);
  EXPECT_EQ(s.Boxes()[0].text, CString(u"IOCTL_DISK_READ failed with error 23: Data error (cyclic redundancy check)."));
}
