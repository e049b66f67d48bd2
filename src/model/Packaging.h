#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ConfigurationModel.h"
#include "TemporaryFiles.h"

namespace zov {

// The scrambled containers: the saved configuration file ("zvf", the three definition files
// behind a short vehicle header) and the packed ECU file (an S-record image behind three header
// lines). Both scramble with a key K of n characters and a position counter p running from the
// first scrambled byte of the file across all its sections: the byte b at position p is stored
// as b XOR ((K[p mod n] << (p mod m)) & 0xFF), where m is 5 for the headers and the ECU body, and
// 4, 3, 2 for the first, second and third file of a saved configuration.
//
// Every operation reads its whole source and checks it before it writes anything; a target is
// written into a temporary file in its folder and renamed into place, so a failure (bad input,
// full disk) leaves the previous file as it was and no temporary behind.
namespace packaging {

inline constexpr std::string_view kEcuKey = "PXQTRMVOLKADEN731";
inline constexpr std::string_view kConfigurationKey = "R..mx%Tq.dW-P_fk.3nZoE";
inline constexpr std::string_view kEcuMagic = "ZOV_ECU_file";
inline constexpr std::string_view kConfigurationMagic = "ZOV_CONFIG_file";
inline constexpr const char* kConfigurationExtension = "zvf";
// Section moduli of the shift.
inline constexpr int kHeaderShift = 5;
inline constexpr int kEcuBodyShift = 5;
inline constexpr int kFileShift[3] = {4, 3, 2};
// Of the unscrambled configuration header only this much is kept as its text.
inline constexpr size_t kHeaderTextLimit = 254;
// A source larger than this is refused rather than read into memory.
inline constexpr uintmax_t kMaxSourceBytes = 64u << 20;

}  // namespace packaging

// The running scrambler of one file. An empty key leaves bytes as they are.
class Scrambler {
  public:
    explicit Scrambler(std::string_view key) : key_(key) {}
    // Scrambles (or unscrambles) the next byte with shift p mod `shiftModulus`.
    uint8_t Next(uint8_t b, int shiftModulus);
    void Apply(std::string& bytes, int shiftModulus);
    uint64_t Position() const { return position_; }

  private:
    std::string_view key_;
    uint64_t position_ = 0;
};

// The outcome of a packaging operation: on failure `error` says why, in a sentence that names
// the file.
struct PackResult {
    bool ok = false;
    std::string error;
    explicit operator bool() const { return ok; }
    static PackResult Success() { return {true, {}}; }
    static PackResult Failure(std::string why) { return {false, std::move(why)}; }
};

// The vehicle lines of a saved configuration's header, as the model holds them when saving.
struct ConfigurationHeader {
    std::string model;         // MODELLO
    std::string programName;   // NOME_PROGRAMMA
    int32_t fuel = 0;          // TIPO_DI_CARBURANTE
    int32_t displacement = 0;  // CILINDRATA
    int32_t year = 0;          // ANNO_VETTURA
    static ConfigurationHeader Of(const ConfCar& car);
};

// The header of a saved configuration as read back: the three lengths and the vehicle lines.
struct ConfigurationHeaderText {
    std::string text;  // the unscrambled header, at most kHeaderTextLimit bytes
    std::array<long long, 3> lengths{};
    // Lines 2 to 4 split into their fields; informative only (the embedded files carry the same).
    ConfigurationHeader vehicle;
};

// --- In memory ------------------------------------------------------------------------------

// The whole saved-configuration file for three file contents.
std::string PackConfigurationData(const ConfigurationHeader& header, const std::array<std::string, 3>& files,
                                  std::string_view key = packaging::kConfigurationKey);
// The three file contents of a saved configuration; refuses a wrong magic, a header without
// three lengths and a file shorter than its lengths announce.
PackResult UnpackConfigurationData(std::string_view data, std::array<std::string, 3>& files,
                                   ConfigurationHeaderText* header = nullptr,
                                   std::string_view key = packaging::kConfigurationKey);
// A packed ECU file for an unpacked content (the three header lines and the S-records). The
// program only unpacks such files; the sample generator and the tests make them.
std::string PackEcuData(std::string_view content, std::string_view key = packaging::kEcuKey);
PackResult UnpackEcuData(std::string_view data, std::string& content,
                         std::string_view key = packaging::kEcuKey);

// --- Files ----------------------------------------------------------------------------------

// Writes a saved configuration from three existing definition files (vehicle, maps, parameters).
PackResult PackConfiguration(const ConfigurationHeader& header, const std::string& file1,
                             const std::string& file2, const std::string& file3, const std::string& target,
                             std::string_view key = packaging::kConfigurationKey);
PackResult PackConfiguration(const ConfCar& car, const std::string& file1, const std::string& file2,
                             const std::string& file3, const std::string& target);
// Recreates the three definition files from a saved configuration, as one AtomicFileSet: on
// failure no target is created or changed.
PackResult UnpackConfiguration(const std::string& source, const std::string& file1, const std::string& file2,
                               const std::string& file3, ConfigurationHeaderText* header = nullptr,
                               std::string_view key = packaging::kConfigurationKey);
// Writes the unscrambled content of a packed ECU file. Source and target may not be the same
// file (compared ignoring letter case, and as files).
PackResult UnpackEcuFile(const std::string& source, const std::string& target,
                         std::string_view key = packaging::kEcuKey);

// Reads a whole file (refusing one over kMaxSourceBytes).
PackResult ReadWholeFile(const std::string& path, std::string& content);
// Writes `content` as the whole new target through an AtomicFile.
PackResult WriteFileAtomically(const std::string& target, std::string_view content);

// The file side of "Salva configurazione" and "Carica configurazione", shared by the main window
// and zovctl. Both go through three scratch definition files (TemporaryFile), deleted on every
// way out.
PackResult SaveConfigurationFile(ConfigurationModel& model, const std::string& target);

struct ConfigurationLoad {
    PackResult unpacked;                      // the file could be read: the model was loaded
    ConfigurationModel::LoadOutcome outcome;  // what became of each definition file
    bool Loaded() const { return unpacked.ok && outcome.Loaded(); }
};
// Unpacks and, only if the whole file is sound, loads the model and the ECU from it
// (ConfigurationModel::ReadDefinitionFiles, with its progress steps).
ConfigurationLoad LoadConfigurationFile(ConfigurationModel& model, const std::string& source,
                                        const ConfigurationModel::Progress& advance = {});

}  // namespace zov
