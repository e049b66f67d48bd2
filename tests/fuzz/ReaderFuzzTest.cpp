// Every reader of the program's files against a few hundred damaged copies of a valid file, with a
// fixed seed: none may crash, each either loads cleanly or refuses with a reason, and a refused
// firmware leaves the simulated ECU exactly as it was.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <array>
#include <string>
#include <vector>

#include "ArchiveUpdate.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "LegacyCustomerTable.h"
#include "Mutator.h"
#include "Packaging.h"
#include "ProgrammingSupport.h"
#include "UpdateFixture.h"
#include "ZovctlFitPoints.h"

namespace zov {
namespace {

using fuzz::Mutator;
using testing::EcuBench;
using testing::Programming;
using testing::ReadFile;
using testing::Running;
using testing::ScratchDir;
using testing::WriteFile;

constexpr int kCases = 300;
constexpr int kProgramCases = 120;
constexpr int kLoadCases = 150;

// Valid files of one simulated ECU: its three definition files and its saved configuration.
struct ValidFiles {
    std::string car, map, param, configuration;
};

const ValidFiles& Valid() {
    static const ValidFiles files = [] {
        ScratchDir dir;
        EcuBench b;
        EXPECT_TRUE(b.ConnectAndLoad());
        const auto paths = ConfigurationModel::DefinitionFiles::In(dir.Path().string());
        EXPECT_TRUE(b.model.WriteDefinitionFiles(paths));
        const PackResult saved = SaveConfigurationFile(b.model, dir.File("vehicle.zvf"));
        EXPECT_TRUE(saved) << saved.error;
        return ValidFiles{ReadFile(paths.car), ReadFile(paths.map), ReadFile(paths.param),
                          ReadFile(dir.File("vehicle.zvf"))};
    }();
    return files;
}

SampleFirmware SmallSample() {
    SampleFirmware sample;
    sample.programBytes = 512;
    sample.recordBytes = 64;
    return sample;
}

// An accepted image never holds a record the ECU's flash (0x8000 up to 0x17FFF) cannot take.
void ExpectWithinTheFlash(const FirmwareImage& image, int n) {
    for (const SRecordLine& r : image.records) {
        const bool data = r.type == '1' || r.type == '2' || r.type == '3';
        if (!data || !r.sent) continue;
        EXPECT_GE(r.address, 0x8000u) << "case " << n << ": " << r.text;
        EXPECT_LE(uint64_t(r.address) + r.dataLength, 0x18000u) << "case " << n << ": " << r.text;
    }
}

TEST(ReaderFuzz, SavedConfigurationContainer) {
    Mutator m(0xC0F1);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        const std::string data = m.Mutate(Valid().configuration, n);
        std::array<std::string, 3> files;
        ConfigurationHeaderText header;
        const PackResult r = UnpackConfigurationData(data, files, &header);
        if (!r) {
            ++refused;
            EXPECT_FALSE(r.error.empty()) << "case " << n << ": a refusal gives its reason";
        }
    }
    EXPECT_GT(refused, 0) << "the reader notices damage";
}

TEST(ReaderFuzz, PackedEcuFile) {
    ScratchDir dir;
    const std::string valid = SampleEcuFile(SmallSample());
    Mutator m(0xEC0);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        const std::string path = dir.File("mutated.zov");
        WriteFile(path, m.Mutate(valid, n));
        FirmwareImage image;
        const FirmwareCheck c = LoadPackedFirmware(path, image);
        if (c) {
            ExpectWithinTheFlash(image, n);
        } else {
            ++refused;
            EXPECT_EQ(c.error.rfind(path, 0), 0u)
                << "case " << n << ": the reason names the file: " << c.error;
            EXPECT_GT(c.error.size(), path.size() + 2) << "case " << n;
        }
    }
    EXPECT_GT(refused, kCases / 2) << "the record checksums catch most damage";
}

