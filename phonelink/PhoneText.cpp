#include "phonelink/PhoneText.h"

#include <cstdint>
#include <cstdio>

#include "text/Windows1251.h"

namespace vestrel::phonelink {

std::string PhoneTextToUtf8(std::string_view phoneText) {
  return text::Windows1251ToUtf8(phoneText);
}

std::optional<std::string> Utf8ToPhoneText(std::string_view utf8) {
  return text::Utf8ToWindows1251(utf8);
}

std::string PhoneTextForDisplay(std::string_view phoneText) {
  std::string out;
  out.reserve(phoneText.size() * 2);
  for (const char byte : phoneText) {
    const char32_t c = text::Windows1251ToUnicode(static_cast<std::uint8_t>(byte));
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X",
                    static_cast<unsigned>(static_cast<std::uint8_t>(byte)));
      out += escaped;
    } else {
      text::AppendUtf8(out, c);
    }
  }
  return out;
}

}  // namespace vestrel::phonelink
