#pragma once

#include <cstdint>
#include <string>

#include "UpdateIndex.h"

namespace zov {

// Makes a publication of an update folder for any static web server: the files of
// <folder>/ZOV/{Schede,Software,Map} copied to <out>/ZOV (left where they are when <out> is
// <folder>), their index <out>/ZOV.index and its signature <out>/ZOV.index.sig. The sequence
// number is the current time in seconds, or one more than the index already in <out> when that
// is higher, so every publication outranks the one before.
class UpdatePublisher {
  public:
    struct Result {
        UpdateIndex index;
        std::string error;  // empty when the publication is complete
    };

    // `now` in seconds since 1970, UTC.
    static Result Publish(const std::string& folder, const std::string& out, const std::string& secretKey,
                          int64_t now);
};

}  // namespace zov
