// The copy engine: blocks and reads, memory check, opening the source, failures and what stays on disk.
#include <gtest/gtest.h>

#include <algorithm>

#include "session.h"

namespace {

// DSK1: with one partition of `sectors` sectors from sector 64; the card receives the images.
SimDevice OnePartition(const TempDir& dir, std::uint64_t sectors, std::uint64_t storeSectors = 0x40000) {
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = storeSectors;
  d.stores[0].partitions = {{u"Part00", u"FATFS", 0x0B, sectors}};
  d.stores[0].bootRecord = {{0x0B, 64, static_cast<DWORD>(sectors)}};
  return d;
}

std::string CardFile(const TempDir& dir, const std::string& name) { return ReadFileBytes(dir / ("card/" + name)); }

}  // namespace

TEST(DumpSectors, BlocksFollowTheRangeAndTheImageIsExact) {
  struct Case {
    std::uint64_t sectors;
    DWORD readCount;     // sectors per read
    size_t reads;
    const char16_t* bufferLine;
  } cases[] = {
      {0x1800, 0x800, 3, u"\nRead/Write buffer size: 0x100000(1.2MB)"},
      {1, 1, 1, u"\nRead/Write buffer size: 0x200(0.2MB)"},
      {3, 1, 3, u"\nRead/Write buffer size: 0x200(0.2MB)"},
      {0x4000, 0x4000, 1, u"\nRead/Write buffer size: 0x800000(8.2MB)"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = OnePartition(dir, c.sectors);
    Session s(d);
    s.Run([&](HeadlessUser& user) {
      SaveFrom(user, 0, IDC_RADIO_PART, 0);
      const std::u16string panel = s.Panel().str(), line = c.bufferLine;
      EXPECT_EQ(panel.substr(panel.size() - line.size()), line);
      EXPECT_FALSE(s.Visible(IDC_PROGRESS));  // hidden again after success
      EXPECT_EQ(s.Control(IDC_PROGRESS).rangeMax, static_cast<int>(c.sectors));
      EXPECT_EQ(s.Control(IDC_PROGRESS).pos, static_cast<int>(c.sectors - c.readCount));  // one block short
    });
    std::vector<SimCall> reads = s.sim.Calls("IOCTL_DISK_READ");
    reads.erase(reads.begin(), reads.begin() + 2);  // sector 0, read on listing and on choosing
    ASSERT_EQ(reads.size(), c.reads) << c.sectors;
    for (size_t k = 0; k < reads.size(); ++k) {
      EXPECT_EQ(reads[k].args, "start=" + std::to_string(64 + k * c.readCount) + " count=" +
                                   std::to_string(c.readCount) + " len=" + std::to_string(c.readCount * 512));
    }
    const std::string name = "DSK1_Part00_0_" + std::to_string(c.sectors * 512) + ".img";
    EXPECT_EQ(CardFile(dir, name), StoreBytes(d, 0, 64, static_cast<DWORD>(c.sectors))) << name;
    ASSERT_EQ(s.Boxes().size(), 1u);
    EXPECT_EQ(s.Boxes()[0].text, CString(u"Done"));
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
    EXPECT_EQ(s.sim.OpenBlocks(), 0u);
  }
}

TEST(DumpSectors, WholeStoreOf128MiBIsSixteenReadsOf8MiB) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  Session s(d);
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_FULL); });
  const auto reads = s.sim.Calls("IOCTL_DISK_READ");
  ASSERT_EQ(reads.size(), 16u);
  EXPECT_EQ(reads[15].args, "start=245760 count=16384 len=8388608");
  EXPECT_EQ(CardFile(dir, "DSK1_0_134217728.img"), StoreBytes(d, 0, 0, 0x40000));
}

TEST(DumpSectors, EmptyRangeStillCopiesOneBlock) {
  TempDir dir;
  Session s(OnePartition(dir, 0));
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
  const auto reads = s.sim.Calls("IOCTL_DISK_READ");
  EXPECT_EQ(reads.back().args, "start=64 count=16384 len=8388608");
  EXPECT_EQ(CardFile(dir, "DSK1_Part00_0_0.img").size(), 8u << 20);
}

