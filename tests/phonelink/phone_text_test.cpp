#include <gtest/gtest.h>

#include "phonelink/PhoneText.h"

namespace vestrel::phonelink {
namespace {

TEST(PhoneText, EveryPhoneByteSurvivesTheRoundTripThroughUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string phone(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToPhoneText(PhoneTextToUtf8(phone)), phone) << b;
  }
  // The byte the code page leaves unassigned keeps its own code point, so it can be named back.
  EXPECT_EQ(PhoneTextToUtf8("\x98"), "\xC2\x98");
}

TEST(PhoneText, CyrillicNamesConvertBothWays) {
  EXPECT_EQ(PhoneTextToUtf8("\xCC\xEE\xE8 \xF4\xEE\xF2\xEE.jpg"), "Мои фото.jpg");
  EXPECT_EQ(Utf8ToPhoneText("Ёлка ё №1"), std::string("\xA8\xEB\xEA\xE0 \xB8 \xB9"
                                                      "1"));
}

TEST(PhoneText, TextThePhoneCannotHoldIsRefused) {
  EXPECT_EQ(Utf8ToPhoneText("日本"), std::nullopt);
  EXPECT_EQ(Utf8ToPhoneText("\xFF\xFE"), std::nullopt);      // not UTF-8
  EXPECT_EQ(Utf8ToPhoneText("\xD0"), std::nullopt);          // cut short
  EXPECT_EQ(Utf8ToPhoneText("\xEF\xBF\xBD"), std::nullopt);  // the replacement character
  EXPECT_EQ(Utf8ToPhoneText(""), std::string());
}

TEST(PhoneText, MalformedUtf8IsRefusedWhereALenientDecoderWouldFindASlash) {
  EXPECT_EQ(Utf8ToPhoneText("/a/bad\xC0\xAFutf8"), std::nullopt);  // overlong "/"
  EXPECT_EQ(Utf8ToPhoneText("\xE0\x80\xAF"), std::nullopt);        // overlong, three bytes
  EXPECT_EQ(Utf8ToPhoneText("\xF0\x80\x80\xAF"), std::nullopt);    // overlong, four bytes
  EXPECT_EQ(Utf8ToPhoneText("\xED\xA0\x80"), std::nullopt);        // a surrogate
  EXPECT_EQ(Utf8ToPhoneText("\x80"), std::nullopt);                // a stray continuation
  EXPECT_EQ(Utf8ToPhoneText("\xF4\x90\x80\x80"), std::nullopt);    // above U+10FFFF
  EXPECT_EQ(Utf8ToPhoneText("a\xD0\x90"), std::string("a\xC0"));   // well-formed still passes
}

TEST(PhoneText, NamesAreShownWithTheirControlCharactersEscaped) {
  EXPECT_EQ(PhoneTextForDisplay("/a/\x1B[2Jx"), "/a/\\x1B[2Jx");
  EXPECT_EQ(PhoneTextForDisplay("a\nb\x7F\x98"), "a\\x0Ab\\x7F\\x98");
  EXPECT_EQ(PhoneTextForDisplay("back\\slash"), "back\\\\slash");
  EXPECT_EQ(PhoneTextForDisplay("\xC7\xE2\xEE\xED\xEE\xEA.mid"), "Звонок.mid");
}

}  // namespace
}  // namespace vestrel::phonelink
