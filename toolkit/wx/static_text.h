// A static text control drawn by us: left-aligned, wrapped at its right edge, broken at line feeds, tabs expanded.
#pragma once

#include <wx/window.h>

class WxStaticText : public wxWindow {
 public:
  WxStaticText(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos, const wxSize& size);

  void SetLabel(const wxString& text) override;
  wxString GetLabel() const override { return m_text; }
  bool AcceptsFocus() const override { return false; }

 private:
  void OnPaint(wxPaintEvent& event);

  wxString m_text;
};
