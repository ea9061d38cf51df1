#pragma once

#include <filesystem>
#include <string>

namespace vestrel::backup {

// Puts `text` in `file` through a temporary file beside it, so a reader finds the old text or
// the new one, never a part. Blocks for the write; returns empty, or why it failed (the file
// then stays as it was). Used for the folder's SHA256SUMS and BACKUP.txt.
std::string ReplaceWithText(const std::filesystem::path& file, const std::string& text);

}  // namespace vestrel::backup
