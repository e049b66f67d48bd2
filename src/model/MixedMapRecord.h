#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

class ConfCar;

// A note on disk that an ECU's main map is mixed: a download stopped part-way (rows refused, or the
// link lost), so some rows hold the new map and the others the one before. Each line names one
// ECU by its model and programme (as the mapping journal does) and lists its new rows; the line
// goes when a complete map reaches that ECU. The next session with it warns until then.
class MixedMapRecord {
  public:
    // Where a runtime directory keeps it; empty for an empty directory (no record).
    static std::string PathIn(const std::string& runtimeDirectory);

    explicit MixedMapRecord(std::string path) : path_(std::move(path)) {}

    // Notes that `ecu` holds the new map only in `newRows` (as ConfMap::MapRows words them).
    // False when it could not be written.
    bool Record(const ConfCar& ecu, const std::string& newRows);
    // Forgets `ecu`: a complete map reached it. False when the record could not be rewritten.
    bool Clear(const ConfCar& ecu);
    // The new rows of `ecu`'s mixed map ("0-4, 7"), nothing when its map is not known to be mixed.
    std::optional<std::string> Of(const ConfCar& ecu) const;

  private:
    // The record's lines without the one of `ecu`.
    std::vector<std::string> OtherLines(const ConfCar& ecu) const;
    bool Write(const std::vector<std::string>& lines) const;

    std::string path_;
};

// Rows as the messages list them: runs joined ("0-4, 7"), "-" for none.
std::string RowList(const std::vector<int>& rows);

}  // namespace zov
