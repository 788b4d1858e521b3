// The system's record types and constants that the dialog exchanges with the storage services.
// Our own definitions, laid out so that the size fields carry the values the dialog expects.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using WCHAR = char16_t;
using SECTORNUM = std::uint64_t;
using HANDLE = std::intptr_t;  // 0 and INVALID_HANDLE_VALUE both mean failure
using HKEY = std::intptr_t;

inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002);

inline constexpr int DEVICENAMESIZE = 8;
inline constexpr int STORENAMESIZE = 32;
inline constexpr int PROFILENAMESIZE = 32;
inline constexpr int PARTITIONNAMESIZE = 32;
inline constexpr int FILESYSNAMESIZE = 32;
inline constexpr int VOLUMENAMESIZE = 64;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct STORAGEDEVICEINFO {
  DWORD cbSize;
  WCHAR szProfile[PROFILENAMESIZE];
  DWORD dwDeviceClass;
  DWORD dwDeviceType;
  DWORD dwDeviceFlags;
};

// One store as the storage manager reports it. Texts are zero-terminated and cut to their field.
struct STOREINFO {
  DWORD cbSize;
  WCHAR szDeviceName[DEVICENAMESIZE];
  WCHAR szStoreName[STORENAMESIZE];
  DWORD dwDeviceClass;
  DWORD dwDeviceType;
  STORAGEDEVICEINFO sdi;
  SECTORNUM snNumSectors;
  DWORD dwBytesPerSector;
  SECTORNUM snFreeSectors;
  SECTORNUM snBiggestPartCreatable;
  FILETIME ftCreated;
  FILETIME ftLastModified;
  DWORD dwAttributes;
  DWORD dwPartitionCount;
  DWORD dwMountCount;
};
static_assert(sizeof(STOREINFO) == 240);

// One partition of a store as the storage manager reports it.
struct PARTINFO {
  DWORD cbSize;
  WCHAR szPartitionName[PARTITIONNAMESIZE];
  WCHAR szFileSys[FILESYSNAMESIZE];
  WCHAR szVolumeName[VOLUMENAMESIZE];
  SECTORNUM snNumSectors;
  FILETIME ftCreated;
  FILETIME ftLastModified;
  DWORD dwAttributes;
  BYTE bPartType;
};
static_assert(sizeof(PARTINFO) == 296);

struct DISK_INFO {
  DWORD di_total_sectors;
  DWORD di_bytes_per_sect;
  DWORD di_cylinders;
  DWORD di_heads;
  DWORD di_sectors;
  DWORD di_flags;
};
static_assert(sizeof(DISK_INFO) == 24);

struct SG_BUF {
  BYTE* sb_buf;
  DWORD sb_len;
};

using PFN_REQDONE = void (*)();

// A sector read request with one buffer. Its size on the 32-bit device was 28 bytes; here it is
// sizeof(SG_REQ), which the services check as the input size.
struct SG_REQ {
  DWORD sr_start;
  DWORD sr_num_sec;
  DWORD sr_num_sg;
  DWORD sr_status;
  PFN_REQDONE sr_callback;
  SG_BUF sr_sglist[1];
};

struct MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  DWORD dwTotalPhys;
  DWORD dwAvailPhys;
  DWORD dwTotalPageFile;
  DWORD dwAvailPageFile;
  DWORD dwTotalVirtual;
  DWORD dwAvailVirtual;
};
static_assert(sizeof(MEMORYSTATUS) == 32);

inline constexpr DWORD IOCTL_DISK_GETINFO = 0x71C00;
inline constexpr DWORD IOCTL_DISK_READ = 0x75C08;

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 1;
inline constexpr DWORD FILE_SHARE_WRITE = 2;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

inline constexpr DWORD FORMAT_MESSAGE_FLAGS = 0x1300;  // allocate buffer | ignore inserts | from system
inline constexpr DWORD LANG_NEUTRAL_DEFAULT = 0x400;

// Error codes that the services report through GetLastError.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_CRC = 23;
inline constexpr DWORD ERROR_SECTOR_NOT_FOUND = 27;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_READ_FAULT = 30;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
