// Undoing the last store: the ECU gets back what it held before, sent as the store sent it, and
// nothing at all when there is nothing sound to put back.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "ConfigurationFields.h"
#include "ModelTestSupport.h"
#include "WriteUndo.h"

namespace zov::testing {
namespace {

struct UndoBench : ModelBench {
    UndoBench() { model.ReadFromEcu(); }
    ConfigurationModel model{link, map, car, param};

    // Every field as a fresh read of the ECU gives it, through model objects of their own.
    std::vector<ConfigurationField> EcuFields() {
        const auto fresh = std::make_unique<DetachedConfiguration>(link);
        fresh->model.ReadFromEcu();
        std::vector<ConfigurationField> fields;
        EXPECT_TRUE(ConfigurationFields::Of(fresh->model, fields));
        return fields;
    }
};

// Whether any request but a read named `var`.
bool Wrote(const sim::EcuSimulator& ecu, int var) {
    const std::vector<Command> commands = Commands(ecu);
    const std::vector<int> reads{0x01, 0x21, 0x61, 0x05, 0x65, 0x41, 0x49};
    return std::any_of(commands.begin(), commands.end(), [&](const Command& c) {
        return c.var == var && std::find(reads.begin(), reads.end(), c.op) == reads.end();
    });
}

TEST(WriteUndo, AStoreOfFiveFieldsIsPutBackFieldByField) {
    UndoBench b;
    const std::vector<ConfigurationField> before = b.EcuFields();
    WriteUndo undo;
    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kVehicle));

    b.car.RITARDO_MASSIMO_CAMBIO = 150;
    b.car.RITARDO_MINIMO_CAMBIO = 9;
    b.car.TEMPO_DI_SONDA_FREDDA = 44;
    b.car.RIF_INF_LAMBDA_FREDDA = 31;
    (void)b.car.WriteToEcu();
    b.param.SetGain(3, ConfParam::kGainOpening, 77);
    ASSERT_EQ(b.ecu.Value(0), 150);
    ASSERT_NE(b.EcuFields(), before);

    std::vector<int> steps;
    EXPECT_FALSE(undo.Undo(b.model, [&](int step) { steps.push_back(step); }));
    EXPECT_EQ(b.EcuFields(), before);
    EXPECT_NE(b.car.RITARDO_MASSIMO_CAMBIO, 150);  // the model holds the old values again
    int total = 0;
    for (int s : steps) total += s;
    EXPECT_EQ(total, 100);
    EXPECT_FALSE(undo.Available(b.model));  // one undo per store
}

TEST(WriteUndo, AMapStoreIsUndoneByTheMapAloneAndKeepsTheFileNames) {
    UndoBench b;
    const std::string carName = b.car.GetFileName();
    const int32_t old = b.map.GetCell(4, 7);
    WriteUndo undo;
    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kMap));
    b.map.SetCell(4, 7, old + 100, false);
    (void)b.map.WriteToEcu(50);
    ASSERT_EQ(b.ecu.Value(50, 4 * 20 + 7), old + 100);

    b.ecu.ClearRequests();
    EXPECT_FALSE(undo.Undo(b.model));
    EXPECT_EQ(b.ecu.Value(50, 4 * 20 + 7), old);
    EXPECT_EQ(b.map.GetCell(4, 7), old);
    EXPECT_TRUE(Wrote(b.ecu, 50));
    EXPECT_FALSE(Wrote(b.ecu, 0));  // the vehicle configuration was not part of it
    EXPECT_FALSE(Wrote(b.ecu, 39));
    EXPECT_EQ(b.car.GetFileName(), carName);
}

TEST(WriteUndo, NothingHeldSendsNothing) {
    UndoBench b;
    WriteUndo undo;
    b.ecu.ClearRequests();
    EXPECT_TRUE(undo.Undo(b.model));
    EXPECT_TRUE(Commands(b.ecu).empty());

    // A store whose state cannot be held aside leaves no undo behind, not even an older one:
    // that one no longer describes the ECU.
    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kVehicle));
    ScratchDir runtime;
    std::ofstream(runtime.File("zovqbr")) << "not a folder";
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    const bool remembered = undo.Remember(b.model, WriteUndo::kVehicle);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_FALSE(remembered);
    EXPECT_FALSE(undo.Available(b.model));
    b.ecu.ClearRequests();
    EXPECT_TRUE(undo.Undo(b.model));
    EXPECT_TRUE(Commands(b.ecu).empty());
}

TEST(WriteUndo, ANewReadOrLoadOfTheModelEndsIt) {
    UndoBench b;
    WriteUndo undo;
    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kVehicle));
    EXPECT_TRUE(undo.Available(b.model));
    b.model.ReadFromEcu();
    EXPECT_FALSE(undo.Available(b.model));
    b.ecu.ClearRequests();
    EXPECT_TRUE(undo.Undo(b.model));
    EXPECT_TRUE(Commands(b.ecu).empty());

    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kVehicle));
    ScratchDir dir;
    ASSERT_TRUE(b.model.WriteDefinitionFiles(ConfigurationModel::DefinitionFiles::In(dir.Path())));
    ASSERT_TRUE(b.model.TakeDefinitionFiles(ConfigurationModel::DefinitionFiles::In(dir.Path())).Loaded());
    EXPECT_FALSE(undo.Available(b.model));
    // A refused load leaves the model as it was, and the undo with it.
    ASSERT_TRUE(undo.Remember(b.model, WriteUndo::kVehicle));
    EXPECT_FALSE(
        b.model.TakeDefinitionFiles(ConfigurationModel::DefinitionFiles::In(dir.File("none"))).Loaded());
    EXPECT_TRUE(undo.Available(b.model));
}

}  // namespace
}  // namespace zov::testing
