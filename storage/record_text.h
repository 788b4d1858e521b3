// Texts in the fixed-size wide fields of the system's records.
#pragma once

#include <cstddef>

#include "storage/records.h"
#include "toolkit/cstring.h"

// The text of a field: up to its terminator, never past the field's end.
template <std::size_t N>
CString FieldText(const WCHAR (&field)[N]) {
  std::size_t n = 0;
  while (n < N && field[n] != u'\0') ++n;
  return CString(std::u16string_view(field, n));
}

// Stores `text` into a field, cut so that the terminator fits.
template <std::size_t N>
void SetFieldText(WCHAR (&field)[N], const CString& text) {
  std::size_t n = 0;
  for (; n + 1 < N && n < static_cast<std::size_t>(text.GetLength()); ++n) field[n] = text[static_cast<int>(n)];
  for (; n < N; ++n) field[n] = u'\0';
}
