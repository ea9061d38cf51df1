// The backup manifest's SHA-256 on Windows' own CNG (bcrypt), so the Windows build needs no
// further library.
#include <windows.h>

#include <bcrypt.h>

#include "backup/Sha256.h"

namespace vestrel::backup {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0) {
    BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0);
  }
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  if (state_->algorithm) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::Add(std::span<const std::uint8_t> bytes) {
  if (!state_->hash) return;
  BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()),
                 0);
}

bool Sha256::Finish(Digest& digest) {
  return state_->hash &&
         BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
}

}  // namespace vestrel::backup
