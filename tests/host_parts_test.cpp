// The host backend's pure parts: names, partition rows, mount table, folders, memory figures, sysfs scan.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/device_names.h"
#include "platform/linux/host_folders.h"
#include "platform/linux/mem_info.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/partition_rows.h"
#include "platform/linux/sysfs_scan.h"
#include "storage/boot_record.h"
#include "tests/session.h"

TEST(HostNames, NaturalOrderAndAliases) {
  struct Less {
    const char* a;
    const char* b;
    bool want;
  } order[] = {{"loop2", "loop10", true}, {"loop10", "loop2", false}, {"sda", "sdb", true},
               {"nvme0n1", "nvme1n1", true}, {"loop02", "loop2", false},
               {"sda", "sda", false},     {"md9", "md10", true}};
  for (const Less& c : order) EXPECT_EQ(NaturalLess(c.a, c.b), c.want) << c.a << " < " << c.b;

  EXPECT_EQ(AssignDeviceNames({"sda", "nvme0n1", "mmcblk10", "mtdblock0", "disk0"}, 2),
            (std::vector<std::string>{"sda", "nvme0n1", "disk1", "disk2", "disk0", "img0", "img1"}));
  EXPECT_EQ(AssignDeviceNames({}, 1), (std::vector<std::string>{"img0"}));
  for (const std::string& n : AssignDeviceNames({"averyveryverylongname", "img0"}, 1)) EXPECT_LE(n.size(), kMaxDeviceName);
  EXPECT_EQ(AssignDeviceNames({"img0"}, 1)[1], "img1");  // an image never takes a kernel name

  EXPECT_EQ(PartitionName("sda", 1), "sda1");
  EXPECT_EQ(PartitionName("loop3", 2), "loop3p2");
  EXPECT_EQ(PartitionName("nvme0n1", 4), "nvme0n1p4");
  EXPECT_EQ(PartitionName("img0", 1), "img0p1");
}

namespace {
std::vector<std::uint8_t> Sector0(const std::vector<BootEntry>& entries, bool signature = true) {
  std::vector<std::uint8_t> s(512, 0);
  for (size_t i = 0; i < entries.size(); ++i) WriteBootEntry(s.data(), static_cast<int>(i), entries[i]);
  if (signature) s[510] = 0x55, s[511] = 0xAA;
  return s;
}
std::string Rows(const std::vector<HostPartition>& rows) {
  std::string out;
  for (const HostPartition& p : rows)
    out += p.name + ":" + std::to_string(p.type) + ":" + std::to_string(p.start) + "+" + std::to_string(p.sectors) + " ";
  return out;
}
}  // namespace

TEST(HostPartitionRows, RowIAlwaysDescribesTableEntryI) {
  const std::vector<KernelPartition> kernel = {{"sda1", 1, 2048, 100, 0}, {"sda3", 3, 8192, 50, 0}, {"sda5", 5, 9000, 10, 0}};
  struct Case {
    const char* what;
    std::optional<std::vector<std::uint8_t>> sector0;
    std::uint32_t bytesPerSector;
    const char* want;
  } cases[] = {
      {"two entries", Sector0({{0x0C, 63, 100}, {0x83, 200, 50}}), 512, "sda1:12:63+100 sda2:131:200+50 "},
      {"an unused entry between two keeps its row", Sector0({{0x0C, 63, 100}, {0, 0, 0}, {0x83, 300, 5}}), 512,
       "sda1:12:63+100 sda2:0:0+0 sda3:131:300+5 "},
      {"no entry in use", Sector0({}), 512, ""},
      {"a protective entry stands as it is", Sector0({{0xEE, 1, 0xFFFFFFFF}}), 512, "sda1:238:1+4294967295 "},
      {"erased sector 0: no signature, the kernel's slots", Sector0({{0xFF, 0xFFFFFFFF, 0xFFFFFFFF}}, false), 512,
       "sda1:0:2048+100 sda2:0:0+0 sda3:0:8192+50 "},
      {"unreadable: the kernel's slots 1 to 4, logical ones left out", std::nullopt, 512,
       "sda1:0:2048+100 sda2:0:0+0 sda3:0:8192+50 "},
      {"unreadable, 4096-byte sectors: sysfs counts 512-byte units", std::nullopt, 4096,
       "sda1:0:256+12 sda2:0:0+0 sda3:0:1024+6 "},
  };
  for (const Case& c : cases) EXPECT_EQ(Rows(PartitionRows("sda", c.bytesPerSector, c.sector0, kernel)), c.want) << c.what;
  EXPECT_EQ(Rows(PartitionRows("sda", 512, std::vector<std::uint8_t>(100, 0), {})), "") << "a short sector 0";
}

