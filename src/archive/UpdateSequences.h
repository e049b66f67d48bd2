#pragma once

#include <cstdint>
#include <string>

namespace zov {

// The sequence number of the last update installed from each publisher, kept in the runtime
// directory with the archive it describes: "<public key> <sequence>" a line. An index numbered
// below it is an old update served again and is refused.
class UpdateSequences {
  public:
    static constexpr const char* kFile = "Config/SequenzeAggiornamento.txt";

    explicit UpdateSequences(std::string path) : path_(std::move(path)) {}

    // 0 when nothing of `publicKey` was installed yet.
    uint64_t Last(const std::string& publicKey) const;
    // Empty when recorded, else why not.
    std::string Record(const std::string& publicKey, uint64_t sequence) const;

  private:
    std::string path_;
};

}  // namespace zov
