#include "UpdateKeys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Ed25519.h"

namespace zov {

namespace {

constexpr const char* kPublicTag = "ZOV-ED25519-PUBLIC ";
constexpr const char* kSecretTag = "ZOV-ED25519-SECRET ";
constexpr const char* kSignatureTag = "ZOV-ED25519-SIGNATURE ";
constexpr mode_t kPublicMode = 0644;
constexpr mode_t kSecretMode = 0600;

// The hex after `tag` when `line` is exactly tag + `length` bytes of hex.
std::optional<std::string> Tagged(std::string line, const char* tag, size_t length) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(tag, 0) != 0) return std::nullopt;
    const std::string hex = line.substr(std::strlen(tag));
    if (!Ed25519::Bytes(hex, length)) return std::nullopt;
    return hex;
}

std::optional<std::string> ReadText(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    if (!(in && text << in.rdbuf())) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return text.str();
}

// Writes `text` into a new file of `mode`; empty when done.
std::string WriteNew(const std::string& path, const std::string& text, mode_t mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return "cannot write " + path + ": " + std::strerror(errno);
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written) {
        unlink(path.c_str());
        return "cannot write " + path + ": " + std::strerror(written ? errno : error);
    }
    return {};
}

}  // namespace

std::optional<std::vector<std::string>> UpdateKeys::ReadPublic(const std::string& path, std::string& error) {
    const std::optional<std::string> text = ReadText(path, error);
    if (!text) return std::nullopt;
    std::vector<std::string> keys;
    std::istringstream in(*text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line == "\r" || line.front() == '#') continue;
        const std::optional<std::string> key = Tagged(line, kPublicTag, Ed25519::kKeyBytes);
        if (!key) {
            error = path + " line " + std::to_string(number) + ": not a public key";
            return std::nullopt;
        }
        keys.push_back(*key);
    }
    return keys;
}

std::optional<std::string> UpdateKeys::ReadSecret(const std::string& path, std::string& error) {
    const std::optional<std::string> text = ReadText(path, error);
    if (!text) return std::nullopt;
    const std::optional<std::string> key =
        Tagged(text->substr(0, text->find('\n')), kSecretTag, Ed25519::kKeyBytes);
    if (!key) error = path + " is not a secret key";
    return key;
}

std::string UpdateKeys::WriteNewPair(const std::string& publicPath, const std::string& secretPath) {
    const std::optional<Ed25519::KeyPair> pair = Ed25519::Generate();
    if (!pair) return "no key pair could be made";
    if (std::string error = WriteNew(secretPath, kSecretTag + pair->secretKey + "\n", kSecretMode);
        !error.empty())
        return error;
    if (std::string error = WriteNew(publicPath, kPublicTag + pair->publicKey + "\n", kPublicMode);
        !error.empty()) {
        unlink(secretPath.c_str());
        return error;
    }
    return {};
}

std::string UpdateKeys::SignatureText(const std::string& signatureHex) {
    return kSignatureTag + signatureHex + "\n";
}

std::optional<std::string> UpdateKeys::ParseSignature(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    return Tagged(line, kSignatureTag, Ed25519::kSignatureBytes);
}

}  // namespace zov
