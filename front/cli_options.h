// The command line: what the user asked for, parsed without side effects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SourceKind { Host, Demo, Sim };
enum class CommandKind { None, Help, Version, List, Act, Dump, Verify, Gui };

struct CliOptions {
  SourceKind source = SourceKind::Host;
  std::string simFile;               // --sim FILE
  std::vector<std::string> images;   // --image FILE (repeatable): disk images as stores of the host
  std::vector<std::string> dests;    // --dest DIR (repeatable): extra destination folders on the host
  bool trace = false;                // --trace: JSON Lines on stdout
  CommandKind command = CommandKind::None;
  std::vector<std::string> actions;  // act: the actions, checked for form
  std::string store;                 // dump --store DEV
  std::string partition;             // dump --partition NAME
  bool hidden = false;               // dump --hidden
  std::uint64_t start = 0;           // verify --start SECTOR
  std::string image;                 // verify IMAGE
  std::string title = "vorsk";      // the application's title: the executable's base name (set by main)
};

// Parses argv[1..]. Returns false with a one-line `error` on bad usage.
bool ParseCli(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The text of --help.
std::string UsageText();
