// The copy's block size: the largest power of two from 512 bytes to 8 MiB that divides the range.
#pragma once

#include <cstdint>

#include "storage/records.h"

inline constexpr DWORD kMinBlock = 512;
inline constexpr DWORD kMaxBlock = 8u << 20;

// 0 when 512 does not divide `totalBytes`; a total of 0 gives 8 MiB.
DWORD ChooseBlockSize(std::uint64_t totalBytes);
