#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zov {

// Where a published update is read from: files named relative to the publication's address.
// HttpsFetcher is the one the program uses.
class UpdateFetcher {
  public:
    // Gets each piece of the file as it arrives; false stops the transfer.
    using Sink = std::function<bool(std::string_view)>;

    virtual ~UpdateFetcher() = default;
    // Reads `relative` from byte `offset` on (asked for as a range when not 0; a server that
    // sends the whole file anyway has its first `offset` bytes dropped), handing the bytes to
    // `sink`. Empty when the whole rest arrived, else why not.
    virtual std::string Fetch(const std::string& relative, uint64_t offset, const Sink& sink) = 0;
};

}  // namespace zov
