// Device files: the documented example loads, and every bad value is refused with file, key and reason.
#include <gtest/gtest.h>

#include "platform/sim/device_file.h"
#include "session.h"

namespace {
const char* kExample = R"({
  "stores": [
    { "device": "DSK1:", "name": "NAND Flash", "profile": "FlashDisk",
      "bytesPerSector": 512, "sectors": 131072,
      "partitionCount": 2,
      "partitions": [ { "name": "Part00", "fileSystem": "FATFS", "type": 11, "sectors": 4000 } ],
      "bootRecord": [ { "type": 11, "start": 63, "sectors": 4000 } ] }
  ],
  "registry": { "FlashDisk": "ResidentFlash", "SDMemory": "Storage Card", "NoFolder": null },
  "folders": { "Storage Card": { "path": "out/sd", "totalBytes": 5000000, "freeBytes": 3500000 } },
  "availVirtual": 33554432,
  "faults": [ { "op": "IOCTL_DISK_READ", "call": 3, "error": 23 }, { "op": "WriteFile", "short": true, "persistent": true } ]
})";
}  // namespace

TEST(DeviceFile, ExampleLoadsWithPathsFromTheFilesFolder) {
  TempDir dir;
  SimDevice d;
  std::string error;
  ASSERT_TRUE(ParseDeviceFile(kExample, dir.Path(), "dev.json", d, error)) << error;
  ASSERT_EQ(d.stores.size(), 1u);
  EXPECT_EQ(d.stores[0].device, CString(u"DSK1:"));
  EXPECT_EQ(d.stores[0].partitionCount, 2u);
  EXPECT_EQ(d.stores[0].bootRecord[0].start, 63u);
  EXPECT_FALSE(d.registry.at(u"NoFolder").has_value());
  EXPECT_EQ(d.folders.at(u"Storage Card").path, dir / "out/sd");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "out/sd"));
  EXPECT_EQ(d.availVirtual, 33554432u);
  ASSERT_EQ(d.faults.size(), 2u);
  EXPECT_EQ(d.faults[0].call, 3u);
  EXPECT_TRUE(d.faults[1].shortWrite && d.faults[1].persistent);
}

TEST(DeviceFile, ImageStoresTakeTheirSizeFromTheFile) {
  TempDir dir;
  { std::ofstream(dir / "nand.img", std::ios::binary) << std::string(4096, 'a'); }
  SimDevice d;
  std::string error;
  ASSERT_TRUE(ParseDeviceFile(R"({"stores":[{"device":"DSK1:","image":"nand.img"}]})", dir.Path(), "f", d, error))
      << error;
  EXPECT_EQ(d.stores[0].sectors, 8u);
  EXPECT_EQ(d.stores[0].image, dir / "nand.img");
  EXPECT_EQ(StoreBytes(d, 0, 7, 1), std::string(512, 'a'));
  EXPECT_EQ(StoreBytes(d, 0, 8, 1), "");  // past the image's end: the read fails
}

TEST(DeviceFile, BadFilesAreRefusedWithTheKeyAndTheReason) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"{", "f: not valid JSON"},
      {"[]", "f: must be an object"},
      {R"({"store": []})", "f: 'store' is not a known key"},
      {R"({"stores": [{"name": "x"}]})", "f: 'stores[0].device' is missing"},
      {R"({"stores": [{"device": "D:", "sectors": -1}]})", "f: 'stores[0].sectors' must be a whole number from 0 to"},
      {R"({"stores": [{"device": "D:", "sectors": 1.5}]})", "f: 'stores[0].sectors' must be a whole number"},
      {R"({"stores": [{"device": "D:", "bytesPerSector": 4294967296, "sectors": 1}]})",
       "f: 'stores[0].bytesPerSector' must be a whole number from 0 to 4294967295"},
      {R"({"stores": [{"device": "D:", "sectors": 1, "partitions": [{"type": 256}]}]})",
       "f: 'stores[0].partitions[0].type' must be a whole number from 0 to 255"},
      {R"({"stores": [{"device": "D:", "sectors": 1, "bootRecord": [{},{},{},{},{}]}]})",
       "f: 'stores[0].bootRecord' holds at most four entries"},
      {R"({"stores": [{"device": 7, "sectors": 1}]})", "f: 'stores[0].device' must be a text"},
      {R"({"stores": [{"device": "D:", "image": "missing.img"}]})", "f: 'stores[0].image' cannot be read"},
      {R"({"registry": {"P": 3}})", "f: 'registry.P' must be a text"},
      {R"({"folders": {"F": {"totalBytes": 1}}})", "f: 'folders.F.path' is missing"},
      {R"({"faults": [{"op": "ReadFile"}]})", "f: 'faults[0].op' is not an operation that can fail: ReadFile"},
      {R"({"faults": [{"op": "OpenStore", "call": 0}]})", "f: 'faults[0].call' counts from 1"},
      {R"({"faults": [{"op": "OpenStore", "short": true}]})", "f: 'faults[0].short' applies to WriteFile only"},
      {R"({"faults": [{"op": "OpenStore", "persistent": 1}]})", "f: 'faults[0].persistent' must be true or false"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SimDevice d;
    std::string error;
    EXPECT_FALSE(ParseDeviceFile(c.text, dir.Path(), "f", d, error)) << c.text;
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.text << " -> " << error;
  }
}

TEST(DeviceFile, MissingFileIsNamed) {
  SimDevice d;
  std::string error;
  EXPECT_FALSE(LoadDeviceFile("/nonexistent/dev.json", d, error));
  EXPECT_EQ(error, "/nonexistent/dev.json: cannot be read");
}
