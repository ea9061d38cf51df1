// The conversions between phone text and UTF-8 must agree with each other and with the rules
// of UTF-8: every phone byte string survives the trip out and back, every accepted UTF-8 text
// comes back unchanged, nothing ill-formed is accepted, and the display form never lets a
// control character through.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "phonelink/PhoneText.h"

namespace {

// An independent reading of well-formed UTF-8 (the table of the Unicode standard, ch. 3.9).
bool WellFormedUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto b = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b <= 0x7F) {
      length = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (at + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const auto c = static_cast<unsigned char>(text[at + i]);
      const unsigned char min = i == 1 ? low : 0x80, max = i == 1 ? high : 0xBF;
      if (c < min || c > max) return false;
    }
    at += length;
  }
  return true;
}

// The phone name a display form stands for: a doubled backslash is one backslash, "\xNN" the byte
// NN, the rest the text's own characters.
std::string ReadDisplayed(std::string_view display) {
  std::string name;
  std::string plain;
  auto flush = [&] {
    const auto bytes = vestrel::phonelink::Utf8ToPhoneText(plain);
    if (!bytes) std::abort();
    name += *bytes;
    plain.clear();
  };
  for (std::size_t at = 0; at < display.size(); ++at) {
    if (display[at] != '\\') {
      plain += display[at];
      continue;
    }
    flush();
    if (at + 1 < display.size() && display[at + 1] == '\\') {
      name += '\\';
      at += 1;
    } else if (at + 3 < display.size() && display[at + 1] == 'x') {
      name += static_cast<char>(std::stoi(std::string(display.substr(at + 2, 2)), nullptr, 16));
      at += 3;
    } else {
      std::abort();
    }
  }
  flush();
  return name;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const std::string shown = vestrel::phonelink::PhoneTextToUtf8(input);
  Check(WellFormedUtf8(shown));
  const auto back = vestrel::phonelink::Utf8ToPhoneText(shown);
  Check(back && *back == input);

  const auto phone = vestrel::phonelink::Utf8ToPhoneText(input);
  if (phone) {
    Check(WellFormedUtf8(input));
    Check(vestrel::phonelink::PhoneTextToUtf8(*phone) == input);
  }

  // The display form shows no control character and reads back as exactly one name.
  const std::string display = vestrel::phonelink::PhoneTextForDisplay(input);
  Check(WellFormedUtf8(display));
  for (std::size_t i = 0; i < display.size(); ++i) {
    const auto c = static_cast<unsigned char>(display[i]);
    Check(c >= 0x20 && c != 0x7F);
    // U+0080..U+009F are C2 80..C2 9F.
    Check(!(c == 0xC2 && i + 1 < display.size() &&
            static_cast<unsigned char>(display[i + 1]) <= 0x9F));
  }
  Check(ReadDisplayed(display) == input);
  return 0;
}
