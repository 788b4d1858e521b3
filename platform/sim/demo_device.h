// The built-in demo device: a NAND store with a boot record, hidden sectors and a gap; an SD card with
// the most free space; a store without a registry folder.
#pragma once

#include <string>

#include "platform/sim/sim_device.h"

// Folders are directories under `baseDir`, created when missing; the SD card's is "Storage Card".
SimDevice DemoDevice(const std::string& baseDir);
