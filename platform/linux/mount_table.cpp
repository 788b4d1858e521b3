// Parsing /proc/self/mountinfo.
#include "platform/linux/mount_table.h"

#include <sys/sysmacros.h>

#include <cstdio>
#include <sstream>

std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
  std::vector<MountEntry> entries;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    // At least: id parent dev root point options - type source.
    size_t dash = 6;
    while (dash < w.size() && w[dash] != "-") ++dash;
    if (dash + 1 >= w.size()) continue;
    unsigned major = 0, minor = 0;
    char colon = 0;
    if (std::sscanf(w[2].c_str(), "%u%c%u", &major, &colon, &minor) != 3 || colon != ':') continue;
    MountEntry e;
    e.devno = makedev(major, minor);
    e.root = UnescapeMountField(w[3]);
    e.mountPoint = UnescapeMountField(w[4]);
    e.fsType = w[dash + 1];
    e.source = dash + 2 < w.size() ? UnescapeMountField(w[dash + 2]) : std::string();
    entries.push_back(e);
  }
  return entries;
}
