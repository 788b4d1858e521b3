// Partition mode: the listing, its failures and bounds, and the details of a chosen partition.
#include <gtest/gtest.h>

#include "session.h"

TEST(PartitionListing, ListsThePartitionsInOrderAndWaitsForAChoice) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).entries, (std::vector<CString>{u"Part00", u"Part01"}));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).selection, -1);
    EXPECT_TRUE(s.Visible(IDC_COMBO_PART));
    EXPECT_TRUE(s.Visible(IDC_LABEL_PART));
    EXPECT_EQ(s.Panel(), CString(u"Please select a partition..."));
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(s.Radios(), "010");
    // Clicking again while nothing is chosen lists afresh, without duplicates.
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), 2u);
    CDumpDlg& dlg = Session::Dialog();
    EXPECT_EQ(dlg.m_partSectors[1], 0x800u);
    EXPECT_EQ(dlg.m_partStart[1], 200u);  // from the boot record, read after the listing
  });
  // The search is closed before the store; the boot record is read after both.
  std::vector<std::string> order;
  for (const SimCall& c : s.sim.Calls()) {
    if (c.op == "FindClosePartition" || c.op == "CloseHandle" || c.op == "IOCTL_DISK_READ") order.push_back(c.op);
  }
  const std::vector<std::string> want = {"FindClosePartition", "CloseHandle", "IOCTL_DISK_READ", "CloseHandle"};
  ASSERT_GE(order.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4), want);
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
}

TEST(PartitionListing, ComingBackShowsTheChosenPartitionWithoutAskingTheStore) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ChoosePartition(user, 0, 1);
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    const size_t calls = s.sim.Calls().size();
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    EXPECT_EQ(s.sim.Calls().size(), calls);
    EXPECT_EQ(s.Panel(), CString(u"Partition name:\tPart01\nSt. sector:\t\t0xC8\nSectors:\t\t0x800 \n"
                                 u"Partition type:\t\t0xB \nFile System:\t\tFATFS"));
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_TRUE(s.Visible(IDC_COMBO_PART));
    EXPECT_EQ(s.Control(IDC_COMBO_PART).selection, 1);
    EXPECT_EQ(s.Radios(), "010");
  });
}

TEST(PartitionListing, FailuresAreWrittenIntoThePanel) {
  struct Case {
    const char* fault;      // operation that fails, or "" for a store without partitions
    const char16_t* panel;  // the panel starts with this
  } cases[] = {
      {"OpenStore", u"ERROR: Cannot open store DSK1:"},
      {"FindFirstPartition", u"ERROR: Cannot enumerate partitions \n hPart=-1\n hOpenStore="},
      {"", u"ERROR: Cannot enumerate partitions \n hPart=-1\n hOpenStore="},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    if (*c.fault) {
      d.faults = {{c.fault, 1, ERROR_NOT_READY}};
    } else {
      d.stores[0].partitions.clear();
    }
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      ASSERT_TRUE(user.Click(IDC_RADIO_PART));
      const std::u16string panel = s.Panel().str(), want = c.panel;
      EXPECT_EQ(panel.substr(0, want.size()), want) << c.fault;
      if (want.back() == u'=') {
        // The store handle in eight hexadecimal digits.
        EXPECT_EQ(panel.size(), want.size() + 8);
      }
      EXPECT_TRUE(s.Control(IDC_COMBO_PART).entries.empty());
      EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
    });
    EXPECT_TRUE(s.Boxes().empty());
    EXPECT_TRUE(s.sim.Calls("IOCTL_DISK_READ").empty());
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
  }
}

TEST(PartitionListing, AtMostFourPartitionsAreListed) {
  for (int count : {1, 4, 5, 6}) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].partitions.clear();
    for (int i = 0; i < count; ++i)
      d.stores[0].partitions.push_back({CString::FromUtf8("P" + std::to_string(i)), u"FATFS", 0x0B, 10});
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      ASSERT_TRUE(user.Click(IDC_RADIO_PART));
      EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), static_cast<size_t>(std::min(count, 4)));
      EXPECT_EQ(s.Panel(), CString(u"Please select a partition..."));
    });
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
  }
}

TEST(PartitionListing, WithoutAStoreNothingIsOpened) {
  TempDir dir;
  Session s(NandAndCard(dir));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    EXPECT_EQ(s.Panel(), CString(u"ERROR: No store is selected!"));
    EXPECT_EQ(s.Radios(), "010");
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
  });
  EXPECT_TRUE(s.sim.Calls("OpenStore").empty());
}
