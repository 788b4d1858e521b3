// JSON text for the --trace lines: strings escaped, UTF-8 throughout.
#pragma once

#include <string>
#include <vector>

#include "toolkit/cstring.h"

std::string JsonString(const std::string& utf8);
inline std::string JsonString(const CString& text) { return JsonString(text.ToUtf8()); }
std::string JsonStrings(const std::vector<CString>& texts);
inline const char* JsonBool(bool b) { return b ? "true" : "false"; }
