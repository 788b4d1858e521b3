// Composition of image file names from the device, the partition and the byte range.
#include "dump/image_name.h"

#include "toolkit/wide_format.h"

CString SafeNamePart(const CString& part) {
  std::u16string out = part.str();
  bool onlyDots = true;
  for (char16_t& c : out) {
    const bool unsafe = c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' ||
                        c == u'"' || c == u'<' || c == u'>' || c == u'|';
    if (unsafe) c = u'_';
    if (c != u'.') onlyDots = false;
  }
  if (!out.empty() && onlyDots) return CString(u"_");
  return CString(std::move(out));
}

CString FullImageName(const CString& base, std::uint64_t storeBytes) {
  return SafeNamePart(base) + Format(u"_0_%llu.img", storeBytes);
}

CString PartitionImageName(const CString& base, const CString& partition, std::uint64_t partitionBytes) {
  return SafeNamePart(base) + u"_" + SafeNamePart(partition) + Format(u"_0_%llu.img", partitionBytes);
}

CString HiddenImageName(const CString& base, std::uint64_t offsetBytes, std::uint64_t lengthBytes) {
  return SafeNamePart(base) + Format(u"_Hidden_%llu_%llu.img", offsetBytes, lengthBytes);
}
