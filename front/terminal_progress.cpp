// Drawing the progress line on stderr, at most ten times a second.
#include "front/terminal_progress.h"

#include <cstdio>

namespace {

std::string Bytes(double b) {
  char buf[32];
  if (b >= 1e9) {
    std::snprintf(buf, sizeof buf, "%.2f GB", b / 1e9);
  } else {
    std::snprintf(buf, sizeof buf, "%.1f MB", b / 1e6);
  }
  return buf;
}

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

}  // namespace

std::string ProgressLine(double fraction, std::uint64_t bytes, double elapsed, int width) {
  if (fraction < 0) fraction = 0;
  if (fraction > 1) fraction = 1;
  const int filled = static_cast<int>(fraction * width);
  std::string line = "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(width - filled), ' ') + "]";
  char pct[16];
  std::snprintf(pct, sizeof pct, " %3d%% ", static_cast<int>(fraction * 100));
  line += pct + Bytes(static_cast<double>(bytes));
  if (elapsed > 0 && bytes > 0) line += "  " + Bytes(static_cast<double>(bytes) / elapsed) + "/s";
  if (fraction > 0 && fraction < 1 && elapsed > 0) line += "  " + Clock(elapsed * (1 - fraction) / fraction) + " left";
  return line;
}

void TerminalProgress::Update(int min, int max, int pos, std::uint64_t bytes) {
  if (!m_enabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (!m_started) {
    m_started = true;
    m_start = now;
    m_lastDraw = now - std::chrono::seconds(1);
  }
  if (now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  const double span = static_cast<double>(max) - min;
  const double fraction = span > 0 ? (static_cast<double>(pos) - min) / span : 0;
  const double elapsed = std::chrono::duration<double>(now - m_start).count();
  std::fprintf(stderr, "\r%s\033[K", ProgressLine(fraction, bytes, elapsed).c_str());
  std::fflush(stderr);
}

void TerminalProgress::Finish() {
  if (!m_enabled || !m_started) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_started = false;
}
