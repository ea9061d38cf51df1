#include "backup/Manifest.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "backup/Sha256.h"
#include "backup/WholeText.h"
#include "platform/HostFileSystem.h"

namespace vestrel::backup {

namespace fs = std::filesystem;

namespace {

// "<digest>  <name>": the name of a manifest line, empty for a line of another form.
std::string NameOf(const std::string& line) {
  if (line.size() <= 66 || line.compare(64, 2, "  ") != 0) return {};
  return line.substr(66);
}

// The manifest with the line of `name` dropped and `replacement` (when not empty) added at the
// end.
std::string RewriteManifest(const fs::path& folder, const std::string& name,
                            const std::string& replacement) {
  const fs::path manifest = folder / kManifestName;
  std::string text;
  {
    // Closed before the new manifest takes its place, which Windows refuses for an open file.
    std::ifstream earlier(manifest, std::ios::binary);
    for (std::string line; std::getline(earlier, line);) {
      if (NameOf(line) != name) text += line + "\n";
    }
  }
  return ReplaceWithText(manifest, text + replacement);
}

}  // namespace

std::string RecordInManifest(const fs::path& folder, const std::string& name, std::string* listed) {
  std::string error;
  const auto digest = FileSha256(folder / platform::PathFromUtf8(name), error);
  if (!digest) return error;
  if (listed) *listed = *digest;
  return RewriteManifest(folder, name, *digest + "  " + name + "\n");
}

std::string DropFromManifest(const fs::path& folder, const std::string& name) {
  return RewriteManifest(folder, name, {});
}

std::optional<std::string> ListedDigest(const fs::path& folder, const std::string& name) {
  std::ifstream manifest(folder / kManifestName, std::ios::binary);
  for (std::string line; std::getline(manifest, line);) {
    if (NameOf(line) == name) return line.substr(0, 64);
  }
  return std::nullopt;
}

FolderCheck CheckFolder(const fs::path& folder) {
  FolderCheck check;
  std::error_code code;
  if (!fs::exists(folder / kManifestName, code)) {
    check.noManifest = true;
    check.unreadable = "no " + std::string(kManifestName) + " in " + platform::Utf8FromPath(folder);
    return check;
  }
  std::ifstream manifest(folder / kManifestName, std::ios::binary);
  if (!manifest) {
    check.unreadable = "cannot read " + platform::Utf8FromPath(folder / kManifestName);
    return check;
  }
  std::vector<std::string> listed;
  for (std::string line; std::getline(manifest, line);) {
    const std::string name = NameOf(line);
    if (name.empty()) continue;
    listed.push_back(name);
    if (!fs::exists(folder / platform::PathFromUtf8(name), code)) {
      check.missing.push_back(name);
      continue;
    }
    std::string error;
    const auto digest = FileSha256(folder / platform::PathFromUtf8(name), error);
    (digest && *digest == line.substr(0, 64) ? check.matching : check.damaged).push_back(name);
  }
  for (const auto& entry : fs::directory_iterator(folder, code)) {
    const std::string name = platform::Utf8FromPath(entry.path().filename());
    if (name == kManifestName || name == kDescriptionName ||
        std::find(listed.begin(), listed.end(), name) != listed.end()) {
      continue;
    }
    check.extra.push_back(name);
  }
  std::sort(check.extra.begin(), check.extra.end());
  return check;
}

}  // namespace vestrel::backup
