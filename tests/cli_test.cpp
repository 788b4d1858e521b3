// The command line: parsing, the headless run's output and exit codes, the progress line, verification.
#include <gtest/gtest.h>

#include <sstream>

#include "front/cli_options.h"
#include "front/headless_run.h"
#include "front/terminal_progress.h"
#include "front/verify.h"
#include "session.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

struct Result {
  int code;
  std::string out, err;
};

Result RunCli(SimServices& sim, const std::string& line) {
  CliOptions o;
  std::string error;
  EXPECT_TRUE(ParseCli(Words(line), o, error)) << error;
  std::ostringstream out, err;
  const int code = RunHeadless(o, sim, out, err, false);
  return {code, out.str(), err.str()};
}

}  // namespace

TEST(Cli, Parsing) {
  struct Case {
    const char* line;
    const char* error;  // "" when it parses
  } cases[] = {
      {"--demo list", ""},
      {"--sim dev.json --trace act store=DSK1: full partition part=Part00 part-index=0 store-index=1 hidden save", ""},
      {"--demo dump --store DSK1: --partition Part00", ""},
      {"--image a.img --image b.img --dest /mnt list", ""},
      {"--demo verify --store DSK1: --start 63 x.img", ""},
      {"--help", ""},
      {"", ""},
      {"--demo --sim x list", "--demo and --sim cannot be combined"},
      {"--sim", "--sim needs a value"},
      {"--demo act", "act needs at least one action (see --help)"},
      {"--demo act jump", "unknown action 'jump' (see --help)"},
      {"--demo act store-index=x", "action 'store-index=x': the index must be a whole number"},
      {"--demo dump", "dump needs --store DEV"},
      {"--demo dump --store D: --partition P --hidden", "dump takes --partition or --hidden, not both"},
      {"--demo list extra", "unexpected argument 'extra' (see --help)"},
      {"--demo --image a.img list", "--image and --dest belong to this machine's stores, not to --demo or --sim"},
      {"--demo verify --store D: --start -3 x", "--start takes a sector number"},
      {"--demo verify --store D:", "verify needs --store DEV and an IMAGE"},
  };
  for (const Case& c : cases) {
    CliOptions o;
    std::string error;
    EXPECT_EQ(ParseCli(Words(c.line), o, error), *c.error == '\0') << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

TEST(Cli, TraceShowsPanelsBoxesAndStatesInOrder) {
  TempDir dir;
  SimServices sim(NandAndCard(dir));
  const Result r = RunCli(sim, "--trace act store=DSK1: partition part=Part01");
  EXPECT_EQ(r.code, kExitDone);
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 9u) << r.out;
  EXPECT_EQ(lines[0],
            R"({"panel":"Stores found:\n\\ResidentFlash\t\t5MB, 3MB free\n\\Storage Card\t\t2000MB, 1500MB free\n\n Please select a store..."})");
  EXPECT_EQ(lines[1].rfind(R"({"state":{"panel":"Stores found:)", 0), 0u);
  EXPECT_NE(lines[1].find(R"("radios":{"full":1,"partition":0,"hidden":0},"save":{"visible":true,"enabled":false},"stores":{"visible":true,"entries":["DSK1:","DSK2:"],"selection":-1},"partitions":{"visible":false,"entries":[],"selection":-1},"partitionLabel":{"visible":false},"progress":{"visible":false,"min":0,"max":100,"pos":0}}})"),
            std::string::npos)
      << lines[1];
  EXPECT_EQ(lines[2].rfind(R"({"panel":"Store:  DSK1:  Folder: ResidentFlash\n)", 0), 0u);
  EXPECT_EQ(lines[4], R"({"panel":"Please select a partition..."})");
  EXPECT_NE(lines[5].find(R"("partitions":{"visible":true,"entries":["Part00","Part01"],"selection":-1})"), std::string::npos);
  EXPECT_EQ(lines[6], R"({"panel":"Partition name:\tPart01\nStarting sector:\t0xC8\nNo. of Sectors:\t0x800\nPartition type:\t\t0xB\nFile System:\t\tFATFS"})");
  EXPECT_EQ(lines[8], R"({"closed":true})");
}

TEST(Cli, BoxesAndExitCodes) {
  struct Case {
    const char* line;
    int code;
    const char* inOut;  // printed somewhere on stdout
    const char* inErr;
  } cases[] = {
      {"list", kExitDone, " Please select a store...", ""},
      {"dump --store DSK1: --partition Part00", kExitDone, "[vorsk]\nDone\n", ""},
      {"--trace act store=DSK1: save", kExitFailed, R"({"box":{"text":"You requested to dump 134217 MB. \nMaximum available space 1500 MB)", ""},
      {"act store=DSK9:", kExitUsage, "", "vorsk: cannot do 'store=DSK9:': the list has no entry \"DSK9:\"\n"},
      {"act part=Part00", kExitUsage, "", "vorsk: cannot do 'part=Part00': the control is hidden\n"},
      {"act save", kExitUsage, "", "vorsk: cannot do 'save': the control is disabled\n"},
      {"act store=DSK1: save store=DSK1:", kExitUsage, "", "the dialog has closed"},
      {"act store=DSK1: hidden save", kExitDone, "Saving hidden in NAND Flash to folder Storage Card", ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SimDevice d = NandAndCard(dir);
    d.stores[0].sectors = 0x40000 * 1000;  // too large for the card: the full dump is refused
    SimServices sim(std::move(d));
    const Result r = RunCli(sim, c.line);
    EXPECT_EQ(r.code, c.code) << c.line << "\n" << r.out << r.err;
    EXPECT_NE(r.out.find(c.inOut), std::string::npos) << c.line << "\n" << r.out;
    EXPECT_NE(r.err.find(c.inErr), std::string::npos) << c.line << "\n" << r.err;
  }
}

TEST(Cli, DumpThatEndsWithErrorsExitsWithOne) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  d.faults = {{"IOCTL_DISK_READ", 3, ERROR_CRC}};
  SimServices sim(std::move(d));
  const Result r = RunCli(sim, "dump --store DSK1: --partition Part01");
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_NE(r.out.find("[Error]\nIOCTL_DISK_READ failed with error 23"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Done with errors."), std::string::npos);
}

TEST(Cli, ProgressLine) {
  EXPECT_EQ(ProgressLine(0.5, 50000000, 2.0, 10), "[#####     ]  50% 50.0 MB  25.0 MB/s  0:00:02 left");
  EXPECT_EQ(ProgressLine(0, 0, 0, 4), "[    ]   0% 0.0 MB");
  EXPECT_EQ(ProgressLine(2, 3000000000ull, 10, 4), "[####] 100% 3.00 GB  300.0 MB/s");
}

TEST(Cli, VerifyComparesAnImageWithTheStore) {
  TempDir dir;
  SimDevice d = NandAndCard(dir);
  SimServices sim(d);
  const std::string good = StoreBytes(d, 0, 63, 100);
  { std::ofstream(dir / "good.img", std::ios::binary) << good; }
  std::string bad = good;
  bad[1000] ^= 1;
  { std::ofstream(dir / "bad.img", std::ios::binary) << bad; }
  std::ostringstream out;
  EXPECT_EQ(VerifyImage(sim, "DSK1:", 63, dir / "good.img", out), 0);
  EXPECT_EQ(VerifyImage(sim, "DSK1:", 64, dir / "good.img", out), 1);
  EXPECT_EQ(VerifyImage(sim, "DSK1:", 63, dir / "bad.img", out), 1);
  EXPECT_NE(out.str().find("differs at byte 1000 of the image"), std::string::npos) << out.str();
  EXPECT_EQ(VerifyImage(sim, "DSK1:", 0x40000 - 99, dir / "good.img", out), 1);  // runs past the store
  EXPECT_EQ(VerifyImage(sim, "DSK7:", 0, dir / "good.img", out), 2);
  EXPECT_EQ(VerifyImage(sim, "DSK1:", 0, dir / "missing.img", out), 2);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}
