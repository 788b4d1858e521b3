// The bad-input table: one row a case of odd geometry, boot record, names, registry, folder or free space,
// driven as a user would. Each row says what the user must see and which image, if any, is written; every
// row also checks that nothing stays open and that no file appears anywhere but that image.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/fault_sweep.h"
#include "tests/session.h"
#include "toolkit/wide_format.h"

namespace {

namespace fs = std::filesystem;

// The fixture every row starts from: a 1 MiB NAND (DSK1:, two partitions with a hidden run in front of
// each), the flash folder with 3.5 MB free and the SD card folder, the destination, with 1.5 GB free.
SimDevice Base(const TempDir& dir) {
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = 0x800;
  d.stores[0].partitions[1].sectors = 0x600;
  d.stores[0].bootRecord[1].sectors = 0x600;
  d.stores[1].sectors = 0x1000;
  return d;
}

SimStore& Nand(SimDevice& d) { return d.stores[0]; }

using Script = std::function<void(HeadlessUser&)>;
Script Do(std::vector<std::function<bool(HeadlessUser&)>> steps) {
  return [steps](HeadlessUser& u) {
    for (const auto& step : steps) step(u);  // a refused action is part of what the row shows
  };
}
auto Store(const char16_t* device) {
  return [device](HeadlessUser& u) { return u.SelectText(IDC_COMBO_STORE, device); };
}
auto StoreAt(int index) {
  return [index](HeadlessUser& u) { return u.Select(IDC_COMBO_STORE, index); };
}
auto Click(int id) {
  return [id](HeadlessUser& u) { return u.Click(id); };
}
auto Part(int index) {
  return [index](HeadlessUser& u) { return u.Select(IDC_COMBO_PART, index); };
}

struct Row {
  std::string name;
  std::function<void(SimDevice&, const TempDir& dir, const TempDir& src)> setup;
  Script script;
  std::vector<std::u16string> panels;  // each must be (a part of) a panel text the user saw
  std::vector<std::u16string> boxes;   // each must be (a part of) a box's text or its caption
  std::string imageDir;                // "card", "flash", or empty: no file at all
  std::string image;                   // the image's file name
  std::uint64_t imageBytes = 0;        // its size
  std::function<void(Session&, const SeenByUser&)> more = {};  // further checks of the row
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const std::u16string kDoneWithErrors = u"Done with errors.\nResulting file may be compromised!";

void Check(const Row& row) {
  SCOPED_TRACE(row.name);
  TempDir dir, src;
  SimDevice device = Base(dir);
  if (row.setup) row.setup(device, dir, src);
  Session s(device);
  SeenByUser seen(s.ui);
  s.ui.SetObserver(&seen);
  s.Run(row.script);

  for (const std::u16string& p : row.panels) EXPECT_TRUE(seen.Panel(p)) << "panel lacks: " << CString(p);
  for (const std::u16string& b : row.boxes) EXPECT_TRUE(seen.Box(b)) << "no box: " << CString(b);
  EXPECT_EQ(s.sim.OpenHandles(), 0u);
  EXPECT_EQ(s.sim.OpenBlocks(), 0u);

  // No file anywhere under the folders' root but the row's image in the row's folder.
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir.Path())) {
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir.Path()).string());
  }
  if (row.image.empty()) {
    EXPECT_TRUE(files.empty()) << files.front();
  } else {
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], row.imageDir + "/" + row.image);
    EXPECT_EQ(fs::file_size(dir / files[0]), row.imageBytes);
  }
  if (row.more) row.more(s, seen);
}

class BadInput : public testing::TestWithParam<Row> {};
TEST_P(BadInput, UserIsToldAndNothingLandsElsewhere) { Check(GetParam()); }

std::string Id(const testing::TestParamInfo<Row>& info) {
  std::string id;
  for (char c : info.param.name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return id;
}

// ---- Sector sizes: the boot record and the copy refuse what the one-sector buffer cannot hold. ----
std::vector<Row> SectorSizes() {
  std::vector<Row> rows;
  for (DWORD size : {0u, 1u, 256u, 511u, 520u, 2048u, 4096u, 4097u, 8192u}) {
    const bool supported = size == 2048 || size == 4096;
    Row r;
    r.name = "sector size " + std::to_string(size);
    r.setup = [size](SimDevice& d, const TempDir&, const TempDir&) { Nand(d).bytesPerSector = size; };
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_PART), Click(IDC_RADIO_FULL), Click(IDC_BUTTON_SAVE)});
    const std::u16string n = Format(u"%u", size).str();
    if (supported) {
      r.panels = {u"Please select a partition...", u"Saving full disk DSK1:"};
      r.boxes = {u"Done"};
      r.imageDir = "card";
      r.imageBytes = std::uint64_t{0x800} * size;
      r.image = "DSK1_0_" + std::to_string(r.imageBytes) + ".img";
    } else {
      // Listing works; the boot record and the copy say why they refuse; no file is made.
      r.panels = {u"ERROR: Unsupported sector size " + n};
      r.boxes = {kDoneWithErrors};
    }
    rows.push_back(r);
  }
  return rows;
}

