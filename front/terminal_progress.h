// The progress line on a terminal: bar, percentage, bytes written, rate and time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// One line of progress, `width` characters of bar, from the progress control's fraction and the bytes
// written so far in `elapsed` seconds. Pure, for tests.
std::string ProgressLine(double fraction, std::uint64_t bytes, double elapsedSeconds, int width = 30);

class TerminalProgress {
 public:
  explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
  void Update(int min, int max, int pos, std::uint64_t bytes);
  void Finish();

 private:
  bool m_enabled;
  bool m_started = false;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_lastDraw;
};
