// The fault sweep on the simulated device: every flow survives every failed platform call, tells the user,
// leaves nothing open and never says "Done" for an image that is not whole.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/sim/sim_services.h"
#include "tests/fault_sweep.h"
#include "tests/session.h"

namespace {

// A small NAND (3 MiB: three 1 MiB blocks) with a hidden run in front of each partition, and an SD card
// whose folder receives the images.
SimDevice SweepDevice(const TempDir& dir) {
  SimDevice d = NandAndCard(dir);
  d.stores[0].sectors = 0x1800;
  d.stores[0].partitions[1].sectors = 0x600;
  d.stores[0].bootRecord[1].sectors = 0x600;
  return d;
}

// Each action as the user takes it; the script stops where the dialog refuses one.
std::function<void(HeadlessUser&)> Steps(std::vector<std::function<bool(HeadlessUser&)>> steps) {
  return [steps](HeadlessUser& user) {
    for (const auto& step : steps) {
      if (!step(user)) return;
    }
  };
}
auto SelectStore(const char16_t* device) {
  return [device](HeadlessUser& u) { return u.SelectText(IDC_COMBO_STORE, device); };
}
auto Click(int id) {
  return [id](HeadlessUser& u) { return u.Click(id); };
}
auto SelectPartition(const char16_t* name) {
  return [name](HeadlessUser& u) { return u.SelectText(IDC_COMBO_PART, name); };
}

std::vector<SweepFlow> Flows() {
  return {
      {"start-up", Steps({}), "", "", 0, 0},
      {"select a store", Steps({SelectStore(u"DSK1:")}), "", "", 0, 0},
      {"list partitions", Steps({SelectStore(u"DSK1:"), Click(IDC_RADIO_PART)}), "", "", 0, 0},
      {"choose a partition",
       Steps({SelectStore(u"DSK1:"), Click(IDC_RADIO_PART), SelectPartition(u"Part01")}), "", "", 0, 0},
      {"hidden search", Steps({SelectStore(u"DSK1:"), Click(IDC_RADIO_HIDDEN)}), "", "", 0, 0},
      {"dump full store", Steps({SelectStore(u"DSK1:"), Click(IDC_BUTTON_SAVE)}), "DSK1_0_3145728.img",
       "DSK1:", 0, 0x1800 * 512},
      {"dump partition",
       Steps({SelectStore(u"DSK1:"), Click(IDC_RADIO_PART), SelectPartition(u"Part01"), Click(IDC_BUTTON_SAVE)}),
       "DSK1_Part01_0_786432.img", "DSK1:", 200, 0x600 * 512},
      {"dump hidden", Steps({SelectStore(u"DSK1:"), Click(IDC_RADIO_HIDDEN), Click(IDC_BUTTON_SAVE)}),
       "DSK1_Hidden_82944_19456.img", "DSK1:", 162, 38 * 512},
  };
}

TEST(FaultSweep, EveryFlowSurvivesEveryFailedCallOnTheSimulatedDevice) {
  TempDir dir;
  const SimDevice device = SweepDevice(dir);
  SweepBackend sim;
  sim.make = [device] { return std::make_unique<SimServices>(device); };
  sim.folderDirs = {dir / "flash", dir / "card"};
  sim.backendLeaks = [](StorageServices& s) {
    auto& services = dynamic_cast<SimServices&>(s);
    return services.OpenHandles() + services.OpenBlocks();
  };

  std::printf("%-20s %6s %6s %9s %9s %8s %11s %8s\n", "flow", "calls", "runs", "injected", "reported",
              "leaked", "wrong Done", "crashes");
  for (const SweepFlow& flow : Flows()) {
    const SweepRow row = Sweep(sim, flow);
    // A process that crashed would not reach this line: every run of the row returned.
    std::printf("%-20s %6llu %6llu %9llu %9llu %8llu %11llu %8d\n", row.flow.c_str(),
                static_cast<unsigned long long>(row.calls), static_cast<unsigned long long>(row.runs),
                static_cast<unsigned long long>(row.injected), static_cast<unsigned long long>(row.reported),
                static_cast<unsigned long long>(row.handlesLeaked), static_cast<unsigned long long>(row.wrongDone), 0);
    EXPECT_GT(row.calls, 0u) << row.flow;
    EXPECT_EQ(row.runs, 3 * row.calls) << row.flow;
    EXPECT_EQ(row.reported, row.injected) << row.flow;
    EXPECT_EQ(row.handlesLeaked, 0u) << row.flow;
    EXPECT_EQ(row.wrongDone, 0u) << row.flow;
    for (const std::string& failure : row.failures) ADD_FAILURE() << row.flow << ": " << failure;
  }
}

}  // namespace
