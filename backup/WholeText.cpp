#include "backup/WholeText.h"

#include <span>

#include "phonefiles/HostFile.h"

namespace vestrel::backup {

std::string ReplaceWithText(const std::filesystem::path& file, const std::string& text) {
  phonefiles::HostError hostError;
  auto target = phonefiles::HostTarget::Open(file, false, hostError);
  if (!target) return hostError.Describe();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (!target->Write(std::span(bytes, text.size())) || !target->Commit()) {
    return target->Error().Describe();
  }
  return {};
}

}  // namespace vestrel::backup
