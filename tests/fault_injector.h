// A fault-injecting wrapper around any StorageServices: fails the Nth call that can fail, once, from N on,
// or from N on for that call's operation only, and counts the handles and blocks that pass through it, so that it works over the simulated device
// and over a real backend alike.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "storage/storage_services.h"

enum class FaultMode {
  Once,        // call N fails, the rest succeed
  FromN,       // call N and every later call fail
  SameOpFromN  // call N and every later call of the same operation fail (a device that stays broken)
};

class FaultInjector : public StorageServices {
 public:
  // failAt = 0: nothing fails; the wrapper only counts.
  FaultInjector(StorageServices& inner, std::uint64_t failAt, FaultMode mode)
      : m_in(inner), m_failAt(failAt), m_mode(mode) {}

  // Calls that can fail, counted from 1 over all operations.
  std::uint64_t FailableCalls() const { return m_count; }
  // The operations that were failed, in order (an operation once per failure).
  const std::vector<std::string>& Injected() const { return m_injected; }
  std::size_t OpenHandles() const { return m_handles.size() + m_keys.size(); }
  std::size_t OpenBlocks() const { return m_blocks.size(); }

  HANDLE FindFirstStore(STOREINFO* i) override {
    if (Inject("FindFirstStore")) return INVALID_HANDLE_VALUE;
    return Opened(m_in.FindFirstStore(i));
  }
  BOOL FindNextStore(HANDLE s, STOREINFO* i) override {
    if (Inject("FindNextStore")) return 0;
    return Pass(m_in.FindNextStore(s, i));
  }
  BOOL FindCloseStore(HANDLE s) override { return Closed(s, m_in.FindCloseStore(s)); }
  HANDLE OpenStore(const CString& d) override {
    if (Inject("OpenStore")) return INVALID_HANDLE_VALUE;
    return Opened(m_in.OpenStore(d));
  }
  HANDLE FindFirstPartition(HANDLE s, PARTINFO* i) override {
    if (Inject("FindFirstPartition")) return INVALID_HANDLE_VALUE;
    return Opened(m_in.FindFirstPartition(s, i));
  }
  BOOL FindNextPartition(HANDLE s, PARTINFO* i) override {
    if (Inject("FindNextPartition")) return 0;
    return Pass(m_in.FindNextPartition(s, i));
  }
  BOOL FindClosePartition(HANDLE s) override { return Closed(s, m_in.FindClosePartition(s)); }
  BOOL DeviceIoControl(HANDLE d, DWORD c, void* in, DWORD is, void* out, DWORD os, DWORD* br) override {
    if (Inject(c == IOCTL_DISK_GETINFO ? "IOCTL_DISK_GETINFO" : c == IOCTL_DISK_READ ? "IOCTL_DISK_READ"
                                                                                     : "DeviceIoControl"))
      return 0;
    return Pass(m_in.DeviceIoControl(d, c, in, is, out, os, br));
  }
  HANDLE CreateFile(const CString& n, DWORD a, DWORD s, DWORD d, DWORD at) override {
    if (Inject("CreateFile")) return INVALID_HANDLE_VALUE;
    return Opened(m_in.CreateFile(n, a, s, d, at));
  }
  BOOL WriteFile(HANDLE f, const void* b, DWORD l, DWORD* w) override {
    if (Inject("WriteFile")) {
      if (w) *w = 0;
      return 0;
    }
    return Pass(m_in.WriteFile(f, b, l, w));
  }
  BOOL FlushFileBuffers(HANDLE f) override {
    if (Inject("FlushFileBuffers")) return 0;
    return Pass(m_in.FlushFileBuffers(f));
  }
  BOOL CloseHandle(HANDLE h) override { return Closed(h, m_in.CloseHandle(h)); }
  BOOL GetDiskFreeSpaceEx(const CString& f, std::uint64_t* a, std::uint64_t* b, std::uint64_t* c) override {
    if (Inject("GetDiskFreeSpaceEx")) return 0;
    return Pass(m_in.GetDiskFreeSpaceEx(f, a, b, c));
  }
  LONG RegOpenKeyEx(HKEY r, const CString& s, DWORD o, DWORD a, HKEY* k) override {
    if (Inject("RegOpenKeyEx")) return static_cast<LONG>(m_error);
    const LONG result = m_in.RegOpenKeyEx(r, s, o, a, k);
    m_override = false;
    if (result == 0 && k) m_keys.insert(*k);
    return result;
  }
  LONG RegQueryValueEx(HKEY k, const CString& n, DWORD* t, BYTE* d, DWORD* s) override {
    if (Inject("RegQueryValueEx")) return static_cast<LONG>(m_error);
    m_override = false;
    return m_in.RegQueryValueEx(k, n, t, d, s);
  }
  LONG RegCloseKey(HKEY k) override {
    m_override = false;
    const LONG result = m_in.RegCloseKey(k);
    if (result == 0) m_keys.erase(k);
    return result;
  }
  void GlobalMemoryStatus(MEMORYSTATUS* s) override {
    m_override = false;
    m_in.GlobalMemoryStatus(s);
  }
  void* Allocate(std::size_t n) override {
    if (Inject("alloc", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    m_override = false;
    void* block = m_in.Allocate(n);
    if (block) m_blocks.insert(block);
    return block;
  }
  void Release(void* b) override {
    m_override = false;
    m_blocks.erase(b);
    m_in.Release(b);
  }
  DWORD GetLastError() override { return m_override ? m_error : m_in.GetLastError(); }
  CString FormatMessage(DWORD f, DWORD c, DWORD l) override { return m_in.FormatMessage(f, c, l); }

 private:
  // Counts a call that can fail; true when this one is to fail (GetLastError then gives `error`).
  bool Inject(const char* op, DWORD error = ERROR_IO_DEVICE) {
    ++m_count;
    bool fail = m_failAt != 0 && m_count == m_failAt;
    if (fail) m_brokenOp = op;
    if (m_failAt != 0 && m_count > m_failAt)
      fail = m_mode == FaultMode::FromN || (m_mode == FaultMode::SameOpFromN && m_brokenOp == op);
    if (fail) {
      m_injected.emplace_back(op);
      m_error = error;
      m_override = true;
    }
    return fail;
  }
  BOOL Pass(BOOL result) {
    m_override = false;
    return result;
  }
  HANDLE Opened(HANDLE h) {
    m_override = false;
    if (h != 0 && h != INVALID_HANDLE_VALUE) m_handles.insert(h);
    return h;
  }
  BOOL Closed(HANDLE h, BOOL result) {
    m_override = false;
    if (result) m_handles.erase(h);
    return result;
  }

  StorageServices& m_in;
  std::uint64_t m_failAt;
  FaultMode m_mode;
  std::string m_brokenOp;
  std::uint64_t m_count = 0;
  std::vector<std::string> m_injected;
  std::set<HANDLE> m_handles;
  std::set<HKEY> m_keys;
  std::set<void*> m_blocks;
  DWORD m_error = 0;
  bool m_override = false;
};
