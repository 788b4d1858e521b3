// The copy's block size for byte totals of every kind.
#include <gtest/gtest.h>

#include "dump/block_size.h"

TEST(BlockSize, LargestPowerOfTwoThatDividesTheTotal) {
  struct Case {
    std::uint64_t total;
    DWORD block;
  } cases[] = {
      {0, 8u << 20},                          // a total of 0 is divided by every candidate
      {512, 512},
      {1536, 512},                            // 3 sectors
      {3u << 20, 1u << 20},                   // 3 MiB
      {134217728, 8u << 20},                  // 0x40000 sectors of 512
      {1049088, 512},                         // 2049 sectors
      {4096ull << 20, 8u << 20},              // 4 GiB: zero in 32 bits, 8 MiB either way
      {(4ull << 30) + 512, 512},
      {1ull << 40, 8u << 20},
      {100, 0},                               // not whole sectors of 512
      {513, 0},
      {0xFFFFFFFFFFFFFE00ull, 512},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseBlockSize(c.total), c.block) << c.total;
}
