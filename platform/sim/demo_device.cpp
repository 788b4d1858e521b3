// The demo device's description.
#include "platform/sim/demo_device.h"

#include <filesystem>

SimDevice DemoDevice(const std::string& baseDir) {
  SimDevice d;

  // 64 MiB of NAND: boot loader sectors in front of Part00, a gap in front of Part01.
  SimStore nand;
  nand.device = u"DSK1:";
  nand.name = u"NAND Flash";
  nand.profile = u"FlashDisk";
  nand.bytesPerSector = 512;
  nand.sectors = 0x20000;
  nand.partitions = {{u"Part00", u"FATFS", 0x0B, 32705}, {u"Part01", u"FATFS", 0x0B, 65536},
                     {u"Part02", u"BINFS", 0x21, 30720}};
  nand.bootRecord = {{0x0B, 63, 32705}, {0x0B, 34816, 65536}, {0x21, 100352, 30720}};
  d.stores.push_back(nand);

  // 512 MiB SD card with one partition.
  SimStore sd;
  sd.device = u"DSK2:";
  sd.name = u"SD Card";
  sd.profile = u"SDMemory";
  sd.bytesPerSector = 512;
  sd.sectors = 0x100000;
  sd.partitions = {{u"Part00", u"FATFS", 0x0C, 0xFE000}};
  sd.bootRecord = {{0x0C, 8192, 0xFE000}};
  d.stores.push_back(sd);

  // A small ROM store whose profile names no folder.
  SimStore rom;
  rom.device = u"DSK3:";
  rom.name = u"Boot ROM";
  rom.profile = u"NoFolder";
  rom.bytesPerSector = 512;
  rom.sectors = 8192;
  d.stores.push_back(rom);

  d.registry[u"FlashDisk"] = CString(u"ResidentFlash");
  d.registry[u"SDMemory"] = CString(u"Storage Card");
  d.registry[u"NoFolder"] = std::nullopt;

  const std::filesystem::path base(baseDir);
  SimFolder flash{(base / "ResidentFlash").string(), 60000000, 20000000};
  SimFolder card{(base / "Storage Card").string(), std::nullopt, std::nullopt};  // the real disk's figures
  std::error_code ec;
  std::filesystem::create_directories(flash.path, ec);
  std::filesystem::create_directories(card.path, ec);
  d.folders[u"ResidentFlash"] = flash;
  d.folders[u"Storage Card"] = card;
  return d;
}
