// Hidden regions: the search over boot-record entries, and Hidden mode as the user sees it.
#include <gtest/gtest.h>

#include "session.h"
#include "storage/hidden_regions.h"

TEST(HiddenRegions, Search) {
  struct Region {
    int row;
    DWORD start, sectors;
    bool operator==(const Region&) const = default;
  };
  struct Case {
    const char* what;
    std::vector<std::pair<DWORD, DWORD>> entries;  // start, count
    std::vector<Region> want;
  } cases[] = {
      {"no entries", {}, {}},
      {"packed from sector 1", {{1, 100}, {101, 50}}, {}},
      {"boot loader in front of entry 0", {{63, 100}}, {{0, 0, 63}}},
      {"and a gap in front of entry 1", {{63, 100}, {200, 10}}, {{0, 0, 63}, {1, 162, 38}}},
      {"an empty entry is skipped", {{63, 100}, {0, 0}, {200, 10}}, {{0, 0, 63}, {2, 162, 38}}},
      {"an entry below the expected sector is none", {{1, 100}, {50, 10}}, {}},
      {"overlap does not move the end back", {{1, 1000}, {10, 5}, {1001, 5}}, {}},
      {"out of order", {{1000, 100}, {1, 999}}, {{0, 0, 1000}}},
      {"an end past 2^32 does not wrap", {{0xFFFFFF00u, 0x200}, {0x100, 5}}, {{0, 0, 0xFFFFFF00u}}},
      {"all ones", {{0xFFFFFFFFu, 0xFFFFFFFFu}, {0xFFFFFFFFu, 0xFFFFFFFFu}}, {{0, 0, 0xFFFFFFFFu}}},
      {"entry at sector 0", {{0, 10}, {20, 5}}, {{1, 9, 11}}},
  };
  for (const Case& c : cases) {
    std::vector<DWORD> starts, counts;
    for (auto [start, count] : c.entries) starts.push_back(start), counts.push_back(count);
    std::vector<Region> got;
    for (const HiddenRegion& r : FindHiddenRegions(starts.data(), counts.data(), static_cast<int>(starts.size())))
      got.push_back({r.row, r.start, r.sectors});
    EXPECT_EQ(got, c.want) << c.what;
  }
}

namespace {
SimDevice WithEntries(const TempDir& dir, std::vector<BootEntry> entries) {
  SimDevice d = NandAndCard(dir);
  d.stores[0].bootRecord = std::move(entries);
  d.stores[0].partitionCount = static_cast<DWORD>(d.stores[0].bootRecord.size());
  return d;
}
}  // namespace

TEST(HiddenRegions, ListsEveryRegionAndKeepsTheLast) {
  TempDir dir;
  Session s(WithEntries(dir, {{0x0B, 63, 100}, {0x0B, 200, 0x800}}));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    EXPECT_EQ(s.Panel(), CString(u"Part00: 0x3F(63.) hidden sectors.\nPart01: 0x26(38.) hidden sectors.\n"));
    EXPECT_TRUE(s.Enabled(IDC_BUTTON_SAVE));
    EXPECT_EQ(s.Radios(), "001");
    EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
    EXPECT_EQ(Session::Dialog().m_hiddenStart, 162u);
    EXPECT_EQ(Session::Dialog().m_hiddenSectors, 38u);
  });
}

TEST(HiddenRegions, AfterAPartitionWasChosenEveryLineNamesIt) {
  TempDir dir;
  Session s(WithEntries(dir, {{0x0B, 63, 100}, {0x0B, 200, 0x800}}));
  s.Run([&](HeadlessUser& user) {
    ChoosePartition(user, 0, 1);
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    EXPECT_EQ(s.Panel(),
              CString(u"Partition Part01: 0x3F(63) hidden sectrs.\nPartition Part01: 0x26(38) hidden sectrs.\n"));
    EXPECT_FALSE(s.Visible(IDC_COMBO_PART));
    EXPECT_FALSE(s.Visible(IDC_LABEL_PART));
  });
}

TEST(HiddenRegions, NoRegionDisablesSaveAndKeepsThePreviousRange) {
  for (auto entries : {std::vector<BootEntry>{}, std::vector<BootEntry>{{0x0B, 1, 100}, {0x0B, 101, 10}}}) {
    TempDir dir;
    SimDevice d = WithEntries(dir, entries);
    d.stores[1].bootRecord = {{0x0B, 8, 100}};
    d.stores[1].partitionCount = 1;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 1));
      ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));  // DSK2: has 8 sectors in front of its partition
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
      EXPECT_EQ(s.Panel(), CString(u"Store does not have reserved sectors"));
      EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));
      EXPECT_EQ(Session::Dialog().m_hiddenStart, 0u);
      EXPECT_EQ(Session::Dialog().m_hiddenSectors, 8u);
    });
  }
}

TEST(HiddenRegions, AFailedBootRecordDisablesSaveAndKeepsTheRange) {
  TempDir dir;
  SimDevice d = WithEntries(dir, {{0x0B, 63, 100}});
  d.faults = {{"IOCTL_DISK_READ", 1, ERROR_CRC}};
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    EXPECT_EQ(s.Panel(), CString(u"ERROR: IOCTL_DISK_READ failed"));
    EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE));  // no range of this store is known: nothing to save
    EXPECT_EQ(Session::Dialog().m_hiddenSectors, 0u);
  });
  EXPECT_EQ(s.Boxes().size(), 1u);
}
