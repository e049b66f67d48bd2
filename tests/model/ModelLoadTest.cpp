#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "ConfigurationModel.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

// Requests between two progress steps, by variable, with repeats of the same variable (rows of a
// table read one by one) folded.
struct StepRecorder {
    explicit StepRecorder(sim::EcuSimulator& e) : ecu(e) {}
    ConfigurationModel::Progress Callback() {
        return [this](int step) {
            steps.push_back(step);
            marks.push_back(ecu.Requests().size());
        };
    }
    std::vector<int> VarsBetween(size_t fromStep, size_t toStep) const {
        const auto all = Vars(ecu);
        const size_t end = toStep < marks.size() ? marks[toStep] : all.size();
        std::vector<int> out(all.begin() + long(marks[fromStep]), all.begin() + long(end));
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }
    sim::EcuSimulator& ecu;
    std::vector<int> steps;
    std::vector<size_t> marks;
};

TEST(ModelLoad, ReadsTheEcuInTheConnectOrderWithItsProgressSteps) {
    ModelBench b(EcuWithVersion(200));
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    StepRecorder r(b.ecu);
    model.ReadFromEcu(r.Callback());

    EXPECT_EQ(r.steps, (std::vector<int>{10, 10, 10, 20, 10, 10, 20, 10}));
    EXPECT_EQ(r.VarsBetween(1, 2).front(), 34) << "the self-adaptation group starts with 34";
    EXPECT_EQ(r.VarsBetween(2, 3), (std::vector<int>{111, 105}));
    EXPECT_EQ(r.VarsBetween(3, 4), (std::vector<int>{50, 81}));
    EXPECT_EQ(r.VarsBetween(4, 5), (std::vector<int>{82, 83, 84, 85, 131, 132, 133}));
    EXPECT_EQ(r.VarsBetween(5, 6), (std::vector<int>{103, 102})) << "101 only below version 200";
    EXPECT_EQ(r.VarsBetween(6, 7), (std::vector<int>{100, 110, 106, 107, 51, 17, 54, 44, 60}));
    EXPECT_EQ(b.car.MODELLO, b.ecu.Text(117));
    EXPECT_EQ(b.map.GetCell(3, 7), b.ecu.Value(50, 3 * 20 + 7));
}

TEST(ModelLoad, LaterParameterGroupsFollowTheVersion) {
    const struct {
        int version;
        std::vector<int> tail;
    } cases[] = {
        {3, {100, 110, 106, 107, 51}},
        {9, {100, 110, 106, 107, 51, 17}},
        {10, {100, 110, 106, 107, 51, 17, 54, 44, 60}},
    };
    for (const auto& c : cases) {
        ModelBench b(EcuWithVersion(c.version));
        ConfigurationModel model(b.link, b.map, b.car, b.param);
        StepRecorder r(b.ecu);
        model.ReadFromEcu(r.Callback());
        EXPECT_EQ(r.VarsBetween(6, 7), c.tail) << "version " << c.version;
    }
}

class ModelFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ConfigurationModel source(b.link, b.map, b.car, b.param);
        source.ReadFromEcu();
        ASSERT_TRUE(source.WriteDefinitionFiles(files));
        b.ecu.ClearRequests();
    }
    ModelBench b;
    ScratchDir dir;
    ConfigurationModel::DefinitionFiles files = ConfigurationModel::DefinitionFiles::In(dir.File(""));
};

TEST_F(ModelFiles, LoadingSendsEachFileThenReadsTheConfigurationBack) {
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    StepRecorder r(b.ecu);
    const auto outcome = model.ReadDefinitionFiles(files, r.Callback());
    EXPECT_TRUE(outcome.Loaded());
    EXPECT_EQ(r.steps, (std::vector<int>{10, 15, 30, 25, 10, 10}));
    EXPECT_EQ(r.VarsBetween(0, 1).front(), 0) << "the vehicle file ends by writing the configuration";
    EXPECT_EQ(r.VarsBetween(1, 2).front(), 111) << "then the maps";
    EXPECT_EQ(r.VarsBetween(2, 3).front(), 110) << "then the parameters, centres first";
    EXPECT_EQ(r.VarsBetween(3, 4).front(), 0) << "then the configuration is read back";
    EXPECT_EQ(r.VarsBetween(4, 5).front(), 34) << "and the self-adaptation";
    EXPECT_EQ(b.car.GetFileName(), files.car);
    EXPECT_EQ(b.param.GetFileName(), files.param);
}

