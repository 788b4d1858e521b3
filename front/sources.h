// The system services behind a source option: the demo device, a device file, or this machine.
#pragma once

#include <memory>
#include <string>

#include "front/cli_options.h"
#include "storage/storage_services.h"

// Builds the services for `options`; nullptr with `error` when the source cannot be had
// (a bad device file, a host backend that cannot start).
std::unique_ptr<StorageServices> MakeServices(const CliOptions& options, std::string& error);
