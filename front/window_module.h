// The window module's two entry points: vorsk loads the window toolkit only when a window is wanted, so that
// the command line starts fast and small.
#pragma once

#include <ostream>
#include <string>

#include "front/cli_options.h"
#include "storage/storage_services.h"

// The module's file name; it lies beside the vorsk executable.
inline constexpr const char* kWindowModuleFile = "libvorsk_window.so";

extern "C" {
using WindowPossibleEntry = int (*)(std::string* why);
using RunWindowEntry = int (*)(const CliOptions* options, StorageServices* services, std::ostream* out,
                               std::ostream* err);
}
