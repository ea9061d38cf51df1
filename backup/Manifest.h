#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vestrel::backup {

// The folder's SHA256SUMS, in the lines `sha256sum -c` reads: 64 lower-case hex digits, two
// blanks, the file's name. BackupRun records each element once its file is whole.
inline constexpr const char* kManifestName = "SHA256SUMS";

// Hashes `file` (a plain name inside `folder`) and puts its line in the folder's SHA256SUMS in
// place of an earlier line of that name. The manifest is rewritten through a temporary file, so
// it is always whole. Blocks for the file's read; returns empty, or why it failed (the manifest
// then stays as it was).
std::string RecordInManifest(const std::filesystem::path& folder, const std::string& name);

// What a folder holds against its SHA256SUMS. `unreadable` says why the manifest itself could
// not be read (then nothing else is filled in).
struct FolderCheck {
  std::string unreadable;
  std::vector<std::string> missing;  // listed, not there
  std::vector<std::string> damaged;  // there, with another digest (or unreadable)
  std::vector<std::string> extra;    // there, not listed
  std::vector<std::string> matching;
  bool AllMatch() const {
    return unreadable.empty() && missing.empty() && damaged.empty() && extra.empty();
  }
};

// Hashes every listed file of `folder` and looks for files the manifest does not list; blocks
// for the reads.
FolderCheck CheckFolder(const std::filesystem::path& folder);

}  // namespace vestrel::backup
