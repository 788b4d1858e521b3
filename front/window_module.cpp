// The entry points of the window module: the window front end behind two C names that vorsk looks up at run time.
#include "front/window_module.h"

#include "front/window_run.h"

extern "C" {

__attribute__((visibility("default"))) int VorskWindowPossible(std::string* why) { return WindowPossible(*why); }

__attribute__((visibility("default"))) int VorskRunWindow(const CliOptions* options, StorageServices* services,
                                                          std::ostream* out, std::ostream* err) {
  return RunWindow(*options, *services, *out, *err);
}

}  // extern "C"
