// SHA-256 from the platform's own cryptography: Nettle on Linux, the system's bcrypt.dll on
// Windows. One implementation file per platform; the build chooses it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace kd {

// A digest fed in pieces, so that a file of any size is hashed block by block.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(std::string_view bytes);
  // The digest of everything fed so far, as 64 lower-case hexadecimal digits. Ends the digest:
  // Update is not called after it.
  std::string HexDigest();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

inline std::string Sha256Hex(std::string_view bytes) {
  Sha256 digest;
  digest.Update(bytes);
  return digest.HexDigest();
}

// The bytes of a digest as lower-case hexadecimal digits, two for each.
inline std::string HexDigits(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

}  // namespace kd
