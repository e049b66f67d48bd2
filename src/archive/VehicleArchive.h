#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

// One vehicle of the archive: an ECU file of a brand folder.
struct ArchiveVehicle {
    std::string fileName;     // as on disk
    std::string displayName;  // as the tree shows it
    // The file relative to the archive folder: fuel folder, brand folder and file name, the
    // folders as they are spelt on disk ("GPL/Fiat/PUNTO_12A.s19").
    std::string relativePath;
};

struct ArchiveBrand {
    std::string name;         // the folder name
    std::string logoPath;     // the first <brand>_???.bmp of the folder; empty when none
    std::string picturePath;  // the first car_???.bmp, shared by the brand's vehicles; empty when none
    std::vector<ArchiveVehicle> vehicles;  // S-record files first, then packed files
};

// The two fuel roots: index 0 LPG, index 1 natural gas.
struct ArchiveFuel {
    const char* folder;                // "Gpl" / "Metano"
    const char* label;                 // "GPL" / "Metano", as zovctl names the fuel
    std::vector<ArchiveBrand> brands;  // in alphabetical order
};

// What instruction document is asked for.
enum class DocumentKind { Vehicle, General, Kit };

struct InstructionDocument {
    std::string path;  // the file found
    std::string code;  // the three characters before ".pdf"
    std::string name;  // the file name without its last 8 characters
};

// The vehicle archive as the archive window shows it, read from the archive folder: the product
// logo, two fuel roots, the brands under each, the vehicles of each brand.
//
// Names are matched without regard to letter case, as on the system the archives come from: a
// fuel folder counts when its lower-cased name is "gpl" or "metano", and "*.S19", "CAR_001.BMP"
// match as "*.s19" and "car_???.bmp" do. A "?" of a pattern stands for exactly one character;
// where several files match, the first by name (letter case aside) is taken. Vehicles keep the
// order of the folder listing, which on this system is by name the same way.
class VehicleArchive {
  public:
    // A folder that does not exist, or a missing fuel folder, gives empty roots.
    static VehicleArchive Scan(const std::string& carsPath);

    // "ABC_123.s19" -> "ABC  (123)": the model words with "_" as blanks, two blanks and the
    // three-character code before the extension in parentheses. A name too short to carry a code
    // and an extension is shown as it is.
    static std::string DisplayName(const std::string& fileName);

    // The first file of `folder` whose name matches `pattern` ('?' one character, '*' any run),
    // letter case aside; empty when none.
    static std::string FirstMatch(const std::string& folder, const std::string& pattern);

    // The pattern of a document relative to a language folder of the cards folder, without
    // ".pdf": for a vehicle, its relative path without the last 7 characters followed by "???"
    // ("GPL/Fiat/PUNTO_12A.s19" -> "GPL/Fiat/PUNTO_???"); "Generali_???"; "IstruzioniKit_???".
    static std::string DocumentPattern(DocumentKind kind, const std::string& vehicleRelativePath = {});
    // The first document matching `pattern` + ".pdf" in the language folder
    // cardsPath/<language>; the folders of the pattern are matched letter case aside as well.
    static std::optional<InstructionDocument> FindDocument(const std::string& cardsPath,
                                                           const std::string& language,
                                                           const std::string& pattern);
    // The languages of `languages` (in their order) whose folder holds the document.
    static std::vector<std::string> LanguagesWithDocument(const std::string& cardsPath,
                                                          const std::vector<std::string>& languages,
                                                          const std::string& pattern);

    // The viewer's caption: `title` + "  -  " + name + " (" + code + ")" for a vehicle's
    // document, `title` + "  -  (" + code + ")" for the others.
    static std::string ViewerCaption(DocumentKind kind, const std::string& title,
                                     const InstructionDocument& document);

    std::string productLogoPath;  // the first ZOVLogo_???.bmp; empty when none
    ArchiveFuel fuels[2] = {{"Gpl", "GPL", {}}, {"Metano", "Metano", {}}};
};

}  // namespace zov