TEST(DumpSectors, MemoryCheckNeedsHalfTheFreeMemoryToHoldABlock) {
  struct Case {
    DWORD availVirtual;
    bool copies;
  } cases[] = {{2 * 0x100000, true}, {2 * 0x100000 - 2, false}, {0, false}};
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = OnePartition(dir, 0x1800);  // 1 MiB blocks
    d.availVirtual = c.availVirtual;
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
    if (c.copies) {
      EXPECT_EQ(s.Boxes().back().text, CString(u"Done"));
      continue;
    }
    ASSERT_EQ(s.Boxes().size(), 2u);
    EXPECT_EQ(s.Boxes()[0].text, CString(u"Please allocate more memory"));
    EXPECT_EQ(s.Boxes()[0].caption, CString(u"LOW MEMORY"));
    EXPECT_EQ(s.Boxes()[1].text, CString(u"Done with errors.\nResulting file may be compromised!"));
    EXPECT_TRUE(s.sim.Calls("alloc").empty());
    EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
    EXPECT_EQ(s.Panel(), CString(u"Saving partition Part00 to folder Storage Card\nFile name: "
                                 u"DSK1_Part00_0_3145728.img\n\nPlease wait..."));
  }
}

TEST(DumpSectors, SourceIsOpenedByNameWhenItHasAColonAndThroughTheStoreOtherwise) {
  struct Case {
    const char16_t* device;
    const char* openOp;
    const char* openArgs;
  } cases[] = {{u"DSK1:", "CreateFile", "DSK1: read"}, {u"DSK1", "OpenStore", "DSK1"}};
  for (const Case& c : cases) {
    for (bool fail : {false, true}) {
      TempDir dir;
      SimDevice d = OnePartition(dir, 8);
      d.stores[0].device = c.device;
      // Fail the open that the copy makes: the first CreateFile, or the OpenStore after the two
      // boot-record reads and the listing.
      if (fail) d.faults = {{c.openOp, std::string(c.openOp) == "CreateFile" ? 1u : 4u, ERROR_NOT_READY}};
      Session s(std::move(d));
      s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
      const auto opens = s.sim.Calls(c.openOp);
      EXPECT_TRUE(std::any_of(opens.begin(), opens.end(), [&](const SimCall& call) { return call.args == c.openArgs; }));
      if (fail) {
        EXPECT_EQ(s.Panel(), CString(u"ERROR: Cannot open source store ") + c.device);
        ASSERT_EQ(s.Boxes().size(), 1u);
        EXPECT_EQ(s.Boxes()[0].text, CString(u"Done with errors.\nResulting file may be compromised!"));
        EXPECT_FALSE(std::filesystem::exists(dir / "card/DSK1_Part00_0_4096.img"));
      } else {
        EXPECT_EQ(s.Boxes().back().text, CString(u"Done"));
      }
      EXPECT_EQ(s.sim.OpenHandles(), 0u);
      EXPECT_EQ(s.sim.OpenBlocks(), 0u);
    }
  }
}

