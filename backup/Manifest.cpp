#include "backup/Manifest.h"

#include <fstream>
#include <span>
#include <vector>

#include "backup/Sha256.h"
#include "phonefiles/HostFile.h"

namespace vestrel::backup {

namespace fs = std::filesystem;

std::string RecordInManifest(const fs::path& folder, const std::string& name) {
  std::string error;
  const auto digest = FileSha256(folder / name, error);
  if (!digest) return error;
  const fs::path manifest = folder / kManifestName;
  std::string text;
  std::ifstream earlier(manifest, std::ios::binary);
  for (std::string line; std::getline(earlier, line);) {
    // "<digest>  <name>": a line of this name goes, every other stays as it was.
    if (line.size() > 66 && line.compare(66, std::string::npos, name) == 0) continue;
    text += line + "\n";
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

}  // namespace vestrel::backup
