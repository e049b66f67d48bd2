#include "LiveLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "LiveLogParser.h"

namespace zov {
namespace {

// Big enough that the system calls cost nothing beside the parsing, small enough to stay in cache.
constexpr size_t kReadBlock = size_t(1) << 20;

}  // namespace

int LiveLog::Channel(const std::string& name) const {
    for (size_t i = 1; i < columns.size(); ++i)
        if (columns[i] == name) return int(i - 1);
    return -1;
}

void LiveLog::SetColumns(std::vector<std::string> names) {
    columns = std::move(names);
    channels.assign(ChannelCount(), {});
}

void LiveLog::AppendRow(int64_t tMs, const std::vector<float>& values) {
    times.push_back(tMs);
    for (size_t c = 0; c < channels.size(); ++c) channels[c].push_back(values[c]);
}

size_t LiveLog::RowAt(int64_t tMs) const {
    const auto after = std::upper_bound(times.begin(), times.end(), tMs);
    return after == times.begin() ? 0 : size_t(after - times.begin()) - 1;
}

std::pair<size_t, size_t> LiveLog::RowsIn(double fromMs, double toMs) const {
    const auto first = std::lower_bound(times.begin(), times.end(), fromMs,
                                        [](int64_t t, double at) { return double(t) < at; });
    const auto last =
        std::upper_bound(first, times.end(), toMs, [](double at, int64_t t) { return at < double(t); });
    return {size_t(first - times.begin()), size_t(last - times.begin())};
}

std::pair<double, double> LiveLog::Range(int channel) const {
    bool any = false;
    float low = 0;
    float high = 0;
    for (const float x : channels[size_t(channel)]) {
        if (std::isnan(x)) continue;
        low = any ? std::min(low, x) : x;
        high = any ? std::max(high, x) : x;
        any = true;
    }
    return {low, high};
}

LiveLogLoad ReadLiveLog(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        LiveLogLoad load;
        load.error = path + ": " + std::strerror(errno);
        return load;
    }
    struct stat info {};
    const size_t size = ::fstat(fd, &info) == 0 ? size_t(info.st_size) : 0;
    LiveLogParser parser(path, size);
    std::vector<char> block(kReadBlock);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            LiveLogLoad load;
            load.error = path + ": " + std::strerror(error);
            return load;
        }
        if (got == 0 || !parser.Feed(std::string_view(block.data(), size_t(got)))) break;
    }
    ::close(fd);
    return parser.Finish();
}

}  // namespace zov
