#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ConfigurationDiff.h"

namespace zov {

class AppContext;
class ConfCar;
class ConfParam;

// What a store is about to change in the ECU, worked out before anything is sent: the store's edits
// are made on a copy of the program's model over a link of its own that is never connected, and the
// copy is compared with the model. A change the installer made in an edit is told as the edit shows
// it (its caption, its value in the edit's unit); whatever else the store changes (registers,
// presets) is told by its definition-file key.
class StorePreview {
  public:
    using Edits = std::function<void(ConfCar& car, ConfParam& param)>;
    using Changes = std::vector<ConfigurationDiff::Difference>;

    // One of the editor's fields (EditorFieldMap), before and after, as its edit shows it.
    struct FieldChange {
        int field;
        double before;
        double after;
        bool operator==(const FieldChange&) const = default;
    };
    struct Preview {
        std::vector<FieldChange> fields;  // in the order of the editor's fields
        Changes others;                   // what the fields do not account for, in the model's order
        bool Empty() const { return fields.empty() && others.empty(); }
        size_t Size() const { return fields.size() + others.size(); }
    };
    // How a field is named and measured in the installer's language (Windows-1252).
    struct Texts {
        std::function<std::string(int field)> caption;
        std::function<std::string(int field)> unit;
        // Said after a cut-off end speed that switches the cut-off off.
        std::string cutoffOff;
    };

    // Nothing when the copy cannot be made (no room for the scratch files).
    static std::optional<Preview> Of(AppContext& ctx, const Edits& edits);
    // One line per change, "caption: old -> new unit" or "KEY: old -> new", at most `maxLines` of
    // them, then one line saying how many more there are.
    static std::string Lines(const Preview& preview, const Texts& texts, size_t maxLines);
    static std::string Line(const FieldChange& change, const Texts& texts);
};

}  // namespace zov
