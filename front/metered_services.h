// A pass-through of the system services that counts the bytes the copy writes, for the progress line.
#pragma once

#include <cstdint>

#include "storage/storage_services.h"

class MeteredServices : public StorageServices {
 public:
  explicit MeteredServices(StorageServices& inner) : m_in(inner) {}
  std::uint64_t BytesWritten() const { return m_written; }

  HANDLE FindFirstStore(STOREINFO* i) override { return m_in.FindFirstStore(i); }
  BOOL FindNextStore(HANDLE s, STOREINFO* i) override { return m_in.FindNextStore(s, i); }
  BOOL FindCloseStore(HANDLE s) override { return m_in.FindCloseStore(s); }
  HANDLE OpenStore(const CString& d) override { return m_in.OpenStore(d); }
  HANDLE FindFirstPartition(HANDLE s, PARTINFO* i) override { return m_in.FindFirstPartition(s, i); }
  BOOL FindNextPartition(HANDLE s, PARTINFO* i) override { return m_in.FindNextPartition(s, i); }
  BOOL FindClosePartition(HANDLE s) override { return m_in.FindClosePartition(s); }
  BOOL DeviceIoControl(HANDLE d, DWORD c, void* in, DWORD is, void* out, DWORD os, DWORD* br) override {
    return m_in.DeviceIoControl(d, c, in, is, out, os, br);
  }
  HANDLE CreateFile(const CString& n, DWORD a, DWORD s, DWORD d, DWORD at) override {
    return m_in.CreateFile(n, a, s, d, at);
  }
  BOOL WriteFile(HANDLE f, const void* b, DWORD l, DWORD* w) override {
    DWORD local = 0;
    const BOOL ok = m_in.WriteFile(f, b, l, w ? w : &local);
    m_written += w ? *w : local;
    return ok;
  }
  BOOL FlushFileBuffers(HANDLE f) override { return m_in.FlushFileBuffers(f); }
  BOOL CloseHandle(HANDLE h) override { return m_in.CloseHandle(h); }
  BOOL GetDiskFreeSpaceEx(const CString& f, std::uint64_t* a, std::uint64_t* b, std::uint64_t* c) override {
    return m_in.GetDiskFreeSpaceEx(f, a, b, c);
  }
  LONG RegOpenKeyEx(HKEY r, const CString& s, DWORD o, DWORD a, HKEY* k) override {
    return m_in.RegOpenKeyEx(r, s, o, a, k);
  }
  LONG RegQueryValueEx(HKEY k, const CString& n, DWORD* t, BYTE* d, DWORD* s) override {
    return m_in.RegQueryValueEx(k, n, t, d, s);
  }
  LONG RegCloseKey(HKEY k) override { return m_in.RegCloseKey(k); }
  void GlobalMemoryStatus(MEMORYSTATUS* s) override { m_in.GlobalMemoryStatus(s); }
  void* Allocate(std::size_t n) override { return m_in.Allocate(n); }
  void Release(void* b) override { m_in.Release(b); }
  DWORD GetLastError() override { return m_in.GetLastError(); }
  CString FormatMessage(DWORD f, DWORD c, DWORD l) override { return m_in.FormatMessage(f, c, l); }

 private:
  StorageServices& m_in;
  std::uint64_t m_written = 0;
};
