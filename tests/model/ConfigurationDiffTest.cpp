// Comparing configurations field by field: the field list the definition files make, the
// comparison itself, and taking a configuration from files without a word to the ECU.
#include <gtest/gtest.h>

#include <filesystem>

#include "ConfigurationDiff.h"
#include "ConfigurationFields.h"
#include "ModelTestSupport.h"
#include "Packaging.h"

namespace zov {

void PrintTo(const ConfigurationDiff::Difference& d, std::ostream* os) {
    *os << "{" << d.key << ", " << d.a << ", " << d.b << "}";
}

namespace testing {
namespace {

using Difference = ConfigurationDiff::Difference;

TEST(ConfigurationFields, DefinitionLinesBecomeKeyAndValue) {
    const struct {
        const char* line;
        std::optional<ConfigurationField> field;
    } cases[] = {
        {"#define CILINDRATA  1242\r", ConfigurationField{"CILINDRATA", "1242"}},
        {"#define CL_4_2  -3", ConfigurationField{"CL_4_2", "-3"}},
        {"#define MODELLO  \"PUNTO 1.2\"\r", ConfigurationField{"MODELLO", "PUNTO 1.2"}},
        {"#define MODELLO  \"\"", ConfigurationField{"MODELLO", ""}},
        {"#define CILINDRATA_MOD\r", ConfigurationField{"CILINDRATA_MOD", "1"}},
        {"/* #define CILINDRATA_MOD */\r", ConfigurationField{"CILINDRATA_MOD", "0"}},
        {"// vehicle configuration", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ConfigurationFields::OfDefinitionLine(c.line), c.field) << c.line;
}

TEST(ConfigurationDiff, ListsDifferingAndOneSidedFieldsInOrder) {
    const std::vector<ConfigurationField> a{
        {"MODELLO", "PUNTO"}, {"CL_0_0", "100"}, {"ONLY_A", "1"}, {"CL_1_0", "7"}};
    const std::vector<ConfigurationField> b{
        {"ONLY_B", "2"}, {"CL_1_0", "8"}, {"CL_0_0", "100"}, {"MODELLO", "PANDA"}};
    EXPECT_EQ(
        ConfigurationDiff::Between(a, b),
        (std::vector<Difference>{
            {"MODELLO", "PUNTO", "PANDA"}, {"ONLY_A", "1", ""}, {"CL_1_0", "7", "8"}, {"ONLY_B", "", "2"}}));
    EXPECT_TRUE(ConfigurationDiff::Between(a, a).empty());
    EXPECT_TRUE(ConfigurationDiff::Between({}, {}).empty());
}

// Replaces the value on KEY's line.
void SetDefinition(const std::string& path, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = ReadLines(path);
    size_t found = 0;
    for (std::string& line : lines)
        if (line.rfind("#define " + key + "  ", 0) == 0) {
            line = "#define " + key + "  " + value;
            ++found;
        }
    ASSERT_EQ(found, 1u) << key << " in " << path;
    WriteLines(path, lines);
}

// The simulated ECU read whole into a model, its definition files written to folder "a".
class DiffTest : public ::testing::Test {
  protected:
    DiffTest() {
        model.ReadFromEcu();
        std::filesystem::create_directory(dir.File("a"));
        EXPECT_TRUE(model.WriteDefinitionFileSet(ConfigurationModel::DefinitionFiles::In(dir.File("a"))));
        bench.ecu.ClearRequests();
    }

    std::vector<ConfigurationField> FieldsOf(ConfigurationModel& m) {
        std::vector<ConfigurationField> fields;
        EXPECT_TRUE(ConfigurationFields::Of(m, fields));
        return fields;
    }

    std::vector<ConfigurationField> FieldsOfFiles(const std::string& source) {
        std::vector<ConfigurationField> fields;
        const ConfigurationDiff::LoadError error =
            ConfigurationDiff::FieldsOfFiles(bench.link, source, fields);
        EXPECT_FALSE(error) << error.what << ": " << error.reason;
        return fields;
    }

    ConfigurationDiff::LoadError LoadError(const std::string& source) {
        std::vector<ConfigurationField> fields{{"LEFT", "OVER"}};
        const ConfigurationDiff::LoadError error =
            ConfigurationDiff::FieldsOfFiles(bench.link, source, fields);
        EXPECT_TRUE(fields.empty()) << source;
        return error;
    }

    ModelBench bench{EcuWithVersion(200)};
    ConfigurationModel model{bench.link, bench.map, bench.car, bench.param};
    ScratchDir dir;
};

TEST_F(DiffTest, FoldersDifferingInThreeFieldsAndOneCellListExactlyThose) {
    std::filesystem::copy(dir.File("a"), dir.File("b"));
    const auto a = ConfigurationModel::DefinitionFiles::In(dir.File("a"));
    const auto b = ConfigurationModel::DefinitionFiles::In(dir.File("b"));
    const struct {
        const std::string& file;
        const std::string& otherFile;
        const char* key;
        const char* valueA;
        const char* valueB;
    } edits[] = {
        {a.car, b.car, "MODELLO", "\"PUNTO\"", "\"PANDA 4x4\""},
        {a.car, b.car, "MAX_ERRORE_LAMBDA", "20", "31"},
        {a.map, b.map, "CL_4_2", "100", "250"},
        {a.param, b.param, "DEC_3", "10", "12"},
    };
    for (const auto& e : edits) {
        SetDefinition(e.file, e.key, e.valueA);
        SetDefinition(e.otherFile, e.key, e.valueB);
    }

    const std::vector<ConfigurationField> fieldsA = FieldsOfFiles(dir.File("a"));
    const std::vector<ConfigurationField> fieldsB = FieldsOfFiles(dir.File("b"));

    EXPECT_EQ(ConfigurationDiff::Between(fieldsA, fieldsB),
              (std::vector<Difference>{{"MAX_ERRORE_LAMBDA", "20", "31"},
                                       {"MODELLO", "PUNTO", "PANDA 4x4"},
                                       {"CL_4_2", "100", "250"},
                                       {"DEC_3", "10", "12"}}));
    EXPECT_GT(fieldsA.size(), 600u) << "every field of the three files";
    EXPECT_TRUE(bench.ecu.Requests().empty()) << "taking files never reaches the ECU";
    EXPECT_EQ(ReadFile(a.map), ReadFile(dir.File("a/filemap0.map"))) << "the folders are left as they were";
}

TEST_F(DiffTest, TheEcuEqualsItsSavedConfigurationAndKeepsItsFileNames) {
    const std::string saved = dir.File("ecu.zvf");
    ASSERT_TRUE(SaveConfigurationFile(model, saved));
    bench.car.SetFileName("/keep/fileh0.h");
    bench.ecu.ClearRequests();

    const std::vector<ConfigurationField> ecu = FieldsOf(model);
    EXPECT_TRUE(ConfigurationDiff::Between(ecu, FieldsOfFiles(saved)).empty());
    EXPECT_TRUE(ConfigurationDiff::Between(ecu, FieldsOfFiles(dir.File("a"))).empty());
    EXPECT_EQ(bench.car.GetFileName(), "/keep/fileh0.h");
    EXPECT_TRUE(bench.ecu.Requests().empty());

    bench.map.SetCell(2, 4, bench.map.GetCell(2, 4) == 5 ? 6 : 5, false);
    const auto differences = ConfigurationDiff::Between(FieldsOf(model), FieldsOfFiles(saved));
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].key, "CL_4_2") << "cells are named column first";
}

TEST_F(DiffTest, AnObsoleteFileIsComparedAsUpgradedAndLeftAsItWas) {
    const std::string param = dir.File("a/filepar0.dat");
    const std::vector<std::string> lines = ReadLines(param);
    WriteLines(param, std::vector<std::string>(lines.begin(), lines.end() - 4));
    const std::string obsolete = ReadFile(param);

    EXPECT_TRUE(ConfigurationDiff::Between(FieldsOf(model), FieldsOfFiles(dir.File("a"))).empty())
        << "the missing entries are the ECU's defaults";
    EXPECT_EQ(ReadFile(param), obsolete);
}

TEST_F(DiffTest, DamagedOrMissingSourcesAreRefusedByName) {
    const std::string saved = dir.File("ecu.zvf");
    ASSERT_TRUE(SaveConfigurationFile(model, saved));
    const std::string bytes = ReadFile(saved);
    WriteFile(dir.File("short.zvf"), bytes.substr(0, bytes.size() / 2));
    std::filesystem::copy(dir.File("a"), dir.File("bad"));
    SetDefinition(dir.File("bad/filemap0.map"), "CL_4_2", "99999");
    std::filesystem::copy(dir.File("a"), dir.File("partial"));
    std::filesystem::remove(dir.File("partial/filepar0.dat"));

    const struct {
        std::string source;
        std::string what;
        bool reason;
    } cases[] = {
        {dir.File("bad"), dir.File("bad") + ": its map file is damaged", true},
        {dir.File("partial"), dir.File("partial") + ": cannot read its parameter file", false},
        {dir.File("missing.zvf"), "", false},
        {dir.File("short.zvf"), "", false},
    };
    for (const auto& c : cases) {
        const ConfigurationDiff::LoadError error = LoadError(c.source);
        EXPECT_TRUE(error) << c.source;
        if (!c.what.empty()) {
            EXPECT_EQ(error.what, c.what);
        }
        EXPECT_NE(error.what.find(c.source), std::string::npos) << error.what;
        EXPECT_EQ(!error.reason.empty(), c.reason) << c.source << ": " << error.reason;
    }
    EXPECT_TRUE(bench.ecu.Requests().empty());
}

}  // namespace
}  // namespace testing
}  // namespace zov
