#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel::phonelink {

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

// Phone names as the search request spells them: four upper-case hex digits per 8-bit
// character; "|" gives FFFE (the folder/mask separator) and 0xB8 gives 0451.
std::string TextToUCS2Hex(std::string_view text);

// Whole groups of four hex digits back to 8-bit characters: 0410..044F become the Windows-1251
// letters (minus 0x350), 0451 becomes 0xB8, anything else its low byte (0 when not hex).
std::string UCS2HexToText(std::string_view hex);

// The part of a phone path after its last "/" (the whole text when there is none).
std::string ExtractPhoneFileName(std::string_view path);

}  // namespace vestrel::phonelink
