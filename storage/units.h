// Byte arithmetic shared by the summary, the selection texts and the space check.
#pragma once

#include <cstdint>

#include "storage/records.h"

// MB are 1,000,000 bytes: the remainder is dropped. Texts print the whole quotient, unsigned.
inline std::uint64_t ToMB(std::uint64_t bytes) { return bytes / 1000000u; }

// A sector size that the one-sector buffer and the copy engine handle: a power of two, 512 to 4096.
inline bool IsSupportedSectorSize(DWORD bytes) {
  return bytes >= 512 && bytes <= 4096 && (bytes & (bytes - 1)) == 0;
}
