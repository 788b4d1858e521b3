// Paints a static text with the shared text layout, so wrapping and tab stops match the template's intent.
#include "toolkit/wx/static_text.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include "toolkit/text_layout.h"
#include "toolkit/wx/wx_text.h"


WxStaticText::WxStaticText(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                           const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), m_text(text) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &WxStaticText::OnPaint, this);
}

void WxStaticText::SetLabel(const wxString& text) {
  if (text == m_text) return;
  m_text = text;
  Refresh();
}

void WxStaticText::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
  dc.Clear();
  dc.SetFont(GetFont());
  dc.SetTextForeground(IsEnabled() ? wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)
                                   : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
  const int lineHeight = dc.GetCharHeight();
  // Tab stops every eight average characters of the font, as a static text control sets them.
  const int tabWidth = 8 * dc.GetFontMetrics().averageWidth;
  const MeasureText measure = [&dc](std::u16string_view piece) {
    return dc.GetTextExtent(ToWx(CString(piece))).GetWidth();
  };
  const std::vector<TextLine> lines = LayoutText(FromWx(m_text).str(), GetClientSize().GetWidth(), tabWidth, measure);
  int y = 0;
  for (const TextLine& line : lines) {
    if (y >= GetClientSize().GetHeight()) break;
    for (const TextRun& run : line) dc.DrawText(ToWx(CString(run.text)), run.x, y);
    y += lineHeight;
  }
}
