// SHA-256 on Linux: Nettle, the cryptographic library under GnuTLS (Debian: libnettle8).
#include <nettle/sha2.h>

#include "sha256.h"

namespace kd {

struct Sha256::State {
  sha256_ctx context;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  sha256_init(&state_->context);
}

Sha256::~Sha256() = default;

void Sha256::Update(std::string_view bytes) {
  sha256_update(&state_->context, bytes.size(),
                reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

std::string Sha256::HexDigest() {
  unsigned char digest[SHA256_DIGEST_SIZE];
  sha256_digest(&state_->context, SHA256_DIGEST_SIZE, digest);
  return HexDigits(digest, sizeof digest);
}

}  // namespace kd
