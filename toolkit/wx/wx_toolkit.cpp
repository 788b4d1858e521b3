// The toolkit's start and end: an application object without a main loop of its own, since the dialog's
// modal loop is the only loop the program runs.
#include "toolkit/wx/wx_toolkit.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>

namespace {

class ToolkitApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// A failed toolkit check is reported on stderr; it never stops the program with a box of its own.
void ReportToolkitCheck(const wxString& file, int line, const wxString& func, const wxString& cond,
                        const wxString& msg) {
  std::fprintf(stderr, "vorsk: toolkit check failed at %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
               func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
}

bool Named(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

}  // namespace

bool WxToolkit::DisplayNamed(std::string& why) {
  if (Named("DISPLAY") || Named("WAYLAND_DISPLAY")) return true;
  why = "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  return false;
}

bool WxToolkit::Start(std::string& why) {
  if (!DisplayNamed(why)) return false;
  wxApp::SetInstance(new ToolkitApp);
  static char name[] = "vorsk";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  if (!wxEntryStart(argc, argv)) {
    const char* display = std::getenv("DISPLAY");
    why = std::string("the display ") + (display && *display ? "\"" + std::string(display) + "\" " : "") +
          "cannot be opened";
    return false;
  }
  m_started = true;
  wxSetAssertHandler(ReportToolkitCheck);
  delete wxLog::SetActiveTarget(new wxLogStderr);
  wxInitAllImageHandlers();
  return true;
}

WxToolkit::~WxToolkit() {
  if (m_started) wxEntryCleanup();
}
