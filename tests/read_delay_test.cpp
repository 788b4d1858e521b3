// The simulated device's read delay: the device-file key that makes a copy slow enough to watch.
#include <gtest/gtest.h>

#include "platform/sim/device_file.h"

TEST(ReadDelay, DeviceFileKeyIsReadAndChecked) {
  struct Case {
    const char* json;
    bool ok;
    DWORD delay;
    const char* errorPart;
  } cases[] = {
      {R"({})", true, 0, ""},
      {R"({"readDelayMs": 250})", true, 250, ""},
      {R"({"readDelayMs": 60000})", true, 60000, ""},
      {R"({"readDelayMs": 60001})", false, 0, "'readDelayMs' must be a whole number from 0 to 60000"},
      {R"({"readDelayMs": -1})", false, 0, "'readDelayMs'"},
      {R"({"readDelayMs": "slow"})", false, 0, "'readDelayMs'"},
  };
  for (const Case& c : cases) {
    SimDevice device;
    std::string error;
    EXPECT_EQ(ParseDeviceFile(c.json, ".", "dev.json", device, error, false), c.ok) << c.json;
    if (c.ok) {
      EXPECT_EQ(device.readDelayMs, c.delay) << c.json;
    } else {
      EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.json << ": " << error;
    }
  }
}
