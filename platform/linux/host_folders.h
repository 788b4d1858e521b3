// The registry's folders on the host: which mounted directory a store's profile leads to, and how a
// folder text of the dialog ("media\card") maps to a path ("/media/card").
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/mount_table.h"

// "/media/card" -> "media\card". A path that cannot be written as a folder text ("/" itself, a name
// that holds '\') gives the empty text.
std::string FolderFromPath(const std::string& path);
// "media\card" or "\media\card" -> "/media/card".
std::string PathFromFolder(const std::string& folder);

// The directory that stands for a store whose file systems have the devices `devnos`:
// every whole file system of those devices that is mounted is a candidate (bind mounts of a
// subdirectory are not); the root file system stands for `home` when `homeDev` shows the home
// directory on it, since "/" is no folder and no place for images. Of several candidates, the one with
// the most bytes free to this user (`freeBytes`) wins; on a tie, the first in mount order. Empty when
// there is no candidate.
std::string ChooseStoreFolder(const std::vector<dev_t>& devnos, const std::vector<MountEntry>& mounts,
                              const std::string& home, dev_t homeDev,
                              const std::function<std::uint64_t(const std::string&)>& freeBytes);
