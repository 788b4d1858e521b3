// Runs the dialog headlessly as a scripted user and prints what the user sees.
#pragma once

#include <ostream>

#include "front/cli_options.h"
#include "storage/storage_services.h"

// Exit codes of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // a dump ended with errors or was refused
inline constexpr int kExitUsage = 2;   // bad usage, a bad device file, an action the dialog refused

// Runs `options.command` (List, Act or Dump) against `services`. Panel texts and boxes go to `out`
// (JSON Lines with --trace), refusals to `err`; a progress line goes to stderr when `progress` is set.
int RunHeadless(const CliOptions& options, StorageServices& services, std::ostream& out, std::ostream& err,
                bool progress);
