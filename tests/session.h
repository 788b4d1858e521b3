// A dialog session for tests: a simulated device, the headless window, and a user script.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/dump_app.h"
#include "platform/sim/sim_services.h"
#include "res/resource.h"
#include "toolkit/headless/headless_backend.h"
#include "ui/dump_dlg.h"

// A directory of its own for one test, removed afterwards.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
    std::string pattern = (parent / "vorsk-test-XXXXXX").string();
    m_path = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One store with sensible defaults; tests change what they need.
inline SimStore MakeStore(const char16_t* device, const char16_t* profile, std::uint64_t sectors = 0x40000) {
  SimStore s;
  s.device = device;
  s.name = u"Store";
  s.profile = profile;
  s.bytesPerSector = 512;
  s.sectors = sectors;
  return s;
}

// A device with a NAND store (DSK1:, profile FlashDisk, folder ResidentFlash) and an SD card (DSK2:,
// profile SDMemory, folder "Storage Card" with more free space), folders under `dir`.
inline SimDevice NandAndCard(const TempDir& dir) {
  SimDevice d;
  SimStore nand = MakeStore(u"DSK1:", u"FlashDisk");
  nand.name = u"NAND Flash";
  nand.partitions = {{u"Part00", u"FATFS", 0x0B, 100}, {u"Part01", u"FATFS", 0x0B, 0x800}};
  nand.bootRecord = {{0x0B, 63, 100}, {0x0B, 200, 0x800}};
  SimStore card = MakeStore(u"DSK2:", u"SDMemory", 0x100000);
  card.name = u"SD Card";
  d.stores = {nand, card};
  d.registry = {{u"FlashDisk", CString(u"ResidentFlash")}, {u"SDMemory", CString(u"Storage Card")}};
  std::filesystem::create_directories(dir / "flash");
  std::filesystem::create_directories(dir / "card");
  d.folders[u"ResidentFlash"] = {dir / "flash", 5000000, 3500000};
  d.folders[u"Storage Card"] = {dir / "card", 2000000000, 1500000000};
  return d;
}

class Session {
 public:
  explicit Session(SimDevice device) : sim(std::move(device)) {}

  // Starts the program, lets `script` act as the user, and ends the run as the script leaves it.
  void Run(const std::function<void(HeadlessUser&)>& script = {}) {
    ui.SetScript([&](HeadlessUser& user) {
      if (script) script(user);
    });
    CDumpApp app;
    app.SetServices(&sim);
    AfxWinMain(app, ui, u"vorsk");
  }

  // What the user sees.
  CString Panel() const { return ui.Control(IDC_STATIC_INFO)->text; }
  const HeadlessControl& Control(int id) const { return *ui.Control(id); }
  int Check(int id) const { return ui.Control(id)->check; }
  bool Visible(int id) const { return ui.Control(id)->visible; }
  bool Enabled(int id) const { return ui.Control(id)->enabled; }
  // The radio buttons as "FPH" check digits, e.g. "100".
  std::string Radios() const {
    return std::to_string(Check(IDC_RADIO_FULL)) + std::to_string(Check(IDC_RADIO_PART)) +
           std::to_string(Check(IDC_RADIO_HIDDEN));
  }
  const std::vector<RecordedBox>& Boxes() const { return ui.Boxes(); }
  // The dialog itself, while it runs (for the few checks of its state record).
  static CDumpDlg& Dialog() { return *dynamic_cast<CDumpDlg*>(AfxGetApp()->m_pMainWnd); }

  SimServices sim;
  HeadlessBackend ui;
};

// The bytes of `count` sectors of store `store` from `start`, read through a fresh copy of the device.
inline std::string StoreBytes(const SimDevice& device, int store, DWORD start, DWORD count) {
  SimServices sim(device);
  const SimStore& s = device.stores[static_cast<size_t>(store)];
  std::string out(std::size_t{count} * s.bytesPerSector, '\0');
  const HANDLE h = sim.OpenStore(s.device);
  SG_REQ req{};
  req.sr_start = start;
  req.sr_num_sec = count;
  req.sr_num_sg = 1;
  req.sr_sglist[0].sb_buf = reinterpret_cast<BYTE*>(out.data());
  req.sr_sglist[0].sb_len = static_cast<DWORD>(out.size());
  DWORD n = 0;
  if (!sim.DeviceIoControl(h, IOCTL_DISK_READ, &req, sizeof req, nullptr, 0, &n)) out.clear();
  sim.CloseHandle(h);
  return out;
}

// Selects store `store`, clicks Partition and chooses partition `part`.
inline void ChoosePartition(HeadlessUser& user, int store, int part) {
  ASSERT_TRUE(user.Select(IDC_COMBO_STORE, store));
  ASSERT_TRUE(user.Click(IDC_RADIO_PART));
  ASSERT_TRUE(user.Select(IDC_COMBO_PART, part));
}

// Selects store `store`, and in Partition mode the partition `part`; then clicks Save.
inline void SaveFrom(HeadlessUser& user, int store, int mode, int part = -1) {
  ASSERT_TRUE(user.Select(IDC_COMBO_STORE, store));
  ASSERT_TRUE(user.Click(mode));
  if (mode == IDC_RADIO_PART) {
    ASSERT_TRUE(user.Select(IDC_COMBO_PART, part));
  }
  ASSERT_TRUE(user.Click(IDC_BUTTON_SAVE));
}
