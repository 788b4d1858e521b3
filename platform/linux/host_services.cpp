// The host's services: handles over file descriptors, sector reads with pread, files created inside the
// registry's folders only, errors as errno with strerror's text.
#include "platform/linux/host_services.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/linux/host_discovery.h"
#include "platform/linux/host_folders.h"
#include "platform/linux/mem_info.h"
#include "storage/record_text.h"

namespace {

const std::u16string kProfilesKey = u"System\\StorageManager\\Profiles\\";
constexpr std::size_t kPageAlignment = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

std::unique_ptr<HostServices> HostServices::Create(const HostOptions& options, std::string& error) {
  std::unique_ptr<HostServices> host(new HostServices(options));
  auto stores = DiscoverStores(options, error);
  if (!stores) return nullptr;
  host->m_stores = std::move(*stores);
  return host;
}

HostServices::~HostServices() {
  for (auto& [h, handle] : m_handles) {
    if (handle.fd >= 0) ::close(handle.fd);
  }
}

HANDLE HostServices::Fail(int error) {
  m_lastError = static_cast<DWORD>(error);
  return 0;
}

HANDLE HostServices::NewHandle(const Handle& handle) {
  const HANDLE h = m_nextHandle++;
  m_handles.emplace(h, handle);
  return h;
}

HostServices::Handle* HostServices::Find(HANDLE h, Kind kind) {
  auto it = m_handles.find(h);
  return it == m_handles.end() || it->second.kind != kind ? nullptr : &it->second;
}

int HostServices::StoreByDevice(const CString& name) const {
  const std::string wanted = name.ToUtf8();
  for (size_t i = 0; i < m_stores.size(); ++i) {
    if (m_stores[i].device == wanted) return static_cast<int>(i);
  }
  return -1;
}

void HostServices::FillStoreInfo(int store, STOREINFO* info) const {
  const HostStore& s = m_stores[static_cast<size_t>(store)];
  const DWORD size = info->cbSize;
  *info = STOREINFO{};
  info->cbSize = size;
  SetFieldText(info->szDeviceName, CString::FromUtf8(s.device));
  SetFieldText(info->szStoreName, CString::FromUtf8(s.storeName));
  info->sdi.cbSize = sizeof(STORAGEDEVICEINFO);
  SetFieldText(info->sdi.szProfile, CString::FromUtf8(s.device));  // each store is a profile of its own
  info->snNumSectors = s.sectors;
  info->dwBytesPerSector = s.bytesPerSector;
  info->dwPartitionCount = static_cast<DWORD>(s.partitions.size());
}

HANDLE HostServices::FindFirstStore(STOREINFO* info) {
  if (!info || info->cbSize != sizeof(STOREINFO)) return Fail(EINVAL), INVALID_HANDLE_VALUE;
  if (m_stores.empty()) return Fail(ENODEV), INVALID_HANDLE_VALUE;
  FillStoreInfo(0, info);
  return NewHandle({Kind::StoreSearch, -1, 1});
}

BOOL HostServices::FindNextStore(HANDLE search, STOREINFO* info) {
  Handle* h = Find(search, Kind::StoreSearch);
  if (!h || !info || info->cbSize != sizeof(STOREINFO)) return static_cast<BOOL>(Fail(EINVAL));
  // The end of a search is no error: it leaves the code the dialog knows as "no more items".
  if (h->next >= m_stores.size()) return static_cast<BOOL>(Fail(ERROR_NO_MORE_ITEMS));
  FillStoreInfo(static_cast<int>(h->next++), info);
  return 1;
}

BOOL HostServices::FindCloseStore(HANDLE search) {
  if (!Find(search, Kind::StoreSearch)) return static_cast<BOOL>(Fail(EBADF));
  m_handles.erase(search);
  return 1;
}

// Opens a store for reading, and only for reading.
HANDLE HostServices::OpenSource(int store) {
  const HostStore& s = m_stores[static_cast<size_t>(store)];
  const int fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(errno), INVALID_HANDLE_VALUE;
  struct stat st {};
  // The node must still be the device that was listed (or, for an image, a file or device).
  const bool same = ::fstat(fd, &st) == 0 &&
                    (s.isImage ? S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) : S_ISBLK(st.st_mode) && st.st_rdev == s.devno);
  if (!same) {
    ::close(fd);
    return Fail(ENODEV), INVALID_HANDLE_VALUE;
  }
  // One sequential pass: read ahead far, and leave the pages read where they were in the cache's order,
  // so that the copy does not push the rest of the system's pages out.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_NOREUSE);
  Handle h{Kind::Store, store};
  h.fd = fd;
  return NewHandle(h);
}

