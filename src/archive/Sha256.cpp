#include "Sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>

#include "Ed25519.h"

namespace zov {

Sha256::Sha256() : ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
    EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr);
}

Sha256::~Sha256() = default;

void Sha256::Add(std::string_view bytes) { EVP_DigestUpdate(ctx_.get(), bytes.data(), bytes.size()); }

std::string Sha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx_.get(), digest, &length);
    return Ed25519::Hex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::optional<std::string> Sha256::OfFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    Sha256 digest;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        digest.Add(std::string_view(buffer, size_t(n)));
    }
    close(fd);
    return digest.HexDigest();
}

}  // namespace zov
