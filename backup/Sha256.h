#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vestrel::backup {

// SHA-256 of a byte stream, from the system's library (nettle; Windows' own CNG in a Windows
// build). Used on one thread at a time.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(std::span<const std::uint8_t> bytes);
  using Digest = std::array<std::uint8_t, 32>;
  // The digest of everything added; the hash is spent then. False when the library refused.
  bool Finish(Digest& digest);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// 64 lower-case hex digits, as sha256sum writes a digest.
std::string HexDigest(const Sha256::Digest& digest);

// The digest of a whole host file as 64 lower-case hex digits (as sha256sum writes it); nullopt,
// with `error` saying why, when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file, std::string& error);

}  // namespace vestrel::backup
