#include "backup/Sha256.h"

#include "phonefiles/HostFile.h"

namespace vestrel::backup {

std::optional<std::string> FileSha256(const std::filesystem::path& file, std::string& error) {
  phonefiles::HostError hostError;
  auto source = phonefiles::HostSource::Open(file, hostError);
  if (!source) {
    error = hostError.Describe();
    return std::nullopt;
  }
  Sha256 hash;
  std::array<std::uint8_t, 65536> block{};
  for (;;) {
    const std::int64_t n = source->Read(block);
    if (n < 0) {
      error = source->Error().Describe();
      return std::nullopt;
    }
    if (n == 0) break;
    hash.Add(std::span(block).first(static_cast<std::size_t>(n)));
  }
  Sha256::Digest digest{};
  if (!hash.Finish(digest)) {
    error = "the system refused to compute a SHA-256";
    return std::nullopt;
  }
  return HexDigest(digest);
}

std::string HexDigest(const Sha256::Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : digest) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

}  // namespace vestrel::backup
