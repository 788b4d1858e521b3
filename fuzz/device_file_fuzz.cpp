// Fuzz target: the device-file reader on arbitrary text. It must accept or refuse with a reason, never
// crash, throw or create anything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sim/device_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SimDevice device;
  std::string error;
  const bool ok = ParseDeviceFile(text, "/nonexistent-vorsk-fuzz", "fuzz.json", device, error, false);
  if (!ok && error.empty()) __builtin_trap();  // a refusal always says why
  if (ok) {
    for (const SimStore& s : device.stores) {
      if (s.bootRecord.size() > 4) __builtin_trap();
    }
    for (const SimFault& f : device.faults) {
      if (f.call == 0) __builtin_trap();
    }
  }
  return 0;
}
