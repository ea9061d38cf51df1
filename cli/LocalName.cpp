#include "cli/LocalName.h"
#include "platform/HostFileSystem.h"

namespace vestrel::cli {

std::optional<std::filesystem::path> LocalFileFor(const std::filesystem::path& folder,
                                                  std::string_view name) {
  const auto plain = platform::PlainHostFileName(name);
  if (!plain) return std::nullopt;
  return folder / *plain;
}

}  // namespace vestrel::cli
