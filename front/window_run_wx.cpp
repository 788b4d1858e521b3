// The window front end on wxWidgets: the application on the window backend, traced on request.
#include <map>

#include "app/dump_app.h"
#include "front/headless_run.h"
#include "front/json_text.h"
#include "front/window_run.h"
#include "res/resource.h"
#include "toolkit/wx/wx_backend.h"
#include "toolkit/wx/wx_toolkit.h"

namespace {

// JSON Lines of what the window shows, in the headless trace's form where the two meet.
class WindowTrace : public WxObserver {
 public:
  explicit WindowTrace(std::ostream& out) : m_out(out) {}

  void OnShown(const std::map<int, PixelRect>& rects) override {
    m_out << "{\"shown\":{";
    bool first = true;
    for (const auto& [id, r] : rects) {
      m_out << (first ? "" : ",") << "\"" << id << "\":[" << r.x << "," << r.y << "," << r.width << "," << r.height
            << "]";
      first = false;
    }
    m_out << "}}\n";
    m_out.flush();
  }
  void OnText(int id, const CString& text) override {
    if (id != IDC_STATIC_INFO) return;
    m_out << "{\"panel\":" << JsonString(text) << "}\n";
    m_out.flush();
  }
  void OnBox(const CString& text, const CString& caption, unsigned flags) override {
    m_out << "{\"box\":{\"text\":" << JsonString(text) << ",\"caption\":" << JsonString(caption)
          << ",\"flags\":" << flags << "}}\n";
    m_out.flush();
  }
  void OnClosed(int) override {
    m_out << "{\"closed\":true}\n";
    m_out.flush();
  }

 private:
  std::ostream& m_out;
};

}  // namespace

bool WindowPossible(std::string& why) { return WxToolkit::DisplayNamed(why); }

int RunWindow(const CliOptions& options, StorageServices& services, std::ostream& out, std::ostream& err) {
  WxToolkit toolkit;
  std::string why;
  if (!toolkit.Start(why)) {
    err << NoWindowAdvice(why);
    return kExitUsage;
  }
  WxBackend backend;
  backend.RegisterIcon(IDR_MAINFRAME, MainIconData(), MainIconSize());
  WindowTrace trace(out);
  if (options.trace) backend.SetObserver(&trace);

  CDumpApp app;
  app.SetServices(&services);
  AfxWinMain(app, backend, CString::FromUtf8(options.title));
  return kExitDone;
}
