#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

// The order in which the main window loads the maps on connection.
const int kLoadOrder[] = {111, 105, 50, 81, 82, 83, 84, 85, 131, 132, 133};

void LoadAll(ConfMap& map) {
    for (int var : kLoadOrder) map.ReadFromEcu(var);
}

TEST(MapEcuRead, LoadSequenceFetchesEveryGroupWithItsOwnCommand) {
    ModelBench b;
    b.ecu.SetValue(50, 5 * 20 + 7, 612);
    b.ecu.SetValue(82, 0, 9);
    b.map.SetCellModified(5, 7, 1);

    LoadAll(b.map);

    std::vector<Command> expected = {{0x21, 111, -1}, {0x21, 105, -1}};
    for (int r = 0; r < 16; ++r) expected.push_back({0x65, 50, r});
    for (int v = 81; v <= 85; ++v) expected.push_back({0x01, v, -1});
    for (int r = 0; r < 12; ++r) expected.push_back({0x65, 131, r});
    expected.push_back({0x21, 132, -1});
    expected.push_back({0x21, 133, -1});
    EXPECT_EQ(Commands(b.ecu), expected);

    const ConfMap& m = b.map;
    for (int i = 0; i < 20; ++i) EXPECT_EQ(m.CG[i], b.ecu.Value(111, i));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.CM[i], b.ecu.Value(105, i));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(m.CL[r][c], b.ecu.Value(50, r * 20 + c));
    EXPECT_EQ(m.GetCell(5, 7), 612);
    EXPECT_EQ(m.IsCellModified(5, 7), 0);
    EXPECT_EQ(m.RAGGIO_INTORNO_MAP, 9);
    EXPECT_EQ(m.MAX_TEMPO_FUORI_INTORNO, 25);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) ASSERT_EQ(m.MB[r][c], b.ecu.Value(131, r * 12 + c));
    EXPECT_EQ(m.GetCellB(1, 2), 4 * (200 + 40 + 30));
    EXPECT_TRUE(m.mapBPresent);
    EXPECT_TRUE(m.mapBComplete);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(m.CGB[i], b.ecu.Value(133, i));
        EXPECT_EQ(m.CMB[i], b.ecu.Value(132, i));
    }
}

TEST(MapEcuRead, SpeedAxisComesFromThePeriodsUpToTheFirstZero) {
    ModelBench b;
    std::vector<int32_t> periods(20);
    for (int i = 0; i < 20; ++i) periods[size_t(i)] = 7500000 / (700 + 300 * (19 - i));
    periods[3] = 0;
    b.ecu.SetValues(111, periods);
    b.map.ReadFromEcu(111);
    // Columns 19..17 come from CG_0..2; the rest keep the default axis.
    EXPECT_EQ(b.map.GetRpm(19), 7500000 / periods[0]);
    EXPECT_EQ(b.map.GetRpm(18), 7500000 / periods[1]);
    EXPECT_EQ(b.map.GetRpm(17), 7500000 / periods[2]);
    EXPECT_EQ(b.map.GetRpm(16), 4850);
    EXPECT_EQ(b.map.GetRpm(0), 450);
}

