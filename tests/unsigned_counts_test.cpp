// Counts from 2^31 up (sectors, hidden runs, MB of a folder) read as the positive numbers they are.
#include <gtest/gtest.h>

#include "tests/session.h"

namespace {

TEST(UnsignedCounts, CountsFrom2To31ArePrintedWhole) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = 0x80000000;
  d.stores[0].bootRecord = {{0x0B, 0x80000000, 10}};
  d.stores[0].partitionCount = 1;
  d.folders[u"Storage Card"].freeBytes = std::uint64_t{0x80000000} * 1000000;
  d.folders[u"Storage Card"].totalBytes = ~std::uint64_t{0};
  Session s(d);
  std::vector<CString> panels;
  s.Run([&](HeadlessUser& u) {
    panels.push_back(s.Panel());
    u.SelectText(IDC_COMBO_STORE, u"DSK1:");
    panels.push_back(s.Panel());
    u.Click(IDC_RADIO_FULL);
    panels.push_back(s.Panel());
    u.Click(IDC_RADIO_HIDDEN);
    panels.push_back(s.Panel());
    u.SelectText(IDC_COMBO_STORE, u"DSK2:");
    panels.push_back(s.Panel());
  });
  ASSERT_EQ(panels.size(), 5u);
  EXPECT_NE(panels[0].str().find(u"\\Storage Card\t\t18446744073709MB, 2147483648MB free\n"), std::u16string::npos)
      << panels[0];
  EXPECT_NE(panels[1].str().find(u"0x80000000 (2147483648.) sectors\n"), std::u16string::npos) << panels[1];
  EXPECT_NE(panels[2].str().find(u"No. of sectors:\t0x80000000(2147483648.)\n"), std::u16string::npos) << panels[2];
  EXPECT_EQ(panels[3], CString(u"Part00: 0x80000000(2147483648.) hidden sectors.\n"));
  EXPECT_NE(panels[4].str().find(u"18446744073709MB total, 2147483648MB free\n"), std::u16string::npos) << panels[4];
}

}  // namespace
