// One contract for every backend of the system services: the simulated device and the host with an
// image file answer the same enumeration, partition, read, short-read, file and error requests alike.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/linux/host_folders.h"
#include "platform/linux/host_services.h"
#include "platform/sim/sim_services.h"
#include "storage/record_text.h"
#include "tests/host_fixture.h"

namespace {

constexpr std::uint64_t kSectors = 4096;
const std::vector<BootEntry> kTable = {{0x0C, 63, 1000}, {0x83, 2048, 2048}};

// A backend set up on the image `dir`/disk.img with the folder `dir`/card as its only folder.
struct Backend {
  std::unique_ptr<StorageServices> sys;
  CString device;
  CString folder;  // the registry's "Folder" value for the store
  std::function<std::size_t()> openHandles;
};

Backend MakeSim(const TempDir& dir) {
  SimStore s = MakeStore(u"DSK1:", u"SDMemory", kSectors);
  s.image = dir / "disk.img";
  s.partitions = {{u"Part00", u"", 0x0C, 1000}, {u"Part01", u"", 0x83, 2048}};
  SimDevice d;
  d.stores = {s};
  d.registry = {{u"SDMemory", CString(u"Storage Card")}};
  d.folders[u"Storage Card"] = {dir / "card", std::nullopt, std::nullopt};
  auto sim = std::make_unique<SimServices>(std::move(d));
  SimServices* raw = sim.get();
  return {std::move(sim), u"DSK1:", u"Storage Card", [raw] { return raw->OpenHandles(); }};
}

Backend MakeHost(const TempDir& dir) {
  std::string error;
  std::unique_ptr<HostServices> host = HostServices::Create(ImagesOnly(dir, {dir / "disk.img"}, {dir / "card"}), error);
  EXPECT_TRUE(host) << error;
  HostServices* raw = host.get();
  return {std::move(host), u"img0", CString::FromUtf8(FolderFromPath(dir / "card")), [raw] { return raw->OpenHandles(); }};
}

struct Param {
  const char* name;
  Backend (*make)(const TempDir&);
};
void PrintTo(const Param& p, std::ostream* os) { *os << p.name; }

class ServicesContract : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "card");
    WriteDiskImage(dir / "disk.img", kSectors, kTable);
    backend = GetParam().make(dir);
    ASSERT_TRUE(backend.sys);
    sys = backend.sys.get();
  }
  void TearDown() override { EXPECT_EQ(backend.openHandles(), 0u) << "every handle is closed again"; }

  // The folder the registry gives for the one store.
  CString Folder() {
    STOREINFO info{};
    info.cbSize = sizeof(info);
    const HANDLE search = sys->FindFirstStore(&info);
    sys->FindCloseStore(search);
    HKEY key = 0;
    EXPECT_EQ(sys->RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                                CString(u"System\\StorageManager\\Profiles\\") + FieldText(info.sdi.szProfile) + u"\\",
                                0, 0, &key),
              0);
    WCHAR value[260] = {};
    DWORD size = sizeof(value);
    EXPECT_EQ(sys->RegQueryValueEx(key, u"Folder", nullptr, reinterpret_cast<BYTE*>(value), &size), 0);
    sys->RegCloseKey(key);
    return FieldText(value);
  }

  // Reads `count` sectors from `start`; the bytes on success, nullopt on failure.
  std::optional<std::string> Read(HANDLE h, DWORD start, DWORD count, DWORD room = 0) {
    std::vector<BYTE> buffer(count * 512 + 1);
    SG_REQ r{};
    r.sr_start = start;
    r.sr_num_sec = count;
    r.sr_num_sg = 1;
    r.sr_sglist[0].sb_buf = buffer.data();
    r.sr_sglist[0].sb_len = room ? room : count * 512;
    DWORD returned = 0;
    if (!sys->DeviceIoControl(h, IOCTL_DISK_READ, &r, sizeof(r), nullptr, 0, &returned)) return std::nullopt;
    return std::string(buffer.begin(), buffer.begin() + count * 512);
  }

  // The failure left a code with a text of its own.
  void ExpectExplained(const char* what) {
    const DWORD code = sys->GetLastError();
    EXPECT_NE(code, 0u) << what;
    EXPECT_FALSE(sys->FormatMessage(FORMAT_MESSAGE_FLAGS, code, LANG_NEUTRAL_DEFAULT).IsEmpty()) << what;
  }

  TempDir dir;
  Backend backend;
  StorageServices* sys = nullptr;
};

}  // namespace

