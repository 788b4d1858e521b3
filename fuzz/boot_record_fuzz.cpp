// Fuzz target: an arbitrary sector 0 parsed into boot-record entries and searched for hidden regions.
// Input: one byte of partition count, then the sector's bytes (padded with zeros to 512).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "storage/boot_record.h"
#include "storage/hidden_regions.h"

namespace {
void Require(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int rows = std::min(data[0] % 8, kBootEntries);
  BYTE sector[512] = {};
  std::memcpy(sector, data + 1, std::min<std::size_t>(size - 1, sizeof(sector)));

  DWORD starts[kBootEntries] = {};
  DWORD counts[kBootEntries] = {};
  for (int i = 0; i < rows; ++i) {
    const BootEntry e = ParseBootEntry(sector, i);
    Require(e.type <= 0xFF);
    starts[i] = e.start;
    counts[i] = e.sectors;
  }
  const std::vector<HiddenRegion> regions = FindHiddenRegions(starts, counts, rows);

  // Every region lies in front of its own entry, ends exactly where that entry starts, holds at least one
  // sector, covers no sector of an earlier non-empty entry, and the regions come in table order.
  int lastRow = -1;
  for (const HiddenRegion& r : regions) {
    Require(r.row > lastRow && r.row < rows);
    lastRow = r.row;
    Require(counts[r.row] != 0);
    Require(r.sectors >= 1);
    Require(std::uint64_t{r.start} + r.sectors == starts[r.row]);
    for (int i = 0; i < r.row; ++i) {
      if (counts[i] == 0) continue;
      const std::uint64_t end = std::uint64_t{starts[i]} + counts[i];
      // The region begins on the last sector of the furthest entry before it (the format's one-sector
      // overlap) and no earlier.
      Require(std::uint64_t{r.start} + 1 >= end);
    }
  }
  return 0;
}
