#include "cli/LocalName.h"
#include "platform/HostFileSystem.h"

namespace vestrel::cli {

std::optional<std::filesystem::path> LocalFileFor(const std::filesystem::path& folder,
                                                  std::string_view name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return std::nullopt;
  }
  return folder / platform::PathFromUtf8(name);
}

}  // namespace vestrel::cli
