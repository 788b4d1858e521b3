// The host backend on real kernel objects: image files attached as loop devices with partition nodes,
// an ext4 partition mounted as the destination folder, and a user without permission to open devices
// (these need root and loop devices; elsewhere each says why and skips); and the program's command line
// on this machine as it is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "platform/linux/host_folders.h"
#include "tests/host_fixture.h"

namespace {

struct Output {
  int status = -1;
  std::string text;
};

// Runs a shell command; its exit status and what it printed (stdout and stderr).
Output Shell(const std::string& command) {
  Output out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.text.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Why loop devices cannot be used here, or empty when they can.
std::string WhyNoLoops() {
  if (::geteuid() != 0) return "not root: loop devices, partition nodes and mounts need root";
  if (!std::filesystem::exists("/dev/loop-control")) return "no /dev/loop-control: this kernel has no loop devices";
  for (const char* tool : {"losetup", "partx", "mkfs.ext4", "mount", "umount"}) {
    if (Shell(std::string("command -v ") + tool).status != 0) return std::string(tool) + " is not installed";
  }
  if (Shell("losetup -f").status != 0) return "no free loop device";
  return {};
}

#define SKIP_WITHOUT_LOOPS()               \
  do {                                     \
    const std::string why = WhyNoLoops();  \
    if (!why.empty()) GTEST_SKIP() << why; \
  } while (0)

// Attaches and mounts, or skips the test with the kernel's reason.
#define ATTACH_OR_SKIP(sectors)                                                 \
  do {                                                                          \
    const std::string refused = Attach(sectors);                                \
    if (!refused.empty()) GTEST_SKIP() << "the kernel did not go along: " << refused; \
  } while (0)

// An image attached as a loop device with partition nodes; detached again whatever happens.
class LoopDevice {
 public:
  LoopDevice(const std::string& file, bool readOnly) {
    const Output out = Shell(std::string("losetup -f --show ") + (readOnly ? "-r " : "") + Quote(file));
    if (out.status != 0) {
      m_error = "losetup: " + out.text;
      return;
    }
    m_node = out.text.substr(0, out.text.find('\n'));
    const Output parts = Shell("partx -a " + m_node);
    if (parts.status != 0) m_error = "partx -a: " + parts.text;
  }
  ~LoopDevice() {
    if (m_node.empty()) return;
    Shell("partx -d " + m_node);
    Shell("losetup -d " + m_node);
  }
  const std::string& Error() const { return m_error; }
  const std::string& Node() const { return m_node; }                      // "/dev/loop3"
  std::string Name() const { return m_node.substr(m_node.rfind('/') + 1); }  // "loop3"
  std::string Partition(int n) const { return m_node + "p" + std::to_string(n); }

 private:
  std::string m_node;
  std::string m_error;
};

// A file system mounted on a directory; unmounted again whatever happens.
class Mounted {
 public:
  Mounted(const std::string& device, const std::string& dir) : m_dir(dir) {
    std::filesystem::create_directories(dir);
    const Output out = Shell("mount " + Quote(device) + " " + Quote(dir));
    if (out.status != 0) m_error = "mount: " + out.text;
  }
  ~Mounted() {
    if (m_error.empty() && Shell("umount " + Quote(m_dir)).status != 0) Shell("umount -l " + Quote(m_dir));
  }
  const std::string& Error() const { return m_error; }

 private:
  std::string m_dir;
  std::string m_error;
};

// `cmp` of `length` bytes of `source` from `offset` against the whole of `image`.
void ExpectSameBytes(const std::string& source, std::uint64_t offset, std::uint64_t length, const std::string& image) {
  ASSERT_TRUE(std::filesystem::exists(image)) << image;
  EXPECT_EQ(std::filesystem::file_size(image), length) << image;
  const Output out = Shell("cmp -n " + std::to_string(length) + " -i " + std::to_string(offset) + ":0 " +
                           Quote(source) + " " + Quote(image));
  EXPECT_EQ(out.status, 0) << out.text;
}

constexpr std::uint64_t kSourceSectors = 16384;  // 8 MiB
const std::vector<BootEntry> kSourceTable = {{0x0C, 63, 2000}, {0x83, 4096, 8192}};

class HostLoop : public ::testing::Test {
 protected:
  // The source and a destination with one ext4 partition of `destSectors`, both attached and the
  // ext4 mounted; the reason when the kernel does not go along (then the test skips), else empty.
  std::string Attach(std::uint64_t destSectors) {
    WriteDiskImage(source, kSourceSectors, kSourceTable);
    WriteDiskImage(dest, 2048 + destSectors, {{0x83, 2048, static_cast<DWORD>(destSectors)}});
    src = std::make_unique<LoopDevice>(source, true);  // read-only: the source cannot be written
    dst = std::make_unique<LoopDevice>(dest, false);
    if (!src->Error().empty() || !dst->Error().empty()) return src->Error() + dst->Error();
    const Output mkfs = Shell("mkfs.ext4 -q -F " + dst->Partition(1));
    if (mkfs.status != 0) return "mkfs.ext4: " + mkfs.text;
    mounted = std::make_unique<Mounted>(dst->Partition(1), mnt);
    return mounted->Error();
  }
  // The host as it sees these two devices only; the root file system's home is left out so that the
  // ext4 partition is the one destination.
  std::unique_ptr<HostServices> Host() {
    HostOptions o;
    o.onlyDevices = {src->Name(), dst->Name()};
    o.home = "";
    std::string error;
    auto host = HostServices::Create(o, error);
    EXPECT_TRUE(host) << error;
    return host;
  }
  void TearDown() override {
    mounted.reset();  // unmount before the devices go
    dst.reset();
    src.reset();
  }

  TempDir dir;
  const std::string source = dir / "src.img";
  const std::string dest = dir / "dst.img";
  const std::string mnt = dir / "mnt";
  std::unique_ptr<LoopDevice> src, dst;
  std::unique_ptr<Mounted> mounted;
};

}  // namespace

TEST_F(HostLoop, ListsLoopDevicesWithPartitionsFileSystemsAndTheMountFolder) {
  SKIP_WITHOUT_LOOPS();
  ATTACH_OR_SKIP(30720);
  auto host = Host();
  ASSERT_TRUE(host);
  ASSERT_EQ(host->Stores().size(), 2u);
  const HostStore& s = host->Stores()[0].kernelName == src->Name() ? host->Stores()[0] : host->Stores()[1];
  const HostStore& d = &s == &host->Stores()[0] ? host->Stores()[1] : host->Stores()[0];
  EXPECT_EQ(s.device, src->Name());
  EXPECT_EQ(s.storeName, "src.img");
  EXPECT_EQ(s.sectors, kSourceSectors);
  EXPECT_EQ(s.bytesPerSector, 512u);
  ASSERT_EQ(s.partitions.size(), 2u);
  EXPECT_EQ(s.partitions[1].name, src->Name() + "p2");
  EXPECT_EQ(s.partitions[1].sectors, 8192u);
  EXPECT_TRUE(s.folder.empty()) << "nothing of the source is mounted";
  ASSERT_EQ(d.partitions.size(), 1u);
  EXPECT_EQ(d.partitions[0].fileSystem, "ext4");
  EXPECT_EQ(d.folder, FolderFromPath(mnt)) << "the mounted partition's folder";
}

TEST_F(HostLoop, EveryModeDumpsARealDeviceByteExactIntoTheMountedPartition) {
  SKIP_WITHOUT_LOOPS();
  ATTACH_OR_SKIP(61440);  // 30 MiB of ext4: room for all three images
  const std::string dev = src->Name();
  struct Case {
    const char* mode;
    std::vector<UserStep> steps;
    std::string file;
    std::uint64_t offset, length;
  } cases[] = {
      {"full", kFullSteps, dev + "_0_8388608.img", 0, kSourceSectors * 512},
      {"partition", PartitionSteps(1), dev + "_" + dev + "p2_0_4194304.img", 4096 * 512, 8192 * 512},
      {"hidden", kHiddenSteps, dev + "_Hidden_1055744_1041408.img", 2062 * 512, 2034 * 512},
  };
  for (const Case& c : cases) {
    auto host = Host();
    ASSERT_TRUE(host);
    AnySession s;
    s.Run(*host, DumpScript(CString::FromUtf8(dev), c.steps));
    EXPECT_EQ(s.BoxTexts(), std::vector<CString>{u"Done"}) << c.mode << "\n" << s.Panel();
    ExpectSameBytes(source, c.offset, c.length, mnt + "/" + c.file);
    EXPECT_EQ(host->OpenHandles(), 0u);
  }
}

TEST_F(HostLoop, AFullDestinationIsAWriteFailureNeverDone) {
  SKIP_WITHOUT_LOOPS();
  ATTACH_OR_SKIP(4096);  // 2 MiB of ext4 for a 4 MiB partition: Partition mode checks no space
  auto host = Host();
  ASSERT_TRUE(host);
  AnySession s;
  s.Run(*host, DumpScript(CString::FromUtf8(src->Name()), PartitionSteps(1)));
  EXPECT_EQ(s.BoxTexts(), (std::vector<CString>{u"WriteFile failed with error 28: No space left on device",
                                                u"Done with errors.\nResulting file may be compromised!"}));
  EXPECT_EQ(host->OpenHandles(), 0u);
}

TEST_F(HostLoop, AUserWithoutPermissionListsTheStoresAndIsToldWhyItCannotOpenThem) {
  SKIP_WITHOUT_LOOPS();
  if (Shell("command -v setpriv").status != 0) GTEST_SKIP() << "setpriv is not installed";
  ATTACH_OR_SKIP(4096);
  // A copy of the program where the unprivileged user can reach it (the build may lie under /root).
  const std::string exe = dir / "vorsk";
  std::filesystem::copy_file(VORSK_EXE, exe);
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                               std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                               std::filesystem::perms::others_exec);
  const std::string asNobody = "cd / && setpriv --reuid=65534 --regid=65534 --clear-groups -- " + Quote(exe);
  const Output list = Shell(asNobody + " list");
  EXPECT_EQ(list.status, 0) << list.text;
  EXPECT_NE(list.text.find("Stores found:"), std::string::npos) << list.text;
  const Output hidden = Shell(asNobody + " act store=" + src->Name() + " hidden");
  EXPECT_EQ(hidden.status, 0) << hidden.text;
  EXPECT_NE(hidden.text.find("OpenStore failed with error 13: Permission denied"), std::string::npos) << hidden.text;
  const Output dump = Shell(asNobody + " dump --store " + src->Name());
  EXPECT_NE(dump.status, 0) << "a dump that cannot open its source is no success";
}

