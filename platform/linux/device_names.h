// Short device names: the store record holds 7 characters, so long kernel names get an alias.
#pragma once

#include <string>
#include <vector>

inline constexpr size_t kMaxDeviceName = 7;  // the record's 8 UTF-16 units less the terminator

// The device names for `kernelNames` (in order), then `imageCount` names for image files. A kernel name
// of up to 7 characters is kept ("sda", "nvme0n1"); a longer one becomes "disk0", "disk1", ...; images
// are "img0", "img1", .... No two names are equal, and none is a kernel name of another device.
std::vector<std::string> AssignDeviceNames(const std::vector<std::string>& kernelNames, size_t imageCount);

// The kernel's way of naming partition `number` of `device`: "sda" 1 -> "sda1", "loop3" 1 -> "loop3p1".
std::string PartitionName(const std::string& device, unsigned number);
