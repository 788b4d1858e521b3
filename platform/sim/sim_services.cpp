// The simulated device's services: stores and partitions from its description, sectors generated or
// read from an image file, files written into real directories, faults injected by call number.
#include "platform/sim/sim_services.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "storage/record_text.h"

namespace {

const std::u16string kProfilesKey = u"System\\StorageManager\\Profiles\\";

std::string Utf8(const CString& s) { return s.ToUtf8(); }

}  // namespace

const std::vector<std::string>& SimFaultOps() {
  static const std::vector<std::string> ops = {
      "FindFirstStore", "FindNextStore", "OpenStore",       "FindFirstPartition", "FindNextPartition",
      "IOCTL_DISK_GETINFO", "IOCTL_DISK_READ", "CreateFile", "WriteFile", "FlushFileBuffers",
      "GetDiskFreeSpaceEx", "RegOpenKeyEx",  "RegQueryValueEx", "alloc"};
  return ops;
}

void FillSectorPattern(std::uint64_t offset, BYTE* out, std::size_t length) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  BYTE unitBytes[512];
  for (std::size_t i = 0; i < length;) {
    const std::uint64_t at = offset + i;
    const auto unit = static_cast<std::uint32_t>(at / 512);
    char line[16] = {'s', 'e', 'c', 't', 'o', 'r', ' ', 0, 0, 0, 0, 0, 0, 0, 0, '\n'};
    for (int d = 0; d < 8; ++d) line[7 + d] = kHex[(unit >> (28 - 4 * d)) & 0xF];
    for (int k = 0; k < 32; ++k) std::memcpy(unitBytes + 16 * k, line, 16);
    const std::size_t inUnit = static_cast<std::size_t>(at % 512);
    const std::size_t n = std::min<std::size_t>(512 - inUnit, length - i);
    std::memcpy(out + i, unitBytes + inUnit, n);
    i += n;
  }
}

SimServices::SimServices(SimDevice device) : m_device(std::move(device)) {}

SimServices::~SimServices() {
  for (auto& [h, handle] : m_handles) {
    if (handle.fd >= 0) ::close(handle.fd);
  }
  for (auto& [store, fd] : m_imageFds) ::close(fd);
}

std::vector<SimCall> SimServices::Calls(const std::string& op) const {
  std::vector<SimCall> out;
  for (const SimCall& c : m_calls) {
    if (c.op == op) out.push_back(c);
  }
  return out;
}

std::string SimServices::RealPath(const std::u16string& folder, const std::string& fileName) const {
  auto it = m_device.folders.find(folder);
  return it == m_device.folders.end() ? std::string() : it->second.path + "/" + fileName;
}

const SimFault* SimServices::Enter(const std::string& op, std::string args) {
  m_calls.push_back({op, std::move(args)});
  const std::uint64_t n = ++m_callCounts[op];
  for (const SimFault& f : m_device.faults) {
    if (f.op == op && (n == f.call || (f.persistent && n > f.call))) {
      ++m_faultsInjected;
      return &f;
    }
  }
  return nullptr;
}

BOOL SimServices::Fail(DWORD error) {
  m_lastError = error;
  return 0;
}

HANDLE SimServices::NewHandle(Handle handle) {
  const HANDLE h = m_nextHandle++;
  m_handles.emplace(h, handle);
  return h;
}

SimServices::Handle* SimServices::Find(HANDLE h, std::initializer_list<Kind> kinds) {
  auto it = m_handles.find(h);
  if (it == m_handles.end()) return nullptr;
  return std::find(kinds.begin(), kinds.end(), it->second.kind) == kinds.end() ? nullptr : &it->second;
}

int SimServices::StoreByDevice(const CString& name) const {
  for (size_t i = 0; i < m_device.stores.size(); ++i) {
    // The storage manager knows a store by the name it reports, cut to the record's field.
    STOREINFO probe{};
    SetFieldText(probe.szDeviceName, m_device.stores[i].device);
    if (FieldText(probe.szDeviceName) == name) return static_cast<int>(i);
  }
  return -1;
}

