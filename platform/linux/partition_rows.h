// The partition list of a store: one row per slot of the boot record's table, in the table's order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/host_store.h"

// The rows of a store named `device` with `bytesPerSector`-byte sectors.
// With its sector 0 (`sector0`, at least 512 bytes, signature 0x55AA at 510): one row per table entry
// up to the last entry in use, so that row i always describes entry i; an unused entry in between is a
// row of 0 sectors. Without a readable sector 0, or without the signature: the kernel's partitions
// numbered 1 to 4 (the table's slots), with a row of 0 sectors for a missing number.
// File system names are left empty (they need the store's contents).
std::vector<HostPartition> PartitionRows(const std::string& device, std::uint32_t bytesPerSector,
                                         const std::optional<std::vector<std::uint8_t>>& sector0,
                                         const std::vector<KernelPartition>& kernel);
