// CString: the wide (UTF-16) text type of the dialog, with UTF-8 conversion for terminals, files and JSON.
#pragma once

#include <string>
#include <string_view>

class CString {
 public:
  CString() = default;
  CString(const char16_t* text) : m_text(text ? text : u"") {}  // NOLINT: implicit, as the class library's
  CString(std::u16string text) : m_text(std::move(text)) {}      // NOLINT
  CString(std::u16string_view text) : m_text(text) {}             // NOLINT

  static CString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  const char16_t* c_str() const { return m_text.c_str(); }
  const std::u16string& str() const { return m_text; }
  char16_t operator[](int i) const { return m_text[static_cast<size_t>(i)]; }

  // Removes every occurrence of ch and returns how many were removed.
  int Remove(char16_t ch);

  CString& operator+=(const CString& more) {
    m_text += more.m_text;
    return *this;
  }
  friend CString operator+(CString a, const CString& b) { return a += b; }
  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }

 private:
  std::u16string m_text;
};

// Printing support for test failure messages.
#include <ostream>
inline std::ostream& operator<<(std::ostream& os, const CString& s) { return os << s.ToUtf8(); }