TEST_P(ServicesContract, EnumeratesTheStoreAndItsFolder) {
  STOREINFO info{};
  info.cbSize = sizeof(info);
  const HANDLE search = sys->FindFirstStore(&info);
  ASSERT_NE(search, 0);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FieldText(info.szDeviceName), backend.device);
  EXPECT_EQ(info.snNumSectors, kSectors);
  EXPECT_EQ(info.dwBytesPerSector, 512u);
  EXPECT_EQ(info.dwPartitionCount, 2u);
  EXPECT_FALSE(FieldText(info.sdi.szProfile).IsEmpty());
  EXPECT_EQ(sys->FindNextStore(search, &info), 0) << "one store only";
  EXPECT_EQ(sys->GetLastError(), ERROR_NO_MORE_ITEMS);  // the end of the search is not a failure
  EXPECT_EQ(sys->FindCloseStore(search), 1);

  const CString folder = Folder();
  EXPECT_EQ(folder, backend.folder);
  std::uint64_t free = 0, total = 0, totalFree = 0;
  ASSERT_TRUE(sys->GetDiskFreeSpaceEx(folder, &free, &total, &totalFree));
  EXPECT_GT(total, 0u);
  EXPECT_LE(free, total);
  EXPECT_FALSE(sys->GetDiskFreeSpaceEx(u"no\\such\\folder", &free, &total, &totalFree));

  HKEY key = 0;
  EXPECT_NE(sys->RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"System\\StorageManager\\Profiles\\NoSuchProfile\\", 0, 0, &key), 0);
  // A buffer too small for the value: ERROR_MORE_DATA and the size it needs.
  STOREINFO again{};
  again.cbSize = sizeof(again);
  sys->FindCloseStore(sys->FindFirstStore(&again));
  ASSERT_EQ(sys->RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                              CString(u"System\\StorageManager\\Profiles\\") + FieldText(again.sdi.szProfile) + u"\\", 0,
                              0, &key),
            0);
  WCHAR small[2] = {};
  DWORD size = sizeof(small);
  EXPECT_EQ(sys->RegQueryValueEx(key, u"Folder", nullptr, reinterpret_cast<BYTE*>(small), &size), static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(size, (folder.GetLength() + 1) * sizeof(WCHAR));
  EXPECT_NE(sys->RegQueryValueEx(key, u"Other", nullptr, reinterpret_cast<BYTE*>(small), &size), 0);
  EXPECT_EQ(sys->RegCloseKey(key), 0);

  MEMORYSTATUS memory{};
  memory.dwLength = sizeof(memory);
  sys->GlobalMemoryStatus(&memory);
  EXPECT_GT(memory.dwAvailVirtual, 0u);
}

