// The dialog on the host with disk image files, as a user drives it: every mode dumps the exact bytes,
// and every failure of the host shows errno with the system's text.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <filesystem>

#include "front/metered_services.h"
#include "platform/linux/host_folders.h"
#include "tests/host_fixture.h"

namespace {

constexpr std::uint64_t kSectors = 8192;
const std::vector<BootEntry> kTable = {{0x0C, 63, 1000}, {0x83, 2048, 1536}};

class HostDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "card");
    WriteDiskImage(image, kSectors, kTable);
  }
  std::unique_ptr<HostServices> Host() {
    std::string error;
    auto host = HostServices::Create(ImagesOnly(dir, {image}, {dir / "card"}), error);
    EXPECT_TRUE(host) << error;
    return host;
  }
  TempDir dir;
  const std::string image = dir / "sd.img";
  AnySession session;
};

}  // namespace

TEST_F(HostDialog, ShowsTheImageAsAStoreWithItsFolder) {
  auto host = Host();
  session.Run(*host, [&](HeadlessUser& user) {
    const std::string panel = session.Panel().ToUtf8();
    const std::string head = "Stores found:\n\\" + FolderFromPath(dir / "card") + "\t\t";
    EXPECT_EQ(panel.substr(0, head.size()), head);
    EXPECT_NE(panel.find("MB free\n\n Please select a store..."), std::string::npos) << panel;
    ASSERT_TRUE(user.SelectText(IDC_COMBO_STORE, u"img0"));
    ASSERT_TRUE(user.Click(IDC_RADIO_PART));
    EXPECT_EQ(session.ui.Control(IDC_COMBO_PART)->entries, (std::vector<CString>{u"img0p1", u"img0p2"}));
    ASSERT_TRUE(user.Select(IDC_COMBO_PART, 1));
    EXPECT_EQ(session.Panel(), CString(u"Partition name:\timg0p2\nStarting sector:\t0x800\nNo. of Sectors:\t0x600\n"
                                       u"Partition type:\t\t0x83\nFile System:\t\t"));
  });
  EXPECT_TRUE(session.Boxes().empty());
  EXPECT_EQ(host->OpenHandles(), 0u);
}

TEST_F(HostDialog, EveryModeDumpsTheExactBytes) {
  struct Case {
    const char* mode;
    std::vector<UserStep> steps;
    const char* file;
    std::uint64_t offset, length;
  } cases[] = {
      {"full", kFullSteps, "img0_0_4194304.img", 0, kSectors * 512},
      {"partition", PartitionSteps(1), "img0_img0p2_0_786432.img", 2048 * 512, 1536 * 512},
      {"hidden", kHiddenSteps, "img0_Hidden_543744_504832.img", 1062 * 512, 986 * 512},
  };
  const std::string before = ReadFileBytes(image);
  for (const Case& c : cases) {
    auto host = Host();
    AnySession s;
    s.Run(*host, DumpScript(u"img0", c.steps));
    EXPECT_EQ(s.BoxTexts(), std::vector<CString>{u"Done"}) << c.mode;
    const std::string out = dir / (std::string("card/") + c.file);
    ASSERT_TRUE(std::filesystem::exists(out)) << c.mode << ": " << s.Panel();
    EXPECT_TRUE(ReadFileBytes(out) == FileSlice(image, c.offset, c.length)) << c.mode;
    EXPECT_EQ(host->OpenHandles(), 0u);
  }
  EXPECT_TRUE(ReadFileBytes(image) == before) << "the source is never written";
}

// Whether `path` lies on tmpfs, which keeps every file in memory and refuses uncached writes.
static bool OnTmpfs(const std::string& path) {
  struct statfs fs {};
  return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == 0x01021994;
}

