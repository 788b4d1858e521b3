// Partition rows from the boot record's table, or from the kernel's primary partitions.
#include "platform/linux/partition_rows.h"

#include "platform/linux/device_names.h"
#include "storage/boot_record.h"

std::vector<HostPartition> PartitionRows(const std::string& device, std::uint32_t bytesPerSector,
                                         const std::optional<std::vector<std::uint8_t>>& sector0,
                                         const std::vector<KernelPartition>& kernel) {
  std::vector<HostPartition> rows;
  if (sector0 && sector0->size() >= 512 && (*sector0)[510] == 0x55 && (*sector0)[511] == 0xAA) {
    int used = 0;
    BootEntry entries[kBootEntries];
    for (int i = 0; i < kBootEntries; ++i) {
      entries[i] = ParseBootEntry(sector0->data(), i);
      if (entries[i].type != 0 || entries[i].sectors != 0) used = i + 1;
    }
    for (int i = 0; i < used; ++i) {
      HostPartition p;
      p.name = PartitionName(device, static_cast<unsigned>(i + 1));
      p.type = static_cast<std::uint8_t>(entries[i].type);
      p.start = entries[i].start;
      p.sectors = entries[i].sectors;
      rows.push_back(p);
    }
    return rows;
  }
  // Without the table the kernel's numbers stand for its slots; sysfs counts 512-byte units.
  const std::uint64_t per512 = bytesPerSector >= 512 ? bytesPerSector / 512 : 1;
  unsigned highest = 0;
  for (const KernelPartition& k : kernel) {
    if (k.number >= 1 && k.number <= 4 && k.number > highest) highest = k.number;
  }
  for (unsigned n = 1; n <= highest; ++n) {
    HostPartition p;
    p.name = PartitionName(device, n);
    for (const KernelPartition& k : kernel) {
      if (k.number == n) {
        p.start = k.start / per512;
        p.sectors = k.size / per512;
      }
    }
    rows.push_back(p);
  }
  return rows;
}
