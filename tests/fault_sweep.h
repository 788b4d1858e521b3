// The fault sweep over any backend: every user flow run with the Nth failable platform call failing, once,
// from N on, and from N on for that operation alone, for N = 1, 2, ... until the flow runs clean; each run checked for what the user was told,
// handles and blocks left open, and a "Done" that the image does not deserve.
#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/dump_app.h"
#include "front/verify.h"
#include "res/resource.h"
#include "tests/fault_injector.h"
#include "toolkit/headless/headless_backend.h"

// A backend to sweep: a fresh device per run, and where its folders put their files.
struct SweepBackend {
  std::function<std::unique_ptr<StorageServices>()> make;
  std::vector<std::string> folderDirs;  // every directory a folder of the device writes into
  // Handles and blocks the backend itself still counts as open (0 where it cannot tell).
  std::function<std::size_t(StorageServices&)> backendLeaks = [](StorageServices&) { return std::size_t{0}; };
};

// One thing a user does, from start-up to the end of the dialog, and the image it makes when all goes well.
struct SweepFlow {
  const char* name;
  std::function<void(HeadlessUser&)> script;  // stops at the first action the dialog refuses
  std::string image;                          // file name of the image; empty: no dump
  std::string device;                         // the store copied
  std::uint64_t startSector = 0;
  std::uint64_t bytes = 0;
};

// What the user saw: every box, and every panel text from the moment the dialog appeared.
class SeenByUser : public HeadlessObserver {
 public:
  explicit SeenByUser(HeadlessBackend& ui) : m_ui(ui) {}
  void OnInitialized() override {
    m_shown = true;
    panels.push_back(m_ui.GetText(IDC_STATIC_INFO));
  }
  void OnText(int id, const CString& text) override {
    if (m_shown && id == IDC_STATIC_INFO) panels.push_back(text);
  }
  void OnBox(const RecordedBox& box) override { boxes.push_back(box); }

  bool Box(const std::u16string& part) const {
    return std::any_of(boxes.begin(), boxes.end(), [&](const RecordedBox& b) {
      return b.text.str().find(part) != std::u16string::npos || b.caption.str() == part;
    });
  }
  bool BoxExactly(const std::u16string& text) const {
    return std::any_of(boxes.begin(), boxes.end(), [&](const RecordedBox& b) { return b.text.str() == text; });
  }
  bool Panel(const std::u16string& part) const {
    return std::any_of(panels.begin(), panels.end(),
                       [&](const CString& p) { return p.str().find(part) != std::u16string::npos; });
  }

  std::vector<RecordedBox> boxes;
  std::vector<CString> panels;

 private:
  HeadlessBackend& m_ui;
  bool m_shown = false;
};

// Whether the user learnt that `op` failed: the error box that names it, or the text the dialog shows for it.
inline bool Told(const std::string& op, const SeenByUser& seen) {
  const std::u16string name = CString::FromUtf8(op).str();
  if (seen.Box(name + u" failed with error")) return true;
  if (op == "FindFirstStore") return seen.Box(u"FindFirstStore") && seen.Box(u"ERROR: No Store found");
  if (op == "GetDiskFreeSpaceEx") return seen.Panel(u" - Disk free space unavailable");
  if (op == "RegOpenKeyEx" || op == "RegQueryValueEx") return seen.Panel(u"Error on opening key");
  if (op == "OpenStore") return seen.Panel(u"ERROR: Cannot open store") || seen.Panel(u"ERROR: Cannot open source store");
  if (op == "FindFirstPartition") return seen.Panel(u"ERROR: Cannot enumerate partitions");
  if (op == "CreateFile")
    return seen.Panel(u"ERROR: Cannot open source store") || seen.Box(u"Create output file\n failed with error");
  if (op == "alloc") return seen.Box(u"Please allocate more memory");
  return false;
}

struct SweepRun {
  std::uint64_t failableCalls = 0;
  bool injected = false;
  bool told = true;
  std::size_t handlesLeaked = 0;
  bool wrongDone = false;
  std::string why;  // what went wrong, for the failure message
};

inline void ClearFolders(const SweepBackend& backend) {
  for (const std::string& dir : backend.folderDirs) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) std::filesystem::remove_all(entry.path(), ec);
  }
}

