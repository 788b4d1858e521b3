// Fixtures for the host backend: disk image files with a boot record, and the dialog run on any services.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/dump_app.h"
#include "platform/linux/host_services.h"
#include "platform/sim/sim_device.h"
#include "res/resource.h"
#include "storage/boot_record.h"
#include "tests/session.h"
#include "toolkit/headless/headless_backend.h"

// Writes a disk image of `sectors` 512-byte sectors whose every sector names its own number (as the
// simulated device's sectors do) and whose sector 0 holds a boot record with `entries`.
inline void WriteDiskImage(const std::string& path, std::uint64_t sectors, const std::vector<BootEntry>& entries) {
  std::vector<BYTE> bytes(static_cast<size_t>(sectors * 512));
  FillSectorPattern(0, bytes.data(), bytes.size());
  if (!entries.empty()) {
    std::fill(bytes.begin(), bytes.begin() + 512, BYTE{0});
    for (size_t i = 0; i < entries.size() && i < 4; ++i) WriteBootEntry(bytes.data(), static_cast<int>(i), entries[i]);
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Bytes [offset, offset + length) of a file.
inline std::string FileSlice(const std::string& path, std::uint64_t offset, std::uint64_t length) {
  const std::string all = ReadFileBytes(path);
  if (offset > all.size()) return {};
  return all.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
}

// Host options that see only the given images and destinations: no block device of this machine.
inline HostOptions ImagesOnly(const TempDir& dir, std::vector<std::string> images, std::vector<std::string> dests) {
  HostOptions o;
  o.images = std::move(images);
  o.dests = std::move(dests);
  o.sysfsRoot = dir / "no-sysfs";
  o.home = "";
  return o;
}

// One user step: a click on control `id`, or, with `index` >= 0, the choice of that entry of list `id`.
struct UserStep {
  int id;
  int index = -1;
};
inline const std::vector<UserStep> kFullSteps = {{IDC_RADIO_FULL}};
inline const std::vector<UserStep> kHiddenSteps = {{IDC_RADIO_HIDDEN}};
inline std::vector<UserStep> PartitionSteps(int row) { return {{IDC_RADIO_PART}, {IDC_COMBO_PART, row}}; }

// What a user does to dump: select the store, take the steps, click Save.
inline std::function<void(HeadlessUser&)> DumpScript(const CString& store, const std::vector<UserStep>& steps) {
  return [store, steps](HeadlessUser& user) {
    ASSERT_TRUE(user.SelectText(IDC_COMBO_STORE, store)) << user.Refusal();
    for (const UserStep& s : steps) ASSERT_TRUE(s.index < 0 ? user.Click(s.id) : user.Select(s.id, s.index)) << user.Refusal();
    ASSERT_TRUE(user.Click(IDC_BUTTON_SAVE)) << user.Refusal();
  };
}

// The dialog on any services, driven by a scripted user.
class AnySession {
 public:
  void Run(StorageServices& services, const std::function<void(HeadlessUser&)>& script = {}) {
    ui.SetScript([&](HeadlessUser& user) {
      if (script) script(user);
    });
    CDumpApp app;
    app.SetServices(&services);
    AfxWinMain(app, ui, u"vorsk");
  }
  CString Panel() const { return ui.Control(IDC_STATIC_INFO)->text; }
  const std::vector<RecordedBox>& Boxes() const { return ui.Boxes(); }
  std::vector<CString> BoxTexts() const {
    std::vector<CString> texts;
    for (const RecordedBox& b : ui.Boxes()) texts.push_back(b.text);
    return texts;
  }
  HeadlessBackend ui;
};