TEST(HostMachine, ListsThisMachinesStoresWithoutACrash) {
  const Output list = Shell(Quote(VORSK_EXE) + " list");
  EXPECT_EQ(list.status, 0) << list.text;
  EXPECT_TRUE(list.text.find("Stores found:") != std::string::npos || list.text.find("No Store found") != std::string::npos)
      << list.text;
}

TEST(HostMachine, TheCommandLineTakesImagesAndDestinationsAndRefusesBadOnes) {
  TempDir dir;
  WriteDiskImage(dir / "card.img", 4096, {{0x0C, 63, 1000}, {0x83, 2048, 2048}});
  std::filesystem::create_directories(dir / "out");
  const Output act = Shell(Quote(VORSK_EXE) + " --image " + Quote(dir / "card.img") + " --dest " + Quote(dir / "out") +
                           " act store=img0 partition");
  EXPECT_EQ(act.status, 0) << act.text;
  EXPECT_NE(act.text.find("\\" + FolderFromPath(dir / "out") + "\t\t"), std::string::npos) << act.text;
  EXPECT_NE(act.text.find("2 partitions."), std::string::npos) << act.text;

  const Output missing = Shell(Quote(VORSK_EXE) + " --image " + Quote(dir / "none.img") + " list");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.text, "vorsk: --image " + (dir / "none.img") + ": No such file or directory\n");
  const Output notDir = Shell(Quote(VORSK_EXE) + " --dest " + Quote(dir / "card.img") + " list");
  EXPECT_EQ(notDir.status, 2);
  EXPECT_EQ(notDir.text, "vorsk: --dest " + (dir / "card.img") + ": not a directory\n");
}
