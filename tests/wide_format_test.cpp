// The wide printf and the text type: conversions, widths, and UTF-8 round trips.
#include <gtest/gtest.h>

#include "toolkit/wide_format.h"

TEST(WideFormat, Conversions) {
  const CString name(u"DSK1:");
  struct Case {
    CString got;
    const char16_t* want;
  } cases[] = {
      {Format(u"%s-%s", name, CString(u"x")), u"DSK1:-x"},
      {Format(u"%d", 512), u"512"},
      {Format(u"%d", 0xFFFFFFFFu), u"-1"},                     // low 32 bits, signed
      {Format(u"%d", 0x180000000ull), u"-2147483648"},         // 64-bit value: low 32 bits only
      {Format(u"%X", 0x200), u"200"},
      {Format(u"%X", 0xFFFFFFFFu), u"FFFFFFFF"},
      {Format(u"%X", 0), u"0"},
      {Format(u"%02d", 3), u"03"},
      {Format(u"%02d", 123), u"123"},
      {Format(u"%08X", 0x1A), u"0000001A"},
      {Format(u"%08X", -1), u"FFFFFFFF"},
      {Format(u"%llu", 4294967296ull), u"4294967296"},
      {Format(u"%u", 0x80000000u), u"2147483648"},
      {Format(u"0x%X(%d.2MB)", 0x800000, 8), u"0x800000(8.2MB)"},
      {Format(u"100%%"), u"100%"},
      {Format(u"%s and %d", name), u"DSK1: and "},  // a missing argument prints nothing
      {Format(u"%d", name), u""},                   // a text given for a number prints nothing
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, CString(c.want));
}

TEST(WideFormat, Utf8RoundTripAndRepair) {
  EXPECT_EQ(CString::FromUtf8("Speicherkarte \xC3\xBC \xF0\x9F\x92\xBE").ToUtf8(),
            "Speicherkarte \xC3\xBC \xF0\x9F\x92\xBE");
  EXPECT_EQ(CString::FromUtf8("a\xFF" "b").ToUtf8(), "a\xEF\xBF\xBD" "b");  // a bad byte becomes U+FFFD
  EXPECT_EQ(CString::FromUtf8("\xE2\x82").ToUtf8(), "\xEF\xBF\xBD\xEF\xBF\xBD");  // cut sequence
  CString s(u"DS:K1::");
  EXPECT_EQ(s.Remove(u':'), 3);
  EXPECT_EQ(s, CString(u"DSK1"));
}
