// vorsk: the front end. Parses the command line, picks the services and the window backend, runs.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "front/cli_options.h"
#include "front/headless_run.h"
#include "front/sources.h"
#include "front/verify.h"
#include "front/window_run.h"

#ifndef VORSK_VERSION
#define VORSK_VERSION "1.3"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CliOptions options;
  if (argc > 0 && argv[0]) {
    const std::string self = argv[0];
    const size_t slash = self.find_last_of('/');
    options.title = slash == std::string::npos ? self : self.substr(slash + 1);
  }
  std::string error;
  if (!ParseCli(args, options, error)) {
    std::cerr << "vorsk: " << error << "\n";
    return kExitUsage;
  }
  switch (options.command) {
    case CommandKind::Help:
      std::cout << UsageText();
      return kExitDone;
    case CommandKind::Version:
      std::cout << "vorsk " << VORSK_VERSION << "\n";
      return kExitDone;
    case CommandKind::None:
    case CommandKind::Gui:
      // Without a display, say so before anything else is looked at.
      if (!WindowPossible(error)) {
        std::cerr << NoWindowAdvice(error);
        return kExitUsage;
      }
      break;
    default:
      break;
  }
  auto services = MakeServices(options, error);
  if (!services) {
    std::cerr << "vorsk: " << error << "\n";
    return kExitUsage;
  }
  if (options.command == CommandKind::None || options.command == CommandKind::Gui) {
    return RunWindow(options, *services, std::cout, std::cerr);
  }
  if (options.command == CommandKind::Verify) {
    return VerifyImage(*services, options.store, options.start, options.image, std::cout);
  }
  return RunHeadless(options, *services, std::cout, std::cerr, !options.trace && isatty(STDERR_FILENO));
}
