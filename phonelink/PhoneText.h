#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vestrel::phonelink {

// Phone file names are 8-bit Windows-1251 text; hosts show and store UTF-8. These convert at
// the edges only: for display and host file names, and when proposing a phone name. Every byte
// round-trips (0x98, unassigned in the code page, is U+0098).

std::string PhoneTextToUtf8(std::string_view phoneText);

// nullopt when the text is not well-formed UTF-8 (overlong forms, surrogates and stray bytes
// included) or holds a character Windows-1251 lacks.
std::optional<std::string> Utf8ToPhoneText(std::string_view utf8);

// For a terminal or a message: UTF-8 with every control character (C0, DEL and U+0080..U+009F)
// and the backslash written as "\xNN" (backslash "\\"), so a name can never move the cursor,
// recolour the screen or pass for another name.
std::string PhoneTextForDisplay(std::string_view phoneText);

}  // namespace vestrel::phonelink
