#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

// The key files of signed updates, one line each:
//   PUBLIC.key  "ZOV-ED25519-PUBLIC <hex>"
//   SECRET.key  "ZOV-ED25519-SECRET <hex>"   (mode 0600: it signs in the publisher's name)
//   ZOV.index.sig "ZOV-ED25519-SIGNATURE <hex>"
// The program trusts the public keys listed in kTrustedFile of its read-only data: lines as in
// PUBLIC.key, so `cat PUBLIC.key >> ChiaviAggiornamento.txt` trusts a publisher; "#" starts a
// comment line.
class UpdateKeys {
  public:
    static constexpr const char* kTrustedFile = "ChiaviAggiornamento.txt";

    // Every public key of a PUBLIC.key or the trusted list; empty with `error` when the file
    // cannot be read or a line is not a key.
    static std::optional<std::vector<std::string>> ReadPublic(const std::string& path, std::string& error);
    static std::optional<std::string> ReadSecret(const std::string& path, std::string& error);
    // Makes a new pair into two new files (an existing file is never overwritten). Empty when
    // done, else why not; a half-made pair is removed.
    static std::string WriteNewPair(const std::string& publicPath, const std::string& secretPath);

    static std::string SignatureText(const std::string& signatureHex);
    // The signature a ZOV.index.sig holds; empty when it holds none.
    static std::optional<std::string> ParseSignature(const std::string& text);
};

}  // namespace zov
