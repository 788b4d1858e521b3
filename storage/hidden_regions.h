// The search for hidden regions: runs of sectors in front of a partition that no entry before it covers.
#pragma once

#include <vector>

#include "storage/records.h"

struct HiddenRegion {
  int row;        // the entry the region lies in front of
  DWORD start;    // first sector: one before the first uncovered sector (sector 0 in front of entry 0)
  DWORD sectors;  // up to, not including, the entry's first sector
};

// Walks `rows` boot-record entries in table order. The expected sector starts at 1, behind the boot
// record. An entry that starts after the expected sector ends a region; an entry with a sector count of 0
// is skipped; the expected sector moves to the end of each entry and never back, so neither overlapping,
// out-of-order nor wrapping entries make a region.
std::vector<HiddenRegion> FindHiddenRegions(const DWORD* starts, const DWORD* counts, int rows);
