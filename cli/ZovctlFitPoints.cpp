#include "ZovctlFitPoints.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace zov {
namespace {

constexpr int kBadArgument = 2;
constexpr int kFileFailure = 4;

// An integer field of a points line, blanks around it allowed.
std::optional<long> PointField(const std::string& text) {
    const size_t from = text.find_first_not_of(" \t");
    const size_t to = text.find_last_not_of(" \t");
    if (from == std::string::npos) return std::nullopt;
    const std::string digits = text.substr(from, to - from + 1);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(digits.c_str(), &end, 10);
    if (*end != '\0' || errno != 0) return std::nullopt;
    return v;
}

// "rpm,map,value": nothing when the line is not three integers.
std::optional<std::array<long, 3>> PointFields(const std::string& line) {
    std::array<long, 3> values{};
    size_t from = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const size_t comma = line.find(',', from);
        if ((comma == std::string::npos) != (i == values.size() - 1)) return std::nullopt;
        const std::optional<long> field = PointField(line.substr(from, comma - from));
        if (!field) return std::nullopt;
        values[i] = *field;
        from = comma + 1;
    }
    return values;
}

}  // namespace

FitPointsError ReadFitPoints(const std::string& path, std::vector<ConfMap::MappingPoint>& points) {
    points.clear();
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ec)) return {kFileFailure, "cannot read " + path};
    struct Limit {
        const char* name;
        long max;
        const char* unit;
    };
    const Limit limits[3] = {
        {"rpm", 20000, ""}, {"map", 500, " hundredths of a volt"}, {"value", ConfMap::kMaxCell, ""}};
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const std::optional<std::array<long, 3>> fields = PointFields(line);
        const std::string where = path + " line " + std::to_string(number) + ": ";
        if (!fields) {
            if (number == 1 && !PointField(line.substr(0, line.find(',')))) continue;
            return {kBadArgument, where + "expected rpm,map,value as integers"};
        }
        for (size_t i = 0; i < 3; ++i)
            if ((*fields)[i] < 0 || (*fields)[i] > limits[i].max)
                return {kBadArgument, where + limits[i].name + " outside 0.." +
                                          std::to_string(limits[i].max) + limits[i].unit};
        points.push_back({int32_t((*fields)[0]), int32_t((*fields)[1]), int32_t((*fields)[2])});
    }
    if (in.bad()) return {kFileFailure, "cannot read " + path};
    return {};
}

}  // namespace zov
