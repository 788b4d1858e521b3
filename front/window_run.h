// The window front end: the dialog on the desktop, when this build has a window toolkit and a display.
#pragma once

#include <ostream>
#include <string>

#include "front/cli_options.h"
#include "storage/storage_services.h"

// Whether a window can be tried at all; `why` says what is missing.
bool WindowPossible(std::string& why);

// Runs the dialog in a window until it closes. With --trace, prints JSON Lines on `out` (the window's
// control rectangles once it is shown, panel texts, boxes, the close). Returns the exit code; when no
// window can be opened, says why on `err` and points to the command line.
int RunWindow(const CliOptions& options, StorageServices& services, std::ostream& out, std::ostream& err);

// What to say when there is no window.
inline std::string NoWindowAdvice(const std::string& why) {
  return "vorsk: " + why + ", so the dialog cannot open in a window.\n"
         "Use the command line instead, for example 'vorsk --demo list' or 'vorsk --demo dump --store DSK1:'"
         " (see 'vorsk --help').\n";
}
