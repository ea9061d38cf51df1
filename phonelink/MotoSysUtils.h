#pragma once

#include <cstdint>
#include <string_view>

namespace vestrel {

// Exchanges the two low bytes: for 16-bit fields that travel high byte first.
constexpr std::uint16_t Swap16(std::uint16_t value) {
  return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}

// Reverses the four bytes: for 32-bit fields that travel high byte first.
constexpr std::uint32_t Swap32(std::uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
         (value << 24);
}

// Reads `text` as a hexadecimal number of at most 32 bits (digits only, no sign or blanks),
// giving `fallback` for anything else, the empty text included.
std::int32_t HexToIntDef(std::string_view text, std::int32_t fallback);

}  // namespace vestrel
