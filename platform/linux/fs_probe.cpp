// File system recognition with libblkid's superblock probing, on a range of a store's descriptor.
#include "platform/linux/fs_probe.h"

#include <blkid/blkid.h>

std::string ProbeFileSystem(int fd, std::uint64_t offset, std::uint64_t length) {
  if (fd < 0 || length == 0 || offset > INT64_MAX || length > INT64_MAX) return {};
  blkid_probe probe = blkid_new_probe();
  if (!probe) return {};
  std::string type;
  if (blkid_probe_set_device(probe, fd, static_cast<blkid_loff_t>(offset), static_cast<blkid_loff_t>(length)) == 0) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE);
    blkid_probe_enable_partitions(probe, 0);
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 && value)
      type = value;
  }
  blkid_free_probe(probe);
  return type;
}
