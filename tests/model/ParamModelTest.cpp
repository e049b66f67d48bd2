#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

TEST(ParamDefaults, LayoutFollowsTheVersionAtConstruction) {
    ModelBench b({}, false);  // the vehicle configuration starts at version 200
    const ConfParam& p = b.param;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(p.APRG[i], i < 5 ? 15 : 5) << i;
        EXPECT_EQ(p.CHSG[i], i < 5 ? 15 : 5) << i;
        EXPECT_EQ(p.PRGS[i], i < 16 ? 33 : 49) << i;
        EXPECT_EQ(p.PRGI[i], 0) << i;
        EXPECT_EQ(p.GetGain(i, 5), i < 16 ? 2 : 3) << i;
        EXPECT_EQ(p.GetGain(i, 6), 1) << i;
    }
    const int32_t ctg[] = {2083, 2343, 2678, 3125, 3750, 4687, 6250, 9375};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p.CTG[i], ctg[i]) << i;
        EXPECT_EQ(p.GetRpmCentre(i), 800 + 400 * i) << i;
        EXPECT_EQ(p.GetCumuloCentre(i), 8 + 16 * i) << i;
        EXPECT_EQ(p.DEC[i], 7) << i;
    }
    EXPECT_EQ(p.GetScalar(44), 128);
    EXPECT_EQ(p.IdleRpmBands(), 0);
    EXPECT_EQ(p.IdleCumuloBands(), 8);

    ConfCar oldCar(b.link, "fileh0.h", b.prompter);
    oldCar.VERSIONE_CENTRALINA = 150;
    ConfParam old(b.link, oldCar, "filepar0.dat", b.prompter);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(old.PRGI[i], i < 16 ? 2 : 3) << i;
        EXPECT_EQ(old.PRGS[i], 1) << i;
    }
}

TEST(ParamGains, PackedLayoutFromVersion200) {
    ModelBench b;
    ConfParam& p = b.param;
    p.PRGS[3] = 0x21;
    struct Case {
        int kind;
        int32_t x, packed, gain;
    } cases[] = {
        {5, 20, 0xF1, 15},  // too big: 15 in the high nibble, low nibble kept
        {6, 9, 0xF9, 9},   {5, 4, 0x49, 4}, {6, -3, 0x4D, 13},  // negative: its low four bits
        {6, 16, 0x4F, 15},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(p.SetGain(3, c.kind, c.x), 1);
        EXPECT_EQ(p.PRGS[3], c.packed) << c.kind << " " << c.x;
        EXPECT_EQ(p.GetGain(3, c.kind), c.gain);
        EXPECT_EQ(b.ecu.Value(100, 3), c.packed);
    }
    EXPECT_EQ(Commands(b.ecu).front(), (Command{0x0A, 100, 3}));
    EXPECT_EQ(p.PRGI[3], 0);
}

TEST(ParamGains, SeparateArraysBeforeVersion200) {
    ModelBench b(EcuWithVersion(150));
    b.car.VERSIONE_CENTRALINA = 150;
    ConfParam& p = b.param;
    p.SetGain(7, 5, 0x1FE);
    p.SetGain(7, 6, 40);
    EXPECT_EQ(p.PRGI[7], 0xFE);
    EXPECT_EQ(p.PRGS[7], 40);
    EXPECT_EQ(p.GetGain(7, 5), 0xFE);
    EXPECT_EQ(p.GetGain(7, 6), 40);
    EXPECT_EQ(b.ecu.Value(101, 7), 0xFE);
    EXPECT_EQ(b.ecu.Value(100, 7), 40);
}

TEST(ParamGains, OtherColumnsAndKindsAreIgnored) {
    ModelBench b;
    for (auto [i, kind] : {std::pair{20, 5}, {-1, 6}, {3, 4}, {3, 7}}) {
        EXPECT_EQ(b.param.SetGain(i, kind, 3), 0);
        EXPECT_EQ(b.param.GetGain(i, kind), 0);
    }
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_EQ(b.param.PRGS[3], 33);
}

