#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ConfigurationDiff.h"

namespace zov {

class AppContext;

// What a store is about to change in the ECU, worked out before anything is sent: the store's edits
// are made on a copy of the program's model over a link of its own that is never connected, and the
// copy's fields are compared with the model's.
class StorePreview {
  public:
    using Edits = std::function<void(ConfCar& car, ConfParam& param)>;
    using Changes = std::vector<ConfigurationDiff::Difference>;

    // The fields `edits` change, in the model's order; nothing when the copy cannot be made (no
    // room for the scratch files).
    static std::optional<Changes> Of(AppContext& ctx, const Edits& edits);
    // One line per change, "KEY: old -> new", at most `maxLines` of them, then one line saying
    // how many more there are.
    static std::string Lines(const Changes& changes, size_t maxLines);
};

}  // namespace zov