TEST(ReaderFuzz, SRecordText) {
    const std::string valid = SampleSRecords(SmallSample());
    Mutator m(0x519);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        FirmwareImage image;
        const FirmwareCheck c = ParseFirmware(m.Mutate(valid, n), 0, image);
        if (c) {
            ExpectWithinTheFlash(image, n);
        } else {
            ++refused;
            EXPECT_FALSE(c.error.empty()) << "case " << n;
            EXPECT_TRUE(image.records.empty()) << "case " << n << ": a refused text leaves the image alone";
        }
    }
    EXPECT_GT(refused, kCases / 2);
}

// One definition-file reader over damaged copies of its valid file.
template <typename Reader>
void FuzzDefinitionFile(Reader& reader, const std::string& valid, uint32_t seed) {
    ScratchDir dir;
    Mutator m(seed);
    int rejected = 0;
    for (int n = 0; n < kCases; ++n) {
        const std::string path = dir.File("mutated");
        WriteFile(path, m.Mutate(valid, n));
        reader.SetFileName(path);
        const auto r = reader.ReadDefinitionFile();
        EXPECT_TRUE(r.opened) << "case " << n;
        if (r.rejected) {
            ++rejected;
            EXPECT_FALSE(r.error.empty()) << "case " << n << ": a rejection gives its reason";
        }
    }
    EXPECT_GT(rejected, 0) << "the reader notices damage";
}

TEST(ReaderFuzz, VehicleDefinitionFile) {
    EcuBench b;
    ASSERT_TRUE(b.ConnectAndLoad());
    FuzzDefinitionFile(b.car, Valid().car, 0xCA2);
}

TEST(ReaderFuzz, MapDefinitionFile) {
    EcuBench b;
    ASSERT_TRUE(b.ConnectAndLoad());
    FuzzDefinitionFile(b.map, Valid().map, 0x3A9);
}

TEST(ReaderFuzz, ParameterDefinitionFile) {
    EcuBench b;
    ASSERT_TRUE(b.ConnectAndLoad());
    FuzzDefinitionFile(b.param, Valid().param, 0x9A2);
}

// Every variable's bytes as the simulated ECU holds them.
std::vector<std::vector<uint8_t>> Dump(const sim::EcuSimulator& ecu) {
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < kVarCount; ++i)
        out.push_back(ecu.Available(i) ? ecu.Bytes(i) : std::vector<uint8_t>{});
    return out;
}

// "Carica configurazione" and load-config: a damaged configuration is taken whole or not at all,
// so a refused one leaves every variable of the ECU as it was.
TEST(LoadConfigurationFuzz, ARefusedConfigurationLeavesTheEcuAsItWas) {
    ScratchDir dir;
    EcuBench b;
    ASSERT_TRUE(b.ConnectAndLoad());
    Mutator m(0xC0F6);
    int refused = 0;
    for (int n = 0; n < kLoadCases; ++n) {
        const std::string path = dir.File("mutated.zvf");
        WriteFile(path, m.Mutate(Valid().configuration, n));
        const auto before = Dump(b.ecu);
        const ConfigurationLoad load = LoadConfigurationFile(b.model, path);
        ASSERT_TRUE(b.link.IsConnected()) << "case " << n;
        if (load.Loaded()) continue;
        ++refused;
        EXPECT_EQ(Dump(b.ecu), before) << "case " << n << ": " << load.unpacked.error;
    }
    EXPECT_GT(refused, kLoadCases / 2);
}

TEST(ProgramFuzz, ARefusedFirmwareLeavesTheEcuAsItWas) {
    ScratchDir dir;
    const std::string valid = SampleEcuFile(SmallSample());
    Mutator m(0xF1A5);
    int refused = 0;
    for (int n = 0; n < kProgramCases; ++n) {
        const std::string path = dir.File("mutated.zov");
        WriteFile(path, m.Mutate(valid, n));
        FirmwareImage image;
        const bool acceptable = LoadPackedFirmware(path, image).ok;
        Programming p(Running(200));
        const auto before = Dump(p.ecu);
        const bool programmed = p.programmer.ProgramEcuFile(path);
        if (acceptable) {
            // The checker and the boot loader agree: what passes the check programs.
            EXPECT_TRUE(programmed) << "case " << n << ": " << ::testing::PrintToString(p.ShownTexts());
            continue;
        }
        ++refused;
        EXPECT_FALSE(programmed) << "case " << n;
        EXPECT_FALSE(p.programmer.lastError.empty()) << "case " << n;
        EXPECT_TRUE(p.line.Traffic().empty()) << "case " << n << ": not a byte went to the ECU";
        EXPECT_EQ(p.ecu.Mode(), sim::EcuMode::Application) << "case " << n;
        EXPECT_EQ(Dump(p.ecu), before) << "case " << n;
    }
    EXPECT_GT(refused, kProgramCases / 2);
}