TEST(ParamEnrichment, ClampsByVersionAndWritesTheCell) {
    struct Case {
        int version;
        int32_t x, stored, ecu;  // ecu: the signed byte the ECU then holds
    } cases[] = {
        {200, 200, 127, 127},       {200, -200, -127, -127}, {200, -5, -5, -5},
        {150, 200, 200, 200 - 256}, {150, -5, 0, 0},         {150, 300, 255, -1},
    };
    for (const Case& c : cases) {
        ModelBench b(EcuWithVersion(c.version));
        b.car.VERSIONE_CENTRALINA = c.version;
        EXPECT_EQ(b.param.SetEnrichment(2, 6, c.x), 1);
        EXPECT_EQ(b.param.GetEnrichment(2, 6), c.stored) << c.version << " " << c.x;
        EXPECT_EQ(b.ecu.Value(51, 2 * 8 + 6), c.ecu) << c.version << " " << c.x;
        EXPECT_EQ(Commands(b.ecu), (std::vector<Command>{{0x0E, 51, 2}}));
    }
    ModelBench b;
    EXPECT_EQ(b.param.SetEnrichment(8, 0, 1), -1);
    EXPECT_EQ(b.param.SetEnrichment(0, -1, 1), -1);
    EXPECT_EQ(b.param.GetEnrichment(0, 8), -1);
    EXPECT_EQ(b.param.GetRpmCentre(8), -1);
    EXPECT_EQ(b.param.GetCumuloCentre(-1), -1);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(ParamScalars, HandledVariablesAndTheirVersionGates) {
    struct Case {
        int var;
        int version;
        int32_t x, stored;
        bool sent;
    } cases[] = {
        {17, 4, 200, -56, true},    {17, 3, -2, -2, false}, {44, 10, 0x35, 0x35, true},
        {44, 9, 0x35, 0x35, false}, {54, 200, 6, 6, true},  {60, 9, 12, 12, false},
    };
    for (const Case& c : cases) {
        ModelBench b(EcuWithVersion(c.version));
        b.car.VERSIONE_CENTRALINA = c.version;
        EXPECT_EQ(b.param.SetScalar(c.var, c.x), -1);
        EXPECT_EQ(b.param.GetScalar(c.var), c.stored) << c.var << " v" << c.version;
        EXPECT_EQ(b.ecu.Requests().size(), c.sent ? 1u : 0u) << c.var << " v" << c.version;
        if (c.sent) {
            EXPECT_EQ(b.ecu.Value(c.var), c.stored);
        }
    }
    ModelBench b;
    EXPECT_EQ(b.param.GetScalar(45), -1);
    EXPECT_EQ(b.param.SetScalar(45, 1), 0);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(ParamCentres, CheckCentresWarnsAboutTheFirstBadList) {
    struct Case {
        const char* what;
        int rpmIndex;  // -1: leave
        int32_t rpm;
        int cumuloIndex;
        int32_t cumulo;
        int result;
        const char* text;
    } cases[] = {
        {"defaults", -1, 0, -1, 0, 1, nullptr},
        {"equal speeds", 4, 2000, -1, 0, 0, ConfParam::kRpmCentresMessage},
        {"falling speeds", 7, 100, 0, 200, 0, ConfParam::kRpmCentresMessage},
        {"falling accumulation", -1, 0, 3, 30, 0, ConfParam::kCumuloCentresMessage},
        // Compared unsigned: a negative last centre counts as the largest.
        {"negative last speed", 7, -1, -1, 0, 1, nullptr},
        {"negative first speed", 0, -1, -1, 0, 0, ConfParam::kRpmCentresMessage},
    };
    for (const Case& c : cases) {
        ModelBench b({}, false);
        if (c.rpmIndex >= 0) b.param.CENTRI_GIRI_TPS[c.rpmIndex] = c.rpm;
        if (c.cumuloIndex >= 0) b.param.CTC[c.cumuloIndex] = c.cumulo;
        EXPECT_EQ(b.param.CheckCentres(), c.result) << c.what;
        if (!c.text) {
            EXPECT_TRUE(b.prompter.shown.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(b.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(b.prompter.shown[0].text, c.text);
        EXPECT_EQ(b.prompter.shown[0].caption, "Provedere a ripristinare valori corretti");
    }
}

// The order in which the main window loads the parameters on connection.
const int kLoadOrder[] = {103, 102, 101, 100, 110, 106, 107, 51, 17, 54, 44, 60};

TEST(ParamEcu, LoadSequenceAtVersion200SkipsTheOldOpeningGains) {
    ModelBench b;
    b.ecu.SetValue(44, 0, 0x52);
    b.ecu.SetValue(17, 0, -3);
    b.ecu.SetValue(54, 0, 6);
    b.ecu.SetValue(60, 0, 9);
    b.ecu.SetValues(110, {1875, 2142, 2500, 3000, 3750, 5000, 7500, 15000});
    for (int var : kLoadOrder) b.param.ReadFromEcu(var);

    std::vector<Command> expected = {{0x21, 103, -1}, {0x21, 102, -1}, {0x21, 100, -1},
                                     {0x21, 110, -1}, {0x21, 106, -1}, {0x21, 107, -1}};
    for (int r = 0; r < 8; ++r) expected.push_back({0x65, 51, r});
    for (int v : {17, 54, 44, 60}) expected.push_back({0x01, v, -1});
    EXPECT_EQ(Commands(b.ecu), expected);

    const ConfParam& p = b.param;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(p.APRG[i], b.ecu.Value(103, i));
        EXPECT_EQ(p.CHSG[i], b.ecu.Value(102, i));
        EXPECT_EQ(p.PRGS[i], b.ecu.Value(100, i));
    }
    const int32_t rpm[] = {500, 1000, 1500, 2000, 2500, 3000, 3501, 4000};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p.GetRpmCentre(i), rpm[i]) << i;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) ASSERT_EQ(p.GetEnrichment(r, c), 2 * r - c);
    EXPECT_EQ(p.VARIABILE_17, -3);
    EXPECT_EQ(p.GetScalar(44), 0x52);
    EXPECT_EQ(p.DEF_PASSI_ARRICCHIMENTO_MINIMO, 6);
    EXPECT_EQ(p.DEF_TEMPO_SOVRAPPRESSIONE, 9);
}

TEST(ParamEcu, OldEcusDeliverTheOpeningGainsSeparately) {
    ModelBench b(EcuWithVersion(150));
    b.car.VERSIONE_CENTRALINA = 150;
    b.param.ReadFromEcu(101);
    b.param.ReadFromEcu(100);
    EXPECT_EQ(Vars(b.ecu), (std::vector<int>{101, 100}));
    EXPECT_EQ(b.param.GetGain(19, 5), 3);
    EXPECT_EQ(b.param.GetGain(0, 5), 2);
    EXPECT_EQ(b.param.GetGain(0, 6), 1);
}

TEST(ParamEcu, RefusedScalarsKeepTheModelsValues) {
    ModelBench b(EcuWithVersion(9));  // 44, 54 and 60 came with version 10
    b.car.VERSIONE_CENTRALINA = 9;
    b.param.VARIABILE_44 = 0x31;
    b.param.DEF_TEMPO_SOVRAPPRESSIONE = 4;
    for (int var : {44, 54, 60}) b.param.ReadFromEcu(var);
    EXPECT_EQ(b.param.VARIABILE_44, 0x31);
    EXPECT_EQ(b.param.DEF_TEMPO_SOVRAPPRESSIONE, 4);
    EXPECT_EQ(b.ecu.Requests().size(), 3u);
}

TEST(ParamEcu, EveryGroupIsWrittenWithItsOwnCommand) {
    ModelBench b;
    ConfParam& p = b.param;
    for (int i = 0; i < 20; ++i) p.APRG[i] = 30 + i, p.CHSG[i] = 60 + i, p.PRGS[i] = 0x12 + i;
    for (int i = 0; i < 8; ++i) p.CTG[i] = 2000 + i, p.CTC[i] = 10 + i, p.DEC[i] = 3 + i;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) p.CT[r][c] = c - r;
    p.VARIABILE_17 = -7;
    p.VARIABILE_44 = 0x63;
    p.DEF_PASSI_ARRICCHIMENTO_MINIMO = 11;
    p.DEF_TEMPO_SOVRAPPRESSIONE = 13;
    for (int var : kLoadOrder) (void)p.WriteToEcu(var);

    std::vector<Command> got = Commands(b.ecu);
    for (Command& c : got)
        if (c.op == 0x3E) c.arg = -1;
    std::vector<Command> expected = {{0x3E, 103, -1}, {0x3E, 102, -1}, {0x3E, 100, -1},
                                     {0x3E, 110, -1}, {0x3E, 106, -1}, {0x3E, 107, -1}};
    for (int r = 0; r < 8; ++r) expected.push_back({0x7E, 51, r});
    // A byte scalar travels as opcode, variable, value.
    for (auto [v, x] : {std::pair{17, 0xF9}, {54, 11}, {44, 0x63}, {60, 13}})
        expected.push_back({0x06, v, x});
    EXPECT_EQ(got, expected);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(b.ecu.Value(103, i), 30 + i);
        EXPECT_EQ(b.ecu.Value(102, i), 60 + i);
        EXPECT_EQ(b.ecu.Value(100, i), 0x12 + i);
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(b.ecu.Value(110, i), 2000 + i);
        EXPECT_EQ(b.ecu.Value(106, i), 10 + i);
        EXPECT_EQ(b.ecu.Value(107, i), 3 + i);
    }
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) ASSERT_EQ(b.ecu.Value(51, r * 8 + c), c - r);
    EXPECT_EQ(b.ecu.Value(17), -7);
    EXPECT_EQ(b.ecu.Value(44), 0x63);
    EXPECT_EQ(b.ecu.Value(54), 11);
    EXPECT_EQ(b.ecu.Value(60), 13);
}

}  // namespace
}  // namespace zov::testing
