// A simulated device described as data: stores, partitions, sector contents, registry, folders,
// memory and the faults to inject.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/boot_record.h"
#include "storage/records.h"
#include "toolkit/cstring.h"

struct SimPartition {
  CString name;
  CString fileSystem;
  BYTE type = 0;
  std::uint64_t sectors = 0;
};

struct SimStore {
  CString device;   // "DSK1:"
  CString name;     // "NAND Flash"
  CString profile;  // registry profile
  DWORD bytesPerSector = 512;
  std::uint64_t sectors = 0;
  std::optional<DWORD> partitionCount;  // what the storage manager reports; default: partitions.size()
  std::vector<SimPartition> partitions;
  std::vector<BootEntry> bootRecord;  // generated sector 0 (up to four entries); empty: all-zero sector 0
  std::string image;                  // a disk image file with the contents; empty: generated contents
};

struct SimFolder {
  std::string path;  // the real directory that receives the files
  std::optional<std::uint64_t> totalBytes;
  std::optional<std::uint64_t> freeBytes;  // also the room that writes may use
  bool readOnly = false;                    // creating a file there is refused (access denied)
};

struct SimFault {
  std::string op;          // FindFirstStore, ..., WriteFile, FlushFileBuffers, alloc
  std::uint64_t call = 1;  // that operation's call number, from 1
  DWORD error = 0;         // what GetLastError returns then
  bool persistent = false; // fail every call from `call` on
  bool shortWrite = false; // WriteFile: write half and report success
};

struct SimDevice {
  std::vector<SimStore> stores;
  // profile -> the "Folder" value; an absent profile has no key, nullopt is a key without the value.
  std::map<std::u16string, std::optional<CString>> registry;
  std::map<std::u16string, SimFolder> folders;  // folder name -> where its files go
  DWORD availVirtual = 32u << 20;
  // Milliseconds each sector read request takes, so that a copy can be watched; 0: at once.
  DWORD readDelayMs = 0;
  std::vector<SimFault> faults;
};

// The operations a fault can name.
const std::vector<std::string>& SimFaultOps();

// Generated contents: every 512-byte unit holds 32 lines "sector XXXXXXXX\n" naming its own unit number
// (byte offset / 512, hexadecimal). Fills `length` bytes that start at byte `offset` of the store.
void FillSectorPattern(std::uint64_t offset, BYTE* out, std::size_t length);
