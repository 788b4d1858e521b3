// Fuzz target: the dialog as a user drives it over a store with an arbitrary sector 0 and arbitrary
// partition records: Partition mode with every partition chosen and saved, and Hidden mode saved.
// Checks that nothing stays open and that no file appears anywhere but in the destination folder.
//
// Input: byte 0 picks the sector size, byte 1 the partition count the store reports, byte 2 the number of
// partition records; then per record a name length (up to 40), the name's bytes (each one character) and
// four bytes of sector count; the rest is the store's contents from sector 0 on.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/dump_app.h"
#include "platform/sim/sim_services.h"
#include "res/resource.h"
#include "toolkit/headless/headless_backend.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  std::uint8_t Byte() { return at < size ? data[at++] : 0; }
  DWORD Word() {
    DWORD v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<DWORD>(Byte()) << (8 * i);
    return v;
  }
};

const std::filesystem::path& Root() {
  static const std::filesystem::path root = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorsk-fuzz-XXXXXX").string();
    return std::filesystem::path(mkdtemp(pattern.data()));
  }();
  return root;
}

// Everything below the root except the store image: the only place files may appear is "out".
std::size_t FilesOutside(const std::filesystem::path& root) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const auto rel = e.path().lexically_relative(root);
    if (rel == "store.img" || rel == "out" || (rel.begin() != rel.end() && *rel.begin() == "out" && e.is_regular_file() &&
                                                std::distance(rel.begin(), rel.end()) == 2))
      continue;
    ++n;
  }
  return n;
}

void RunDialog(const SimDevice& device, const std::function<void(HeadlessUser&)>& script) {
  SimServices sim(device);
  HeadlessBackend ui;
  ui.SetScript(script);
  {
    CDumpApp app;
    app.SetServices(&sim);
    AfxWinMain(app, ui, u"vorsk");
  }
  Require(sim.OpenHandles() == 0);
  Require(sim.OpenBlocks() == 0);
  Require(FilesOutside(Root()) == 0);
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Root() / "out", ec)) std::filesystem::remove(e.path(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const DWORD kSectorSizes[] = {512, 512, 512, 1024, 2048, 4096, 0, 1, 256, 520, 4097, 8192};
  Reader in{data, size};
  SimStore store;
  store.device = u"DSK1:";
  store.name = u"NAND";
  store.profile = u"FlashDisk";
  store.bytesPerSector = kSectorSizes[in.Byte() % std::size(kSectorSizes)];
  store.partitionCount = in.Byte() % 8;
  const int records = in.Byte() % 7;
  for (int i = 0; i < records; ++i) {
    SimPartition p;
    std::u16string name;
    const int length = in.Byte() % 41;
    for (int k = 0; k < length; ++k) name += static_cast<char16_t>(in.Byte());
    p.name = CString(name);
    p.fileSystem = u"FATFS";
    p.sectors = in.Word() % 0x10000;  // small ranges: the store ends long before a large one would
    store.partitions.push_back(p);
  }
  std::string contents(reinterpret_cast<const char*>(data) + std::min(in.at, size), size - std::min(in.at, size));
  contents.resize(std::max<std::size_t>(contents.size(), 4096), '\0');
  {
    std::ofstream image(Root() / "store.img", std::ios::binary | std::ios::trunc);
    image.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }
  store.image = (Root() / "store.img").string();
  store.sectors = store.bytesPerSector ? contents.size() / store.bytesPerSector : 0;

  SimDevice device;
  device.stores = {store};
  device.registry = {{u"FlashDisk", CString(u"Card")}};
  std::filesystem::create_directories(Root() / "out");
  device.folders[u"Card"] = {(Root() / "out").string(), 1u << 30, 1u << 30};
  // Blocks above 1 MiB meet the memory check: the large buffers would cost more than the rest of a run.
  device.availVirtual = 2u << 20;

  RunDialog(device, [](HeadlessUser& u) {
    u.Select(IDC_COMBO_STORE, 0);
    u.Click(IDC_RADIO_HIDDEN);
    u.Click(IDC_BUTTON_SAVE);
  });
  for (int pick = 0; pick < std::min(records, 4); ++pick) {
    RunDialog(device, [pick](HeadlessUser& u) {
      u.Select(IDC_COMBO_STORE, 0);
      u.Click(IDC_RADIO_PART);
      u.Select(IDC_COMBO_PART, pick);
      u.Click(IDC_RADIO_HIDDEN);
      u.Click(IDC_RADIO_PART);
      u.Click(IDC_BUTTON_SAVE);
    });
  }
  return 0;
}