void SimServices::FillStoreInfo(int store, STOREINFO* info) const {
  const SimStore& s = m_device.stores[static_cast<size_t>(store)];
  const DWORD size = info->cbSize;
  *info = STOREINFO{};
  info->cbSize = size;
  SetFieldText(info->szDeviceName, s.device);
  SetFieldText(info->szStoreName, s.name);
  info->sdi.cbSize = sizeof(STORAGEDEVICEINFO);
  SetFieldText(info->sdi.szProfile, s.profile);
  info->snNumSectors = s.sectors;
  info->dwBytesPerSector = s.bytesPerSector;
  info->dwPartitionCount = s.partitionCount.value_or(static_cast<DWORD>(s.partitions.size()));
}

HANDLE SimServices::FindFirstStore(STOREINFO* info) {
  const SimFault* fault = Enter("FindFirstStore", "");
  if (fault) return Fail(fault->error), INVALID_HANDLE_VALUE;
  if (!info || info->cbSize != sizeof(STOREINFO)) return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  if (m_device.stores.empty()) return Fail(ERROR_NO_MORE_ITEMS), INVALID_HANDLE_VALUE;
  FillStoreInfo(0, info);
  return NewHandle(Handle(Kind::StoreSearch, -1, 1));
}

BOOL SimServices::FindNextStore(HANDLE search, STOREINFO* info) {
  const SimFault* fault = Enter("FindNextStore", "");
  if (fault) return Fail(fault->error);
  Handle* h = Find(search, {Kind::StoreSearch});
  if (!h || !info || info->cbSize != sizeof(STOREINFO)) return Fail(ERROR_INVALID_PARAMETER);
  if (h->next >= static_cast<int>(m_device.stores.size())) return Fail(ERROR_NO_MORE_ITEMS);
  FillStoreInfo(h->next++, info);
  return 1;
}

BOOL SimServices::FindCloseStore(HANDLE search) {
  Enter("FindCloseStore", "");
  if (!Find(search, {Kind::StoreSearch})) return Fail(ERROR_INVALID_HANDLE);
  m_handles.erase(search);
  return 1;
}

HANDLE SimServices::OpenStore(const CString& deviceName) {
  const SimFault* fault = Enter("OpenStore", Utf8(deviceName));
  if (fault) return Fail(fault->error), INVALID_HANDLE_VALUE;
  const int store = StoreByDevice(deviceName);
  if (store < 0) return Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
  return NewHandle(Handle(Kind::Store, store));
}

HANDLE SimServices::FindFirstPartition(HANDLE store, PARTINFO* info) {
  const SimFault* fault = Enter("FindFirstPartition", "");
  if (fault) return Fail(fault->error), INVALID_HANDLE_VALUE;
  Handle* h = Find(store, {Kind::Store});
  if (!h || !info || info->cbSize != sizeof(PARTINFO)) return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  Handle search(Kind::PartitionSearch, h->store);
  if (!FillPartition(search, info)) return Fail(ERROR_NO_MORE_ITEMS), INVALID_HANDLE_VALUE;
  return NewHandle(search);
}

BOOL SimServices::FindNextPartition(HANDLE search, PARTINFO* info) {
  const SimFault* fault = Enter("FindNextPartition", "");
  if (fault) return Fail(fault->error);
  Handle* h = Find(search, {Kind::PartitionSearch});
  if (!h || !info || info->cbSize != sizeof(PARTINFO)) return Fail(ERROR_INVALID_PARAMETER);
  if (!FillPartition(*h, info)) return Fail(ERROR_NO_MORE_ITEMS);
  return 1;
}

bool SimServices::FillPartition(Handle& search, PARTINFO* info) const {
  const SimStore& s = m_device.stores[static_cast<size_t>(search.store)];
  if (search.next >= static_cast<int>(s.partitions.size())) return false;
  const SimPartition& p = s.partitions[static_cast<size_t>(search.next++)];
  const DWORD size = info->cbSize;
  *info = PARTINFO{};
  info->cbSize = size;
  SetFieldText(info->szPartitionName, p.name);
  SetFieldText(info->szFileSys, p.fileSystem);
  info->snNumSectors = p.sectors;
  info->bPartType = p.type;
  return true;
}

BOOL SimServices::FindClosePartition(HANDLE search) {
  Enter("FindClosePartition", "");
  if (!Find(search, {Kind::PartitionSearch})) return Fail(ERROR_INVALID_HANDLE);
  m_handles.erase(search);
  return 1;
}

