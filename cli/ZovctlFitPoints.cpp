#include "ZovctlFitPoints.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

namespace zov {
namespace {

constexpr int kBadArgument = 2;
constexpr int kFileFailure = 4;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
// Enough of the text to tell UTF-16 by its NUL bytes: a few characters of a points line.
constexpr size_t kUtf16Sample = 64;
constexpr size_t kUtf16MinimumPairs = 2;

// An integer field of a points line, blanks around it allowed. The digits must be the whole field:
// a NUL, a letter or a second number in it refuses the line rather than being read as its start.
std::optional<long> PointField(std::string_view text) {
    const size_t from = text.find_first_not_of(" \t");
    if (from == std::string_view::npos) return std::nullopt;
    text = text.substr(from, text.find_last_not_of(" \t") - from + 1);
    long v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

// "rpm,map,value": nothing when the line is not three integers.
std::optional<std::array<long, 3>> PointFields(std::string_view line) {
    std::array<long, 3> values{};
    size_t from = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const size_t comma = line.find(',', from);
        if ((comma == std::string_view::npos) != (i == values.size() - 1)) return std::nullopt;
        const std::optional<long> field = PointField(line.substr(from, comma - from));
        if (!field) return std::nullopt;
        values[i] = *field;
        from = comma + 1;
    }
    return values;
}

// UTF-16 text: its byte order mark, or (without one) a NUL in every second byte of its start,
// as ASCII digits and commas take in either byte order.
bool LooksLikeUtf16(std::string_view text) {
    if (text.starts_with(kUtf16LeBom) || text.starts_with(kUtf16BeBom)) return true;
    const std::string_view head = text.substr(0, std::min(text.size(), kUtf16Sample));
    const size_t pairs = head.size() / 2;
    if (pairs < kUtf16MinimumPairs) return false;
    for (size_t nulAt : {size_t(0), size_t(1)}) {
        bool pattern = true;
        for (size_t p = 0; p < pairs && pattern; ++p)
            pattern = (head[2 * p + nulAt] == '\0') && (head[2 * p + 1 - nulAt] != '\0');
        if (pattern) return true;
    }
    return false;
}

}  // namespace

FitPointsError ParseFitPoints(std::string_view text, const std::string& name,
                              std::vector<ConfMap::MappingPoint>& points) {
    points.clear();
    const auto refuse = [&points](int status, std::string reason) {
        points.clear();
        return FitPointsError{status, std::move(reason)};
    };
    if (LooksLikeUtf16(text))
        return refuse(kFileFailure, name + ": UTF-16 text; save the points as UTF-8 or ASCII text");
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    struct Limit {
        const char* name;
        long max;
        const char* unit;
    };
    const Limit limits[3] = {
        {"rpm", 20000, ""}, {"map", 500, " hundredths of a volt"}, {"value", ConfMap::kMaxCell, ""}};
    int number = 0;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        ++number;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        const std::optional<std::array<long, 3>> fields = PointFields(line);
        const std::string where = name + " line " + std::to_string(number) + ": ";
        if (!fields) {
            // A header names the columns: its first field holds no digit at all.
            const std::string_view first = line.substr(0, line.find(','));
            if (number == 1 && first.find_first_of("0123456789") == std::string_view::npos &&
                first.find('\0') == std::string_view::npos)
                continue;
            return refuse(kBadArgument, where + "expected rpm,map,value as integers");
        }
        for (size_t i = 0; i < 3; ++i)
            if ((*fields)[i] < 0 || (*fields)[i] > limits[i].max)
                return refuse(kBadArgument, where + limits[i].name + " outside 0.." +
                                                std::to_string(limits[i].max) + limits[i].unit);
        points.push_back({int32_t((*fields)[0]), int32_t((*fields)[1]), int32_t((*fields)[2])});
    }
    return {};
}

FitPointsError ReadFitPoints(const std::string& path, std::vector<ConfMap::MappingPoint>& points) {
    points.clear();
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ec)) return {kFileFailure, "cannot read " + path};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return {kFileFailure, "cannot read " + path};
    return ParseFitPoints(text, path, points);
}

}  // namespace zov
