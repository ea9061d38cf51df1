#include "phonelink/MotoSysUtils.h"

namespace vestrel::phonelink {

std::int32_t HexToIntDef(std::string_view text, std::int32_t fallback) {
  if (text.empty()) return fallback;
  std::uint64_t value = 0;
  for (char c : text) {
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return fallback;
    }
    value = (value << 4) | digit;
    if (value > 0xFFFFFFFFu) return fallback;
  }
  // Eight-digit values above 7FFFFFFF read as negative numbers, as 32-bit hex literals do.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace vestrel::phonelink

namespace vestrel::phonelink {

std::string TextToUCS2Hex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(text.size() * 4);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    std::uint16_t code = c;
    if (ch == '|') code = 0xFFFE;
    if (c == 0xB8) code = 0x0451;
    for (int shift = 12; shift >= 0; shift -= 4) hex.push_back(kDigits[(code >> shift) & 0xF]);
  }
  return hex;
}

std::string UCS2HexToText(std::string_view hex) {
  std::string text;
  text.reserve(hex.size() / 4);
  for (std::size_t at = 0; at + 4 <= hex.size(); at += 4) {
    auto v = static_cast<std::uint32_t>(HexToIntDef(hex.substr(at, 4), 0));
    if (v >= 0x410 && v <= 0x44F) {
      v -= 0x350;
    } else if (v == 0x451) {
      v = 0xB8;
    }
    text.push_back(static_cast<char>(v & 0xFF));
  }
  return text;
}

std::string ExtractPhoneFileName(std::string_view path) {
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace vestrel::phonelink
