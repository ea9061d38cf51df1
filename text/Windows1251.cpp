#include "text/Windows1251.h"

#include <array>

namespace vestrel::text {

namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

char32_t Windows1251ToUnicode(std::uint8_t byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
  return kHighHalf[byte - 0x80];
}

std::optional<std::uint8_t> UnicodeToWindows1251(char32_t c) {
  if (c < 0x80) return static_cast<std::uint8_t>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<std::uint8_t>(0xC0 + (c - 0x0410));
  for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
    if (kHighHalf[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  std::size_t extra = 0;
  char32_t c = 0;
  char32_t least = 0;  // below this the same value had a shorter form
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    c = lead & 0x1F;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
    least = 0x10000;
  } else {
    return std::nullopt;  // a continuation byte, C0/C1 (always overlong) or F5..FF
  }
  if (text.size() - at < extra) return std::nullopt;
  for (std::size_t i = 0; i < extra; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return std::nullopt;
    c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  at += extra;
  return c;
}

std::string Windows1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    AppendUtf8(out, Windows1251ToUnicode(static_cast<std::uint8_t>(byte)));
  }
  return out;
}

std::optional<std::string> Utf8ToWindows1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const auto c = NextUtf8(utf8, at);
    if (!c) return std::nullopt;
    const auto byte = UnicodeToWindows1251(*c);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

}  // namespace vestrel::text
