// Printf-style formatting of wide texts by the class library's rules: %s takes a wide string.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "toolkit/cstring.h"

// One argument of a format: a text or an integer (kept with its signedness; the conversion decides its width).
class FormatArg {
 public:
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  FormatArg(T value)  // NOLINT: implicit by design
      : m_bits(static_cast<std::uint64_t>(value)), m_isText(false) {}
  FormatArg(const CString& text) : m_text(&text), m_isText(true) {}  // NOLINT

  bool IsText() const { return m_isText; }
  const CString& Text() const { return *m_text; }
  std::uint64_t Bits() const { return m_bits; }

 private:
  const CString* m_text = nullptr;
  std::uint64_t m_bits = 0;
  bool m_isText;
};

// Conversions: %s (wide text), %d (the low 32 bits as signed decimal), %u (low 32 bits, unsigned),
// %X (low 32 bits, upper-case hexadecimal), %llu (64 bits, unsigned), %% (a percent sign).
// Flags and width: a leading 0 pads with zeros, digits give the minimum width (%02d, %08X).
// A conversion without a matching argument, or of the wrong kind, prints nothing.
CString FormatV(const char16_t* format, std::initializer_list<FormatArg> args);

template <class... Args>
CString Format(const char16_t* format, const Args&... args) {
  return FormatV(format, {FormatArg(args)...});
}
