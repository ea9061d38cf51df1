#pragma once

#include <filesystem>
#include <string>

namespace vestrel::backup {

// The folder's SHA256SUMS, in the lines `sha256sum -c` reads: 64 lower-case hex digits, two
// blanks, the file's name. BackupRun records each element once its file is whole.
inline constexpr const char* kManifestName = "SHA256SUMS";

// Hashes `file` (a plain name inside `folder`) and puts its line in the folder's SHA256SUMS in
// place of an earlier line of that name. The manifest is rewritten through a temporary file, so
// it is always whole. Blocks for the file's read; returns empty, or why it failed (the manifest
// then stays as it was).
std::string RecordInManifest(const std::filesystem::path& folder, const std::string& name);

}  // namespace vestrel::backup
