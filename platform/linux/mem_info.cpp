// Reading byte figures out of /proc/meminfo.
#include "platform/linux/mem_info.h"

#include <sstream>

namespace {

std::optional<std::uint64_t> Field(const std::string& meminfo, const std::string& key) {
  std::istringstream lines(meminfo);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + ":", 0) != 0) continue;
    std::istringstream words(line.substr(key.size() + 1));
    std::uint64_t kb = 0;
    std::string unit;
    if (!(words >> kb)) return std::nullopt;
    words >> unit;
    if (unit != "kB" || kb > UINT64_MAX / 1024) return std::nullopt;
    return kb * 1024;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> AvailableMemory(const std::string& meminfo) {
  if (auto available = Field(meminfo, "MemAvailable")) return available;
  return Field(meminfo, "MemFree");
}

std::optional<std::uint64_t> TotalMemory(const std::string& meminfo) { return Field(meminfo, "MemTotal"); }

std::uint32_t Cap32(std::uint64_t bytes) {
  return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(bytes);
}
