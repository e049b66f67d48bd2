#include "ConfigurationBackup.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace zov {
namespace fs = std::filesystem;

namespace {

constexpr size_t kStampLength = 15;  // "2026-12-10_1432"
constexpr std::string_view kSuffix = ".zvf";

// What a backup's file name says; nothing for a file that is not a backup.
struct BackupName {
    std::string stamp;
    int counter = 1;  // a second backup of the same vehicle in the same minute is "-2"
    std::string vehicle;
};

bool DigitsAt(const std::string& s, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

std::optional<BackupName> ParseName(const std::string& name) {
    if (name.size() <= kStampLength + 1 + kSuffix.size() ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return std::nullopt;
    const bool stamp = DigitsAt(name, 0, 4) && name[4] == '-' && DigitsAt(name, 5, 2) && name[7] == '-' &&
                       DigitsAt(name, 8, 2) && name[10] == '_' && DigitsAt(name, 11, 4);
    if (!stamp) return std::nullopt;
    BackupName parsed{name.substr(0, kStampLength), 1, {}};
    size_t at = kStampLength;
    if (name[at] == '-') {
        size_t end = at + 1;
        while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
        if (end == at + 1 || end - at > 6) return std::nullopt;
        parsed.counter = std::stoi(name.substr(at + 1, end - at - 1));
        at = end;
    }
    if (name[at] != '_') return std::nullopt;
    parsed.vehicle = name.substr(at + 1, name.size() - kSuffix.size() - at - 1);
    if (parsed.vehicle.empty()) return std::nullopt;
    return parsed;
}

bool Newer(const std::pair<BackupName, fs::path>& a, const std::pair<BackupName, fs::path>& b) {
    if (a.first.stamp != b.first.stamp) return a.first.stamp > b.first.stamp;
    return a.first.counter > b.first.counter;
}

// The backups in `folder`, newest first.
std::vector<std::pair<BackupName, fs::path>> Backups(const std::string& folder) {
    std::vector<std::pair<BackupName, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<BackupName> name = ParseName(it->path().filename().string());
        if (name && it->is_regular_file(ec)) found.emplace_back(*name, it->path());
    }
    std::sort(found.begin(), found.end(), Newer);
    return found;
}

std::string Stamp(std::chrono::local_seconds when) {
    using namespace std::chrono;
    const local_days day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss<seconds> time{when - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u_%02ld%02ld", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), long(time.hours().count()), long(time.minutes().count()));
    return text;
}

}  // namespace

ConfigurationBackup::ConfigurationBackup(std::string folder, LocalNow now)
    : folder_(std::move(folder)), now_(std::move(now)) {}

std::string ConfigurationBackup::FolderIn(const std::string& runtimeDirectory) {
    return (fs::path(runtimeDirectory) / "Config" / "Backup").string();
}

std::chrono::local_seconds ConfigurationBackup::LocalTimeNow() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return std::chrono::local_seconds{std::chrono::seconds{now + local.tm_gmtoff}};
}

std::string ConfigurationBackup::SafeNamePart(std::string_view text) {
    std::string safe;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80 && (std::isalnum(u) || c == '-' || c == '_')) safe += c;
    }
    return safe.empty() ? "ECU" : safe;
}

std::string ConfigurationBackup::VehiclePart(const ConfCar& car) {
    return SafeNamePart(car.MODELLO) + "_" + SafeNamePart(car.NOME_PROGRAMMA);
}

std::string ConfigurationBackup::FreeName(const std::string& stamp, const std::string& vehicle) const {
    std::error_code ec;
    for (int counter = 1;; ++counter) {
        const std::string name = stamp + (counter == 1 ? "" : "-" + std::to_string(counter)) + "_" + vehicle +
                                 std::string(kSuffix);
        const fs::path path = fs::path(folder_) / name;
        if (!fs::exists(path, ec)) return path.string();
    }
}

PackResult ConfigurationBackup::Save(ConfigurationModel& model, std::string& path) const {
    // The reason is the creation's own (a refused permission); asking afterwards whether the
    // folder is there would only say that it is not.
    std::error_code created;
    fs::create_directories(folder_, created);
    std::error_code ec;
    if (!fs::is_directory(folder_, ec))
        return PackResult::Failure("cannot create the backup folder " + folder_ + ": " +
                                   (fs::exists(folder_, ec) || !created
                                        ? std::string("something else is in its place")
                                        : created.message()));
    const std::string vehicle = VehiclePart(model.Car());
    const std::string target = FreeName(Stamp(now_()), vehicle);
    const PackResult saved = SaveConfigurationFile(model, target);
    if (!saved) return saved;
    path = target;
    KeepNewest(vehicle);
    return saved;
}

void ConfigurationBackup::KeepNewest(const std::string& vehicle) const {
    int kept = 0;
    std::error_code ec;
    for (const auto& [name, path] : Backups(folder_)) {
        if (name.vehicle != vehicle) continue;
        if (++kept > kKeptPerVehicle) fs::remove(path, ec);
    }
}

std::vector<BackupEntry> ConfigurationBackup::List() const {
    std::vector<BackupEntry> entries;
    for (const auto& [name, path] : Backups(folder_)) {
        BackupEntry entry;
        entry.date =
            name.stamp.substr(0, 10) + " " + name.stamp.substr(11, 2) + ":" + name.stamp.substr(13, 2);
        entry.path = path.string();
        // The header says the model and the programme as they were; a damaged file still shows
        // by its name, and loading it says what is wrong with it.
        std::string data;
        std::array<std::string, 3> files;
        ConfigurationHeaderText header;
        if (ReadWholeFile(entry.path, data) && UnpackConfigurationData(data, files, &header)) {
            entry.model = header.vehicle.model;
            entry.programme = header.vehicle.programName;
        } else {
            entry.model = name.vehicle;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace zov