BOOL SimServices::ReadSectors(int store, DWORD start, DWORD count, BYTE* out) {
  const SimStore& s = m_device.stores[static_cast<size_t>(store)];
  const std::uint64_t bps = s.bytesPerSector;
  if (std::uint64_t{start} + count > s.sectors) return Fail(ERROR_SECTOR_NOT_FOUND);
  const std::uint64_t offset = std::uint64_t{start} * bps;
  const std::uint64_t length = std::uint64_t{count} * bps;
  if (!s.image.empty()) {
    auto it = m_imageFds.find(store);
    if (it == m_imageFds.end()) {
      const int fd = ::open(s.image.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return Fail(ERROR_NOT_READY);
      it = m_imageFds.emplace(store, fd).first;
    }
    std::uint64_t done = 0;
    while (done < length) {
      const ssize_t n = ::pread(it->second, out + done, static_cast<size_t>(length - done),
                                static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(ERROR_SECTOR_NOT_FOUND);  // past the image's end, or unreadable
      done += static_cast<std::uint64_t>(n);
    }
    return 1;
  }
  FillSectorPattern(offset, out, static_cast<size_t>(length));
  // Sector 0 holds the boot record built from the description, or nothing at all.
  if (start == 0) {
    std::memset(out, 0, static_cast<size_t>(bps));
    if (!s.bootRecord.empty() && bps >= 512) {
      for (size_t i = 0; i < s.bootRecord.size() && i < 4; ++i) WriteBootEntry(out, static_cast<int>(i), s.bootRecord[i]);
      out[510] = 0x55;
      out[511] = 0xAA;
    }
  }
  return 1;
}

BOOL SimServices::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                  DWORD* bytesReturned) {
  if (code == IOCTL_DISK_GETINFO) {
    const SimFault* fault = Enter("IOCTL_DISK_GETINFO", "");
    if (fault) return Fail(fault->error);
    Handle* h = Find(device, {Kind::Store, Kind::Device});
    if (!h || !out || outSize != sizeof(DISK_INFO)) return Fail(ERROR_INVALID_PARAMETER);
    const SimStore& s = m_device.stores[static_cast<size_t>(h->store)];
    auto* info = static_cast<DISK_INFO*>(out);
    *info = DISK_INFO{};
    info->di_total_sectors = static_cast<DWORD>(s.sectors);
    info->di_bytes_per_sect = s.bytesPerSector;
    if (bytesReturned) *bytesReturned = sizeof(DISK_INFO);
    return 1;
  }
  if (code == IOCTL_DISK_READ) {
    const auto* req = static_cast<const SG_REQ*>(in);
    std::string args = req && inSize == sizeof(SG_REQ) ? "start=" + std::to_string(req->sr_start) +
                                                             " count=" + std::to_string(req->sr_num_sec) +
                                                             " len=" + std::to_string(req->sr_sglist[0].sb_len)
                                                       : "bad request";
    const SimFault* fault = Enter("IOCTL_DISK_READ", std::move(args));
    if (fault) return Fail(fault->error);
    Handle* h = Find(device, {Kind::Store, Kind::Device});
    if (!h || !req || inSize != sizeof(SG_REQ) || req->sr_num_sg != 1 || !req->sr_sglist[0].sb_buf)
      return Fail(ERROR_INVALID_PARAMETER);
    const SimStore& s = m_device.stores[static_cast<size_t>(h->store)];
    if (std::uint64_t{req->sr_num_sec} * s.bytesPerSector > req->sr_sglist[0].sb_len)
      return Fail(ERROR_INVALID_PARAMETER);
    if (m_device.readDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_device.readDelayMs));
    if (!ReadSectors(h->store, req->sr_start, req->sr_num_sec, req->sr_sglist[0].sb_buf)) return 0;
    if (bytesReturned) *bytesReturned = req->sr_num_sec * s.bytesPerSector;
    return 1;
  }
  Enter("DeviceIoControl", "code=" + std::to_string(code));
  return Fail(ERROR_INVALID_PARAMETER);
}