TEST(MapEcuRead, MissingMapBReadsOneRowAndLeavesItIncomplete) {
    ModelBench b(EcuWithVersion(200, /*mapB=*/false));
    b.map.SetCellB(4, 4, 800);
    b.map.ReadFromEcu(131);
    EXPECT_EQ(Commands(b.ecu), (std::vector<Command>{{0x65, 131, 0}}));
    EXPECT_FALSE(b.map.mapBPresent);
    EXPECT_FALSE(b.map.mapBComplete);
    EXPECT_EQ(b.map.GetCellB(4, 4), 0);  // cleared before the read

    // Incomplete map B: its axes are not written back, its cells are not written at all.
    b.ecu.ClearRequests();
    (void)b.map.WriteToEcu(131);
    (void)b.map.WriteToEcu(132);
    (void)b.map.WriteToEcu(133);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(MapEcuRead, MapBNeedsVersion200AndASession) {
    struct Case {
        int version;
        bool connect;
    } cases[] = {{199, true}, {150, true}, {200, false}};
    for (const Case& c : cases) {
        ModelBench b(EcuWithVersion(c.version), c.connect);
        b.car.VERSIONE_CENTRALINA = c.version;
        b.map.mapBPresent = 1;
        b.map.mapBComplete = 1;
        const int32_t cgb = b.map.CGB[0];
        for (int var : {131, 132, 133}) b.map.ReadFromEcu(var);
        EXPECT_TRUE(b.ecu.Requests().empty()) << c.version;
        EXPECT_FALSE(b.map.mapBPresent);
        EXPECT_FALSE(b.map.mapBComplete);
        EXPECT_EQ(b.map.CGB[0], cgb);
    }
}

TEST(MapEcuRead, AllZeroMapBIsCompleteButNotPresent) {
    ModelBench b;
    b.ecu.SetValues(131, std::vector<int32_t>(144, 0));
    b.map.ReadFromEcu(131);
    EXPECT_TRUE(b.map.mapBComplete);
    EXPECT_FALSE(b.map.mapBPresent);
}

TEST(MapEcuRead, RefusedOrUnreachableVariablesKeepTheModelsValues) {
    sim::EcuConfig config;
    config.faults.refused = {83, 105};
    ModelBench b(config);
    b.ecu.SetValue(84, 0, 9);
    b.map.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE = 6;
    b.map.CM[0] = 77;
    for (int var : {83, 84, 105}) b.map.ReadFromEcu(var);
    EXPECT_EQ(b.map.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, 6);
    EXPECT_EQ(b.map.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, 9);
    EXPECT_EQ(b.map.CM[0], 77);

    ModelBench offline({}, false);
    offline.map.MAX_TEMPO_FUORI_INTORNO = 321;
    EXPECT_EQ(offline.map.ReadFromEcu(85), 0);
    EXPECT_EQ(offline.map.MAX_TEMPO_FUORI_INTORNO, 321);
}

TEST(MapEcuWrite, EveryGroupReachesTheEcu) {
    ModelBench b;
    LoadAll(b.map);  // map B complete, so its axes may be written
    for (int c = 0; c < 20; ++c) b.map.SetRpm(c, 500 + 300 * c);
    for (int r = 0; r < 16; ++r) b.map.SetMap(r, 20 + 25 * r);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) b.map.SetCell(r, c, r * 40 + c, false);
    b.map.RAGGIO_INTORNO_GIRI = 70;
    b.map.RAGGIO_INTORNO_MAP = 3;
    b.map.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE = 5;
    b.map.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE = 6;
    b.map.MAX_TEMPO_FUORI_INTORNO = 40;
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) b.map.MB[r][c] = 1000 + r * 12 + c;
    for (int i = 0; i < 12; ++i) b.map.CGB[i] = 600 + i, b.map.CMB[i] = 10 + i;
    b.ecu.ClearRequests();

    for (int var : kLoadOrder) (void)b.map.WriteToEcu(var);

    for (int i = 0; i < 20; ++i) EXPECT_EQ(b.ecu.Value(111, i), b.map.CG[i]);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(b.ecu.Value(105, i), b.map.CM[i]);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(b.ecu.Value(50, r * 20 + c), r * 40 + c);
    EXPECT_EQ(b.ecu.Value(81), 70);
    EXPECT_EQ(b.ecu.Value(82), 3);
    EXPECT_EQ(b.ecu.Value(83), 5);
    EXPECT_EQ(b.ecu.Value(84), 6);
    EXPECT_EQ(b.ecu.Value(85), 40);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) ASSERT_EQ(b.ecu.Value(131, r * 12 + c), 1000 + r * 12 + c);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(b.ecu.Value(133, i), 600 + i);
        EXPECT_EQ(b.ecu.Value(132, i), 10 + i);
    }
    const std::vector<int> vars = Vars(b.ecu);
    EXPECT_EQ(vars.size(), 1u + 1u + 16u + 5u + 12u + 1u + 1u);
}

TEST(MapEcuWrite, LearningSettingsBeyondAByteGoAsTheLargestByte) {
    ModelBench b;
    ASSERT_EQ(b.map.MAX_TEMPO_FUORI_INTORNO, 500) << "the default does not fit the ECU's byte";
    b.map.RAGGIO_INTORNO_GIRI = -3;
    (void)b.map.WriteToEcu(85);
    (void)b.map.WriteToEcu(81);
    EXPECT_EQ(b.ecu.Value(85), 255) << "not 500 wrapped to 244";
    EXPECT_EQ(b.ecu.Value(81), 0);
}

TEST(MapEcuWrite, MapBGroupsFollowPresenceCompletenessAndVersion) {
    struct Case {
        int version;
        bool present, complete;
        size_t rows131, writes132, writes133;
    } cases[] = {
        {200, true, true, 12, 1, 1},
        {200, true, false, 12, 0, 0},
        {200, false, true, 0, 1, 1},
        {199, true, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ModelBench b(EcuWithVersion(std::max(c.version, 200)));
        b.car.VERSIONE_CENTRALINA = c.version;
        b.map.mapBPresent = c.present;
        b.map.mapBComplete = c.complete;
        for (int var : {131, 132, 133}) (void)b.map.WriteToEcu(var);
        size_t n131 = 0, n132 = 0, n133 = 0;
        for (int v : Vars(b.ecu)) n131 += v == 131, n132 += v == 132, n133 += v == 133;
        EXPECT_EQ(n131, c.rows131) << c.version << c.present << c.complete;
        EXPECT_EQ(n132, c.writes132) << c.version << c.present << c.complete;
        EXPECT_EQ(n133, c.writes133) << c.version << c.present << c.complete;
    }
}

}  // namespace
}  // namespace zov::testing
