// Device files: a simulated device described in JSON, for the command line's --sim.
#pragma once

#include <string>

#include "platform/sim/sim_device.h"

// Reads the device file at `path`. Relative paths inside it (images, folders) are taken from the file's
// folder; folder directories are created when missing. On a bad file returns false with `error` naming
// the file, the key and the reason.
bool LoadDeviceFile(const std::string& path, SimDevice& device, std::string& error);

// The same for a text already read; `baseDir` resolves relative paths, `name` names the file in errors.
// Creates no directory when `createFolders` is false.
bool ParseDeviceFile(const std::string& text, const std::string& baseDir, const std::string& name,
                     SimDevice& device, std::string& error, bool createFolders = true);
