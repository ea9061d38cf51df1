#include "phonelink/MotoSysUtils.h"

namespace vestrel {

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

}  // namespace vestrel