HANDLE SimServices::CreateFile(const CString& name, DWORD access, DWORD shareMode, DWORD disposition,
                               DWORD attributes) {
  (void)shareMode, (void)attributes;
  const SimFault* fault =
      Enter("CreateFile", Utf8(name) + (access == GENERIC_WRITE ? " write" : access == GENERIC_READ ? " read" : " ?"));
  if (fault) return Fail(fault->error), INVALID_HANDLE_VALUE;

  if (access == GENERIC_READ && disposition == OPEN_EXISTING) {
    const int store = StoreByDevice(name);
    if (store < 0) return Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    return NewHandle(Handle(Kind::Device, store));
  }
  if (access != GENERIC_WRITE || disposition != CREATE_ALWAYS) return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;

  // "\Folder\name": the folder must be one of the device's, the name a plain file name inside it.
  const std::u16string& path = name.str();
  for (const auto& [folder, where] : m_device.folders) {
    const std::u16string prefix = u"\\" + folder + u"\\";
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::u16string file = path.substr(prefix.size());
    if (file.empty() || file == u"." || file == u".." || file.find_first_of(u"\\/") != std::u16string::npos ||
        file.find(u'\0') != std::u16string::npos)
      return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    if (where.readOnly) return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    const std::string real = where.path + "/" + CString(file).ToUtf8();
    const int fd = ::open(real.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    Handle h(Kind::File);
    h.fd = fd;
    h.folder = folder;
    return NewHandle(h);
  }
  return Fail(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE;
}

BOOL SimServices::WriteFile(HANDLE file, const void* buffer, DWORD length, DWORD* written) {
  const SimFault* fault = Enter("WriteFile", std::to_string(length));
  if (written) *written = 0;
  Handle* h = Find(file, {Kind::File});
  if (!h) return Fail(ERROR_INVALID_HANDLE);
  DWORD toWrite = length;
  DWORD shortError = 0;
  if (fault && !fault->shortWrite) return Fail(fault->error);
  if (fault) {
    toWrite = length / 2;
    shortError = fault->error ? fault->error : ERROR_DISK_FULL;
  }
  // A folder given a number of free bytes fills up when they are used.
  const SimFolder& folder = m_device.folders.at(h->folder);
  if (folder.freeBytes) {
    std::uint64_t& used = m_written[h->folder];
    const std::uint64_t room = *folder.freeBytes > used ? *folder.freeBytes - used : 0;
    if (toWrite > room) {
      toWrite = static_cast<DWORD>(room);
      shortError = ERROR_DISK_FULL;
    }
    used += toWrite;
  }
  DWORD done = 0;
  const auto* bytes = static_cast<const BYTE*>(buffer);
  while (done < toWrite) {
    const ssize_t n = ::write(h->fd, bytes + done, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  if (shortError) m_lastError = shortError;
  return 1;
}

BOOL SimServices::FlushFileBuffers(HANDLE file) {
  const SimFault* fault = Enter("FlushFileBuffers", "");
  if (fault) return Fail(fault->error);
  Handle* h = Find(file, {Kind::File});
  if (!h) return Fail(ERROR_INVALID_HANDLE);
  return 1;  // the simulated medium keeps what was written; the host's page cache is not the device's
}

BOOL SimServices::CloseHandle(HANDLE handle) {
  Enter("CloseHandle", "");
  Handle* h = Find(handle, {Kind::Store, Kind::Device, Kind::File});
  if (!h) return Fail(ERROR_INVALID_HANDLE);
  if (h->fd >= 0) ::close(h->fd);
  m_handles.erase(handle);
  return 1;
}

BOOL SimServices::GetDiskFreeSpaceEx(const CString& folder, std::uint64_t* freeToCaller, std::uint64_t* total,
                                     std::uint64_t* totalFree) {
  const SimFault* fault = Enter("GetDiskFreeSpaceEx", Utf8(folder));
  if (fault) return Fail(fault->error);
  auto it = m_device.folders.find(folder.str());
  if (it == m_device.folders.end()) return Fail(ERROR_PATH_NOT_FOUND);
  std::uint64_t freeBytes = 0, totalBytes = 0;
  if (!it->second.freeBytes || !it->second.totalBytes) {
    struct statvfs st {};
    if (::statvfs(it->second.path.c_str(), &st) != 0) return Fail(ERROR_PATH_NOT_FOUND);
    freeBytes = std::uint64_t{st.f_bavail} * st.f_frsize;
    totalBytes = std::uint64_t{st.f_blocks} * st.f_frsize;
  }
  if (freeToCaller) *freeToCaller = it->second.freeBytes.value_or(freeBytes);
  if (total) *total = it->second.totalBytes.value_or(totalBytes);
  if (totalFree) *totalFree = it->second.freeBytes.value_or(freeBytes);
  return 1;
}

LONG SimServices::RegOpenKeyEx(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* key) {
  (void)options, (void)access;
  const SimFault* fault = Enter("RegOpenKeyEx", Utf8(subKey));
  if (fault) return static_cast<LONG>(fault->error ? fault->error : ERROR_FILE_NOT_FOUND);
  const std::u16string& path = subKey.str();
  if (root != HKEY_LOCAL_MACHINE || !key || path.compare(0, kProfilesKey.size(), kProfilesKey) != 0 ||
      path.back() != u'\\')
    return ERROR_FILE_NOT_FOUND;
  const std::u16string profile = path.substr(kProfilesKey.size(), path.size() - kProfilesKey.size() - 1);
  if (!m_device.registry.count(profile)) return ERROR_FILE_NOT_FOUND;
  Handle h(Kind::Key);
  h.folder = profile;
  *key = NewHandle(h);
  return ERROR_SUCCESS;
}

LONG SimServices::RegQueryValueEx(HKEY key, const CString& valueName, DWORD* type, BYTE* data, DWORD* size) {
  const SimFault* fault = Enter("RegQueryValueEx", Utf8(valueName));
  if (fault) return static_cast<LONG>(fault->error ? fault->error : ERROR_FILE_NOT_FOUND);
  Handle* h = Find(key, {Kind::Key});
  if (!h || !size) return ERROR_INVALID_PARAMETER;
  const std::optional<CString>& value = m_device.registry.at(h->folder);
  if (valueName != CString(u"Folder") || !value) return ERROR_FILE_NOT_FOUND;
  const DWORD needed = static_cast<DWORD>((value->GetLength() + 1) * sizeof(WCHAR));
  if (type) *type = 1;  // a string
  if (!data || *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value->c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG SimServices::RegCloseKey(HKEY key) {
  Enter("RegCloseKey", "");
  if (!Find(key, {Kind::Key})) return ERROR_INVALID_HANDLE;
  m_handles.erase(key);
  return ERROR_SUCCESS;
}

void SimServices::GlobalMemoryStatus(MEMORYSTATUS* status) {
  Enter("GlobalMemoryStatus", "");
  const DWORD length = status->dwLength;
  *status = MEMORYSTATUS{};
  status->dwLength = length;
  status->dwTotalVirtual = 32u << 20 > m_device.availVirtual ? 32u << 20 : m_device.availVirtual;
  status->dwAvailVirtual = m_device.availVirtual;
}

void* SimServices::Allocate(std::size_t size) {
  const SimFault* fault = Enter("alloc", std::to_string(size));
  if (fault) return Fail(fault->error ? fault->error : ERROR_NOT_ENOUGH_MEMORY), nullptr;
  void* block = std::malloc(size);
  if (block) ++m_blocks;
  return block;
}

void SimServices::Release(void* block) {
  Enter("release", "");
  if (block) --m_blocks;
  std::free(block);
}

CString SimServices::FormatMessage(DWORD flags, DWORD code, DWORD languageId) {
  (void)flags, (void)languageId;
  static const std::map<DWORD, const char16_t*> texts = {
      {ERROR_SUCCESS, u"The operation completed successfully."},
      {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
      {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
      {ERROR_ACCESS_DENIED, u"Access is denied."},
      {ERROR_INVALID_HANDLE, u"The handle is invalid."},
      {ERROR_NOT_ENOUGH_MEMORY, u"Not enough storage is available to process this command."},
      {ERROR_NO_MORE_FILES, u"There are no more files."},
      {ERROR_NOT_READY, u"The device is not ready."},
      {ERROR_CRC, u"Data error (cyclic redundancy check)."},
      {ERROR_SECTOR_NOT_FOUND, u"The drive cannot find the sector requested."},
      {ERROR_WRITE_FAULT, u"The system cannot write to the specified device."},
      {ERROR_READ_FAULT, u"The system cannot read from the specified device."},
      {ERROR_HANDLE_EOF, u"Reached the end of the file."},
      {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
      {ERROR_DISK_FULL, u"There is not enough space on the disk."},
      {ERROR_MORE_DATA, u"More data is available."},
      {ERROR_NO_MORE_ITEMS, u"No more data is available."},
      {ERROR_IO_DEVICE, u"The request could not be performed because of an I/O device error."},
  };
  auto it = texts.find(code);
  return it == texts.end() ? CString() : CString(it->second);
}