// Pages of `path` that are in the page cache.
static size_t CachedPages(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size == 0) return fd < 0 ? 0 : (::close(fd), 0);
  void* map = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> resident((static_cast<size_t>(st.st_size) + page - 1) / page);
  size_t count = 0;
  if (map != MAP_FAILED && ::mincore(map, static_cast<size_t>(st.st_size), resident.data()) == 0)
    for (unsigned char r : resident) count += r & 1;
  if (map != MAP_FAILED) ::munmap(map, static_cast<size_t>(st.st_size));
  return count;
}

// An image of several blocks goes to the medium as it is written and leaves none of its pages in the
// cache, where they would have pushed out the pages of everything else on the machine.
TEST_F(HostDialog, ADumpLeavesTheImageOnTheMediumNotInThePageCache) {
  if (OnTmpfs(dir / "card")) GTEST_SKIP() << "tmpfs keeps every file in memory";
  const std::uint64_t sectors = 3 * 16384;  // three 8 MiB blocks
  WriteDiskImage(image, sectors, kTable);
  auto host = Host();
  session.Run(*host, DumpScript(u"img0", kFullSteps));
  EXPECT_EQ(session.BoxTexts(), std::vector<CString>{u"Done"}) << session.Panel();
  const std::string out = dir / "card/img0_0_25165824.img";
  EXPECT_EQ(CachedPages(out), 0u);
  EXPECT_TRUE(ReadFileBytes(out) == ReadFileBytes(image));
}

// tmpfs refuses uncached writes: the copy goes on with plain writes from where it stands, and the image
// is exact over several blocks.
TEST_F(HostDialog, AFileSystemThatRefusesUncachedWritesGetsTheSameImage) {
  if (!OnTmpfs("/dev/shm")) GTEST_SKIP() << "no tmpfs at /dev/shm";
  const TempDir memory("/dev/shm");
  const std::uint64_t sectors = 3 * 16384 + 8;  // three 8 MiB blocks and a short one
  WriteDiskImage(image, sectors, kTable);
  std::string error;
  auto host = HostServices::Create(ImagesOnly(dir, {image}, {memory.Path()}), error);
  ASSERT_TRUE(host) << error;
  session.Run(*host, DumpScript(u"img0", kFullSteps));
  EXPECT_EQ(session.BoxTexts(), std::vector<CString>{u"Done"}) << session.Panel();
  EXPECT_TRUE(ReadFileBytes(memory / "img0_0_25169920.img") == ReadFileBytes(image));
  EXPECT_EQ(host->OpenHandles(), 0u);
}

TEST_F(HostDialog, FailuresShowErrnoWithTheSystemsText) {
  {  // the image went away after the start: the boot record cannot be read
    auto host = Host();
    std::filesystem::remove(image);
    session.Run(*host, [&](HeadlessUser& user) {
      ASSERT_TRUE(user.SelectText(IDC_COMBO_STORE, u"img0"));
      ASSERT_TRUE(user.Click(IDC_RADIO_HIDDEN));
    });
    EXPECT_EQ(session.BoxTexts(), std::vector<CString>{u"OpenStore failed with error 2: No such file or directory"});
    WriteDiskImage(image, kSectors, kTable);
  }
  {  // the destination folder went away: the image cannot be created
    auto host = Host();
    AnySession s;
    s.Run(*host, [&](HeadlessUser& user) {
      std::filesystem::remove_all(dir / "card");
      DumpScript(u"img0", kFullSteps)(user);
    });
    EXPECT_EQ(s.BoxTexts(), (std::vector<CString>{u"Create output file\n failed with error 2: No such file or directory",
                                                  u"Done with errors.\nResulting file may be compromised!"}));
    EXPECT_EQ(host->OpenHandles(), 0u);
  }
}

namespace {
// Cuts the image short once the copy has read its first block: a medium that shrinks mid-copy.
class ShrinkingSource : public MeteredServices {
 public:
  ShrinkingSource(StorageServices& inner, std::string image, off_t keep)
      : MeteredServices(inner), m_image(std::move(image)), m_keep(keep) {}
  BOOL DeviceIoControl(HANDLE d, DWORD c, void* in, DWORD is, void* out, DWORD os, DWORD* br) override {
    if (c == IOCTL_DISK_READ && ++m_reads == 4 && ::truncate(m_image.c_str(), m_keep) != 0) return 0;
    return MeteredServices::DeviceIoControl(d, c, in, is, out, os, br);
  }

