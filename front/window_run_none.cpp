// The window front end of a build without a window toolkit: it says so and points to the command line.
#include "front/headless_run.h"
#include "front/window_run.h"

bool WindowPossible(std::string& why) {
  why = "this build has no window toolkit";
  return false;
}

int RunWindow(const CliOptions&, StorageServices&, std::ostream&, std::ostream& err) {
  std::string why;
  WindowPossible(why);
  err << NoWindowAdvice(why);
  return kExitUsage;
}