// zovctl fit's points: a damaged file gives either points each wholly in range, or a refusal that
// names the file and gives no point at all.
TEST(ReaderFuzz, FitPointsFile) {
    std::string valid = "rpm,map,value\r\n";
    for (int rpm = 650; rpm <= 6000; rpm += 535)
        for (int map = 29; map <= 260; map += 77)
            valid += std::to_string(rpm) + "," + std::to_string(map) + ",400\r\n";
    ScratchDir dir;
    Mutator m(0xF17);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        const std::string path = dir.File("points.csv");
        const std::string text = m.Mutate(valid, n);
        WriteFile(path, text);
        std::vector<ConfMap::MappingPoint> points;
        const FitPointsError r = ReadFitPoints(path, points);
        if (r.status == 0) {
            // Only a header may hold a NUL: in a point it is never read as a number.
            const size_t header = text.find('\n');
            if (header != std::string::npos) {
                EXPECT_EQ(text.find('\0', header), std::string::npos)
                    << "case " << n << ": accepted with a NUL";
            }
            for (const ConfMap::MappingPoint& p : points) {
                EXPECT_TRUE(p.rpm >= 0 && p.rpm <= 20000) << "case " << n << ": rpm " << p.rpm;
                EXPECT_TRUE(p.map >= 0 && p.map <= 500) << "case " << n << ": map " << p.map;
                EXPECT_TRUE(p.value >= 0 && p.value <= ConfMap::kMaxCell)
                    << "case " << n << ": value " << p.value;
            }
            continue;
        }
        ++refused;
        EXPECT_EQ(r.reason.rfind(path, 0), 0u) << "case " << n << ": the reason names the file: " << r.reason;
        EXPECT_TRUE(points.empty()) << "case " << n;
    }
    EXPECT_GT(refused, kCases / 4) << "the reader notices damage";
}

// A customer table as an older installation left it, written by shapelib: texts, a number, a
// date, a record marked deleted.
std::string ValidCustomerTable() {
    ScratchDir dir;
    const std::string path = dir.File("dbcli.dbf");
    DBFHandle dbf = DBFCreate(path.c_str());
    EXPECT_NE(dbf, nullptr);
    const int surname = DBFAddField(dbf, "COGNOME", FTString, 30, 0);
    const int city = DBFAddField(dbf, "CITTA", FTString, 20, 0);
    const int cc = DBFAddField(dbf, "CILINDRATA", FTInteger, 5, 0);
    const int installed = DBFAddNativeFieldType(dbf, "DATA_INST", 'D', 8, 0);
    const int plate = DBFAddField(dbf, "TARGA", FTString, 15, 0);
    // A serial number too: a record without one is left out, as the window could never save it.
    const int serial = DBFAddField(dbf, "N_SERIE", FTString, 15, 0);
    const char* const surnames[] = {"Nicol\xF2", "Bianchi", "Rossi", "Verdi"};
    for (int r = 0; r < 4; ++r) {
        DBFWriteStringAttribute(dbf, r, surname, surnames[r]);
        DBFWriteStringAttribute(dbf, r, city, "Forl\xEC");
        DBFWriteIntegerAttribute(dbf, r, cc, 1200 + r);
        DBFWriteIntegerAttribute(dbf, r, installed, 20020301 + r);
        DBFWriteStringAttribute(dbf, r, plate, "AB123CD");
        DBFWriteStringAttribute(dbf, r, serial, "RS-1");
    }
    DBFMarkRecordDeleted(dbf, 1, 1);
    DBFClose(dbf);
    return ReadFile(path);
}

