// Block-size choice for the copy engine.
#include "dump/block_size.h"

DWORD ChooseBlockSize(std::uint64_t totalBytes) {
  DWORD block = 0;
  for (DWORD candidate = kMinBlock; candidate <= kMaxBlock; candidate *= 2) {
    if (totalBytes % candidate == 0) block = candidate;
  }
  return block;
}