 private:
  std::string m_image;
  off_t m_keep;
  int m_reads = 0;
};
}  // namespace

TEST_F(HostDialog, AStoreThatShrinksMidCopyIsAReadFailureNeverDone) {
  auto host = Host();
  // Partition 2 (1536 sectors) goes in three blocks of 512 sectors; reads 1 and 2 are the boot record's
  // (listing, choosing), read 3 the first block: the store shrinks before the second.
  ShrinkingSource shrinking(*host, image, (2048 + 600) * 512);
  session.Run(shrinking, DumpScript(u"img0", PartitionSteps(1)));
  EXPECT_EQ(session.BoxTexts(), (std::vector<CString>{u"IOCTL_DISK_READ failed with error 6: No such device or address",
                                                      u"Done with errors.\nResulting file may be compromised!"}));
  EXPECT_EQ(host->OpenHandles(), 0u);
}

TEST(HostStart, UnusableImagesAndDestinationsAreRefusedWithTheReason) {
  TempDir dir;
  WriteDiskImage(dir / "tiny.img", 0, {});
  std::filesystem::create_directories(dir / "d");
  WriteDiskImage(dir / "ok.img", 4, {});
  struct Case {
    std::vector<std::string> images, dests;
    std::string error;
  } cases[] = {
      {{dir / "missing.img"}, {}, "--image " + (dir / "missing.img") + ": No such file or directory"},
      {{dir / "tiny.img"}, {}, "--image " + (dir / "tiny.img") + ": holds no whole sector"},
      {{dir / "d"}, {}, "--image " + (dir / "d") + ": not a disk image file or block device"},
      {{dir / "ok.img"}, {dir / "nope"}, "--dest " + (dir / "nope") + ": No such file or directory"},
      {{dir / "ok.img"}, {dir / "ok.img"}, "--dest " + (dir / "ok.img") + ": not a directory"},
      {{dir / "ok.img"}, {dir / "d", dir / "d"}, ""},  // the second finds no store left without a folder
  };
  for (const Case& c : cases) {
    std::string error;
    auto host = HostServices::Create(ImagesOnly(dir, c.images, c.dests), error);
    if (c.error.empty()) {
      EXPECT_FALSE(host);
      EXPECT_NE(error.find("belongs to no store"), std::string::npos) << error;
    } else {
      EXPECT_FALSE(host);
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST_F(HostDialog, TheMemoryFigureIsTheKernelsCappedTo32Bits) {
  struct Case {
    const char* meminfo;
    DWORD availVirtual;
    std::vector<CString> boxes;  // of a full dump: 4 MiB blocks need 8 MiB available
  } cases[] = {
      {"MemTotal: 209715200 kB\nMemAvailable: 104857600 kB\n", 0xFFFFFFFFu, {u"Done"}},
      {"MemTotal: 16384 kB\nMemAvailable: 8192 kB\n", 8u << 20, {u"Done"}},
      {"MemTotal: 16384 kB\nMemAvailable: 8188 kB\n", 8188u << 10,
       {u"Please allocate more memory", u"Done with errors.\nResulting file may be compromised!"}},
  };
  for (const Case& c : cases) {
    std::ofstream(dir / "meminfo") << c.meminfo;
    HostOptions options = ImagesOnly(dir, {image}, {dir / "card"});
    options.memInfo = dir / "meminfo";
    std::string error;
    auto host = HostServices::Create(options, error);
    ASSERT_TRUE(host) << error;
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    host->GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwAvailVirtual, c.availVirtual) << c.meminfo;
    AnySession s;
    s.Run(*host, DumpScript(u"img0", kFullSteps));
    EXPECT_EQ(s.BoxTexts(), c.boxes) << c.meminfo;
  }
}