TEST_F(ModelFiles, ADamagedFileStopsTheLoadThere) {
    WriteFile(files.map, "#define CG_0  1153\r\ngarbage\r\n");
    b.ecu.SetValues(103, std::vector<int32_t>(20, 9));
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    const auto outcome = model.ReadDefinitionFiles(files);
    EXPECT_FALSE(outcome.Loaded());
    EXPECT_TRUE(outcome.car.Loaded());
    EXPECT_TRUE(outcome.map.result.rejected);
    EXPECT_FALSE(outcome.param.result.opened) << "the parameters were not loaded";
    const auto vars = Vars(b.ecu);
    EXPECT_EQ(std::count(vars.begin(), vars.end(), 103), 0)
        << "nothing of the parameter file reached the ECU";
    EXPECT_EQ(std::count(vars.begin(), vars.end(), 111), 0) << "nothing of the map file reached the ECU";
}

TEST_F(ModelFiles, WithoutASessionTheFilesFillTheModelAndNothingIsSent) {
    b.link.Disconnect();
    b.ecu.ClearRequests();
    b.car.RITARDO_MASSIMO_CAMBIO = 0;
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    EXPECT_TRUE(model.ReadDefinitionFiles(files).Loaded());
    EXPECT_EQ(b.car.RITARDO_MASSIMO_CAMBIO, 200);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

// Every variable's bytes as the ECU holds them.
std::vector<std::vector<uint8_t>> EcuDump(const sim::EcuSimulator& ecu) {
    std::vector<std::vector<uint8_t>> dump;
    for (int var = 0; var < kVarCount; ++var) dump.push_back(ecu.Bytes(var));
    return dump;
}

void ReplaceLine(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = ReadFile(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteFile(path, text);
}

// A good vehicle part (a new displacement, an obsolete file that would ask for its upgrade)
// with a damaged or missing later part: neither the model nor the ECU takes any of it.
TEST_F(ModelFiles, AConfigurationIsTakenWholeOrNotAtAll) {
    const struct {
        const char* what;
        std::function<void(const ConfigurationModel::DefinitionFiles&)> damage;
    } cases[] = {
        {"map cell out of range",
         [](const auto& f) {
             ReplaceLine(f.map, "#define CL_0_0  ", "#define CL_0_0  99999\r\n#define X  ");
         }},
        {"map file cut short", [](const auto& f) { WriteLines(f.map, {ReadLines(f.map).front()}); }},
        {"parameter line foreign",
         [](const auto& f) { ReplaceLine(f.param, "#define CTC_3", "#define XYZ_3"); }},
        {"parameter file missing", [](const auto& f) { std::filesystem::remove(f.param); }},
    };
    ASSERT_EQ(b.ecu.Value(40), 1600);
    ReplaceLine(files.car, "#define CILINDRATA  1600", "#define CILINDRATA  1900");
    // Cut before TEMPO_VERIFICA_RISULTATI_ADATTO: an older version's file, which asks for its upgrade.
    WriteLines(files.car, [&] {
        auto lines = ReadLines(files.car);
        lines.resize(129);
        return lines;
    }());
    const std::string carFile = ReadFile(files.car), mapFile = ReadFile(files.map);
    for (const auto& c : cases) {
        ModelBench fresh;
        ConfigurationModel model(fresh.link, fresh.map, fresh.car, fresh.param);
        model.ReadFromEcu();
        ScratchDir scratch;
        const auto set = ConfigurationModel::DefinitionFiles::In(scratch.File(""));
        for (const auto& [from, to] :
             {std::pair{files.car, set.car}, {files.map, set.map}, {files.param, set.param}})
            std::filesystem::copy_file(from, to);
        c.damage(set);
        fresh.prompter.answers = {PromptAnswer::Yes};
        const auto dumpBefore = EcuDump(fresh.ecu);
        const int32_t cell = fresh.map.CL[0][0];

        const auto outcome = model.ReadDefinitionFiles(set);
        EXPECT_FALSE(outcome.Loaded()) << c.what;
        EXPECT_TRUE(outcome.car.Loaded()) << c.what << ": the vehicle part itself is sound";
        EXPECT_TRUE(EcuDump(fresh.ecu) == dumpBefore) << c.what << ": the ECU changed";
        EXPECT_EQ(fresh.ecu.Value(40), 1600) << c.what;
        EXPECT_EQ(fresh.car.CILINDRATA, 1600) << c.what;
        EXPECT_EQ(fresh.map.CL[0][0], cell) << c.what;
        EXPECT_EQ(fresh.car.GetFileName(), "fileh0.h") << c.what << ": the model keeps its file names";
        EXPECT_TRUE(fresh.prompter.shown.empty()) << c.what << ": no upgrade offered for a refused set";
        EXPECT_EQ(ReadFile(set.car), carFile) << c.what;
    }
    EXPECT_EQ(ReadFile(files.map), mapFile);
}

TEST_F(ModelFiles, AWholeConfigurationReachesModelAndEcu) {
    ReplaceLine(files.car, "#define CILINDRATA  1600", "#define CILINDRATA  1900");
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    EXPECT_TRUE(model.ReadDefinitionFiles(files).Loaded());
    EXPECT_EQ(b.ecu.Value(40), 1900);
    EXPECT_EQ(b.car.CILINDRATA, 1900);
    EXPECT_EQ(b.car.GetFileName(), files.car);
    EXPECT_EQ(b.map.GetFileName(), files.map);
}

TEST(ModelRefusals, AWholeReadListsWhatTheEcuRefusedOnceInReadOrder) {
    const struct {
        const char* what;
        sim::EcuConfig config;
        std::set<int> refused;
        std::vector<int> expected;
    } cases[] = {
        {"nothing refused", EcuWithVersion(208), {}, {}},
        // The eight-zone probe (112) and an ECU without map B (131) are answers, not losses.
        {"eight zones, no map B",
         [] {
             sim::EcuConfig c = EcuWithVersion(200, false);
             c.eightZoneAdaptation = true;
             return c;
         }(),
         {},
         {}},
        {"one of each part", EcuWithVersion(200), {105, 40, 51}, {40, 105, 51}},
        {"read twice, listed once", EcuWithVersion(200), {39, 117}, {39, 117}},
        {"arrays and diagnosis block", EcuWithVersion(208), {127, 108, 113}, {108, 127, 113}},
        // The type variables are read before the version is known; a firmware older than 200
        // lacks them, and says so by refusing them.
        {"old firmware without the types", EcuWithVersion(7), {}, {}},
        {"typed firmware refusing its lambda type", EcuWithVersion(200), {76}, {76}},
    };
    for (const auto& c : cases) {
        sim::EcuConfig config = c.config;
        config.faults.refused = c.refused;
        ModelBench b(config);
        ConfigurationModel model(b.link, b.map, b.car, b.param);
        model.ReadFromEcu();
        EXPECT_EQ(model.RefusedVariables(), c.expected) << c.what;
        EXPECT_TRUE(b.link.IsConnected()) << c.what << ": the read goes on";
        b.ecu.MutableFaults().refused.clear();
        model.ReadFromEcu();
        EXPECT_TRUE(model.RefusedVariables().empty()) << c.what << ": a later good read clears the list";
    }
}

TEST(ModelRefusals, VariablesAreNamedAfterTheirFields) {
    const std::pair<int, const char*> cases[] = {
        {40, "CILINDRATA"}, {50, "CL"}, {117, "MODELLO"}, {51, "CT"}, {85, "MAX_TEMPO_FUORI_INTORNO"},
        {23, "?"}};
    for (const auto& [var, name] : cases) EXPECT_STREQ(VariableName(var), name) << var;
}

class DefinitionSet : public ModelFiles {
  protected:
    std::vector<std::string> Files() const {
        return {ReadFile(files.car), ReadFile(files.map), ReadFile(files.param)};
    }
};

TEST_F(DefinitionSet, WrittenWholeWithNoTemporaryLeft) {
    const auto old = Files();
    b.car.CILINDRATA = 1900;
    b.map.CL[0][0] = 4321;
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    ASSERT_TRUE(model.WriteDefinitionFileSet(files));
    EXPECT_NE(Files()[0], old[0]);
    EXPECT_NE(ReadFile(files.car).find("#define CILINDRATA  1900\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(files.map).find("#define CL_0_0  4321\r\n"), std::string::npos);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map", "filepar0.dat"}));
    EXPECT_EQ(b.car.GetFileName(), files.car);
}

// The disk fills up after the vehicle file: all three stay as they were, nothing else is left.
TEST_F(DefinitionSet, AFailedWriteLeavesTheOldSet) {
    const auto old = Files();
    const size_t fits = std::max(old[0].size(), old[2].size()) + 200;
    ASSERT_LT(fits, old[1].size()) << "the limit must stop the map file";
    b.car.CILINDRATA = 1900;
    b.map.CL[0][0] = 4321;
    b.param.CTC[0] = 7;
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    bool written = true;
    {
        FileSizeLimit limit(fits);
        written = model.WriteDefinitionFileSet(files);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Files(), old);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map", "filepar0.dat"}));
}

}  // namespace
}  // namespace zov::testing
