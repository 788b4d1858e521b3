// The system-services seam: every platform operation the dialog calls, with the results it relies on.
//
// Conventions of every operation: BOOL results are nonzero on success and 0 on failure; a HANDLE of 0 or
// INVALID_HANDLE_VALUE is a failure; registry operations return 0 on success and an error code otherwise.
// After a failure, GetLastError() returns the reason until the next operation. Nothing is thrown.
// Texts are wide (UTF-16).
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/records.h"
#include "toolkit/cstring.h"

class StorageServices {
 public:
  virtual ~StorageServices() = default;

  // Store search. `info->cbSize` must be sizeof(STOREINFO). FindFirstStore fills `info` with the first
  // store and returns a search handle; FindNextStore fills it with the next and returns nonzero, or
  // returns 0 when there is none (ERROR_NO_MORE_ITEMS). FindCloseStore releases the search handle.
  virtual HANDLE FindFirstStore(STOREINFO* info) = 0;
  virtual BOOL FindNextStore(HANDLE search, STOREINFO* info) = 0;
  virtual BOOL FindCloseStore(HANDLE search) = 0;

  // Opens a store by its device name through the storage manager. The handle accepts DeviceIoControl
  // and the partition search, and is closed by CloseHandle.
  virtual HANDLE OpenStore(const CString& deviceName) = 0;

  // Partition search of an open store. `info->cbSize` must be sizeof(PARTINFO). FindNextPartition
  // returns exactly 1 when it filled the record, 0 at the end (ERROR_NO_MORE_ITEMS). FindClosePartition
  // releases the search.
  // Both searches end with ERROR_NO_MORE_ITEMS: the dialog reports any other reason as a failed search.
  virtual HANDLE FindFirstPartition(HANDLE store, PARTINFO* info) = 0;
  virtual BOOL FindNextPartition(HANDLE search, PARTINFO* info) = 0;
  virtual BOOL FindClosePartition(HANDLE search) = 0;

  // Disk driver requests on a store or device handle:
  // IOCTL_DISK_GETINFO: no input; `out` a DISK_INFO of sizeof(DISK_INFO); fills bytes per sector.
  // IOCTL_DISK_READ: `in` an SG_REQ of sizeof(SG_REQ) with one buffer; reads sr_num_sec sectors from
  //   sr_start into sb_buf, of which sb_len bytes are usable; fails when the range leaves the store.
  // `*bytesReturned` receives a byte count and is not to be relied on.
  virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                               DWORD* bytesReturned) = 0;

  // Opens a device by name for reading (GENERIC_READ, OPEN_EXISTING), or creates an image file
  // (GENERIC_WRITE, CREATE_ALWAYS: an existing file is replaced). Paths use '\' as separator and begin
  // with one: "\Folder\name.img".
  virtual HANDLE CreateFile(const CString& name, DWORD access, DWORD shareMode, DWORD disposition,
                            DWORD attributes) = 0;
  // Writes `length` bytes; `*written` receives how many were written (fewer means the medium is full).
  virtual BOOL WriteFile(HANDLE file, const void* buffer, DWORD length, DWORD* written) = 0;
  // Brings what was written to `file` to stable storage.
  virtual BOOL FlushFileBuffers(HANDLE file) = 0;
  // Closes any handle from OpenStore or CreateFile.
  virtual BOOL CloseHandle(HANDLE handle) = 0;

  // Free space at a folder ("Storage Card"): bytes free to this program, total bytes, total free bytes.
  virtual BOOL GetDiskFreeSpaceEx(const CString& folder, std::uint64_t* freeToCaller, std::uint64_t* total,
                                  std::uint64_t* totalFree) = 0;

  // Read-only registry. RegQueryValueEx copies the value's text, zero-terminated, into `data` when it
  // fits in `*size` bytes (then `*size` is its length); otherwise returns ERROR_MORE_DATA.
  virtual LONG RegOpenKeyEx(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* key) = 0;
  virtual LONG RegQueryValueEx(HKEY key, const CString& valueName, DWORD* type, BYTE* data, DWORD* size) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;

  // Fills a MEMORYSTATUS whose dwLength is 32; dwAvailVirtual is the free virtual memory in bytes.
  virtual void GlobalMemoryStatus(MEMORYSTATUS* status) = 0;

  // A writable block of `size` bytes, or nullptr; Release returns it.
  virtual void* Allocate(std::size_t size) = 0;
  virtual void Release(void* block) = 0;

  virtual DWORD GetLastError() = 0;
  // The system's text for an error code; empty when it has none.
  virtual CString FormatMessage(DWORD flags, DWORD code, DWORD languageId) = 0;
};
