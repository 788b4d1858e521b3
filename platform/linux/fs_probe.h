// The name of the file system in a range of an open store, as libblkid recognises it.
#pragma once

#include <cstdint>
#include <string>

// "ext4", "vfat", ...; empty when nothing is recognised or the range cannot be read.
std::string ProbeFileSystem(int fd, std::uint64_t offset, std::uint64_t length);
