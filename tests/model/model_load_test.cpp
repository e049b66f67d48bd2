#include <gtest/gtest.h>

#include <algorithm>

#include "ConfigurationModel.h"
#include "model_test_support.h"

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

}  // namespace
}  // namespace zov::testing
