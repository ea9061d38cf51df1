#include "backup/Manifest.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <vector>

#include "backup/Sha256.h"
#include "phonefiles/HostFile.h"
#include "platform/HostFileSystem.h"

namespace vestrel::backup {

namespace fs = std::filesystem;

std::string RecordInManifest(const fs::path& folder, const std::string& name) {
  std::string error;
  const auto digest = FileSha256(folder / platform::PathFromUtf8(name), error);
  if (!digest) return error;
  const fs::path manifest = folder / kManifestName;
  std::string text;
  {
    // Closed before the new manifest takes its place, which Windows refuses for an open file.
    std::ifstream earlier(manifest, std::ios::binary);
    for (std::string line; std::getline(earlier, line);) {
      // "<digest>  <name>": a line of this name goes, every other stays as it was.
      if (line.size() > 66 && line.compare(66, std::string::npos, name) == 0) continue;
      text += line + "\n";
    }
  }
  text += *digest + "  " + name + "\n";
  phonefiles::HostError hostError;
  auto target = phonefiles::HostTarget::Open(manifest, false, hostError);
  if (!target) return hostError.Describe();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (!target->Write(std::span(bytes, text.size())) || !target->Commit()) {
    return target->Error().Describe();
  }
  return {};
}

FolderCheck CheckFolder(const fs::path& folder) {
  FolderCheck check;
  std::ifstream manifest(folder / kManifestName, std::ios::binary);
  if (!manifest) {
    check.unreadable = "cannot read " + platform::Utf8FromPath(folder / kManifestName);
    return check;
  }
  std::vector<std::string> listed;
  for (std::string line; std::getline(manifest, line);) {
    if (line.size() <= 66 || line.compare(64, 2, "  ") != 0) continue;
    const std::string name = line.substr(66);
    listed.push_back(name);
    std::error_code code;
    if (!fs::exists(folder / platform::PathFromUtf8(name), code)) {
      check.missing.push_back(name);
      continue;
    }
    std::string error;
    const auto digest = FileSha256(folder / platform::PathFromUtf8(name), error);
    (digest && *digest == line.substr(0, 64) ? check.matching : check.damaged).push_back(name);
  }
  std::error_code code;
  for (const auto& entry : fs::directory_iterator(folder, code)) {
    const std::string name = platform::Utf8FromPath(entry.path().filename());
    if (name == kManifestName || std::find(listed.begin(), listed.end(), name) != listed.end()) {
      continue;
    }
    check.extra.push_back(name);
  }
  std::sort(check.extra.begin(), check.extra.end());
  return check;
}

}  // namespace vestrel::backup
