#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vestrel {

// Phone file names are 8-bit Windows-1251 text; hosts show and store UTF-8. These convert at
// the edges only: for display and host file names, and when proposing a phone name.

// Every byte has a character; the one unassigned code (0x98) becomes U+FFFD.
std::string PhoneTextToUtf8(std::string_view phoneText);

// nullopt when the text is not valid UTF-8 or holds a character Windows-1251 lacks.
std::optional<std::string> Utf8ToPhoneText(std::string_view utf8);

}  // namespace vestrel
