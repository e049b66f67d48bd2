#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "LiveRecord.h"

namespace zov {

// The datalog's columns: `t_ms` first, then one per named field of the record in engineering
// units (volts, bar, rpm, °C); counts and bit sets stay as the ECU sends them. An empty cell is a
// value the ECU did not have (a missing sensor).
std::vector<std::string> LiveLogHeader(int record);
// The cells after `t_ms` of one record's decoded values (as `ReadRecord` fills them); `sensorType`
// is TIPO_SENSORE_MAP, which the manifold pressure depends on.
std::vector<std::string> LiveLogCells(int record, const int32_t* values, int32_t sensorType);
std::vector<std::string> LiveLogCells(const LiveValues& values);
// Hundredths written as a decimal with two places, exactly.
std::string HundredthsText(int32_t hundredths);

struct LiveLog;
// The live values of row `row` of a record-150 log; none when the log has not those columns.
std::optional<LiveValues> LiveValuesOfRow(const LiveLog& log, size_t row);

}  // namespace zov
