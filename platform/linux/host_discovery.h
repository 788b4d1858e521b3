// Finding the host's stores once at start: devices, images, partitions, folders.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/host_services.h"
#include "platform/linux/host_store.h"

// The stores in the order the store list shows them: block devices other than loop devices (natural
// order of kernel names), then the images in the order given, then loop devices. Each has its device
// name, partition rows (from its boot record where it can be read) and folder. nullopt with a one-line
// `error` when an image or a destination cannot be used.
std::optional<std::vector<HostStore>> DiscoverStores(const HostOptions& options, std::string& error);
