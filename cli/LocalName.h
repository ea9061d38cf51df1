#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel::cli {

// The local file a phone file name becomes inside `folder`; nullopt when the name would leave
// the folder or cannot be a plain file name there: empty, "." or "..", separators, a drive or
// absolute prefix, control characters.
std::optional<std::filesystem::path> LocalFileFor(const std::filesystem::path& folder,
                                                  std::string_view name);

}  // namespace vestrel::cli
