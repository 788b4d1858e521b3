// Image file names: the device name without ':' and a suffix naming the copied byte range.
#pragma once

#include <cstdint>

#include "toolkit/cstring.h"

// A name part that is safe inside one folder: every path separator, control character and character a
// FAT name cannot hold becomes '_', and a part made only of dots becomes "_". Plain names are unchanged.
CString SafeNamePart(const CString& part);

// Byte counts are exact (64-bit) and printed unsigned.
CString FullImageName(const CString& base, std::uint64_t storeBytes);
CString PartitionImageName(const CString& base, const CString& partition, std::uint64_t partitionBytes);
CString HiddenImageName(const CString& base, std::uint64_t offsetBytes, std::uint64_t lengthBytes);