TEST(HostMountTable, ParsesFieldsEscapesAndOptionalTags) {
  const std::string text =
      "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "40 22 7:1 / /media/my\\040card rw master:2 shared:3 - vfat /dev/loop1p1 rw\n"
      "41 22 7:1 /sub /srv/bind rw - vfat /dev/loop1p1 rw\n"
      "42 22 0:5 / /tmp rw - tmpfs tmpfs rw\n"
      "garbage line\n"
      "43 22 x:y / /bad rw - ext4 /dev/x rw\n";
  const std::vector<MountEntry> m = ParseMountInfo(text);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].devno, makedev(254, 0));
  EXPECT_EQ(m[0].mountPoint, "/");
  EXPECT_EQ(m[1].mountPoint, "/media/my card");
  EXPECT_EQ(m[1].fsType, "vfat");
  EXPECT_EQ(m[1].source, "/dev/loop1p1");
  EXPECT_EQ(m[2].root, "/sub");
  EXPECT_EQ(m[3].fsType, "tmpfs");
  EXPECT_EQ(UnescapeMountField("a\\011b\\012c\\134d\\1"), "a\tb\nc\\d\\1");
}

TEST(HostFolders, PathsAndFolderTexts) {
  struct Case {
    const char* path;
    const char* folder;
  } cases[] = {{"/media/card", "media\\card"}, {"/mnt", "mnt"}, {"/", ""}, {"/a/b/", "a\\b"}, {"/odd\\name", ""}};
  for (const Case& c : cases) EXPECT_EQ(FolderFromPath(c.path), c.folder) << c.path;
  EXPECT_EQ(PathFromFolder("media\\card"), "/media/card");
  EXPECT_EQ(PathFromFolder("\\media\\card"), "/media/card");
  EXPECT_EQ(PathFromFolder("Storage Card"), "/Storage Card");
}

TEST(HostFolders, ChoiceAmongMountsOfOneStore) {
  const dev_t disk = makedev(8, 0), p1 = makedev(8, 1), p2 = makedev(8, 2), other = makedev(8, 16);
  const std::vector<MountEntry> mounts = {
      {disk, "/", "/", "ext4", ""},          {p1, "/", "/boot", "ext4", ""},     {p2, "/", "/data", "ext4", ""},
      {p2, "/", "/data2", "ext4", ""},       {p2, "/x", "/bound", "ext4", ""},   {other, "/", "/media/usb", "vfat", ""}};
  std::map<std::string, std::uint64_t> free = {{"/boot", 100}, {"/data", 500}, {"/data2", 500}, {"/home/u", 900},
                                               {"/bound", 10000}, {"/media/usb", 7}};
  auto freeBytes = [&](const std::string& p) { return free[p]; };
  EXPECT_EQ(ChooseStoreFolder({disk, p1, p2}, mounts, "/home/u", disk, freeBytes), "/home/u")
      << "the root file system stands for the home directory, which has the most free bytes";
  EXPECT_EQ(ChooseStoreFolder({disk, p1, p2}, mounts, "", 0, freeBytes), "/data")
      << "without a home: the most free bytes, first on a tie; a bind mount of a subdirectory is no candidate";
  EXPECT_EQ(ChooseStoreFolder({disk, p1, p2}, mounts, "/home/u", p1, freeBytes), "/data")
      << "a home directory that is not on the root file system does not stand for it";
  EXPECT_EQ(ChooseStoreFolder({other}, mounts, "/home/u", disk, freeBytes), "/media/usb");
  EXPECT_EQ(ChooseStoreFolder({makedev(9, 9)}, mounts, "/home/u", disk, freeBytes), "");
}

