// Writes the ECU refuses or never answers: the model goes on, names what was refused, and a main
// map that did not arrive whole says which rows the ECU now holds new.
#include <gtest/gtest.h>

#include "ConfigurationModel.h"
#include "MixedMapRecord.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

TEST(WriteRefusals, ALoadGoesOnPastARefusedVariableAndNamesIt) {
    ModelBench b;
    ScratchDir dir;
    const auto files = ConfigurationModel::DefinitionFiles::In(dir.File(""));
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    model.ReadFromEcu();
    b.car.RITARDO_MASSIMO_CAMBIO = 123;
    b.car.RIF_SUP_LAMBDA_FREDDA = 44;
    b.map.CL[15][19] = 321;
    ASSERT_TRUE(model.WriteDefinitionFiles(files));
    b.ecu.MutableFaults().refused = {24};

    const ConfigurationModel::LoadOutcome outcome = model.ReadDefinitionFiles(files);

    EXPECT_TRUE(outcome.Loaded());
    EXPECT_EQ(outcome.sent, WriteOutcome::Refused);
    EXPECT_EQ(model.RefusedVariables(), std::vector<int>{24});
    EXPECT_EQ(model.RefusedVariableLines(), std::vector<std::string>{"24 (RIF_SUP_LAMBDA_FREDDA)"});
    EXPECT_EQ(RefusalConsoleLines(model.RefusedVariables()),
              std::vector<std::string>{"refused: 24 RIF_SUP_LAMBDA_FREDDA"});
    EXPECT_EQ(b.ecu.Value(0), 123) << "the writes before the refusal arrived";
    EXPECT_EQ(b.ecu.Value(50, 15 * 20 + 19), 321) << "and the ones after it";
    EXPECT_TRUE(b.link.IsConnected());
}

// The ECU's main map after a download cut after row 5, by a refusal or by the line: the rows the
// result calls new hold the new map, the others the old one; no self-adaptation reset follows, and
// the mixed-map record names the ECU with those rows until a whole map arrives.
TEST(WriteRefusals, ACutMapDownloadSaysWhichRowsTheEcuHoldsNew) {
    constexpr size_t kRowRequestBytes = 4 + 40 + 1;  // opcode, length, table, row, cells, checksum
    enum class Cut { Refusal, LineLost };
    for (Cut cut : {Cut::Refusal, Cut::LineLost}) {
        ModelBench b;
        ScratchDir dir;
        ConfigurationModel model(b.link, b.map, b.car, b.param);
        model.ReadFromEcu();
        const std::string recordPath = MixedMapRecord::PathIn(dir.File(""));
        b.map.SetMixedMapRecord(recordPath);
        const std::vector<int32_t> old = b.ecu.Values(50);
        const std::vector<int32_t> counters = b.ecu.Values(115);
        for (int r = 0; r < ConfMap::kRows; ++r)
            for (int c = 0; c < ConfMap::kCols; ++c) b.map.CL[r][c] = (old[size_t(r * 20 + c)] + 7) % 700;
        if (cut == Cut::Refusal)
            b.ecu.MutableFaults().writesBeforeRefusal[50] = 5;
        else
            b.line.LoseDevice(5 * kRowRequestBytes + 10);

        const ConfMap::NewMap sent = b.map.SendNewMap();

        const char* what = cut == Cut::Refusal ? "refusal" : "line lost";
        EXPECT_EQ(sent.Outcome(), cut == Cut::Refusal ? WriteOutcome::Refused : WriteOutcome::Lost) << what;
        EXPECT_EQ(sent.map.NewRowsText(), cut == Cut::Refusal ? "0-4" : "0-4 (5?)") << what;
        const std::vector<int> newRows = sent.map.NewRows();
        const std::vector<int32_t> now = b.ecu.Values(50);
        for (int r = 0; r < ConfMap::kRows; ++r) {
            const bool isNew = std::find(newRows.begin(), newRows.end(), r) != newRows.end();
            for (int c = 0; c < ConfMap::kCols; ++c) {
                const size_t at = size_t(r * 20 + c);
                if (r == sent.map.LostRow()) continue;  // said to hold either
                EXPECT_EQ(now[at], isNew ? b.map.CL[r][c] : old[at]) << what << " row " << r << " col " << c;
            }
        }
        EXPECT_EQ(b.ecu.Values(115), counters) << what << ": no self-adaptation reset";
        EXPECT_EQ(MixedMapRecord(recordPath).Of(b.car), sent.map.NewRowsText()) << what;
    }
}

TEST(WriteRefusals, AWholeMapClearsTheMixedMapRecord) {
    ModelBench b;
    ScratchDir dir;
    ConfigurationModel model(b.link, b.map, b.car, b.param);
    model.ReadFromEcu();
    const std::string recordPath = MixedMapRecord::PathIn(dir.File(""));
    b.map.SetMixedMapRecord(recordPath);
    b.ecu.MutableFaults().writesBeforeRefusal[50] = 3;
    EXPECT_EQ(b.map.SendNewMap().Outcome(), WriteOutcome::Refused);
    ASSERT_EQ(MixedMapRecord(recordPath).Of(b.car), "0-2");
    b.ecu.MutableFaults().writesBeforeRefusal.clear();
    b.car.PASSI_FATTI_AUTOMATICI[0] = 9;

    EXPECT_EQ(b.map.SendNewMap().Outcome(), WriteOutcome::Answered);

    EXPECT_FALSE(MixedMapRecord(recordPath).Of(b.car).has_value());
    EXPECT_EQ(b.ecu.Value(115, 0), 0) << "a whole map is followed by the reset";
    EXPECT_EQ(RowList({0, 1, 2, 5, 7, 8}), "0-2, 5, 7-8");
}

}  // namespace
}  // namespace zov::testing
