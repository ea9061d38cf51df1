#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vestrel::backup {

// The folder's SHA256SUMS, in the lines `sha256sum -c` reads: 64 lower-case hex digits, two
// blanks, the file's name. BackupRun records each element and the PDS file once whole, and each
// archive once the archiver's own test passed it (the element it packed then leaves the list).
inline constexpr const char* kManifestName = "SHA256SUMS";
// The run's own account beside it (BackupDescription); rewritten as the run goes, so not listed.
inline constexpr const char* kDescriptionName = "BACKUP.txt";

// Hashes `file` (a plain name inside `folder`) and puts its line in the folder's SHA256SUMS in
// place of an earlier line of that name. The manifest is rewritten through a temporary file, so
// it is always whole. Blocks for the file's read; returns empty, or why it failed (the manifest
// then stays as it was). `digest`, when given, gets the digest listed.
std::string RecordInManifest(const std::filesystem::path& folder, const std::string& name,
                             std::string* digest = nullptr);
// Drops the line of `name` (a file packed and gone); returns empty, or why the manifest could
// not be rewritten.
std::string DropFromManifest(const std::filesystem::path& folder, const std::string& name);
// The digest the manifest lists for `name`; nullopt when it lists none (or cannot be read).
std::optional<std::string> ListedDigest(const std::filesystem::path& folder,
                                        const std::string& name);

// What a folder holds against its SHA256SUMS. `unreadable` says why the manifest itself could
// not be read (then nothing else is filled in).
struct FolderCheck {
  std::string unreadable;
  bool noManifest = false;           // the folder has no SHA256SUMS: no file was ever whole in it
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