TEST_P(ServicesContract, ListsPartitionsInTableOrder) {
  const HANDLE store = sys->OpenStore(backend.device);
  ASSERT_NE(store, INVALID_HANDLE_VALUE);
  PARTINFO info{};
  info.cbSize = sizeof(info);
  const HANDLE search = sys->FindFirstPartition(store, &info);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::pair<int, std::uint64_t>> rows = {{info.bPartType, info.snNumSectors}};
  while (sys->FindNextPartition(search, &info) == 1) rows.emplace_back(info.bPartType, info.snNumSectors);
  EXPECT_EQ(sys->GetLastError(), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(rows, (std::vector<std::pair<int, std::uint64_t>>{{0x0C, 1000}, {0x83, 2048}}));
  EXPECT_EQ(sys->FindClosePartition(search), 1);
  EXPECT_EQ(sys->CloseHandle(store), 1);
}

TEST_P(ServicesContract, ReadsSectorsAndRefusesWhatLeavesTheStore) {
  const std::string image = ReadFileBytes(dir / "disk.img");
  for (HANDLE h : {sys->OpenStore(backend.device),
                   sys->CreateFile(backend.device, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_SYSTEM)}) {
    ASSERT_NE(h, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DISK_INFO info{};
    DWORD returned = 0;
    ASSERT_TRUE(sys->DeviceIoControl(h, IOCTL_DISK_GETINFO, nullptr, 0, &info, sizeof(info), &returned));
    EXPECT_EQ(info.di_bytes_per_sect, 512u);
    EXPECT_EQ(Read(h, 0, 1), image.substr(0, 512));
    EXPECT_EQ(Read(h, 2048, 16), image.substr(2048 * 512, 16 * 512));
    EXPECT_EQ(Read(h, kSectors - 1, 1), image.substr((kSectors - 1) * 512));
    EXPECT_EQ(Read(h, kSectors - 1, 2), std::nullopt) << "a range across the end";
    ExpectExplained("across the end");
    EXPECT_EQ(Read(h, 0xFFFFFFFF, 1), std::nullopt) << "a range beyond the end";
    EXPECT_EQ(Read(h, 0, 2, 512), std::nullopt) << "a buffer too small for the sectors";
    EXPECT_EQ(sys->CloseHandle(h), 1);
  }
}

TEST_P(ServicesContract, AStoreThatShrinksFailsTheReadsPastItsNewEnd) {
  const HANDLE h = sys->OpenStore(backend.device);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Read(h, 0, 1));
  ASSERT_EQ(::truncate((dir / "disk.img").c_str(), 1000 * 512), 0);
  EXPECT_TRUE(Read(h, 999, 1)) << "what is left still reads";
  EXPECT_EQ(Read(h, 999, 2), std::nullopt) << "a short read is a failed read, never a partial success";
  ExpectExplained("short read");
  EXPECT_EQ(Read(h, 3000, 8), std::nullopt);
  EXPECT_EQ(sys->CloseHandle(h), 1);
}

TEST_P(ServicesContract, CreatesImagesOnlyInsideItsFolders) {
  const CString folder = Folder();
  const CString path = CString(u"\\") + folder + u"\\out.img";
  for (const std::string& content : {std::string(1024, 'a'), std::string(512, 'b')}) {
    const HANDLE f = sys->CreateFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    ASSERT_NE(f, 0);
    DWORD written = 0;
    EXPECT_TRUE(sys->WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written));
    EXPECT_EQ(written, content.size());
    EXPECT_TRUE(sys->FlushFileBuffers(f));
    EXPECT_EQ(sys->CloseHandle(f), 1);
    EXPECT_EQ(ReadFileBytes(dir / "card/out.img"), content) << "an existing file is replaced";
  }
  struct Bad {
    CString path;
    DWORD access, disposition;
  } bad[] = {
      {CString(u"\\") + folder + u"\\..\\escape.img", GENERIC_WRITE, CREATE_ALWAYS},
      {CString(u"\\") + folder + u"\\", GENERIC_WRITE, CREATE_ALWAYS},
      {u"\\no\\such\\folder\\x.img", GENERIC_WRITE, CREATE_ALWAYS},
      {u"x.img", GENERIC_WRITE, CREATE_ALWAYS},
      {backend.device, GENERIC_WRITE, OPEN_EXISTING},  // a source is never opened for writing
      {u"NOSUCH", GENERIC_READ, OPEN_EXISTING},
  };
  for (const Bad& b : bad) {
    const HANDLE h = sys->CreateFile(b.path, b.access, 0, b.disposition, 0);
    EXPECT_TRUE(h == 0 || h == INVALID_HANDLE_VALUE) << b.path;
    ExpectExplained(b.path.ToUtf8().c_str());
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "escape.img"));
}

TEST_P(ServicesContract, ExplainsFailedOpensAndBadHandles) {
  const HANDLE h = sys->OpenStore(u"NOSUCH");
  EXPECT_TRUE(h == 0 || h == INVALID_HANDLE_VALUE);
  ExpectExplained("unknown store");
  EXPECT_EQ(sys->CloseHandle(0x7777), 0);
  DISK_INFO info{};
  EXPECT_EQ(sys->DeviceIoControl(0x7777, IOCTL_DISK_GETINFO, nullptr, 0, &info, sizeof(info), nullptr), 0);
  ExpectExplained("bad handle");
  std::remove((dir / "disk.img").c_str());
  const HANDLE gone = sys->OpenStore(backend.device);
  if (gone != 0 && gone != INVALID_HANDLE_VALUE) {
    EXPECT_EQ(Read(gone, 0, 1), std::nullopt) << "an image that went away cannot be read";
    sys->CloseHandle(gone);
  }
  ExpectExplained("image gone");
}

INSTANTIATE_TEST_SUITE_P(Backends, ServicesContract,
                         ::testing::Values(Param{"Sim", MakeSim}, Param{"Host", MakeHost}),
                         [](const ::testing::TestParamInfo<Param>& p) { return std::string(p.param.name); });
