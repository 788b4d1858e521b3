// The boot record: entry parsing, and ReadBootRecord's reads, failures and bounds as the user meets them.
#include <gtest/gtest.h>

#include <cstring>

#include "session.h"
#include "storage/boot_record.h"
#include "toolkit/wide_format.h"

TEST(BootRecord, EntriesAreTakenAsTheyStand) {
  BYTE sector[512];
  struct Case {
    int fill;
    int index;
    BootEntry want;
  } cases[] = {
      {0x00, 0, {0, 0, 0}},                            // all-zero entry
      {0xFF, 3, {0xFF, 0xFFFFFFFF, 0xFFFFFFFF}},       // erased flash: no signature check
  };
  for (const Case& c : cases) {
    std::memset(sector, c.fill, sizeof sector);
    const BootEntry e = ParseBootEntry(sector, c.index);
    EXPECT_EQ(e.type, c.want.type);
    EXPECT_EQ(e.start, c.want.start);
    EXPECT_EQ(e.sectors, c.want.sectors);
  }
  std::memset(sector, 0, sizeof sector);
  const BYTE entry1[16] = {0x80, 1, 2, 3, 0x0C, 5, 6, 7, 0x3F, 0x00, 0x01, 0x02, 0x78, 0x56, 0x34, 0x12};
  std::memcpy(sector + 446 + 16, entry1, 16);
  const BootEntry e = ParseBootEntry(sector, 1);
  EXPECT_EQ(e.type, 0x0Cu);
  EXPECT_EQ(e.start, 0x0201003Fu);  // little-endian
  EXPECT_EQ(e.sectors, 0x12345678u);
}

namespace {

// Selects DSK1: and clicks Hidden, which reads the boot record.
void ReadViaHidden(Session& s) {
  s.Run([&](HeadlessUser& user) {
    ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
    ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
  });
}

}  // namespace

TEST(BootRecord, ReadsSectorZeroOfTheSelectedStoreWithItsSectorSize) {
  for (DWORD sectorSize : {512u, 1024u, 2048u, 4096u}) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].bytesPerSector = sectorSize;
    Session s(std::move(d));
    ReadViaHidden(s);
    const auto reads = s.sim.Calls("IOCTL_DISK_READ");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].args, "start=0 count=1 len=" + std::to_string(sectorSize));
    EXPECT_TRUE(s.Boxes().empty());
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
  }
}

TEST(BootRecord, FailuresShowTheBoxThenThePanelText) {
  struct Case {
    const char* op;
    DWORD error;
    const char16_t* box;
    const char16_t* panel;  // nullptr: the panel keeps the store summary
  } cases[] = {
      {"OpenStore", ERROR_ACCESS_DENIED, u"OpenStore failed with error 5: Access is denied.", nullptr},
      {"IOCTL_DISK_GETINFO", ERROR_NOT_READY, u"IOCTL_DISK_GETINFO failed with error 21: The device is not ready.",
       u"ERROR: Cannot get DiskInfo from store"},
      {"IOCTL_DISK_READ", ERROR_CRC, u"IOCTL_DISK_READ failed with error 23: Data error (cyclic redundancy check).",
       u"ERROR: IOCTL_DISK_READ failed"},
      {"IOCTL_DISK_READ", 77777, u"IOCTL_DISK_READ failed with error 77777: ", u"ERROR: IOCTL_DISK_READ failed"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.faults = {{c.op, 1, c.error}};
    Session s(std::move(d));
    CString summary;
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      summary = s.Panel();
      ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    });
    ASSERT_EQ(s.Boxes().size(), 1u) << c.op;
    EXPECT_EQ(s.Boxes()[0].text, CString(c.box));
    EXPECT_EQ(s.Boxes()[0].caption, CString(u"Error"));
    EXPECT_EQ(s.Boxes()[0].flags, 0u);
    EXPECT_EQ(s.Panel(), c.panel ? CString(c.panel) : summary);
    EXPECT_EQ(s.sim.OpenHandles(), 0u) << c.op;
  }
}

TEST(BootRecord, SectorSizesTheBufferCannotTakeAreRefused) {
  for (DWORD sectorSize : {0u, 1u, 256u, 511u, 520u, 3000u, 4097u, 8192u}) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].bytesPerSector = sectorSize;
    Session s(std::move(d));
    ReadViaHidden(s);
    EXPECT_EQ(s.Panel(), Format(u"ERROR: Unsupported sector size %d", sectorSize));
    EXPECT_TRUE(s.sim.Calls("IOCTL_DISK_READ").empty()) << sectorSize;
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
  }
}

TEST(BootRecord, PartitionCountDecidesHowManyEntriesAreParsed) {
  struct Case {
    DWORD reported;
    int rowsFilled;
  } cases[] = {{0, 0}, {1, 1}, {4, 4}, {6, 4}, {0xFFFFFFFF, 4}};
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].partitionCount = c.reported;
    d.stores[0].bootRecord = {{1, 10, 5}, {2, 20, 5}, {3, 30, 5}, {4, 40, 5}};
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      ASSERT_TRUE(user.Select(IDC_COMBO_STORE, 0));
      ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
      CDumpDlg& dlg = Session::Dialog();
      for (int i = 0; i < kMaxPartitions; ++i) {
        const bool filled = i < c.rowsFilled;
        EXPECT_EQ(dlg.m_partType[i], filled ? DWORD(i + 1) : 0u) << c.reported << " row " << i;
        EXPECT_EQ(dlg.m_partStart[i], filled ? DWORD(10 * (i + 1)) : 0u);
        EXPECT_EQ(dlg.m_mbrSectors[i], filled ? 5u : 0u);
      }
    });
  }
}