TEST(HostMemory, AvailableFiguresCappedTo32Bits) {
  EXPECT_EQ(AvailableMemory("MemTotal: 1000 kB\nMemFree: 10 kB\nMemAvailable: 500 kB\n"), 512000u);
  EXPECT_EQ(AvailableMemory("MemTotal: 1000 kB\nMemFree: 10 kB\n"), 10240u) << "older kernels: MemFree";
  EXPECT_EQ(AvailableMemory("MemAvailable: lots\n"), std::nullopt);
  EXPECT_EQ(AvailableMemory(""), std::nullopt);
  EXPECT_EQ(TotalMemory("MemTotal:       24576000 kB\n"), 24576000ull * 1024);
  EXPECT_EQ(Cap32(0x100000000ull), 0xFFFFFFFFu);
  EXPECT_EQ(Cap32(0xFFFFFFFFull), 0xFFFFFFFFu);
  EXPECT_EQ(Cap32(12345), 12345u);
}

namespace {
void Put(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text << "\n";
}
}  // namespace

TEST(HostSysfsScan, WholeDevicesWithPartitionsAndWhatIsLeftOut) {
  TempDir dir;
  const std::string b = dir / "block";
  Put(b + "/sda/size", "2048000");
  Put(b + "/sda/dev", "8:0");
  Put(b + "/sda/device/model", "Test Disk       ");
  Put(b + "/sda/queue/logical_block_size", "512");
  Put(b + "/sda/sda1/partition", "1");
  Put(b + "/sda/sda1/start", "2048");
  Put(b + "/sda/sda1/size", "4096");
  Put(b + "/sda/sda1/dev", "8:1");
  Put(b + "/sda/sda2/partition", "2");
  Put(b + "/sda/sda2/start", "8192");
  Put(b + "/sda/sda2/size", "100");
  Put(b + "/sda/sda2/dev", "8:2");
  Put(b + "/sdb/size", "80");  // 4096-byte sectors: sysfs still counts 512-byte units
  Put(b + "/sdb/queue/logical_block_size", "4096");
  Put(b + "/sr0/size", "0");    // no medium
  Put(b + "/loop0/size", "0");  // unattached
  Put(b + "/loop1/size", "64");
  Put(b + "/loop1/loop/backing_file", "/tmp/disk.img");
  Put(b + "/loop2/size", "64");  // size without a backing file: left out
  Put(b + "/nvme0c0n1/size", "64");
  Put(b + "/nvme0c0n1/hidden", "1");

  std::vector<HostStore> stores = ScanBlockDevices(dir.Path(), "/dev");
  std::sort(stores.begin(), stores.end(), [](const HostStore& a, const HostStore& c) { return a.kernelName < c.kernelName; });
  ASSERT_EQ(stores.size(), 3u);
  EXPECT_EQ(stores[0].kernelName, "loop1");
  EXPECT_TRUE(stores[0].isLoop);
  EXPECT_EQ(stores[0].storeName, "disk.img");
  EXPECT_EQ(stores[1].kernelName, "sda");
  EXPECT_EQ(stores[1].path, "/dev/sda");
  EXPECT_EQ(stores[1].storeName, "Test Disk");
  EXPECT_EQ(stores[1].sectors, 2048000u);
  EXPECT_EQ(stores[1].devno, makedev(8, 0));
  ASSERT_EQ(stores[1].kernelPartitions.size(), 2u);
  EXPECT_EQ(stores[1].kernelPartitions[0].name, "sda1");
  EXPECT_EQ(stores[1].kernelPartitions[0].start, 2048u);
  EXPECT_EQ(stores[1].kernelPartitions[1].devno, makedev(8, 2));
  EXPECT_EQ(stores[2].bytesPerSector, 4096u);
  EXPECT_EQ(stores[2].sectors, 10u);
  EXPECT_EQ(stores[2].storeName, "sdb");  // no model: the kernel name
  EXPECT_TRUE(ScanBlockDevices(dir / "absent", "/dev").empty());
}
