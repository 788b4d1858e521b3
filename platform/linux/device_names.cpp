// Device names that fit the store record, and partition names in the kernel's manner.
#include "platform/linux/device_names.h"

#include <algorithm>
#include <cctype>

namespace {

// The next "<prefix><n>" that nobody has taken yet.
std::string NextFree(const std::string& prefix, unsigned& n, const std::vector<std::string>& taken) {
  for (;; ++n) {
    std::string name = prefix + std::to_string(n);
    if (std::find(taken.begin(), taken.end(), name) == taken.end()) {
      ++n;
      return name;
    }
  }
}

}  // namespace

std::vector<std::string> AssignDeviceNames(const std::vector<std::string>& kernelNames, size_t imageCount) {
  std::vector<std::string> taken = kernelNames;  // an alias never shadows a real kernel name
  std::vector<std::string> names;
  unsigned disk = 0, image = 0;
  for (const std::string& k : kernelNames) {
    names.push_back(!k.empty() && k.size() <= kMaxDeviceName ? k : NextFree("disk", disk, taken));
    taken.push_back(names.back());
  }
  for (size_t i = 0; i < imageCount; ++i) {
    names.push_back(NextFree("img", image, taken));
    taken.push_back(names.back());
  }
  return names;
}

std::string PartitionName(const std::string& device, unsigned number) {
  const bool endsInDigit = !device.empty() && std::isdigit(static_cast<unsigned char>(device.back()));
  return device + (endsInDigit ? "p" : "") + std::to_string(number);
}
