#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vestrel::cli {

// The local file a phone file name becomes inside `folder`; nullopt when the name would leave
// the folder or cannot be a plain file name there (platform::PlainHostFileName, the rule the
// main window's save keeps too).
std::optional<std::filesystem::path> LocalFileFor(const std::filesystem::path& folder,
                                                  std::string_view name);

}  // namespace vestrel::cli