TEST(DumpSectors, FailuresAreReportedAndWhatWasWrittenStays) {
  struct Case {
    SimFault fault;
    const char16_t* box;
    std::uint64_t bytesLeft;  // size of the image left on disk
  } cases[] = {
      {{"IOCTL_DISK_READ", 5, ERROR_CRC}, u"IOCTL_DISK_READ failed with error 23: Data error (cyclic redundancy check).",
       2u << 20},  // block 3 of a 1 MiB-block copy: two blocks stay
      {{"WriteFile", 2, ERROR_WRITE_FAULT}, u"WriteFile failed with error 29: The system cannot write to the specified device.",
       1u << 20},
      {{"WriteFile", 3, 0, false, true}, u"WriteFile failed with error 112: There is not enough space on the disk.",
       (2u << 20) + (512u << 10)},
      {{"FlushFileBuffers", 1, ERROR_IO_DEVICE},
       u"FlushFileBuffers failed with error 1117: The request could not be performed because of an I/O device error.",
       3u << 20},
      {{"CreateFile", 2, ERROR_ACCESS_DENIED}, u"Create output file\n failed with error 5: Access is denied.", 0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = OnePartition(dir, 0x1800);
    d.faults = {c.fault};
    Session s(std::move(d));
    s.Run([&](HeadlessUser& user) {
      SaveFrom(user, 0, IDC_RADIO_PART, 0);
      EXPECT_TRUE(s.Visible(IDC_PROGRESS)) << c.fault.op;  // left as it stood
    });
    ASSERT_EQ(s.Boxes().size(), 2u) << c.fault.op;
    EXPECT_EQ(s.Boxes()[0].text, CString(c.box));
    EXPECT_EQ(s.Boxes()[0].caption, CString(u"Error"));
    EXPECT_EQ(s.Boxes()[1].text, CString(u"Done with errors.\nResulting file may be compromised!"));
    const std::string image = dir / "card/DSK1_Part00_0_3145728.img";
    if (c.bytesLeft == 0) {
      EXPECT_FALSE(std::filesystem::exists(image));
    } else {
      EXPECT_EQ(std::filesystem::file_size(image), c.bytesLeft) << c.fault.op;
    }
    EXPECT_EQ(s.sim.OpenHandles(), 0u);
    EXPECT_EQ(s.sim.OpenBlocks(), 0u);
    // Released in order: the image, then the source, then the buffer.
    std::vector<std::string> tail;
    for (const SimCall& call : s.sim.Calls())
      if (call.op == "CloseHandle" || call.op == "release") tail.push_back(call.op);
    const size_t n = c.bytesLeft ? 3 : 2;
    const std::vector<std::string> want = c.bytesLeft ? std::vector<std::string>{"CloseHandle", "CloseHandle", "release"}
                                                      : std::vector<std::string>{"CloseHandle", "release"};
    EXPECT_EQ(std::vector<std::string>(tail.end() - static_cast<long>(n), tail.end()), want);
  }
}

TEST(DumpSectors, DestinationFillingUpIsReportedAndKeepsWhatFit) {
  TempDir dir;
  SimDevice d = OnePartition(dir, 0x1800);
  d.folders[u"Storage Card"].freeBytes = (2u << 20) + 100;
  d.folders[u"ResidentFlash"].freeBytes = 1000;
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
  ASSERT_EQ(s.Boxes().size(), 2u);
  EXPECT_EQ(s.Boxes()[0].text, CString(u"WriteFile failed with error 112: There is not enough space on the disk."));
  EXPECT_EQ(std::filesystem::file_size(dir / "card/DSK1_Part00_0_3145728.img"), (2u << 20) + 100);
}

TEST(DumpSectors, AnExistingImageIsReplaced) {
  TempDir dir;
  SimDevice d = OnePartition(dir, 8);
  { std::ofstream(dir / "card/DSK1_Part00_0_4096.img") << std::string(100000, 'x'); }
  Session s(d);
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
  EXPECT_EQ(CardFile(dir, "DSK1_Part00_0_4096.img"), StoreBytes(d, 0, 64, 8));
}

TEST(DumpSectors, BufferThatCannotBeAllocatedIsLowMemory) {
  TempDir dir;
  SimDevice d = OnePartition(dir, 8);
  d.faults = {{"alloc", 1, ERROR_NOT_ENOUGH_MEMORY}};
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
  ASSERT_EQ(s.Boxes().size(), 2u);
  EXPECT_EQ(s.Boxes()[0].caption, CString(u"LOW MEMORY"));
  EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
}

TEST(DumpSectors, RangesPastTheLastAddressableSectorAreRefused) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.stores[0].bootRecord = {{0x0B, 0xFFFFFF00u, 0x200}};
  d.stores[0].partitions = {{u"Part00", u"FATFS", 0x0B, 0x200}};
  Session s(std::move(d));
  s.Run([&](HeadlessUser& user) { SaveFrom(user, 0, IDC_RADIO_PART, 0); });
  EXPECT_EQ(s.Panel(), CString(u"ERROR: Sectors 0xFFFFFF00 to 0x1000000FF cannot be addressed"));
  EXPECT_EQ(s.Boxes().back().text, CString(u"Done with errors.\nResulting file may be compromised!"));
  EXPECT_TRUE(s.sim.Calls("CreateFile").empty());
}
