// The partition table of a master boot record: four 16-byte entries from byte 446 of sector 0.
#pragma once

#include <cstdint>

#include "storage/records.h"

inline constexpr int kBootEntryOffset = 446;
inline constexpr int kBootEntrySize = 16;
inline constexpr int kBootEntries = 4;

struct BootEntry {
  DWORD type;     // partition type byte, zero-extended
  DWORD start;    // first sector
  DWORD sectors;  // sector count
};

// Entry `index` (0..3) of the boot record in `sector`, which holds at least 512 bytes.
// No signature or plausibility check: whatever the bytes say.
BootEntry ParseBootEntry(const BYTE* sector, int index);

// Writes entry `index` into a sector buffer (for building devices and test fixtures).
void WriteBootEntry(BYTE* sector, int index, const BootEntry& entry);
