#include <algorithm>
#include <array>
#include <cctype>

#include "platform/HostFileSystem.h"

namespace vestrel::platform {

namespace {

bool IsWindowsDevice(std::string_view name) {
  // Windows opens the device for its name with any extension, and blanks before the dot.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper(stem);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end()) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::optional<std::filesystem::path> PlainHostFileName(std::string_view utf8) {
  if (utf8.find_first_not_of(". ") == std::string_view::npos) return std::nullopt;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return std::nullopt;
  }
  if (IsWindowsDevice(utf8)) return std::nullopt;
  return PathFromUtf8(utf8);
}

}  // namespace vestrel::platform
