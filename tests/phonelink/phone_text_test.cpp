#include <gtest/gtest.h>

#include "phonelink/PhoneText.h"

namespace vestrel {
namespace {

TEST(PhoneText, EveryPhoneByteSurvivesTheRoundTripThroughUtf8) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;
    const std::string phone(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToPhoneText(PhoneTextToUtf8(phone)), phone) << b;
  }
  EXPECT_EQ(PhoneTextToUtf8("\x98"), "\xEF\xBF\xBD");
}

TEST(PhoneText, CyrillicNamesConvertBothWays) {
  EXPECT_EQ(PhoneTextToUtf8("\xCC\xEE\xE8 \xF4\xEE\xF2\xEE.jpg"), "Мои фото.jpg");
  EXPECT_EQ(Utf8ToPhoneText("Ёлка ё №1"), std::string("\xA8\xEB\xEA\xE0 \xB8 \xB9" "1"));
}

TEST(PhoneText, TextThePhoneCannotHoldIsRefused) {
  EXPECT_EQ(Utf8ToPhoneText("日本"), std::nullopt);
  EXPECT_EQ(Utf8ToPhoneText("\xFF\xFE"), std::nullopt);      // not UTF-8
  EXPECT_EQ(Utf8ToPhoneText("\xD0"), std::nullopt);          // cut short
  EXPECT_EQ(Utf8ToPhoneText("\xEF\xBF\xBD"), std::nullopt);  // the replacement character
  EXPECT_EQ(Utf8ToPhoneText(""), std::string());
}

}  // namespace
}  // namespace vestrel
