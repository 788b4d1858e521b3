// The simulated device behind the system-services seam: records every call, counts open handles and
// blocks, and fails the calls that its faults name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_device.h"
#include "storage/storage_services.h"

struct SimCall {
  std::string op;    // "OpenStore", "IOCTL_DISK_READ", ...
  std::string args;  // the arguments that matter, in words
};

class SimServices : public StorageServices {
 public:
  explicit SimServices(SimDevice device);
  ~SimServices() override;

  const SimDevice& Device() const { return m_device; }
  const std::vector<SimCall>& Calls() const { return m_calls; }
  std::vector<SimCall> Calls(const std::string& op) const;
  std::size_t OpenHandles() const { return m_handles.size(); }
  std::size_t OpenBlocks() const { return m_blocks; }
  std::uint64_t FaultsInjected() const { return m_faultsInjected; }
  // The real path that a folder's file name maps to (for tests that look at the image).
  std::string RealPath(const std::u16string& folder, const std::string& fileName) const;

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
  enum class Kind { StoreSearch, Store, Device, PartitionSearch, File, Key };
  struct Handle {
    explicit Handle(Kind k, int s = -1, int n = 0) : kind(k), store(s), next(n) {}
    Kind kind;
    int store;        // store index (store, device, partition search)
    int next;         // store search / partition search position
    int fd = -1;      // file
    std::u16string folder;   // file: its folder; key: its profile
  };

  // Records the call; returns the fault that fails it, or nullptr.
  const SimFault* Enter(const std::string& op, std::string args);
  BOOL Fail(DWORD error);
  HANDLE NewHandle(Handle handle);
  Handle* Find(HANDLE h, std::initializer_list<Kind> kinds);
  void FillStoreInfo(int store, STOREINFO* info) const;
  bool FillPartition(Handle& search, PARTINFO* info) const;
  BOOL ReadSectors(int store, DWORD start, DWORD count, BYTE* out);
  int StoreByDevice(const CString& name) const;

  SimDevice m_device;
  std::vector<SimCall> m_calls;
  std::map<std::string, std::uint64_t> m_callCounts;
  std::map<HANDLE, Handle> m_handles;
  std::map<std::u16string, std::uint64_t> m_written;  // bytes written per folder, against its free bytes
  std::map<int, int> m_imageFds;                       // store -> open image file
  HANDLE m_nextHandle = 0x100;
  DWORD m_lastError = 0;
  std::size_t m_blocks = 0;
  std::uint64_t m_faultsInjected = 0;
};