// ---- Partition counts 0 to 6, with and without boot-record entries to match. ----
std::vector<Row> PartitionCounts() {
  std::vector<Row> rows;
  for (int count = 0; count <= 6; ++count) {
    for (bool matching : {true, false}) {
      Row r;
      r.name = std::to_string(count) + " partitions" + (matching ? " with entries" : " without entries");
      r.setup = [count, matching](SimDevice& d, const TempDir&, const TempDir&) {
        SimStore& s = Nand(d);
        s.partitions.clear();
        s.bootRecord.clear();
        for (int i = 0; i < count; ++i) {
          s.partitions.push_back({Format(u"P%d", i), u"FATFS", 0x0B, 10});
          // Each entry leaves a gap of 90 sectors in front of it.
          if (matching && i < 4) s.bootRecord.push_back({0x0B, static_cast<DWORD>(100 * i + 63), 10});
        }
      };
      r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_HIDDEN), Click(IDC_RADIO_PART)});
      const int rowsShown = std::min(count, 4);
      if (matching && count > 0) {
        std::u16string lines = u"Part00: 0x3F(63.) hidden sectors.\n";
        for (int i = 1; i < rowsShown; ++i) lines += Format(u"Part%02d: 0x5B(91.) hidden sectors.\n", i).str();
        r.panels = {lines};
      } else {
        r.panels = {u"Store does not have reserved sectors"};
      }
      r.more = [rowsShown, count](Session& s, const SeenByUser& seen) {
        EXPECT_EQ(s.Control(IDC_COMBO_PART).entries.size(), static_cast<size_t>(rowsShown));
        // A store without partitions cannot be listed: the search's own refusal says so.
        if (count == 0) {
          EXPECT_TRUE(seen.Panel(u"ERROR: Cannot enumerate partitions \n hPart=-1"));
        } else {
          EXPECT_EQ(s.Panel(), CString(u"Please select a partition..."));
        }
      };
      rows.push_back(r);
    }
  }
  return rows;
}

// ---- Store counts. ----
std::vector<Row> StoreCounts() {
  std::vector<Row> rows;
  for (int count : {0, 1, 10, 11, 40}) {
    Row r;
    r.name = std::to_string(count) + " stores";
    r.setup = [count](SimDevice& d, const TempDir&, const TempDir&) {
      SimStore card = d.stores[1];
      d.stores.clear();
      if (count > 0) d.stores.push_back(card);  // the card first: its folder is the destination
      for (int i = 1; i < count; ++i) d.stores.push_back(MakeStore(Format(u"DSK%d:", i + 2).c_str(), u"None", 8));
    };
    r.script = Do({StoreAt(std::min(count, 10) - 1), Click(IDC_BUTTON_SAVE)});
    if (count == 0) {
      r.boxes = {u"ERROR: No Store found"};
      r.panels = {u"Static"};
    } else {
      const int listed = std::min(count, 10);
      r.panels = {u"Stores found:\n\\Storage Card\t\t2000MB, 1500MB free\n" +
                  (count > 10 ? Format(u"%d more stores not listed\n", count - 10).str() : u"") +
                  u"\n Please select a store..."};
      r.boxes = {u"Done"};
      r.imageDir = "card";
      r.image = listed == 1 ? "DSK2_0_2097152.img" : "DSK" + std::to_string(listed + 1) + "_0_4096.img";
      r.imageBytes = listed == 1 ? 2097152 : 4096;
      r.more = [listed](Session& s, const SeenByUser&) {
        EXPECT_EQ(s.Control(IDC_COMBO_STORE).entries.size(), static_cast<size_t>(listed));
      };
    }
    rows.push_back(r);
  }
  return rows;
}

// ---- Sector 0 and its entries. ----
// A source store whose sectors come from an image file: sector 0 as given, the rest the generated pattern.
void ImageStore(SimStore& s, const TempDir& src, const std::vector<BYTE>& sector0) {
  std::vector<BYTE> bytes(std::size_t{0x800} * 512);
  FillSectorPattern(0, bytes.data(), bytes.size());
  std::copy(sector0.begin(), sector0.end(), bytes.begin());
  const std::string path = src / "nand.img";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  s.image = path;
  s.bootRecord.clear();
}

