#include "LogConversion.h"

#include "LiveLog.h"
#include "MlgLogWriter.h"

namespace zov {

LogConversion ConvertLogToMlg(const std::string& in, const std::string& out) {
    LogConversion result;
    const LiveLogLoad load = ReadLiveLog(in);
    if (!load.ok) {
        result.error = load.error;
        return result;
    }
    const LiveLog& log = load.log;
    MlgLogWriter writer;
    if (!writer.Open(out, log.columns)) {
        result.error = writer.Error();
        return result;
    }
    size_t marker = 0;
    const auto markersBefore = [&](int64_t tMs) {
        for (; marker < log.markers.size() && log.markers[marker].tMs < tMs; ++marker)
            if (!writer.WriteMarker(log.markers[marker].number, log.markers[marker].tMs)) return false;
        return true;
    };
    std::vector<float> values(log.ChannelCount());
    bool written = true;
    for (size_t row = 0; row < log.RowCount() && written; ++row) {
        written = markersBefore(log.times[row]);
        for (size_t c = 0; c < values.size() && written; ++c) values[c] = log.channels[c][row];
        written = written && writer.WriteValues(log.times[row], values);
    }
    written = written && markersBefore(INT64_MAX);
    if (!written) {
        result.error = writer.Error();
        writer.Remove();
        return result;
    }
    writer.Close();
    result.ok = true;
    result.rows = writer.Rows();
    result.markers = int(log.markers.size());
    return result;
}

}  // namespace zov
