// The verify command: compares an image file with the sectors of a store it was copied from.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "storage/storage_services.h"

// Compares the bytes of `imagePath` with the store `device` from sector `startSector` on, through the same
// services the dialog uses. Prints the verdict to `out`. 0: identical; 1: different or unreadable;
// 2: no such store or image.
int VerifyImage(StorageServices& services, const std::string& device, std::uint64_t startSector,
                const std::string& imagePath, std::ostream& out);