HANDLE HostServices::OpenStore(const CString& deviceName) {
  const int store = StoreByDevice(deviceName);
  if (store < 0) return Fail(ENOENT), INVALID_HANDLE_VALUE;
  return OpenSource(store);
}

bool HostServices::FillPartition(Handle& search, PARTINFO* info) const {
  const HostStore& s = m_stores[static_cast<size_t>(search.store)];
  if (search.next >= s.partitions.size()) return false;
  const HostPartition& p = s.partitions[search.next++];
  const DWORD size = info->cbSize;
  *info = PARTINFO{};
  info->cbSize = size;
  SetFieldText(info->szPartitionName, CString::FromUtf8(p.name));
  SetFieldText(info->szFileSys, CString::FromUtf8(p.fileSystem));
  info->snNumSectors = p.sectors;
  info->bPartType = p.type;
  return true;
}

HANDLE HostServices::FindFirstPartition(HANDLE store, PARTINFO* info) {
  Handle* h = Find(store, Kind::Store);
  if (!h || !info || info->cbSize != sizeof(PARTINFO)) return Fail(EINVAL), INVALID_HANDLE_VALUE;
  Handle search{Kind::PartitionSearch, h->store};
  if (!FillPartition(search, info)) return Fail(ENOENT), INVALID_HANDLE_VALUE;
  return NewHandle(search);
}

BOOL HostServices::FindNextPartition(HANDLE search, PARTINFO* info) {
  Handle* h = Find(search, Kind::PartitionSearch);
  if (!h || !info || info->cbSize != sizeof(PARTINFO)) return static_cast<BOOL>(Fail(EINVAL));
  if (!FillPartition(*h, info)) return static_cast<BOOL>(Fail(ERROR_NO_MORE_ITEMS));
  return 1;
}

BOOL HostServices::FindClosePartition(HANDLE search) {
  if (!Find(search, Kind::PartitionSearch)) return static_cast<BOOL>(Fail(EBADF));
  m_handles.erase(search);
  return 1;
}

BOOL HostServices::Read(Handle& store, const SG_REQ* request, DWORD inSize, DWORD* bytesReturned) {
  if (!request || inSize != sizeof(SG_REQ) || request->sr_num_sg != 1 || !request->sr_sglist[0].sb_buf)
    return static_cast<BOOL>(Fail(EINVAL));
  const HostStore& s = m_stores[static_cast<size_t>(store.store)];
  const std::uint64_t length = std::uint64_t{request->sr_num_sec} * s.bytesPerSector;
  if (length > request->sr_sglist[0].sb_len) return static_cast<BOOL>(Fail(EINVAL));
  // A range that leaves the store as it was listed reads nothing.
  if (std::uint64_t{request->sr_start} + request->sr_num_sec > s.sectors) return static_cast<BOOL>(Fail(ENXIO));
  const std::uint64_t offset = std::uint64_t{request->sr_start} * s.bytesPerSector;
  BYTE* out = request->sr_sglist[0].sb_buf;
  std::uint64_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(store.fd, out + done, static_cast<size_t>(length - done), static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return static_cast<BOOL>(Fail(errno));
    if (n == 0) return static_cast<BOOL>(Fail(ENXIO));  // the store ended early: it shrank or went away
    done += static_cast<std::uint64_t>(n);
  }
  if (bytesReturned) *bytesReturned = static_cast<DWORD>(length);
  return 1;
}

