// What the host backend knows about one store: a block device or a disk image file, and its partitions.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A partition as the kernel lists it under /sys/block/<disk>/<part>.
struct KernelPartition {
  std::string name;          // "sda1"
  unsigned number = 0;       // the kernel's partition number (1..4: slots of the boot record's table)
  std::uint64_t start = 0;   // first sector, in 512-byte units as sysfs counts
  std::uint64_t size = 0;    // sectors, in 512-byte units
  dev_t devno = 0;           // major:minor, to find its mounts
};

// One row of the storage manager's partition list.
struct HostPartition {
  std::string name;        // "sda1", "img0p2"
  std::string fileSystem;  // "ext4", "vfat", or empty
  std::uint8_t type = 0;   // the boot record's type byte
  std::uint64_t start = 0; // first sector (store sectors)
  std::uint64_t sectors = 0;
};

struct HostStore {
  std::string kernelName;  // "sda", "loop3"; empty for an image file
  std::string device;      // the device name the dialog shows: at most 7 characters
  std::string storeName;   // the model, or the image's file name
  std::string path;        // what is opened to read: "/dev/sda" or the image file
  bool isImage = false;
  bool isLoop = false;
  dev_t devno = 0;         // 0 for an image file
  std::uint32_t bytesPerSector = 512;
  std::uint64_t sectors = 0;
  std::vector<KernelPartition> kernelPartitions;
  std::vector<HostPartition> partitions;
  std::string folder;      // the registry's "Folder" value; empty when the store has none
};
