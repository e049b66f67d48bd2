#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zov {

// Ed25519 signatures over whole messages, through OpenSSL. Keys and signatures travel as
// lower-case hexadecimal text: a 32-byte public key, a 32-byte secret seed, a 64-byte signature.
class Ed25519 {
  public:
    static constexpr size_t kKeyBytes = 32;
    static constexpr size_t kSignatureBytes = 64;

    struct KeyPair {
        std::string publicKey;  // hex
        std::string secretKey;  // hex
    };

    // A fresh pair from the system's random source; empty when the library refuses.
    static std::optional<KeyPair> Generate();
    // The public key of a secret one; empty when `secretKey` is no key.
    static std::optional<std::string> PublicOf(const std::string& secretKey);
    // The detached signature of `message`; empty when `secretKey` is no key.
    static std::optional<std::string> Sign(const std::string& secretKey, std::string_view message);
    // Whether `signature` was made over `message` by the holder of `publicKey`.
    static bool Verify(const std::string& publicKey, std::string_view message, const std::string& signature);

    // `bytes` as lower-case hex, and back (empty when not exactly `length` bytes of hex).
    static std::string Hex(std::string_view bytes);
    static std::optional<std::string> Bytes(const std::string& hex, size_t length);
};

}  // namespace zov
