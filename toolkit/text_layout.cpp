// Word wrap and tab expansion for the static text controls of a window backend.
#include "toolkit/text_layout.h"

namespace {

class LineBuilder {
 public:
  LineBuilder(std::vector<TextLine>& lines, const MeasureText& measure) : m_lines(lines), m_measure(measure) {
    NewLine();
  }
  void NewLine() {
    m_lines.emplace_back();
    m_x = 0;
    m_newRun = true;
    m_hasWord = false;
  }
  void Tab(int tabWidth) {
    if (tabWidth > 0) m_x = (m_x / tabWidth + 1) * tabWidth;
    m_newRun = true;
  }
  void Append(std::u16string_view piece, bool word) {
    TextLine& line = m_lines.back();
    if (m_newRun) {
      line.push_back({m_x, std::u16string()});
      m_newRun = false;
    }
    line.back().text += piece;
    m_x = line.back().x + m_measure(line.back().text);
    m_hasWord = m_hasWord || word;
  }
  int X() const { return m_x; }
  bool HasWord() const { return m_hasWord; }

 private:
  std::vector<TextLine>& m_lines;
  const MeasureText& m_measure;
  int m_x = 0;
  bool m_newRun = true;
  bool m_hasWord = false;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<TextLine> LayoutText(std::u16string_view text, int width, int tabWidth, const MeasureText& measure) {
  std::vector<TextLine> lines;
  LineBuilder line(lines, measure);
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      ++i;
    } else if (c == u'\n') {
      line.NewLine();
      ++i;
    } else if (c == u'\t') {
      line.Tab(tabWidth);
      ++i;
    } else if (c == u' ') {
      size_t end = i;
      while (end < text.size() && text[end] == u' ') ++end;
      line.Append(text.substr(i, end - i), false);
      i = end;
    } else {
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end]) && text[end] != u'\n' &&
             !(text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n'))
        ++end;
      const std::u16string_view word = text.substr(i, end - i);
      if (line.HasWord() && line.X() + measure(word) > width) line.NewLine();
      line.Append(word, true);
      i = end;
    }
  }
  return lines;
}
