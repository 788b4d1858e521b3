// The wide printf of the dialog: a small interpreter over the format text.
#include "toolkit/wide_format.h"

#include <string>

namespace {

std::u16string Digits(std::uint64_t value, unsigned base) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out;
  do {
    out.insert(out.begin(), kDigits[value % base]);
    value /= base;
  } while (value != 0);
  return out;
}

}  // namespace

CString FormatV(const char16_t* format, std::initializer_list<FormatArg> args) {
  std::u16string out;
  auto next = args.begin();
  for (const char16_t* p = format; *p != u'\0'; ++p) {
    if (*p != u'%') {
      out += *p;
      continue;
    }
    ++p;
    if (*p == u'%') {
      out += u'%';
      continue;
    }
    bool zeroPad = false;
    if (*p == u'0') {
      zeroPad = true;
      ++p;
    }
    size_t width = 0;
    while (*p >= u'0' && *p <= u'9') width = width * 10 + static_cast<size_t>(*p++ - u'0');
    bool longLong = false;
    if (p[0] == u'l' && p[1] == u'l') {
      longLong = true;
      p += 2;
    }
    if (*p == u'\0') break;
    const char16_t conversion = *p;
    if (next == args.end()) continue;
    const FormatArg& arg = *next++;

    std::u16string piece;
    if (conversion == u's') {
      if (arg.IsText()) piece = arg.Text().str();
    } else if (!arg.IsText()) {
      const std::uint64_t bits = arg.Bits();
      const auto low = static_cast<std::uint32_t>(bits);
      if (conversion == u'd') {
        const auto value = static_cast<std::int32_t>(low);
        piece = value < 0 ? u"-" + Digits(0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(value)), 10)
                          : Digits(low, 10);
      } else if (conversion == u'u') {
        piece = Digits(longLong ? bits : low, 10);
      } else if (conversion == u'X') {
        piece = Digits(longLong ? bits : low, 16);
      }
    }
    if (piece.size() < width) {
      const bool negative = !piece.empty() && piece[0] == u'-';
      const size_t pad = width - piece.size();
      if (zeroPad && conversion != u's') {
        piece.insert(negative ? 1 : 0, pad, u'0');
      } else {
        piece.insert(0, pad, u' ');
      }
    }
    out += piece;
  }
  return CString(std::move(out));
}