BOOL HostServices::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                   DWORD* bytesReturned) {
  Handle* h = Find(device, Kind::Store);
  if (!h) return static_cast<BOOL>(Fail(EBADF));
  if (code == IOCTL_DISK_GETINFO) {
    if (!out || outSize != sizeof(DISK_INFO)) return static_cast<BOOL>(Fail(EINVAL));
    const HostStore& s = m_stores[static_cast<size_t>(h->store)];
    auto* info = static_cast<DISK_INFO*>(out);
    *info = DISK_INFO{};
    info->di_total_sectors = static_cast<DWORD>(s.sectors);
    info->di_bytes_per_sect = s.bytesPerSector;
    if (bytesReturned) *bytesReturned = sizeof(DISK_INFO);
    return 1;
  }
  if (code == IOCTL_DISK_READ) return Read(*h, static_cast<const SG_REQ*>(in), inSize, bytesReturned);
  return static_cast<BOOL>(Fail(ENOTTY));
}

HANDLE HostServices::CreateFile(const CString& name, DWORD access, DWORD shareMode, DWORD disposition,
                                DWORD attributes) {
  (void)shareMode, (void)attributes;
  if (access == GENERIC_READ && disposition == OPEN_EXISTING) {
    // A source opened by name: the store's device name, with or without the colon of "DSK1:".
    CString device = name;
    device.Remove(u':');
    const int store = StoreByDevice(device);
    if (store < 0) return Fail(ENOENT), INVALID_HANDLE_VALUE;
    return OpenSource(store);
  }
  if (access != GENERIC_WRITE || disposition != CREATE_ALWAYS) return Fail(EACCES), INVALID_HANDLE_VALUE;

  // "\Folder\name": the folder must be one the registry gives, the name a plain file name in it.
  const std::string path = name.ToUtf8();
  const size_t cut = path.find_last_of('\\');
  if (path.empty() || path[0] != '\\' || cut == 0 || cut == std::string::npos) return Fail(ENOENT), INVALID_HANDLE_VALUE;
  const std::string folder = path.substr(1, cut - 1);
  const std::string file = path.substr(cut + 1);
  bool known = false;
  for (const HostStore& s : m_stores) known = known || (!s.folder.empty() && s.folder == folder);
  if (!known) return Fail(ENOENT), INVALID_HANDLE_VALUE;
  if (file.empty() || file == "." || file == ".." || file.find('/') != std::string::npos ||
      file.find('\0') != std::string::npos)
    return Fail(EINVAL), INVALID_HANDLE_VALUE;

  // Never through a link, never into a device or pipe that happens to carry the name.
  const std::string real = PathFromFolder(folder) + "/" + file;
  const int fd = ::open(real.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(errno), INVALID_HANDLE_VALUE;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Fail(EEXIST), INVALID_HANDLE_VALUE;
  }
  if (::fcntl(fd, F_SETFL, 0) != 0 || ::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    return Fail(error), INVALID_HANDLE_VALUE;
  }
  Handle h{Kind::File};
  h.fd = fd;
  return NewHandle(h);
}

