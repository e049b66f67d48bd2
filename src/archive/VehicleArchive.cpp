#include "VehicleArchive.h"

#include <algorithm>
#include <filesystem>

#include "WildcardSearch.h"

namespace zov {
namespace fs = std::filesystem;

namespace {

using Entry = WildcardSearch::Entry;

std::vector<std::string> Matching(const fs::path& folder, const std::string& pattern, Entry kind) {
    return WildcardSearch::Matching(folder.string(), pattern, kind);
}

ArchiveBrand ScanBrand(const fs::path& fuelFolder, const std::string& name) {
    const fs::path folder = fuelFolder / name;
    ArchiveBrand brand;
    brand.name = name;
    brand.logoPath = VehicleArchive::FirstMatch(folder.string(), name + "_???.bmp");
    brand.picturePath = VehicleArchive::FirstMatch(folder.string(), "car_???.bmp");
    const std::string relative = fuelFolder.filename().string() + "/" + name + "/";
    for (const char* pattern : {"*.s19", "*.zov"})
        for (const std::string& file : Matching(folder, pattern, Entry::Files))
            brand.vehicles.push_back({file, VehicleArchive::DisplayName(file), relative + file});
    return brand;
}

}  // namespace

std::string VehicleArchive::FirstMatch(const std::string& folder, const std::string& pattern) {
    const std::vector<std::string> found = Matching(folder, pattern, Entry::Files);
    return found.empty() ? std::string() : (fs::path(folder) / found.front()).string();
}

std::string VehicleArchive::DisplayName(const std::string& fileName) {
    const size_t n = fileName.size();
    if (n < 8) return fileName;
    std::string words = fileName.substr(0, n - 8);
    std::replace(words.begin(), words.end(), '_', ' ');
    return words + "  (" + fileName.substr(n - 7, 3) + ")";
}

VehicleArchive VehicleArchive::Scan(const std::string& carsPath) {
    VehicleArchive archive;
    archive.productLogoPath = FirstMatch(carsPath, "ZOVLogo_???.bmp");
    for (ArchiveFuel& fuel : archive.fuels) {
        for (const std::string& folder : Matching(carsPath, fuel.folder, Entry::Folders)) {
            const fs::path fuelFolder = fs::path(carsPath) / folder;
            for (const std::string& brand : Matching(fuelFolder, "*", Entry::Folders))
                fuel.brands.push_back(ScanBrand(fuelFolder, brand));
        }
        std::stable_sort(fuel.brands.begin(), fuel.brands.end(),
                         [](const ArchiveBrand& a, const ArchiveBrand& b) {
                             return WildcardSearch::NameLess(a.name, b.name);
                         });
    }
    return archive;
}

std::string VehicleArchive::DocumentPattern(DocumentKind kind, const std::string& vehicleRelativePath) {
    switch (kind) {
        case DocumentKind::General:
            return "Generali_???";
        case DocumentKind::Kit:
            return "IstruzioniKit_???";
        case DocumentKind::Vehicle:
            break;
    }
    const size_t n = vehicleRelativePath.size();
    return vehicleRelativePath.substr(0, n < 7 ? 0 : n - 7) + "???";
}

std::optional<InstructionDocument> VehicleArchive::FindDocument(const std::string& cardsPath,
                                                                const std::string& language,
                                                                const std::string& pattern) {
    // Every folder on the way is matched letter case aside, the language folder included.
    std::vector<std::string> parts{language};
    for (size_t start = 0;;) {
        const size_t slash = pattern.find('/', start);
        parts.push_back(pattern.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    parts.back() += ".pdf";
    fs::path folder = cardsPath;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::vector<std::string> found = Matching(folder, parts[i], Entry::Folders);
        if (found.empty()) return std::nullopt;
        folder /= found.front();
    }
    const std::vector<std::string> files = Matching(folder, parts.back(), Entry::Files);
    if (files.empty()) return std::nullopt;
    const std::string& name = files.front();
    InstructionDocument document;
    document.path = (folder / name).string();
    document.code = name.size() >= 7 ? name.substr(name.size() - 7, 3) : std::string();
    document.name = name.size() >= 8 ? name.substr(0, name.size() - 8) : std::string();
    return document;
}

std::string VehicleArchive::ViewerCaption(DocumentKind kind, const std::string& title,
                                          const InstructionDocument& document) {
    const std::string name = kind == DocumentKind::Vehicle ? document.name + " " : std::string();
    return title + "  -  " + name + "(" + document.code + ")";
}

std::vector<std::string> VehicleArchive::LanguagesWithDocument(const std::string& cardsPath,
                                                               const std::vector<std::string>& languages,
                                                               const std::string& pattern) {
    std::vector<std::string> found;
    for (const std::string& language : languages)
        if (FindDocument(cardsPath, language, pattern)) found.push_back(language);
    return found;
}

}  // namespace zov
