// The command line's dialog run: actions become clicks and selections; what changes is printed.
#include "front/headless_run.h"

#include <string>

#include "app/dump_app.h"
#include "front/json_text.h"
#include "front/metered_services.h"
#include "front/terminal_progress.h"
#include "res/resource.h"
#include "toolkit/headless/headless_backend.h"

namespace {

class Printer : public HeadlessObserver {
 public:
  Printer(HeadlessBackend& backend, MeteredServices& meter, std::ostream& out, bool trace, bool progress)
      : m_backend(backend), m_meter(meter), m_out(out), m_trace(trace), m_progress(progress && !trace) {}

  // The dialog appears once initialisation is over: the panel as it stands then is the first one seen.
  void OnInitialized() override {
    m_shown = true;
    if (!m_trace) Print(m_backend.GetText(IDC_STATIC_INFO));
    State();
  }

  void OnText(int id, const CString& text) override {
    if (id != IDC_STATIC_INFO) return;
    if (m_trace) {
      m_out << "{\"panel\":" << JsonString(text) << "}\n";
      m_out.flush();
    } else if (m_shown && text != m_lastPanel) {
      Print(text);
    }
  }

  void Print(const CString& panel) {
    m_progress.Finish();
    m_out << panel.ToUtf8() << "\n\n";
    m_out.flush();
    m_lastPanel = panel;
  }

  void OnBox(const RecordedBox& box) override {
    m_progress.Finish();
    if (box.text == CString(u"Done")) m_done = true;
    if (m_trace) {
      m_out << "{\"box\":{\"text\":" << JsonString(box.text) << ",\"caption\":" << JsonString(box.caption)
            << ",\"flags\":" << box.flags << "}}\n";
    } else {
      m_out << "[" << box.caption.ToUtf8() << "]\n" << box.text.ToUtf8() << "\n\n";
    }
    m_out.flush();
  }

  void OnProgress(int, int min, int max, int pos) override { m_progress.Update(min, max, pos, m_meter.BytesWritten()); }

  void OnClosed(int) override {
    m_progress.Finish();
    if (m_trace) m_out << "{\"closed\":true}\n";
    m_out.flush();
  }

  // The control states, after initialisation and after each action (trace only).
  void State() {
    if (!m_trace || !m_backend.IsOpen()) return;
    auto c = [&](int id) { return *m_backend.Control(id); };
    const HeadlessControl progress = c(IDC_PROGRESS);
    m_out << "{\"state\":{\"panel\":" << JsonString(c(IDC_STATIC_INFO).text)
          << ",\"radios\":{\"full\":" << c(IDC_RADIO_FULL).check << ",\"partition\":" << c(IDC_RADIO_PART).check
          << ",\"hidden\":" << c(IDC_RADIO_HIDDEN).check << "}"
          << ",\"save\":{\"visible\":" << JsonBool(c(IDC_BUTTON_SAVE).visible)
          << ",\"enabled\":" << JsonBool(c(IDC_BUTTON_SAVE).enabled) << "}"
          << ",\"stores\":" << List(c(IDC_COMBO_STORE)) << ",\"partitions\":" << List(c(IDC_COMBO_PART))
          << ",\"partitionLabel\":{\"visible\":" << JsonBool(c(IDC_LABEL_PART).visible) << "}"
          << ",\"progress\":{\"visible\":" << JsonBool(progress.visible) << ",\"min\":" << progress.rangeMin
          << ",\"max\":" << progress.rangeMax << ",\"pos\":" << progress.pos << "}}}\n";
    m_out.flush();
  }

  bool Done() const { return m_done; }

 private:
  static std::string List(const HeadlessControl& list) {
    return std::string("{\"visible\":") + JsonBool(list.visible) + ",\"entries\":" + JsonStrings(list.entries) +
           ",\"selection\":" + std::to_string(list.selection) + "}";
  }

  HeadlessBackend& m_backend;
  MeteredServices& m_meter;
  std::ostream& m_out;
  bool m_trace;
  TerminalProgress m_progress;
  CString m_lastPanel;
  bool m_shown = false;
  bool m_done = false;
};

// The dump command as the actions a user takes.
std::vector<std::string> DumpActions(const CliOptions& o) {
  std::vector<std::string> actions = {"store=" + o.store};
  if (!o.partition.empty()) {
    actions.push_back("partition");
    actions.push_back("part=" + o.partition);
  } else if (o.hidden) {
    actions.push_back("hidden");
  } else {
    actions.push_back("full");
  }
  actions.push_back("save");
  return actions;
}

// Performs one action; false with the reason when the dialog does not let the user do it.
bool Perform(HeadlessUser& user, const std::string& action, std::string& why) {
  auto after = [&](const std::string& prefix) { return action.substr(prefix.size()); };
  bool ok = false;
  if (action == "full") ok = user.Click(IDC_RADIO_FULL);
  else if (action == "partition") ok = user.Click(IDC_RADIO_PART);
  else if (action == "hidden") ok = user.Click(IDC_RADIO_HIDDEN);
  else if (action == "save") ok = user.Click(IDC_BUTTON_SAVE);
  else if (action.rfind("store=", 0) == 0) ok = user.SelectText(IDC_COMBO_STORE, CString::FromUtf8(after("store=")));
  else if (action.rfind("part=", 0) == 0) ok = user.SelectText(IDC_COMBO_PART, CString::FromUtf8(after("part=")));
  else if (action.rfind("store-index=", 0) == 0) ok = user.Select(IDC_COMBO_STORE, std::stoi(after("store-index=")));
  else if (action.rfind("part-index=", 0) == 0) ok = user.Select(IDC_COMBO_PART, std::stoi(after("part-index=")));
  if (!ok) why = user.Refusal();
  return ok;
}

}  // namespace

int RunHeadless(const CliOptions& options, StorageServices& services, std::ostream& out, std::ostream& err,
                bool progress) {
  MeteredServices meter(services);
  HeadlessBackend backend;
  Printer printer(backend, meter, out, options.trace, progress);
  backend.SetObserver(&printer);

  const std::vector<std::string> actions =
      options.command == CommandKind::Dump ? DumpActions(options) : options.actions;
  bool refused = false;
  bool saved = false;
  backend.SetScript([&](HeadlessUser& user) {
    for (const std::string& action : actions) {
      std::string why;
      if (!Perform(user, action, why)) {
        err << "vorsk: cannot do '" << action << "': " << why << "\n";
        refused = true;
        return;
      }
      saved = saved || action == "save";
      printer.State();
    }
  });

  CDumpApp app;
  app.SetServices(&meter);
  AfxWinMain(app, backend, CString::FromUtf8(options.title));

  if (refused) return kExitUsage;
  if (saved && !printer.Done()) return kExitFailed;
  return kExitDone;
}
