// The kernel's list of whole block devices, read from sysfs.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/host_store.h"

// Every whole block device under `sysfsRoot`/block, with its size, logical sector size, model and
// partitions. Devices of size 0 (no medium, unused ram disks) and loop devices without a backing file
// are left out. Device nodes are named `devRoot`/<kernel name>. Unordered; nothing is opened.
std::vector<HostStore> ScanBlockDevices(const std::string& sysfsRoot, const std::string& devRoot);

// "a" < "b", with runs of digits compared as numbers: loop2 < loop10, sda < sdb.
bool NaturalLess(const std::string& a, const std::string& b);
