// The memory the kernel says is available, from /proc/meminfo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// MemAvailable (or, from older kernels, MemFree) of a meminfo text, in bytes.
std::optional<std::uint64_t> AvailableMemory(const std::string& meminfo);
// MemTotal in bytes.
std::optional<std::uint64_t> TotalMemory(const std::string& meminfo);
// A byte count as a 32-bit field holds it: larger counts become 0xFFFFFFFF.
std::uint32_t Cap32(std::uint64_t bytes);
