// Reading whole block devices and their partitions from sysfs attributes.
#include "platform/linux/sysfs_scan.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The first line of an attribute file, without surrounding blanks; empty when it cannot be read.
std::string Attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  const auto first = line.find_first_not_of(" \t");
  const auto last = line.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

// A decimal attribute; `fallback` when absent or not a number.
std::uint64_t Number(const fs::path& file, std::uint64_t fallback = 0) {
  const std::string text = Attribute(file);
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return fallback;
  return std::stoull(text);
}

// "8:1" -> makedev(8, 1); 0 when malformed.
dev_t DevNumber(const fs::path& file) {
  const std::string text = Attribute(file);
  unsigned major = 0, minor = 0;
  char colon = 0;
  if (std::sscanf(text.c_str(), "%u%c%u", &major, &colon, &minor) != 3 || colon != ':') return 0;
  return makedev(major, minor);
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i])), db = std::isdigit(static_cast<unsigned char>(b[j]));
    if (da && db) {
      size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Compare as numbers without converting: strip leading zeros, then longer is larger.
      std::string_view na(a.data() + i, ei - i), nb(b.data() + j, ej - j);
      while (na.size() > 1 && na[0] == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb[0] == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei, j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i, ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<HostStore> ScanBlockDevices(const std::string& sysfsRoot, const std::string& devRoot) {
  std::vector<HostStore> stores;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(sysfsRoot) / "block", ec)) {
    const fs::path dir = entry.path();
    const std::string name = dir.filename().string();
    const std::uint64_t size512 = Number(dir / "size");
    if (size512 == 0) continue;
    if (Number(dir / "hidden") == 1) continue;  // a path of a multipath device, not a device to open
    HostStore s;
    s.kernelName = name;
    s.isLoop = name.rfind("loop", 0) == 0;
    if (s.isLoop && Attribute(dir / "loop" / "backing_file").empty()) continue;
    s.path = devRoot + "/" + name;
    s.devno = DevNumber(dir / "dev");
    const std::uint64_t logical = Number(dir / "queue" / "logical_block_size", 512);
    s.bytesPerSector = logical >= 512 && logical <= (1u << 16) ? static_cast<std::uint32_t>(logical) : 512;
    s.sectors = size512 * 512 / s.bytesPerSector;  // sysfs counts 512-byte units whatever the sector size
    s.storeName = Attribute(dir / "device" / "model");
    if (s.isLoop) s.storeName = fs::path(Attribute(dir / "loop" / "backing_file")).filename().string();
    if (s.storeName.empty()) s.storeName = name;

    for (const fs::directory_entry& sub : fs::directory_iterator(dir, ec)) {
      const fs::path part = sub.path();
      if (!fs::exists(part / "partition")) continue;
      KernelPartition p;
      p.name = part.filename().string();
      p.number = static_cast<unsigned>(Number(part / "partition"));
      p.start = Number(part / "start");
      p.size = Number(part / "size");
      p.devno = DevNumber(part / "dev");
      s.kernelPartitions.push_back(p);
    }
    std::sort(s.kernelPartitions.begin(), s.kernelPartitions.end(),
              [](const KernelPartition& a, const KernelPartition& b) { return a.number < b.number; });
    stores.push_back(std::move(s));
  }
  return stores;
}
