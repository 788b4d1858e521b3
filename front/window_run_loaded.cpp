// The window front end as vorsk sees it: loads the window module from beside the executable on first use.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "front/headless_run.h"
#include "front/window_module.h"
#include "front/window_run.h"

namespace {

struct WindowModule {
  WindowPossibleEntry possible = nullptr;
  RunWindowEntry run = nullptr;
  std::string error;  // why the module could not be loaded
};

std::string ExecutableFolder() {
  char path[PATH_MAX] = {};
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return ".";
  const std::string text(path, static_cast<size_t>(n));
  const size_t cut = text.find_last_of('/');
  return cut == std::string::npos ? "." : text.substr(0, cut);
}

// Loaded once and kept for the rest of the run: the toolkit's libraries cannot be unloaded safely.
const WindowModule& Module() {
  static const WindowModule module = [] {
    WindowModule m;
    const std::string file = ExecutableFolder() + "/" + kWindowModuleFile;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
      m.possible = reinterpret_cast<WindowPossibleEntry>(::dlsym(handle, "VorskWindowPossible"));
      m.run = reinterpret_cast<RunWindowEntry>(::dlsym(handle, "VorskRunWindow"));
    }
    if (!m.possible || !m.run) {
      const char* why = ::dlerror();
      m.error = "the window module " + file + " cannot be loaded" + (why ? std::string(" (") + why + ")" : "");
      m.possible = nullptr;
      m.run = nullptr;
    }
    return m;
  }();
  return module;
}

}  // namespace

bool WindowPossible(std::string& why) {
  const WindowModule& module = Module();
  if (!module.possible) {
    why = module.error;
    return false;
  }
  return module.possible(&why) != 0;
}

int RunWindow(const CliOptions& options, StorageServices& services, std::ostream& out, std::ostream& err) {
  const WindowModule& module = Module();
  if (!module.run) {
    err << NoWindowAdvice(module.error);
    return kExitUsage;
  }
  return module.run(&options, &services, &out, &err);
}
