// The real host behind the system-services seam: Linux block devices and disk image files as stores,
// mounted file systems as the registry's folders, errno and strerror as the system's errors.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/host_store.h"
#include "storage/storage_services.h"

struct HostOptions {
  std::vector<std::string> images;  // disk image files (or block devices) to list as stores, in order
  std::vector<std::string> dests;   // directories that become folders of the stores that hold them
  std::string sysfsRoot = "/sys";
  std::string devRoot = "/dev";
  std::string mountInfo = "/proc/self/mountinfo";
  std::string memInfo = "/proc/meminfo";
  std::optional<std::string> home;       // where the root file system's images go; default $HOME
  std::vector<std::string> onlyDevices;  // when not empty: list only these kernel devices
};

class HostServices : public StorageServices {
 public:
  // Finds the stores, their partitions and folders once. nullptr with a one-line `error` when an
  // image or a destination named in `options` cannot be used.
  static std::unique_ptr<HostServices> Create(const HostOptions& options, std::string& error);
  ~HostServices() override;

  const std::vector<HostStore>& Stores() const { return m_stores; }
  std::size_t OpenHandles() const { return m_handles.size(); }

  HANDLE FindFirstStore(STOREINFO* info) override;
  BOOL FindNextStore(HANDLE search, STOREINFO* info) override;
  BOOL FindCloseStore(HANDLE search) override;
  HANDLE OpenStore(const CString& deviceName) override;
  HANDLE FindFirstPartition(HANDLE store, PARTINFO* info) override;
  BOOL FindNextPartition(HANDLE search, PARTINFO* info) override;
  BOOL FindClosePartition(HANDLE search) override;
  BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* bytesReturned) override;
  HANDLE CreateFile(const CString& name, DWORD access, DWORD shareMode, DWORD disposition,
                    DWORD attributes) override;
  BOOL WriteFile(HANDLE file, const void* buffer, DWORD length, DWORD* written) override;
  BOOL FlushFileBuffers(HANDLE file) override;
  BOOL CloseHandle(HANDLE handle) override;
  BOOL GetDiskFreeSpaceEx(const CString& folder, std::uint64_t* freeToCaller, std::uint64_t* total,
                          std::uint64_t* totalFree) override;
  LONG RegOpenKeyEx(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* key) override;
  LONG RegQueryValueEx(HKEY key, const CString& valueName, DWORD* type, BYTE* data, DWORD* size) override;
  LONG RegCloseKey(HKEY key) override;
  void GlobalMemoryStatus(MEMORYSTATUS* status) override;
  void* Allocate(std::size_t size) override;
  void Release(void* block) override;
  DWORD GetLastError() override { return m_lastError; }
  CString FormatMessage(DWORD flags, DWORD code, DWORD languageId) override;

 private:
  enum class Kind { StoreSearch, Store, PartitionSearch, File, Key };
  struct Handle {
    Kind kind;
    int store = -1;  // store, partition search, key
    std::size_t next = 0;  // store search, partition search
    int fd = -1;     // store, file
    std::uint64_t offset = 0;      // file: bytes written so far
    std::uint64_t lastLength = 0;  // file: length of the last write, whose writeback is still running
    bool uncached = true;          // file: written with kWriteUncached until the file system refuses it
  };
  // pwritev2's flag for uncached buffered writes (Linux 6.14), named here for older kernel headers.
  static constexpr int kWriteUncached = 0x80;

  explicit HostServices(HostOptions options) : m_options(std::move(options)) {}
  HANDLE Fail(int error);
  HANDLE NewHandle(const Handle& handle);
  Handle* Find(HANDLE h, Kind kind);
  int StoreByDevice(const CString& name) const;
  HANDLE OpenSource(int store);
  void FillStoreInfo(int store, STOREINFO* info) const;
  bool FillPartition(Handle& search, PARTINFO* info) const;
  BOOL Read(Handle& store, const SG_REQ* request, DWORD inSize, DWORD* bytesReturned);
  ssize_t WriteAtEnd(Handle& file, const BYTE* bytes, std::size_t length);
  bool WriteBehind(Handle& file, std::uint64_t length);

  HostOptions m_options;
  std::vector<HostStore> m_stores;
  std::map<HANDLE, Handle> m_handles;
  HANDLE m_nextHandle = 0x100;
  DWORD m_lastError = 0;
};