// The dBASE import: a damaged table is refused with a reason naming it, or read into records
// no longer than the archive's fields.
TEST(ReaderFuzz, LegacyCustomerTable) {
    const std::string valid = ValidCustomerTable();
    ScratchDir dir;
    const QString path = QString::fromStdString(dir.File("dbcli.dbf"));
    WriteFile(path.toStdString(), valid);
    ASSERT_EQ(ReadLegacyCustomerTable(path).records.size(), 3u) << "the valid table reads";
    Mutator m(0xDBF);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        WriteFile(path.toStdString(), m.Mutate(valid, n));
        const LegacyTableContents table = ReadLegacyCustomerTable(path);
        if (!table.ok) {
            ++refused;
            EXPECT_TRUE(table.error.startsWith(path + ": "))
                << "case " << n << ": " << table.error.toStdString();
            EXPECT_TRUE(table.records.empty()) << "case " << n;
            continue;
        }
        for (const CustomerRecord& record : table.records) {
            for (int f = 0; f < kCustomerFieldCount; ++f) {
                if (FieldInfo(f).kind != FieldKind::Text) continue;
                EXPECT_LE(record.values[size_t(f)].toString().size(), FieldInfo(f).size) << "case " << n;
            }
        }
    }
    EXPECT_GT(refused, 0) << "the reader notices damage";
}

// The update manifest: a damaged ZOV.txt is refused whole or plans only copies of files of the
// medium into the archive folders, and planning touches nothing.
TEST(ReaderFuzz, UpdateManifest) {
    test::UpdateFixture f;
    f.Put("run/Vetture/Gpl/Alfa/Alfa_000.s19", "installed");
    f.Put("outside/Secret_001.s19", "secret");
    for (const char* name : {"Alfa_001.s19", "Alfa_001.pdf", "Std_0D2.zov", "Bravo_002.s19"})
        f.Put(std::string("medium/") + name, name);
    const std::string valid =
        "Alfa_001.s19=<VETTURE>\\Gpl\\Alfa\r\n"
        "Alfa_001.pdf=<SCHEDE>\\ITALIANO\\Gpl\\Alfa\r\n"
        "Std_0D2.zov=<MAPPATURA>\\GPL\r\n"
        "Bravo_002.s19=<VETTURE>\\Gpl\\Bravo\r\n";
    const ArchiveUpdate update(f.Roots());
    f.Put("medium/ZOV.txt", valid);
    ASSERT_EQ(update.ReadManifest(f.Path("medium")).files.size(), 4u) << "the valid manifest plans";
    const std::filesystem::path run = std::filesystem::canonical(f.Path("run"));
    const std::filesystem::path medium = std::filesystem::canonical(f.Path("medium"));
    auto inside = [](const std::filesystem::path& path, const std::filesystem::path& root) {
        const std::filesystem::path rel = std::filesystem::weakly_canonical(path).lexically_relative(root);
        return !rel.empty() && *rel.begin() != "..";
    };
    Mutator m(0x2F7);
    int refused = 0;
    for (int n = 0; n < kCases; ++n) {
        f.Put("medium/ZOV.txt", m.Mutate(valid, n));
        const auto before = f.Snapshot();
        const UpdatePlan plan = update.ReadManifest(f.Path("medium"));
        EXPECT_EQ(f.Snapshot(), before) << "case " << n;
        if (!plan.error.empty()) {
            ++refused;
            EXPECT_TRUE(plan.files.empty()) << "case " << n;
            EXPECT_EQ(plan.error.find('\n'), std::string::npos) << "case " << n << ": one line";
            continue;
        }
        for (const UpdateFile& file : plan.files) {
            EXPECT_TRUE(inside(file.source, medium)) << "case " << n << ": " << file.source;
            EXPECT_TRUE(inside(file.destination, run)) << "case " << n << ": " << file.destination;
        }
    }
    EXPECT_GT(refused, 0) << "the reader notices damage";
}

}  // namespace
}  // namespace zov
