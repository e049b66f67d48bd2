// "Salva configurazione" and "Carica configurazione" on the file side, with the model on top of
// the ECU simulator.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Packaging.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::EcuBench;
using testing::PrivateTemp;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// The system's temporary folder as a scratch folder, and no runtime directory: the scratch files
// of a load or save are then made under it, where the test sees what stays behind.
class PrivateScratch : public PrivateTemp {
  public:
    PrivateScratch() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) runtime_ = old;
        unsetenv("XDG_RUNTIME_DIR");
    }
    ~PrivateScratch() {
        if (runtime_) setenv("XDG_RUNTIME_DIR", runtime_->c_str(), 1);
    }

  private:
    std::optional<std::string> runtime_;
};

sim::EcuConfig Vehicle(const char* model) {
    sim::EcuConfig c;
    c.model = model;
    c.displacement = 1242;
    c.year = 2004;
    return c;
}

// The three definition files of a model, as text: what it holds, in one comparable value.
std::string Snapshot(ConfigurationModel& model, const ScratchDir& dir, const std::string& name) {
    const auto files = ConfigurationModel::DefinitionFiles::In(dir.File(name));
    std::filesystem::create_directories(dir.File(name));
    EXPECT_TRUE(model.WriteDefinitionFiles(files));
    return ReadFile(files.car) + ReadFile(files.map) + ReadFile(files.param);
}

TEST(ConfigurationFile, SavedOnOneEcuLoadsIntoAnother) {
    ScratchDir dir;
    PrivateScratch temp;
    const std::string file = dir.File("punto.zvf");
    {
        EcuBench source(Vehicle("LANCIA Y 1.2"));
        source.ecu.SetValue(0, 0, 440);
        for (int c = 0; c < 20; ++c) source.ecu.SetValue(50, 3 * 20 + c, 100 + c);
        ASSERT_TRUE(source.ConnectAndLoad());
        source.map.cellLocks.Set(3, 7, true);  // locks travel with the configuration, not the ECU
        const PackResult saved = SaveConfigurationFile(source.model, file);
        ASSERT_TRUE(saved) << saved.error;
    }
    EXPECT_TRUE(temp.Entries().empty()) << "the three _ci files are gone";

    ConfigurationHeaderText header;
    ASSERT_TRUE(UnpackConfiguration(file, dir.File("a"), dir.File("b"), dir.File("c"), &header));
    EXPECT_EQ(header.vehicle.model, "LANCIA Y 1.2");
    EXPECT_EQ(header.vehicle.displacement, 1242);
    EXPECT_EQ(header.vehicle.year, 2004);

    EcuBench target;
    ASSERT_TRUE(target.ConnectAndLoad());
    std::vector<int> steps;
    const ConfigurationLoad load =
        LoadConfigurationFile(target.model, file, [&](int step) { steps.push_back(step); });
    ASSERT_TRUE(load.Loaded()) << load.unpacked.error;
    EXPECT_EQ(target.ecu.Value(0), 440);
    for (int c = 0; c < 20; ++c) EXPECT_EQ(target.ecu.Value(50, 3 * 20 + c), 100 + c);
    EXPECT_EQ(steps, (std::vector<int>{10, 15, 30, 25, 10, 10}));
    EXPECT_TRUE(temp.Entries().empty());
    EXPECT_TRUE(target.map.cellLocks.Locked(3, 7));
    EXPECT_EQ(target.map.cellLocks.Count(), 1);
}

TEST(ConfigurationFile, ABadFileLeavesTheModelAndTheEcuAlone) {
    ScratchDir dir;
    PrivateScratch temp;
    std::string good;
    {
        EcuBench source(Vehicle("FIAT UNO"));
        source.ecu.SetValue(0, 0, 123);
        ASSERT_TRUE(source.ConnectAndLoad());
        ASSERT_TRUE(SaveConfigurationFile(source.model, dir.File("good.zvf")));
        good = ReadFile(dir.File("good.zvf"));
    }
    struct Case {
        const char* what;
        std::string data;
    } cases[] = {
        {"short by one byte", good.substr(0, good.size() - 1)},
        {"only half of it", good.substr(0, good.size() / 2)},
        {"wrong magic", "ZOV_ECU_file\r\n" + good.substr(17)},
        {"empty", ""},
    };
    EcuBench target;
    ASSERT_TRUE(target.ConnectAndLoad());
    const std::string modelBefore = Snapshot(target.model, dir, "before");
    std::vector<std::vector<uint8_t>> memoryBefore;
    for (int i = 0; i < kVarCount; ++i) memoryBefore.push_back(target.ecu.Bytes(i));
    const size_t requestsBefore = target.ecu.Requests().size();

    for (const Case& c : cases) {
        WriteFile(dir.File("bad.zvf"), c.data);
        const ConfigurationLoad load = LoadConfigurationFile(target.model, dir.File("bad.zvf"));
        EXPECT_FALSE(load.unpacked) << c.what;
        EXPECT_FALSE(load.unpacked.error.empty()) << c.what;
        EXPECT_EQ(target.ecu.Requests().size(), requestsBefore) << c.what << ": nothing was sent to the ECU";
        EXPECT_TRUE(temp.Entries().empty()) << c.what;
    }
    EXPECT_EQ(Snapshot(target.model, dir, "after"), modelBefore);
    for (int i = 0; i < kVarCount; ++i)
        EXPECT_EQ(target.ecu.Bytes(i), memoryBefore[size_t(i)]) << "variable " << i;
}

TEST(ConfigurationFile, LoadingWithoutASessionFillsOnlyTheModel) {
    ScratchDir dir;
    PrivateScratch temp;
    {
        EcuBench source(Vehicle("OPEL CORSA"));
        source.ecu.SetValue(0, 0, 77);
        ASSERT_TRUE(source.ConnectAndLoad());
        ASSERT_TRUE(SaveConfigurationFile(source.model, dir.File("corsa.zvf")));
    }
    EcuBench offline;
    const ConfigurationLoad load = LoadConfigurationFile(offline.model, dir.File("corsa.zvf"));
    ASSERT_TRUE(load.Loaded());
    EXPECT_EQ(offline.car.RITARDO_MASSIMO_CAMBIO, 77);
    EXPECT_EQ(offline.car.MODELLO, "OPEL CORSA");
    EXPECT_TRUE(offline.line.Traffic().empty()) << "the writes to the ECU did nothing";
}

TEST(ConfigurationFile, AFailedSaveSaysWhyAndLeavesNothingBehind) {
    ScratchDir dir;
    PrivateScratch temp;
    EcuBench source;
    ASSERT_TRUE(source.ConnectAndLoad());
    const PackResult r = SaveConfigurationFile(source.model, dir.File("missing/folder/x.zvf"));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("missing/folder"), std::string::npos) << r.error;
    EXPECT_TRUE(temp.Entries().empty());
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
}  // namespace zov
