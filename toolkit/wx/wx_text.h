// Text between the dialog's wide strings and wxWidgets' strings, through UTF-8.
#pragma once

#include <wx/string.h>

#include "toolkit/cstring.h"

inline wxString ToWx(const CString& text) { return wxString::FromUTF8(text.ToUtf8()); }
inline CString FromWx(const wxString& text) { return CString::FromUtf8(text.utf8_string()); }