Row Entries(const std::string& name, std::vector<BootEntry> entries, std::u16string panel) {
  Row r;
  r.name = name;
  r.setup = [entries](SimDevice& d, const TempDir&, const TempDir&) {
    Nand(d).bootRecord = entries;
    Nand(d).partitionCount = static_cast<DWORD>(entries.size());
  };
  r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_HIDDEN)});
  r.panels = {std::move(panel)};
  return r;
}

std::vector<Row> BootRecords() {
  std::vector<Row> rows;
  {
    // Erased: every entry reads 0xFF, 0xFFFFFFFF, 0xFFFFFFFF. One region from sector 0 to the end of the
    // 32-bit sector space; Save copies until the store ends, says so, and keeps what it copied.
    Row r;
    r.name = "sector 0 erased";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir& src) {
      ImageStore(Nand(d), src, std::vector<BYTE>(512, 0xFF));
      Nand(d).partitionCount = 4;
    };
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_HIDDEN), Click(IDC_BUTTON_SAVE)});
    r.panels = {u"Part00: 0xFFFFFFFF(4294967295.) hidden sectors.\n"};
    r.boxes = {u"IOCTL_DISK_READ failed with error 27: The drive cannot find the sector requested.", kDoneWithErrors};
    r.imageDir = "card";
    r.image = "DSK1_Hidden_0_2199023255040.img";
    r.imageBytes = std::uint64_t{0x800} * 512;
    rows.push_back(r);
  }
  {
    Row r;
    r.name = "sector 0 all zero";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir& src) {
      ImageStore(Nand(d), src, std::vector<BYTE>(512, 0));
    };
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_HIDDEN)});
    r.panels = {u"Store does not have reserved sectors"};
    r.more = [](Session& s, const SeenByUser&) { EXPECT_FALSE(s.Enabled(IDC_BUTTON_SAVE)); };
    rows.push_back(r);
  }
  for (unsigned seed : {1u, 2u, 3u}) {
    // Random bytes: whatever the entries say, the search lists regions or none, and Save stops at the
    // store's end with the reason.
    Row r;
    r.name = "sector 0 random " + std::to_string(seed);
    r.setup = [seed](SimDevice& d, const TempDir&, const TempDir& src) {
      std::mt19937 random(seed);
      std::vector<BYTE> sector(512);
      for (BYTE& b : sector) b = static_cast<BYTE>(random());
      ImageStore(Nand(d), src, sector);
      Nand(d).partitionCount = 4;
    };
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_HIDDEN)});
    r.more = [](Session& s, const SeenByUser&) {
      const std::u16string panel = s.Panel().str();
      EXPECT_TRUE(panel == u"Store does not have reserved sectors" || panel.find(u" hidden sectors.\n") != std::u16string::npos)
          << s.Panel();
    };
    rows.push_back(r);
  }
  rows.push_back(Entries("overlapping entries", {{0x0B, 1, 100}, {0x0B, 50, 100}}, u"Store does not have reserved sectors"));
  rows.push_back(Entries("out of order entries", {{0x0B, 300, 10}, {0x0B, 63, 100}},
                         u"Part00: 0x12C(300.) hidden sectors.\n"));
  rows.push_back(Entries("empty entry", {{0, 0, 0}, {0x0B, 63, 100}}, u"Part01: 0x3F(63.) hidden sectors.\n"));
  // The first entry ends past sector 2^32 - 1; in 32 bits its end would wrap to 0x100 and make a region
  // in front of the second.
  rows.push_back(Entries("wrapping entry", {{0x0B, 0xFFFFFF00, 0x200}, {0x0B, 0x200, 16}},
                         u"Part00: 0xFFFFFF00(4294967040.) hidden sectors.\n"));
  return rows;
}

