#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace zov {

// A SHA-256 digest fed piece by piece, as a download arrives or a file is read.
class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(std::string_view bytes);
    // The digest as lower-case hex; the object is spent afterwards.
    std::string HexDigest();

    // The digest of a whole file; empty when it cannot be read.
    static std::optional<std::string> OfFile(const std::string& path);

  private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> ctx_;
};

}  // namespace zov
