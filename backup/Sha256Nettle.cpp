#include <nettle/sha2.h>

#include "backup/Sha256.h"

namespace vestrel::backup {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) { sha256_init(&state_->context); }

Sha256::~Sha256() = default;

void Sha256::Add(std::span<const std::uint8_t> bytes) {
  sha256_update(&state_->context, bytes.size(), bytes.data());
}

bool Sha256::Finish(Digest& digest) {
  sha256_digest(&state_->context, digest.size(), digest.data());
  return true;
}

}  // namespace vestrel::backup