BOOL HostServices::WriteFile(HANDLE file, const void* buffer, DWORD length, DWORD* written) {
  if (written) *written = 0;
  Handle* h = Find(file, Kind::File);
  if (!h || (!buffer && length)) return static_cast<BOOL>(Fail(EBADF));
  const auto* bytes = static_cast<const BYTE*>(buffer);
  DWORD done = 0;
  while (done < length) {
    const ssize_t n = WriteAtEnd(*h, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = done;
      return static_cast<BOOL>(Fail(n < 0 ? errno : ENOSPC));
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return WriteBehind(*h, done) ? 1 : static_cast<BOOL>(Fail(errno));
}

// Writes at the file's position. Where the file system can, the pages are written uncached: the kernel
// starts their writeback at once and drops them itself when it completes, so the copy neither fills the
// page cache nor pays for emptying it. Where it cannot (older kernels, tmpfs, some removable-media file
// systems), a plain write, and WriteBehind drops the pages instead.
ssize_t HostServices::WriteAtEnd(Handle& file, const BYTE* bytes, std::size_t length) {
  if (file.uncached) {
    const iovec part{const_cast<BYTE*>(bytes), length};  // pwritev2 only reads it
    const ssize_t n = ::pwritev2(file.fd, &part, 1, -1, kWriteUncached);  // -1: at the position, moving it
    if (n >= 0 || (errno != EOPNOTSUPP && errno != EINVAL && errno != ENOSYS)) return n;
    file.uncached = false;
  }
  return ::write(file.fd, bytes, length);
}

// Write-behind: the device starts on each block as soon as it is written; the block before it is waited
// for (and, unless the kernel drops it itself, dropped from the cache). So writeback runs alongside the
// copy, the file never holds more than two blocks of dirty pages, and an image leaves the rest of the
// system's page cache alone. Waiting consumes a writeback error that fsync would otherwise report: it is
// reported here instead.
bool HostServices::WriteBehind(Handle& file, std::uint64_t length) {
  const auto start = static_cast<off_t>(file.offset);
  if (::sync_file_range(file.fd, start, static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE) != 0) return false;
  if (file.lastLength > 0) {
    const auto last = static_cast<off_t>(file.offset - file.lastLength);
    const auto lastLength = static_cast<off_t>(file.lastLength);
    if (::sync_file_range(file.fd, last, lastLength,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) != 0)
      return false;
    if (!file.uncached) ::posix_fadvise(file.fd, last, lastLength, POSIX_FADV_DONTNEED);
  }
  file.offset += length;
  file.lastLength = length;
  return true;
}

BOOL HostServices::FlushFileBuffers(HANDLE file) {
  Handle* h = Find(file, Kind::File);
  if (!h) return static_cast<BOOL>(Fail(EBADF));
  if (::fsync(h->fd) != 0) return static_cast<BOOL>(Fail(errno));
  ::posix_fadvise(h->fd, 0, 0, POSIX_FADV_DONTNEED);  // the last block too: all of it is on the medium now
  return 1;
}

BOOL HostServices::CloseHandle(HANDLE handle) {
  auto it = m_handles.find(handle);
  if (it == m_handles.end() || (it->second.kind != Kind::Store && it->second.kind != Kind::File))
    return static_cast<BOOL>(Fail(EBADF));
  // A close that fails loses written data: report it (a file's data is fsync'ed before success anyway).
  const int result = ::close(it->second.fd);
  const int error = errno;
  m_handles.erase(it);
  if (result != 0 && error != EINTR) return static_cast<BOOL>(Fail(error));
  return 1;
}

BOOL HostServices::GetDiskFreeSpaceEx(const CString& folder, std::uint64_t* freeToCaller, std::uint64_t* total,
                                      std::uint64_t* totalFree) {
  const std::string text = folder.ToUtf8();
  if (text.empty()) return static_cast<BOOL>(Fail(ENOENT));
  struct statvfs st {};
  if (::statvfs(PathFromFolder(text).c_str(), &st) != 0) return static_cast<BOOL>(Fail(errno));
  if (freeToCaller) *freeToCaller = std::uint64_t{st.f_bavail} * st.f_frsize;
  if (total) *total = std::uint64_t{st.f_blocks} * st.f_frsize;
  if (totalFree) *totalFree = std::uint64_t{st.f_bfree} * st.f_frsize;
  return 1;
}

// The registry is a read-only view: one key per store with a folder, named after its device name.
LONG HostServices::RegOpenKeyEx(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* key) {
  (void)options, (void)access;
  const std::u16string& path = subKey.str();
  if (root != HKEY_LOCAL_MACHINE || !key || path.size() <= kProfilesKey.size() ||
      path.compare(0, kProfilesKey.size(), kProfilesKey) != 0 || path.back() != u'\\')
    return ERROR_FILE_NOT_FOUND;
  const CString profile(path.substr(kProfilesKey.size(), path.size() - kProfilesKey.size() - 1));
  const int store = StoreByDevice(profile);
  if (store < 0 || m_stores[static_cast<size_t>(store)].folder.empty()) return ERROR_FILE_NOT_FOUND;
  *key = NewHandle({Kind::Key, store});
  return ERROR_SUCCESS;
}

LONG HostServices::RegQueryValueEx(HKEY key, const CString& valueName, DWORD* type, BYTE* data, DWORD* size) {
  Handle* h = Find(key, Kind::Key);
  if (!h || !size) return ERROR_INVALID_PARAMETER;
  if (valueName != CString(u"Folder")) return ERROR_FILE_NOT_FOUND;
  const CString value = CString::FromUtf8(m_stores[static_cast<size_t>(h->store)].folder);
  const DWORD needed = static_cast<DWORD>((value.GetLength() + 1) * sizeof(WCHAR));
  if (type) *type = 1;  // a string
  if (!data || *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(data, value.c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG HostServices::RegCloseKey(HKEY key) {
  if (!Find(key, Kind::Key)) return ERROR_INVALID_HANDLE;
  m_handles.erase(key);
  return ERROR_SUCCESS;
}

void HostServices::GlobalMemoryStatus(MEMORYSTATUS* status) {
  const DWORD length = status->dwLength;
  *status = MEMORYSTATUS{};
  status->dwLength = length;
  std::ifstream in(m_options.memInfo);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::optional<std::uint64_t> available = AvailableMemory(text);
  std::optional<std::uint64_t> total = TotalMemory(text);
  struct sysinfo si {};
  if ((!available || !total) && ::sysinfo(&si) == 0) {  // without /proc: the kernel's own figures
    if (!available) available = std::uint64_t{si.freeram} * si.mem_unit;
    if (!total) total = std::uint64_t{si.totalram} * si.mem_unit;
  }
  status->dwTotalPhys = status->dwTotalVirtual = Cap32(total.value_or(0));
  status->dwAvailPhys = status->dwAvailVirtual = Cap32(available.value_or(0));
  if (total && available && *total > 0 && *available <= *total)
    status->dwMemoryLoad = static_cast<DWORD>(100 - *available * 100 / *total);
}

// Page-aligned, so the transfer buffer meets the page cache page by page; blocks of 2 MiB and more are
// aligned to huge pages.
void* HostServices::Allocate(std::size_t size) {
  void* block = nullptr;
  const bool large = size >= kHugePage;
  const int error = ::posix_memalign(&block, large ? kHugePage : kPageAlignment, size == 0 ? 1 : size);
  if (error != 0) return Fail(error), nullptr;
  // A transfer block then fills in a few huge faults instead of thousands of small ones.
  if (large) ::madvise(block, size / kHugePage * kHugePage, MADV_HUGEPAGE);
  return block;
}

void HostServices::Release(void* block) { std::free(block); }

CString HostServices::FormatMessage(DWORD flags, DWORD code, DWORD languageId) {
  (void)flags, (void)languageId;
  if (code == ERROR_NO_MORE_ITEMS) return CString(u"No more data is available.");
  char buffer[256] = {};
  // GNU strerror_r: the text may be a static string rather than the buffer.
  const char* text = ::strerror_r(static_cast<int>(code), buffer, sizeof(buffer));
  return CString::FromUtf8(text ? text : "");
}
