#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zov {

// What the automatic mapping demands of a sample before it learns from it, how many it wants per
// zone point, and how far a download may move a cell. One table holds every threshold with its
// key (the zovctl option without its dashes), unit, default and limits, so the window's options
// dialog, the settings and the command line read the same list.
struct MappingOptions {
    int minSamples = 10;          // accepted samples for one zone point
    int minSpanMs = 2000;         // time between the first and the last of them
    int lambdaStillMs = 2000;     // longest time without a lambda crossing (dead or cold probe)
    int integratorLimit = 40;     // fast corrector magnitude at which the ECU could not correct
    int tpsRate = 100;            // throttle change, hundredths of a volt per second
    int mapRate = 100;            // manifold pressure change, hundredths of a volt per second
    int enrichmentHoldMs = 1500;  // time an acceleration enrichment lasts after a throttle opening
    int reducerMinC = 40;         // the mapping temperature of the reducer
    int edgePercent = 25;         // nearest distance to a zone's edge, percent of the cell
    int maxChangePct = 25;        // largest move of a cell from the session's starting map

    bool operator==(const MappingOptions&) const = default;
};

struct MappingOptionRow {
    const char* key;
    const char* unit;
    int MappingOptions::*field;
    int defaultValue;
    int min;
    int max;
    const char* dictionary;  // identifier of its label in the options dialog
    const char* label;       // built-in label
};

inline constexpr int kMappingOptionCount = 10;
const std::array<MappingOptionRow, kMappingOptionCount>& MappingOptionTable();
// The entry for `key`; none for an unknown key.
const MappingOptionRow* FindMappingOption(const std::string& key);

// "key=value" pairs separated by ';', as the settings keep them. Unknown keys, values out of
// their limits and malformed pairs are left out, so a damaged setting falls back to the defaults.
MappingOptions MappingOptionsFromText(const std::string& text);
std::string MappingOptionsText(const MappingOptions& options);
// A value for `option` from its text, none when it is not an integer within the limits.
std::optional<int> ParseMappingOption(const MappingOptionRow& option, const std::string& text);

}  // namespace zov
