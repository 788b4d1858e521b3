// Load: many dumps in one process leave no handle, descriptor or allocation behind; a destination that
// fills up mid-copy is reported and keeps what was written.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "tests/session.h"

// Every allocation through operator new in this program (it has one of its own) is counted, so that a run can show that the
// dialog, the toolkit and the device give back all they took.
namespace {
std::atomic<long long> g_liveAllocations{0};
}  // namespace

// GCC takes the free() below for a mismatch with the operator new it replaces.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++g_liveAllocations;
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  --g_liveAllocations;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

std::size_t OpenDescriptors() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// A small NAND: every mode copies a few KiB.
SimDevice LoadDevice(const TempDir& dir) {
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = 0x400;
  d.stores[0].partitions = {{u"Part00", u"FATFS", 0x0B, 16}, {u"Part01", u"FATFS", 0x0B, 32}};
  d.stores[0].bootRecord = {{0x0B, 63, 16}, {0x0B, 100, 32}};
  return d;
}

// One run of the program: start, one dump in the given mode, the final box, the end.
void DumpOnce(const SimDevice& device, int mode) {
  Session s(device);
  s.Run([mode](HeadlessUser& u) {
    u.SelectText(IDC_COMBO_STORE, u"DSK1:");
    if (mode == 1) {
      u.Click(IDC_RADIO_PART);
      u.Select(IDC_COMBO_PART, 1);
    } else if (mode == 2) {
      u.Click(IDC_RADIO_HIDDEN);
    }
    u.Click(IDC_BUTTON_SAVE);
  });
  ASSERT_FALSE(s.Boxes().empty());
  EXPECT_EQ(s.Boxes().back().text, CString(u"Done"));
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
  EXPECT_EQ(s.sim.OpenBlocks(), 0u);
}

TEST(Load, TwoHundredDumpsInOneProcessLeaveNothingBehind) {
  TempDir dir;
  const SimDevice device = LoadDevice(dir);
  // The first runs settle whatever the library keeps for good (static tables, the locale).
  for (int i = 0; i < 20; ++i) DumpOnce(device, i % 3);
  const long long allocations = g_liveAllocations.load();
  const std::size_t descriptors = OpenDescriptors();
  for (int i = 20; i < 200; ++i) {
    DumpOnce(device, i % 3);
    if (HasFailure()) return;
  }
  EXPECT_EQ(g_liveAllocations.load(), allocations);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  // Each mode's image, replaced on every run, never appended to.
  EXPECT_EQ(std::filesystem::file_size(dir / "card/DSK1_0_524288.img"), 0x400u * 512);
  EXPECT_EQ(std::filesystem::file_size(dir / "card/DSK1_Part01_0_16384.img"), 32u * 512);
  EXPECT_EQ(std::filesystem::file_size(dir / "card/DSK1_Hidden_39936_11264.img"), 22u * 512);
}

TEST(Load, ADestinationThatFillsUpIsReportedAndKeepsWhatWasWritten) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  // A 3 MiB partition (three blocks of 1 MiB) onto a card with room for a block and a half.
  d.stores[0].sectors = 0x4000;
  d.stores[0].partitions = {{u"Part00", u"FATFS", 0x0B, 0x1800}};
  d.stores[0].bootRecord = {{0x0B, 0x100, 0x1800}};
  d.folders[u"Storage Card"].freeBytes = 1572864;
  d.folders[u"ResidentFlash"].freeBytes = 0;
  Session s(d);
  s.Run([](HeadlessUser& u) {
    u.SelectText(IDC_COMBO_STORE, u"DSK1:");
    u.Click(IDC_RADIO_PART);
    u.Select(IDC_COMBO_PART, 0);
    u.Click(IDC_BUTTON_SAVE);
  });
  ASSERT_EQ(s.Boxes().size(), 2u);
  EXPECT_EQ(s.Boxes()[0].text, CString(u"WriteFile failed with error 112: There is not enough space on the disk."));
  EXPECT_EQ(s.Boxes()[1].text, CString(u"Done with errors.\nResulting file may be compromised!"));
  // The image holds exactly what fitted: the partition's first 1.5 MiB, byte for byte.
  const std::string image = ReadFileBytes(dir / "card/DSK1_Part00_0_3145728.img");
  std::string expected(1572864, '\0');
  FillSectorPattern(0x100 * 512, reinterpret_cast<BYTE*>(expected.data()), expected.size());
  EXPECT_TRUE(image == expected) << image.size();
  EXPECT_EQ(s.sim.Calls("WriteFile").size(), 2u);  // the copy stopped at the short write
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
}

}  // namespace
