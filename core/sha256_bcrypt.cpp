// SHA-256 on Windows: the system's cryptography in bcrypt.dll (Cryptography API: Next
// Generation), present on every Windows since Vista.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// Needs windows.h before it.
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

#include "sha256.h"

namespace kd {

namespace {

void Check(NTSTATUS status) {
  if (!BCRYPT_SUCCESS(status)) {
    throw std::runtime_error("SHA-256 des Systems (bcrypt.dll) nicht verfügbar");
  }
}

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  Check(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
  // Since Windows 7 the system keeps the hash object itself.
  Check(BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::Update(std::string_view bytes) {
  // The length is a ULONG: a longer text goes in pieces.
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  while (!bytes.empty()) {
    const std::size_t size = std::min(bytes.size(), kPiece);
    Check(BCryptHashData(state_->hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                         static_cast<ULONG>(size), 0));
    bytes.remove_prefix(size);
  }
}

std::string Sha256::HexDigest() {
  unsigned char digest[32];
  Check(BCryptFinishHash(state_->hash, digest, sizeof digest, 0));
  return HexDigits(digest, sizeof digest);
}

}  // namespace kd
