// Image file names: the three suffixes, byte counts past 2 GiB, and names made safe for one folder.
#include <gtest/gtest.h>

#include "dump/image_name.h"

TEST(ImageName, SuffixesNameTheByteRange) {
  struct Case {
    CString got;
    const char16_t* want;
  } cases[] = {
      {FullImageName(u"DSK1", 0x40000ull * 512), u"DSK1_0_134217728.img"},
      {PartitionImageName(u"DSK1", u"Part00", 0x800ull * 512), u"DSK1_Part00_0_1048576.img"},
      {HiddenImageName(u"DSK1", 0, 0x40ull * 512), u"DSK1_Hidden_0_32768.img"},
      {HiddenImageName(u"DSK1", 162ull * 512, 38ull * 512), u"DSK1_Hidden_82944_19456.img"},
      {FullImageName(u"DSK1", 1ull << 31), u"DSK1_0_2147483648.img"},      // unsigned, never negative
      {FullImageName(u"DSK1", 1ull << 32), u"DSK1_0_4294967296.img"},      // exact, never wrapped
      {HiddenImageName(u"DSK1", 0xFFFFFFFFull * 4096, 512), u"DSK1_Hidden_17592186040320_512.img"},
      {FullImageName(u"", 512), u"_0_512.img"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, CString(c.want));
}

TEST(ImageName, NamePartsCannotLeaveTheFolder) {
  struct Case {
    const char16_t* part;
    const char16_t* want;
  } cases[] = {
      {u"DSK1", u"DSK1"},
      {u"Part00", u"Part00"},
      {u"My Card-2.x", u"My Card-2.x"},
      {u"a/b", u"a_b"},
      {u"a\\b", u"a_b"},
      {u"..", u"_"},
      {u".", u"_"},
      {u"...", u"_"},
      {u"../etc", u".._etc"},
      {u"x\x01y\ty\x7F", u"x_y_y_"},
      {u"a*b?c\"d<e>f|g:h", u"a_b_c_d_e_f_g_h"},
      {u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeNamePart(c.part), CString(c.want)) << CString(c.part);
  EXPECT_EQ(PartitionImageName(u"..", u"/", 512), CString(u"____0_512.img"));
}