// ---- Ranges of 2 GiB and more. ----
std::vector<Row> LargeRanges() {
  std::vector<Row> rows;
  struct Full {
    std::uint64_t sectors;
    std::u16string box;
  };
  for (const Full& f : {Full{0x400000, u"You requested to dump 2147 MB. \nMaximum available space 1500 MB. \n"
                                        u"Use a higher capacity SD and restart Vorsk"},
                        Full{0x800000, u"You requested to dump 4294 MB. \nMaximum available space 1500 MB. \n"
                                        u"Use a higher capacity SD and restart Vorsk"},
                        Full{0x100000000, u"The store has 4294967296 sectors; a dump can copy at most 4294967295."}}) {
    Row r;
    r.name = "whole store of " + std::to_string(f.sectors) + " sectors";
    r.setup = [f](SimDevice& d, const TempDir&, const TempDir&) { Nand(d).sectors = f.sectors; };
    r.script = Do({Store(u"DSK1:"), Click(IDC_BUTTON_SAVE)});
    r.boxes = {f.box};
    rows.push_back(r);
  }
  // Partitions of 2 and 4 GiB onto a card with 2,000,000 bytes free: the name is exact, the copy stops
  // when the card is full, says so, and keeps what was written.
  for (std::uint64_t sectors : {std::uint64_t{0x400000}, std::uint64_t{0x800000}}) {
    Row r;
    r.name = "partition of " + std::to_string(sectors * 512) + " bytes onto a small card";
    r.setup = [sectors](SimDevice& d, const TempDir&, const TempDir&) {
      Nand(d).sectors = 0x1000000;
      Nand(d).partitions = {{u"Part00", u"FATFS", 0x0B, sectors}};
      Nand(d).bootRecord = {{0x0B, 63, static_cast<DWORD>(sectors)}};
      d.folders[u"Storage Card"].freeBytes = 2000000;
      d.folders[u"ResidentFlash"].freeBytes = 1000000;
    };
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_PART), Part(0), Click(IDC_BUTTON_SAVE)});
    r.boxes = {u"WriteFile failed with error 112: There is not enough space on the disk.", kDoneWithErrors};
    r.imageDir = "card";
    r.image = "DSK1_Part00_0_" + std::to_string(sectors * 512) + ".img";
    r.imageBytes = 2000000;
    r.more = [name = r.image](Session& s, const SeenByUser&) {
      // What was written is the partition's first bytes, as they are on the store.
      const std::string image = ReadFileBytes(s.sim.RealPath(u"Storage Card", name));
      std::string expected(image.size(), '\0');
      FillSectorPattern(63 * 512, reinterpret_cast<BYTE*>(expected.data()), expected.size());
      EXPECT_TRUE(image == expected);
    };
    rows.push_back(r);
  }
  return rows;
}

// ---- Names that are not plain file names. ----
std::vector<Row> Names() {
  std::vector<Row> rows;
  struct Name {
    const char* label;
    std::u16string device, partition;
    std::string file;  // the image's name
  };
  const std::u16string longName(200, u'n');
  const std::vector<Name> names = {
      {"device with slash", u"A/B:", u"Part00", "A_B_Part00_0_51200.img"},
      {"device with backslash", u"A\\B:", u"Part00", "A_B_Part00_0_51200.img"},
      {"device of dots", u"..:", u"Part00", "__Part00_0_51200.img"},
      {"device with control characters", u"D\x01\x1F:", u"Part00", "D___Part00_0_51200.img"},
      {"device of 200 characters", longName, u"Part00", "nnnnnnn_Part00_0_51200.img"},
      {"partition climbing up", u"DSK1:", u"../../x", "DSK1_.._.._x_0_51200.img"},
      {"partition of dots", u"DSK1:", u"..", "DSK1___0_51200.img"},
      {"partition with backslashes and control characters", u"DSK1:", u"\\a\\\tb\x7F", "DSK1__a__b__0_51200.img"},
      {"partition of 200 characters", u"DSK1:", longName, "DSK1_" + std::string(31, 'n') + "_0_51200.img"},
  };
  for (const Name& n : names) {
    Row r;
    r.name = n.label;
    r.setup = [n](SimDevice& d, const TempDir&, const TempDir&) {
      Nand(d).device = n.device;
      Nand(d).partitions[0].name = n.partition;
    };
    r.script = Do({StoreAt(0), Click(IDC_RADIO_PART), Part(0), Click(IDC_BUTTON_SAVE)});
    r.boxes = {u"Done"};
    r.imageDir = "card";
    r.image = n.file;
    r.imageBytes = 100 * 512;
    rows.push_back(r);
  }
  return rows;
}

