#pragma once

// Windows-1251, the 8-bit text of phone file names, and strict UTF-8, the hosts' text. One
// table for every part of the system that converts between them, so a name means the same to
// the phone link, the tools and the virtual phone's folder.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel::text {

// The character of a byte. 0x98, which the code page leaves unassigned, stands for U+0098, so
// every byte has exactly one character and every name converts both ways.
char32_t Windows1251ToUnicode(std::uint8_t byte);
// The byte of a character; nullopt for a character the code page lacks.
std::optional<std::uint8_t> UnicodeToWindows1251(char32_t c);

void AppendUtf8(std::string& out, char32_t c);
// The code point at `at`, advancing past it; nullopt for anything that is not well-formed
// UTF-8: a stray or missing continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF. `at` is then left after the lead byte.
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at);

std::string Windows1251ToUtf8(std::string_view bytes);
// nullopt when the text is not well-formed UTF-8 or holds a character the code page lacks.
std::optional<std::string> Utf8ToWindows1251(std::string_view utf8);

}  // namespace vestrel::text
