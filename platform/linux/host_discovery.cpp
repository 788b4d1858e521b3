// Store discovery on the host: sysfs devices and image files, their boot records, mounts and folders.
#include "platform/linux/host_discovery.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/linux/device_names.h"
#include "platform/linux/fs_probe.h"
#include "platform/linux/host_folders.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/partition_rows.h"
#include "platform/linux/sysfs_scan.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An image named on the command line: a regular file (512-byte sectors) or a block device.
bool DescribeImage(const std::string& path, HostStore& s, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "--image " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  std::uint64_t bytes = 0;
  std::uint32_t sectorSize = 512;
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && S_ISREG(st.st_mode)) {
    bytes = static_cast<std::uint64_t>(st.st_size);
  } else if (ok && S_ISBLK(st.st_mode)) {
    int logical = 0;
    ok = ::ioctl(fd, BLKGETSIZE64, &bytes) == 0 && ::ioctl(fd, BLKSSZGET, &logical) == 0 && logical >= 512;
    sectorSize = ok ? static_cast<std::uint32_t>(logical) : 512;
  } else {
    ok = false;
  }
  ::close(fd);
  if (!ok) {
    error = "--image " + path + ": not a disk image file or block device";
    return false;
  }
  if (bytes / sectorSize == 0) {
    error = "--image " + path + ": holds no whole sector";
    return false;
  }
  s.isImage = true;
  s.path = path;
  s.storeName = BaseName(path);
  s.bytesPerSector = sectorSize;
  s.sectors = bytes / sectorSize;  // a partial last sector is no sector
  return true;
}

bool IsContainer(std::uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

// Sector 0 and the partition rows, with their file systems where the store can be read.
void ReadPartitions(HostStore& s) {
  std::optional<std::vector<std::uint8_t>> sector0;
  const int fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0 && s.bytesPerSector >= 512 && s.bytesPerSector <= (1u << 16)) {
    std::vector<std::uint8_t> buffer(s.bytesPerSector);
    if (::pread(fd, buffer.data(), buffer.size(), 0) == static_cast<ssize_t>(buffer.size())) sector0 = buffer;
  }
  s.partitions = PartitionRows(s.device, s.bytesPerSector, sector0, s.kernelPartitions);
  for (HostPartition& p : s.partitions) {
    if (fd < 0 || p.sectors == 0 || p.type == 0 || IsContainer(p.type)) continue;
    if (p.start + p.sectors > s.sectors) continue;  // a table that points past the store's end
    p.fileSystem = ProbeFileSystem(fd, p.start * s.bytesPerSector, p.sectors * s.bytesPerSector);
  }
  if (fd >= 0) ::close(fd);
}

std::uint64_t FreeBytes(const std::string& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return 0;
  return std::uint64_t{st.f_bavail} * st.f_frsize;
}

std::vector<dev_t> DevNumbers(const HostStore& s) {
  std::vector<dev_t> devnos;
  if (s.devno) devnos.push_back(s.devno);
  for (const KernelPartition& k : s.kernelPartitions) {
    if (k.devno) devnos.push_back(k.devno);
  }
  return devnos;
}

// Each --dest becomes the folder of the store that holds its file system, or else of the first store
// without a folder.
bool PlaceDestinations(const std::vector<std::string>& dests, std::vector<HostStore>& stores, std::string& error) {
  for (const std::string& dest : dests) {
    char* resolved = ::realpath(dest.c_str(), nullptr);
    if (!resolved) {
      error = "--dest " + dest + ": " + std::strerror(errno);
      return false;
    }
    const std::string path = resolved;
    std::free(resolved);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      error = "--dest " + dest + ": not a directory";
      return false;
    }
    if (FolderFromPath(path).empty()) {
      error = "--dest " + dest + ": cannot be a folder (it is '/' or its path holds a '\\')";
      return false;
    }
    HostStore* owner = nullptr;
    for (HostStore& s : stores) {
      const std::vector<dev_t> devnos = DevNumbers(s);
      if (std::find(devnos.begin(), devnos.end(), st.st_dev) != devnos.end()) owner = &s;
    }
    if (!owner) {
      for (HostStore& s : stores) {
        if (s.folder.empty()) {
          owner = &s;
          break;
        }
      }
    }
    if (!owner) {
      error = "--dest " + dest + ": its file system belongs to no store, and every store has a folder";
      return false;
    }
    owner->folder = FolderFromPath(path);
  }
  return true;
}

}  // namespace

std::optional<std::vector<HostStore>> DiscoverStores(const HostOptions& options, std::string& error) {
  std::vector<HostStore> devices = ScanBlockDevices(options.sysfsRoot, options.devRoot);
  if (!options.onlyDevices.empty()) {
    std::erase_if(devices, [&](const HostStore& s) {
      return std::find(options.onlyDevices.begin(), options.onlyDevices.end(), s.kernelName) ==
             options.onlyDevices.end();
    });
  }
  std::sort(devices.begin(), devices.end(), [](const HostStore& a, const HostStore& b) {
    if (a.isLoop != b.isLoop) return b.isLoop;
    return NaturalLess(a.kernelName, b.kernelName);
  });

  std::vector<HostStore> images;
  for (const std::string& path : options.images) {
    HostStore s;
    if (!DescribeImage(path, s, error)) return std::nullopt;
    images.push_back(std::move(s));
  }

  std::vector<std::string> kernelNames;
  for (const HostStore& d : devices) kernelNames.push_back(d.kernelName);
  const std::vector<std::string> names = AssignDeviceNames(kernelNames, images.size());
  for (size_t i = 0; i < devices.size(); ++i) devices[i].device = names[i];
  for (size_t i = 0; i < images.size(); ++i) images[i].device = names[devices.size() + i];

  std::vector<HostStore> stores;
  const auto firstLoop = std::find_if(devices.begin(), devices.end(), [](const HostStore& s) { return s.isLoop; });
  stores.insert(stores.end(), devices.begin(), firstLoop);
  stores.insert(stores.end(), images.begin(), images.end());
  stores.insert(stores.end(), firstLoop, devices.end());

  const std::vector<MountEntry> mounts = ParseMountInfo(ReadText(options.mountInfo));
  const char* envHome = std::getenv("HOME");
  const std::string home = options.home ? *options.home : envHome ? envHome : "";
  struct stat homeStat {};
  const dev_t homeDev = !home.empty() && ::stat(home.c_str(), &homeStat) == 0 ? homeStat.st_dev : 0;
  for (HostStore& s : stores) {
    ReadPartitions(s);
    if (!s.isImage) s.folder = FolderFromPath(ChooseStoreFolder(DevNumbers(s), mounts, home, homeDev, FreeBytes));
  }
  if (!PlaceDestinations(options.dests, stores, error)) return std::nullopt;
  return stores;
}