// ---- Registry values, folders and free space. ----
std::vector<Row> Destinations() {
  std::vector<Row> rows;
  const Script saveFull = Do({Store(u"DSK1:"), Click(IDC_BUTTON_SAVE)});
  {
    // One character more than the buffer holds: the card has no folder, the summary says why, and the
    // flash folder is the destination.
    Row r;
    r.name = "registry value longer than the buffer";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) {
      d.registry[u"SDMemory"] = CString(std::u16string(260, u'x'));
    };
    r.script = saveFull;
    r.panels = {u"Stores found:\n\\ResidentFlash\t\t5MB, 3MB free\n"
                u"Error on opening key\n System\\StorageManager\\Profiles\\SDMemory\\\\Folder\n\n Please select a store..."};
    r.boxes = {u"Done"};
    r.imageDir = "flash";
    r.image = "DSK1_0_1048576.img";
    r.imageBytes = 1048576;
    rows.push_back(r);
  }
  {
    // The longest value that fits is read whole; no folder of that name exists.
    Row r;
    r.name = "registry value that just fits";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) {
      d.registry[u"SDMemory"] = CString(std::u16string(259, u'x'));
    };
    r.panels = {std::u16string(259, u'x') + u" - Disk free space unavailable\n"};
    rows.push_back(r);
  }
  {
    Row r;
    r.name = "destination folder that does not exist";
    r.setup = [](SimDevice& d, const TempDir& dir, const TempDir&) { d.folders[u"Storage Card"].path = dir / "missing"; };
    r.script = saveFull;
    r.boxes = {u"Create output file\n failed with error 3: The system cannot find the path specified.", kDoneWithErrors};
    rows.push_back(r);
  }
  {
    Row r;
    r.name = "read-only destination folder";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) { d.folders[u"Storage Card"].readOnly = true; };
    r.script = saveFull;
    r.boxes = {u"Create output file\n failed with error 5: Access is denied.", kDoneWithErrors};
    rows.push_back(r);
  }
  {
    Row r;
    r.name = "no free byte anywhere";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) {
      d.folders[u"Storage Card"].freeBytes = 0;
      d.folders[u"ResidentFlash"].freeBytes = 0;
    };
    r.script = saveFull;
    r.panels = {u"\\Storage Card\t\t2000MB, 0MB free\n"};
    r.boxes = {u"ERROR: No destination folder", u"ERROR: Not enough space!"};
    rows.push_back(r);
  }
  {
    // 999,999 bytes: 0 MB in the summary, yet the destination; a 1 MB store does not fit, a partition does.
    Row r;
    r.name = "999999 bytes free, whole store";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) {
      d.folders[u"Storage Card"].freeBytes = 999999;
      d.folders[u"ResidentFlash"].freeBytes = 0;
    };
    r.script = saveFull;
    r.panels = {u"\\Storage Card\t\t2000MB, 0MB free\n"};
    r.boxes = {u"You requested to dump 1 MB. \nMaximum available space 0 MB. \nUse a higher capacity SD and restart Vorsk"};
    rows.push_back(r);
    r.name = "999999 bytes free, partition";
    r.script = Do({Store(u"DSK1:"), Click(IDC_RADIO_PART), Part(1), Click(IDC_BUTTON_SAVE)});
    r.boxes = {u"Done"};
    r.imageDir = "card";
    r.image = "DSK1_Part01_0_786432.img";
    r.imageBytes = 786432;
    rows.push_back(r);
  }
  {
    Row r;
    r.name = "2^64-1 bytes free";
    r.setup = [](SimDevice& d, const TempDir&, const TempDir&) {
      d.folders[u"Storage Card"].freeBytes = ~std::uint64_t{0};
      d.folders[u"Storage Card"].totalBytes = ~std::uint64_t{0};
    };
    r.script = Do({Store(u"DSK2:"), Store(u"DSK1:"), Click(IDC_BUTTON_SAVE)});
    r.panels = {u"\\Storage Card\t\t18446744073709MB, 18446744073709MB free\n",
                u"18446744073709MB total, 18446744073709MB free\n"};
    r.boxes = {u"Done"};
    r.imageDir = "card";
    r.image = "DSK1_0_1048576.img";
    r.imageBytes = 1048576;
    rows.push_back(r);
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, BadInput, testing::ValuesIn(SectorSizes()), Id);
INSTANTIATE_TEST_SUITE_P(PartitionCounts, BadInput, testing::ValuesIn(PartitionCounts()), Id);
INSTANTIATE_TEST_SUITE_P(StoreCounts, BadInput, testing::ValuesIn(StoreCounts()), Id);
INSTANTIATE_TEST_SUITE_P(BootRecords, BadInput, testing::ValuesIn(BootRecords()), Id);
INSTANTIATE_TEST_SUITE_P(LargeRanges, BadInput, testing::ValuesIn(LargeRanges()), Id);
INSTANTIATE_TEST_SUITE_P(Names, BadInput, testing::ValuesIn(Names()), Id);
INSTANTIATE_TEST_SUITE_P(Destinations, BadInput, testing::ValuesIn(Destinations()), Id);

}  // namespace
