// Starting wxWidgets on the desktop's display for one window run, and stopping it again.
#pragma once

#include <string>

class WxToolkit {
 public:
  WxToolkit() = default;
  ~WxToolkit();
  WxToolkit(const WxToolkit&) = delete;
  WxToolkit& operator=(const WxToolkit&) = delete;

  // Whether the environment names a display (DISPLAY or WAYLAND_DISPLAY); `why` says what is missing.
  static bool DisplayNamed(std::string& why);
  // Starts the toolkit. False with `why` when there is no display or it cannot be opened.
  bool Start(std::string& why);

 private:
  bool m_started = false;
};
