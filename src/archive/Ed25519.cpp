#include "Ed25519.h"

#include <openssl/evp.h>

#include <memory>

namespace zov {

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

const unsigned char* Raw(const std::string& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

Key SecretKey(const std::string& secretHex) {
    const std::optional<std::string> seed = Ed25519::Bytes(secretHex, Ed25519::kKeyBytes);
    if (!seed) return {nullptr, EVP_PKEY_free};
    return {EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, Raw(*seed), seed->size()), EVP_PKEY_free};
}

std::optional<std::string> RawKey(EVP_PKEY* key, bool secret) {
    std::string bytes(Ed25519::kKeyBytes, '\0');
    size_t length = bytes.size();
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    const int ok = secret ? EVP_PKEY_get_raw_private_key(key, out, &length)
                          : EVP_PKEY_get_raw_public_key(key, out, &length);
    if (ok != 1 || length != Ed25519::kKeyBytes) return std::nullopt;
    return Ed25519::Hex(bytes);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Ed25519::Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex;
}

std::optional<std::string> Ed25519::Bytes(const std::string& hex, size_t length) {
    if (hex.size() != length * 2) return std::nullopt;
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<char>(high << 4 | low);
    }
    return bytes;
}

std::optional<Ed25519::KeyPair> Ed25519::Generate() {
    EVP_PKEY* made = nullptr;
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &made) != 1)
        return std::nullopt;
    const Key key(made, EVP_PKEY_free);
    const std::optional<std::string> publicKey = RawKey(key.get(), false);
    const std::optional<std::string> secretKey = RawKey(key.get(), true);
    if (!publicKey || !secretKey) return std::nullopt;
    return KeyPair{*publicKey, *secretKey};
}

std::optional<std::string> Ed25519::PublicOf(const std::string& secretKey) {
    const Key key = SecretKey(secretKey);
    if (!key) return std::nullopt;
    return RawKey(key.get(), false);
}

std::optional<std::string> Ed25519::Sign(const std::string& secretKey, std::string_view message) {
    const Key key = SecretKey(secretKey);
    const Context ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return std::nullopt;
    std::string signature(kSignatureBytes, '\0');
    size_t length = signature.size();
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1 ||
        length != kSignatureBytes)
        return std::nullopt;
    return Hex(signature);
}

bool Ed25519::Verify(const std::string& publicKey, std::string_view message, const std::string& signature) {
    const std::optional<std::string> keyBytes = Bytes(publicKey, kKeyBytes);
    const std::optional<std::string> sigBytes = Bytes(signature, kSignatureBytes);
    if (!keyBytes || !sigBytes) return false;
    const Key key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Raw(*keyBytes), keyBytes->size()),
                  EVP_PKEY_free);
    const Context ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!key || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), Raw(*sigBytes), sigBytes->size(),
                            reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
}

}  // namespace zov