// Runs `flow` once with call `failAt` failing (0: none), then checks the run.
inline SweepRun RunSwept(const SweepBackend& backend, const SweepFlow& flow, std::uint64_t failAt, FaultMode mode) {
  ClearFolders(backend);
  std::unique_ptr<StorageServices> device = backend.make();
  FaultInjector injector(*device, failAt, mode);
  HeadlessBackend ui;
  SeenByUser seen(ui);
  ui.SetObserver(&seen);
  ui.SetScript(flow.script);
  {
    CDumpApp app;
    app.SetServices(&injector);
    AfxWinMain(app, ui, u"vorsk");
  }

  SweepRun run;
  run.failableCalls = injector.FailableCalls();
  run.injected = !injector.Injected().empty();
  std::ostringstream why;
  for (const std::string& op : std::set<std::string>(injector.Injected().begin(), injector.Injected().end())) {
    if (!Told(op, seen)) {
      run.told = false;
      why << op << " failed unseen; ";
    }
  }
  run.handlesLeaked = injector.OpenHandles() + injector.OpenBlocks() + backend.backendLeaks(*device);
  if (run.handlesLeaked) why << run.handlesLeaked << " handles or blocks left open; ";

  // Every file in the folders must be the flow's image; "Done" only for the whole, exact image.
  std::string imagePath;
  for (const std::string& dir : backend.folderDirs) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (entry.path().filename() == flow.image) {
        imagePath = entry.path().string();
      } else {
        run.wrongDone = true;
        why << "unexpected file " << entry.path() << "; ";
      }
    }
  }
  bool exact = false;
  if (!imagePath.empty()) {
    std::ostringstream ignored;
    std::unique_ptr<StorageServices> clean = backend.make();
    exact = std::filesystem::file_size(imagePath) == flow.bytes &&
            VerifyImage(*clean, flow.device, flow.startSector, imagePath, ignored) == 0;
  }
  const bool done = seen.BoxExactly(u"Done");
  const bool doneWithErrors = seen.BoxExactly(u"Done with errors.\nResulting file may be compromised!");
  if (done && !exact) {
    run.wrongDone = true;
    why << "\"Done\" for an image that is not whole and exact; ";
  }
  if (!imagePath.empty() && !exact && !doneWithErrors) {
    run.wrongDone = true;
    why << "an incomplete image without \"Done with errors\"; ";
  }
  if (!run.injected && !flow.image.empty() && !done) {
    run.wrongDone = true;
    why << "the clean run did not end in \"Done\"; ";
  }
  run.why = why.str();
  return run;
}

// One row of the sweep's table.
struct SweepRow {
  std::string flow;
  std::uint64_t calls = 0;  // failable calls of the clean run
  std::uint64_t runs = 0;
  std::uint64_t injected = 0;
  std::uint64_t reported = 0;
  std::uint64_t handlesLeaked = 0;
  std::uint64_t wrongDone = 0;
  std::vector<std::string> failures;
};

// Sweeps N = 1, 2, ... for each kind of fault until a run meets no fault.
inline SweepRow Sweep(const SweepBackend& backend, const SweepFlow& flow) {
  SweepRow row;
  row.flow = flow.name;
  const SweepRun clean = RunSwept(backend, flow, 0, FaultMode::Once);
  row.calls = clean.failableCalls;
  if (!clean.why.empty()) row.failures.push_back("clean run: " + clean.why);
  for (FaultMode mode : {FaultMode::Once, FaultMode::FromN, FaultMode::SameOpFromN}) {
    for (std::uint64_t n = 1;; ++n) {
      const SweepRun run = RunSwept(backend, flow, n, mode);
      if (!run.injected) break;
      ++row.runs;
      ++row.injected;
      if (run.told) ++row.reported;
      row.handlesLeaked += run.handlesLeaked;
      if (run.wrongDone) ++row.wrongDone;
      if (!run.why.empty())
        row.failures.push_back(std::string(mode == FaultMode::Once    ? "call "
                                           : mode == FaultMode::FromN ? "from call "
                                                                      : "same operation from call ") +
                               std::to_string(n) + ": " + run.why);
    }
  }
  return row;
}
