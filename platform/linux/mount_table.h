// The mounted file systems of this process, from /proc/self/mountinfo.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct MountEntry {
  dev_t devno = 0;         // the file system's device, major:minor
  std::string root;        // the directory of the file system that is mounted ("/" for all of it)
  std::string mountPoint;  // where, unescaped
  std::string fsType;
  std::string source;
};

// Parses the text of a mountinfo file; lines that are not well formed are skipped.
// Fields: id parent major:minor root mount-point options [optional...] - fstype source super-options,
// with blanks, tabs, newlines and backslashes in names written as \040, \011, \012 and \134.
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// Undoes the octal escapes of a mountinfo field.
std::string UnescapeMountField(const std::string& field);
