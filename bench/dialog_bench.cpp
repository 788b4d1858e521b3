// Micro-benchmarks of the dialog's own costs: start-up with ten stores, reading a boot record, the
// hidden-region search and image-name composition.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/dump_app.h"
#include "dump/image_name.h"
#include "platform/sim/sim_services.h"
#include "res/resource.h"
#include "storage/hidden_regions.h"
#include "toolkit/headless/headless_backend.h"

namespace {

SimDevice TenStores() {
  SimDevice d;
  const std::string dir = std::filesystem::temp_directory_path().string();
  for (int i = 0; i < 10; ++i) {
    SimStore s;
    const std::u16string n = CString::FromUtf8(std::to_string(i)).str();
    s.device = u"DSK" + n + u":";
    s.profile = u"P" + n;
    s.sectors = 0x40000;
    s.partitions = {{u"Part00", u"FATFS", 0x0B, 1000}, {u"Part01", u"FATFS", 0x0B, 1000}};
    s.bootRecord = {{0x0B, 63, 1000}, {0x0B, 2000, 1000}};
    d.stores.push_back(s);
    d.registry[u"P" + n] = CString(u"F" + n);
    d.folders[u"F" + n] = {dir, 1000000000, 500000000};
  }
  return d;
}

// Runs the dialog once with `script` as the user.
void RunDialog(SimServices& sim, const HeadlessBackend::Script& script) {
  HeadlessBackend ui;
  ui.SetScript(script);
  CDumpApp app;
  app.SetServices(&sim);
  AfxWinMain(app, ui, u"vorsk");
}

void StartUpWithTenStores(benchmark::State& state) {
  const SimDevice device = TenStores();
  for (auto _ : state) {
    SimServices sim(device);
    RunDialog(sim, {});
  }
}
BENCHMARK(StartUpWithTenStores);

void ReadBootRecordAndSearch(benchmark::State& state) {
  SimServices sim(TenStores());
  RunDialog(sim, [&](HeadlessUser& user) {
    user.Select(IDC_COMBO_STORE, 0);
    for (auto _ : state) user.Click(IDC_RADIO_HIDDEN);  // reads sector 0, then searches
  });
}
BENCHMARK(ReadBootRecordAndSearch);

void HiddenSearch(benchmark::State& state) {
  const DWORD starts[4] = {63, 2000, 0, 9000}, counts[4] = {1000, 1000, 0, 5};
  for (auto _ : state) benchmark::DoNotOptimize(FindHiddenRegions(starts, counts, 4));
}
BENCHMARK(HiddenSearch);

void ImageNames(benchmark::State& state) {
  const CString device(u"DSK1"), part(u"Part00");
  for (auto _ : state) {
    benchmark::DoNotOptimize(FullImageName(device, 134217728));
    benchmark::DoNotOptimize(PartitionImageName(device, part, 1048576));
    benchmark::DoNotOptimize(HiddenImageName(device, 82944, 19456));
  }
}
BENCHMARK(ImageNames);

}  // namespace

BENCHMARK_MAIN();
