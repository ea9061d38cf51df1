#include <gtest/gtest.h>

#include "phonelink/MotoSysUtils.h"

namespace vestrel::phonelink {
namespace {

TEST(SysUtils, SwapsReverseByteOrder) {
  EXPECT_EQ(Swap16(0x0FFF), 0xFF0F);
  EXPECT_EQ(Swap16(Swap16(0x1234)), 0x1234);
  EXPECT_EQ(Swap32(0x10080000u), 0x00000810u);
  EXPECT_EQ(Swap32(0x01020304u), 0x04030201u);
}

TEST(SysUtils, HexToIntDefReadsHexOrGivesTheDefault) {
  EXPECT_EQ(HexToIntDef("08", 0), 8);
  EXPECT_EQ(HexToIntDef("0a", 0), 10);
  EXPECT_EQ(HexToIntDef("FF", 0), 255);
  EXPECT_EQ(HexToIntDef("FFFFFFFF", 0), -1);
  EXPECT_EQ(HexToIntDef("000000010", 0), 16);  // leading zeros do not overflow
  EXPECT_EQ(HexToIntDef("100000000", 7), 7);   // beyond 32 bits
  EXPECT_EQ(HexToIntDef("", 5), 5);
  EXPECT_EQ(HexToIntDef("0G", 5), 5);
  EXPECT_EQ(HexToIntDef("-1", 5), 5);
  EXPECT_EQ(HexToIntDef(" 8", 5), 5);
  EXPECT_EQ(HexToIntDef("\\?", 0), 0);
}

}  // namespace
}  // namespace vestrel::phonelink
