// Mapping between the dialog's folder texts and host paths, and the choice of a store's folder.
#include "platform/linux/host_folders.h"

#include <algorithm>

std::string FolderFromPath(const std::string& path) {
  if (path.find('\\') != std::string::npos) return {};
  std::string folder = path;
  while (!folder.empty() && folder.front() == '/') folder.erase(folder.begin());
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  std::replace(folder.begin(), folder.end(), '/', '\\');
  return folder;
}

std::string PathFromFolder(const std::string& folder) {
  std::string path = folder;
  std::replace(path.begin(), path.end(), '\\', '/');
  while (!path.empty() && path.front() == '/') path.erase(path.begin());
  return "/" + path;
}

std::string ChooseStoreFolder(const std::vector<dev_t>& devnos, const std::vector<MountEntry>& mounts,
                              const std::string& home, dev_t homeDev,
                              const std::function<std::uint64_t(const std::string&)>& freeBytes) {
  std::string best;
  std::uint64_t bestFree = 0;
  for (const MountEntry& m : mounts) {
    if (m.root != "/" || std::find(devnos.begin(), devnos.end(), m.devno) == devnos.end()) continue;
    std::string candidate = m.mountPoint;
    if (candidate == "/") {
      if (home.empty() || home == "/" || homeDev != m.devno) continue;
      candidate = home;
    }
    if (FolderFromPath(candidate).empty()) continue;
    if (candidate == best) continue;
    const std::uint64_t free = freeBytes(candidate);
    if (best.empty() || free > bestFree) {
      best = candidate;
      bestFree = free;
    }
  }
  return best;
}
