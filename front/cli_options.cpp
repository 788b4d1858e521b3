// Command-line parsing for every front end.
#include "front/cli_options.h"

namespace {

bool IsWholeNumber(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool CheckAction(const std::string& action, std::string& error) {
  static const char* const kPlain[] = {"full", "partition", "hidden", "save"};
  for (const char* plain : kPlain) {
    if (action == plain) return true;
  }
  for (const char* prefix : {"store=", "part="}) {
    if (action.rfind(prefix, 0) == 0) return true;
  }
  for (const char* prefix : {"store-index=", "part-index="}) {
    const std::string p(prefix);
    if (action.rfind(p, 0) == 0) {
      if (IsWholeNumber(action.substr(p.size()))) return true;
      error = "action '" + action + "': the index must be a whole number";
      return false;
    }
  }
  error = "unknown action '" + action + "' (see --help)";
  return false;
}

}  // namespace

std::string UsageText() {
  return R"(Usage: vorsk [SOURCE] [OPTIONS] [COMMAND]

Copies the raw sectors of a store (a disk, a card, a disk image) into an image file in the folder
with the most free space: the whole store, one partition, or the hidden sectors in front of one.

Commands:
  (none) | gui                   open the dialog in a window (needs a display)
  list                           show the stores and their folders, then close
  dump --store DEV [--partition NAME | --hidden]
                                 dump the whole store DEV, its partition NAME, or its hidden sectors
  verify --store DEV [--start SECTOR] IMAGE
                                 compare IMAGE with the store's sectors from SECTOR (default 0) on
  act ACTION...                  do these actions in the dialog, in order, then close:
        store=DEV | store-index=N     select a store in the store list
        full | partition | hidden     click that mode's radio button
        part=NAME | part-index=N      select a partition in the partition list
        save                          click Save

Sources (default: this machine's block devices and the --image files):
  --demo                         the built-in demo device
  --sim FILE                     a simulated device described in a JSON device file
  --image FILE                   add a disk image file as a store (repeatable)
  --dest DIR                     add DIR as a destination folder candidate (repeatable)

Options:
  --trace                        print JSON Lines on stdout: panel texts, boxes, control states
  --help                         show this help
  --version                      show the version

Exit codes: 0 done, 1 a dump ended with errors or was refused, 2 bad usage or a bad device file.
)";
}

bool ParseCli(const std::vector<std::string>& args, CliOptions& o, std::string& error) {
  const std::string title = o.title;
  o = CliOptions{};
  o.title = title;
  bool sourceGiven = false;
  auto setSource = [&](SourceKind kind) {
    if (sourceGiven && o.source != kind) {
      error = "--demo and --sim cannot be combined";
      return false;
    }
    sourceGiven = true;
    o.source = kind;
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      o.command = CommandKind::Help;
      return true;
    } else if (a == "--version") {
      o.command = CommandKind::Version;
      return true;
    } else if (a == "--demo") {
      if (!setSource(SourceKind::Demo)) return false;
    } else if (a == "--sim") {
      if (!setSource(SourceKind::Sim) || !value(o.simFile)) return false;
    } else if (a == "--image") {
      std::string image;
      if (!value(image)) return false;
      o.images.push_back(image);
    } else if (a == "--dest") {
      std::string dest;
      if (!value(dest)) return false;
      o.dests.push_back(dest);
    } else if (a == "--trace") {
      o.trace = true;
    } else if (o.command == CommandKind::Act && !a.empty() && a[0] != '-') {
      if (!CheckAction(a, error)) return false;
      o.actions.push_back(a);
    } else if ((o.command == CommandKind::Dump || o.command == CommandKind::Verify) && a == "--store") {
      if (!value(o.store)) return false;
    } else if (o.command == CommandKind::Verify && a == "--start") {
      std::string start;
      if (!value(start)) return false;
      if (start.size() > 19 || start.find_first_not_of("0123456789") != std::string::npos) {
        error = "--start takes a sector number";
        return false;
      }
      o.start = std::stoull(start);
    } else if (o.command == CommandKind::Verify && o.image.empty() && !a.empty() && a[0] != '-') {
      o.image = a;
    } else if (o.command == CommandKind::Dump && a == "--partition") {
      if (!value(o.partition)) return false;
    } else if (o.command == CommandKind::Dump && a == "--hidden") {
      o.hidden = true;
    } else if (o.command == CommandKind::None && (a == "list" || a == "act" || a == "dump" || a == "verify" || a == "gui")) {
      o.command = a == "list"     ? CommandKind::List
                  : a == "act"    ? CommandKind::Act
                  : a == "dump"   ? CommandKind::Dump
                  : a == "verify" ? CommandKind::Verify
                                  : CommandKind::Gui;
    } else {
      error = "unexpected argument '" + a + "' (see --help)";
      return false;
    }
  }
  if (o.source != SourceKind::Host && (!o.images.empty() || !o.dests.empty())) {
    error = "--image and --dest belong to this machine's stores, not to --demo or --sim";
    return false;
  }
  if (o.command == CommandKind::Act && o.actions.empty()) {
    error = "act needs at least one action (see --help)";
    return false;
  }
  if (o.command == CommandKind::Verify && (o.store.empty() || o.image.empty())) {
    error = "verify needs --store DEV and an IMAGE";
    return false;
  }
  if (o.command == CommandKind::Dump) {
    if (o.store.empty()) {
      error = "dump needs --store DEV";
      return false;
    }
    if (o.hidden && !o.partition.empty()) {
      error = "dump takes --partition or --hidden, not both";
      return false;
    }
  }
  return true;
}
