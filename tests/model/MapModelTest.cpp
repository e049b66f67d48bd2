#include <gtest/gtest.h>

#include <cstdint>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

TEST(MapDefaults, AxesAndLearningParameters) {
    ModelBench b({}, false);
    const ConfMap& m = b.map;
    EXPECT_EQ(m.GetRpm(0), 450);
    EXPECT_EQ(m.GetRpm(19), 6500);
    EXPECT_EQ(m.CG[0], 1153);
    EXPECT_EQ(m.CG[19], 16666);
    EXPECT_EQ(m.CM[0], 9);
    for (int c = 0; c < ConfMap::kCols; ++c) EXPECT_EQ(m.CG[19 - c], 7500000 / ConfMap::kDefaultRpm[c]) << c;
    // The pressure axis survives the trip through volt bytes.
    for (int r = 0; r < ConfMap::kRows; ++r) EXPECT_EQ(m.GetMap(r), ConfMap::kDefaultMap[r]) << r;
    // Map B's axes: 500 .. 6000 rpm as periods, highest first; the trip through periods and
    // volt bytes loses a little.
    for (int i = 0; i < ConfMap::kColsB; ++i) {
        EXPECT_EQ(m.CGB[11 - i], 7500000 / (500 * (i + 1))) << i;
        EXPECT_NEAR(m.GetRpmB(i), 500 * (i + 1), 2) << i;
        EXPECT_NEAR(m.GetMapB(i), ConfMap::kDefaultMapB[i], 1) << i;
    }
    EXPECT_EQ(m.CMB[0], 9);
    EXPECT_EQ(m.CMB[11], 95);
    EXPECT_EQ(m.GetRpm(20), 0);
    EXPECT_EQ(m.GetMap(16), 0);
    EXPECT_EQ(m.GetRpmB(12), 0);
    EXPECT_EQ(m.RAGGIO_INTORNO_GIRI, 50);
    EXPECT_EQ(m.RAGGIO_INTORNO_MAP, 2);
    EXPECT_EQ(m.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, 2);
    EXPECT_EQ(m.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, 4);
    EXPECT_EQ(m.MAX_TEMPO_FUORI_INTORNO, 500);
    EXPECT_EQ(m.mappingPhase, 1);
    EXPECT_FALSE(m.mapBPresent);
}

TEST(MapCells, SetCellClampsAndIgnoresOutsideIndexes) {
    ModelBench b({}, false);
    struct Case {
        int row, col;
        int32_t x, stored;
    } cases[] = {{3, 4, 1000, 720}, {3, 4, -2, 0}, {0, 0, 720, 720}, {15, 19, 355, 355}};
    for (const Case& c : cases) {
        EXPECT_EQ(b.map.SetCell(c.row, c.col, c.x, false), c.stored);
        EXPECT_EQ(b.map.GetCell(c.row, c.col), c.stored);
    }
    for (auto [row, col] : {std::pair{16, 0}, {-1, 0}, {0, 20}, {0, -1}}) {
        EXPECT_EQ(b.map.SetCell(row, col, 100, false), 0);
        EXPECT_EQ(b.map.GetCell(row, col), 0);
        b.map.SetCellModified(row, col, 1);
        EXPECT_EQ(b.map.IsCellModified(row, col), 0);
        b.map.SetCellMark(row, col, 7);
        EXPECT_EQ(b.map.GetCellMark(row, col), 0);
    }
    b.map.SetCellModified(2, 3, 1);
    EXPECT_EQ(b.map.IsCellModified(2, 3), 1);
}

TEST(MapCells, SetCellWithSendWritesTheClampedCell) {
    ModelBench b;
    EXPECT_EQ(b.map.SetCell(3, 4, 900, true), 1);
    EXPECT_EQ(b.ecu.Value(50, 3 * 20 + 4), 720);
    ASSERT_EQ(b.ecu.Requests().size(), 1u);
    const std::vector<uint8_t> expected = {0x12, 50, 3, 4, 720 & 0xFF, 720 >> 8};
    const std::vector<uint8_t>& r = b.ecu.Requests()[0].request;
    EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.end() - 1), expected);
}

TEST(MapAxes, SetRpmAndSetMapKeepBothFormsInStep) {
    ModelBench b({}, false);
    b.map.SetRpm(5, 1200);
    EXPECT_EQ(b.map.ASSE_GIRI[5], 1200);
    EXPECT_EQ(b.map.CG[14], 6250);
    b.map.SetRpm(0, 0);
    EXPECT_EQ(b.map.CG[19], 0);
    b.map.SetRpm(20, 999);  // ignored
    EXPECT_EQ(b.map.CG[0], 1153);

    struct Case {
        int32_t hundredths, byte;
    } cases[] = {{18, 9}, {500, 255}, {0, 0}, {100, 51}, {600, 255}, {-40, 0}};
    for (const Case& c : cases) {
        b.map.SetMap(7, c.hundredths);
        EXPECT_EQ(b.map.CM[7], c.byte) << c.hundredths;
    }
}

TEST(MapB, SetCellBStoresQuartersAndMarksPresence) {
    ModelBench b({}, false);
    struct Case {
        int32_t x, stored, read;
    } cases[] = {{30001, 6250, 25000}, {25000, 6250, 25000}, {3, 0, 0}, {1001, 250, 1000}, {-8, 0, 0}};
    for (const Case& c : cases) {
        b.map.SetCellB(0, 0, c.x);
        EXPECT_EQ(b.map.MB[0][0], c.stored) << c.x;
        EXPECT_EQ(b.map.GetCellB(0, 0), c.read) << c.x;
    }
    EXPECT_TRUE(b.map.mapBPresent);  // set by the first non-zero value, never cleared here

    ModelBench fresh({}, false);
    fresh.map.SetCellB(1, 1, 0);
    EXPECT_FALSE(fresh.map.mapBPresent);
    fresh.map.SetCellB(1, 1, 3);  // stores 0 but was asked for a value
    EXPECT_TRUE(fresh.map.mapBPresent);
    EXPECT_EQ(fresh.map.SetCellB(12, 0, 100), 0);
    EXPECT_EQ(fresh.map.GetCellB(0, 12), 0);
}

TEST(MapB, SetCellBSendsOnlyAboveVersion200) {
    struct Case {
        int version;
        bool sent;
    } cases[] = {{201, true}, {200, false}, {150, false}};
    for (const Case& c : cases) {
        ModelBench b(EcuWithVersion(std::max(c.version, 200)));
        b.car.VERSIONE_CENTRALINA = c.version;
        b.map.SetCellB(2, 3, 4000);
        EXPECT_EQ(b.ecu.Requests().size(), c.sent ? 1u : 0u) << c.version;
        EXPECT_EQ(b.ecu.Value(131, 2 * 12 + 3), c.sent ? 1000 : 200 + 40 * 2 + 15 * 3) << c.version;
    }
}

TEST(MapGeometry, ColumnAndRowOfAnOperatingPoint) {
    ModelBench b({}, false);
    struct ColCase {
        int32_t rpm;
        int col;
    } cols[] = {{-5, 0},  {0, 0},     {1, 0},     {500, 0},   {501, 1},    {600, 1},
                {601, 2}, {6199, 18}, {6200, 18}, {6201, 19}, {100000, 19}};
    for (const ColCase& c : cols) EXPECT_EQ(b.map.ColumnOfRpm(c.rpm), c.col) << c.rpm;
    // Row boundaries are the midpoints of GetMap: (18 + 29) / 2 = 23, (178 + 186) / 2 = 182.
    struct RowCase {
        int32_t map;
        int row;
    } rows[] = {{0, 0}, {23, 0}, {24, 1}, {182, 14}, {183, 15}, {500, 15}};
    for (const RowCase& c : rows) EXPECT_EQ(b.map.RowOfMap(c.map), c.row) << c.map;
    EXPECT_EQ(b.map.ColumnBoundary(20), (5900 + 6500) / 2 + 1000);
    EXPECT_EQ(b.map.RowBoundary(16), 182 + 100);
}

TEST(MapZones, FindZoneFollowsTheTableAndThePhase) {
    ModelBench b({}, false);
    bool acquired = true;
    int zone = -1;
    struct Case {
        int row, col, zone;  // -1: none
    } cases[] = {{2, 1, 0},  {8, 4, 0},  {9, 4, -1},  {3, 7, 1},    {2, 13, 2}, {10, 12, 3}, {5, 16, 4},
                 {15, 1, 5}, {12, 9, 6}, {11, 18, 7}, {11, 14, -1}, {0, 0, -1}, {1, 1, -1}};
    b.map.mappingPhase = 3;
    for (const Case& c : cases) {
        const bool found = b.map.FindZone(c.row, c.col, acquired, zone);
        EXPECT_EQ(found, c.zone >= 0) << c.row << "," << c.col;
        if (found) {
            EXPECT_EQ(zone, c.zone);
            EXPECT_FALSE(acquired);
        }
    }
    // Zones of level 3 take no part above phase 3.
    b.map.mappingPhase = 4;
    EXPECT_FALSE(b.map.FindZone(2, 1, acquired, zone));
}

TEST(MapZones, AllZonesAcquiredCountsOnlyZonesUpToThePhase) {
    ModelBench b({}, false);
    EXPECT_TRUE(b.map.AllZonesAcquired());  // phase 1: no zone of level 3 counts
    b.map.mappingPhase = 3;
    EXPECT_FALSE(b.map.AllZonesAcquired());
    for (int z = 0; z < ConfMap::kZoneCount; ++z) {
        EXPECT_FALSE(b.map.AllZonesAcquired()) << z;
        const ConfMap::Zone& t = ConfMap::kZones[z];
        // A point right in the middle of the zone.
        const int row = (t.rowFrom + t.rowTo) / 2, col = (t.colFrom + t.colTo) / 2;
        b.map.AddMappingPoint(b.map.GetRpm(col), b.map.GetMap(row), 100, 0);
    }
    EXPECT_TRUE(b.map.AllZonesAcquired());
    b.map.ClearMappingPoints();
    EXPECT_FALSE(b.map.AllZonesAcquired());
}

TEST(MapPoints, SameOperatingPointUpdatesInsteadOfAdding) {
    ModelBench b({}, false);
    // 1150 rpm / 0.18 V lies outside every zone.
    EXPECT_EQ(b.map.AddMappingPoint(1150, 18, 300, 0), 0);
    EXPECT_EQ(b.map.AddMappingPoint(1150, 18, 310, 0), 0);
    ASSERT_EQ(b.map.mappingPoints.size(), 1u);
    EXPECT_EQ(b.map.mappingPoints[0].value, 310);
    EXPECT_EQ(b.map.mappingPoints[0].id, 2);  // a new identifier on every update
    EXPECT_EQ(b.map.mappingPoints[0].zone, -1);
    EXPECT_EQ(b.map.AddMappingPoint(1150, 18, 320, 77), 0);
    EXPECT_EQ(b.map.mappingPoints[0].id, 77);
    EXPECT_TRUE(b.map.pointsChanged);
}

TEST(MapPoints, ListStaysInAscendingSpeed) {
    ModelBench b({}, false);
    b.map.AddMappingPoint(3000, 18, 1, 0);
    EXPECT_EQ(b.map.AddMappingPoint(1000, 18, 2, 0), 0);
    EXPECT_EQ(b.map.AddMappingPoint(2000, 18, 3, 0), 1);
    EXPECT_EQ(b.map.AddMappingPoint(3000, 20, 4, 0), 3);  // equal speeds keep arrival order
    std::vector<int32_t> rpms, ids;
    for (const auto& p : b.map.mappingPoints) rpms.push_back(p.rpm), ids.push_back(p.id);
    EXPECT_EQ(rpms, (std::vector<int32_t>{1000, 2000, 3000, 3000}));
    EXPECT_EQ(ids, (std::vector<int32_t>{2, 3, 1, 4}));
}

TEST(MapPoints, APointInAnAcquiredZoneMovesTheZonesPoint) {
    ModelBench b({}, false);
    b.map.mappingPhase = 3;
    b.map.AddMappingPoint(500, 18, 5, 0);  // outside the zones, stays first
    // Zone 0: rows 2..8, columns 1..4 (550..950 rpm).
    EXPECT_EQ(b.map.AddMappingPoint(950, 65, 100, 0), 1);
    EXPECT_TRUE(b.map.zoneAcquired[0]);
    const int32_t id = b.map.mappingPoints[1].id;
    // A second point of zone 0 at a lower speed: the zone's point moves there.
    EXPECT_EQ(b.map.AddMappingPoint(560, 41, 200, 0), 1);
    ASSERT_EQ(b.map.mappingPoints.size(), 2u);
    const auto& p = b.map.mappingPoints[1];
    EXPECT_EQ(p.rpm, 560);
    EXPECT_EQ(p.map, 41);
    EXPECT_EQ(p.value, 200);
    EXPECT_EQ(p.id, id);
    EXPECT_EQ(p.zone, 0);
    // The moved point took its place in the speed order.
    b.map.AddMappingPoint(3000, 18, 1, 0);
    EXPECT_EQ(b.map.AddMappingPoint(900, 90, 300, 0), 1);
    EXPECT_EQ(b.map.AddMappingPoint(700, 90, 300, 0), 1);
    for (size_t k = 1; k < b.map.mappingPoints.size(); ++k)
        EXPECT_LE(b.map.mappingPoints[k - 1].rpm, b.map.mappingPoints[k].rpm);
}

TEST(MapPoints, PhaseTwoAddsEveryPointWithoutAcquiringZones) {
    ModelBench b({}, false);
    b.map.mappingPhase = 2;
    b.map.AddMappingPoint(950, 65, 100, 0);
    b.map.AddMappingPoint(560, 41, 200, 0);
    ASSERT_EQ(b.map.mappingPoints.size(), 2u);
    EXPECT_EQ(b.map.mappingPoints[0].zone, 0);
    EXPECT_EQ(b.map.mappingPoints[1].zone, 0);
    EXPECT_FALSE(b.map.zoneAcquired[0]);
}

TEST(MapPoints, ClearStartsOver) {
    ModelBench b({}, false);
    b.map.mappingPhase = 3;
    b.map.AddMappingPoint(950, 65, 100, 0);
    b.map.AddMappingPoint(3000, 18, 100, 0);
    b.map.ClearMappingPoints();
    EXPECT_TRUE(b.map.mappingPoints.empty());
    EXPECT_FALSE(b.map.pointsChanged);
    bool acquired = true;
    int zone = -1;
    ASSERT_TRUE(b.map.FindZone(5, 2, acquired, zone));
    EXPECT_FALSE(acquired);
    b.map.AddMappingPoint(950, 65, 100, 0);
    EXPECT_EQ(b.map.mappingPoints[0].id, 1);
}

TEST(MapBackup, RestoreOnlyOnceAndNotAfterWritingTheMap) {
    ModelBench b;
    b.map.SetCell(1, 1, 100, false);
    b.map.SaveBackup();
    b.map.SetCell(1, 1, 200, false);
    b.map.RestoreBackup();
    EXPECT_EQ(b.map.GetCell(1, 1), 100);
    b.map.SetCell(1, 1, 300, false);
    b.map.RestoreBackup();  // the copy was used up
    EXPECT_EQ(b.map.GetCell(1, 1), 300);

    b.map.SaveBackup();
    b.map.SetCell(1, 1, 400, false);
    (void)b.map.WriteToEcu(50);
    EXPECT_FALSE(b.map.backupValid);
    b.map.RestoreBackup();
    EXPECT_EQ(b.map.GetCell(1, 1), 400);
    EXPECT_EQ(b.ecu.Value(50, 21), 400);
}

// A map that is linear in speed and pressure: re-gridding it must give (nearly) the same
// function on the new axes.
int32_t Plane(int32_t rpm, int32_t map) { return rpm / 20 + map; }

TEST(MapPrepare, DefaultAxesLeaveTheMapUnchangedAndEverythingIsSent) {
    ModelBench b;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) b.map.SetCell(r, c, (r * 37 + c * 11) % 721, false);
    int32_t before[16][20];
    std::copy(&b.map.CL[0][0], &b.map.CL[0][0] + 320, &before[0][0]);
    (void)b.map.PrepareMapping();
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) EXPECT_EQ(b.map.CL[r][c], before[r][c]) << r << "," << c;

    std::vector<Command> expected = {{0x3E, 105, -1}, {0x3E, 111, -1}};
    for (int r = 0; r < 16; ++r) expected.push_back({0x7E, 50, r});
    std::vector<Command> got = Commands(b.ecu);
    for (Command& c : got)
        if (c.op == 0x3E) c.arg = -1;  // the first value, not a row
    EXPECT_EQ(got, expected);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(b.ecu.Value(50, r * 20 + c), before[r][c]);
}

TEST(MapPrepare, ShiftedAxesAreRegriddedOntoTheDefaults) {
    ModelBench b({}, false);
    // Current axes: speeds 50 rpm higher, pressures one volt byte higher.
    for (int c = 0; c < 20; ++c) b.map.SetRpm(c, ConfMap::kDefaultRpm[c] + 50);
    for (int r = 0; r < 16; ++r) b.map.CM[r] += 1;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) b.map.SetCell(r, c, Plane(b.map.GetRpm(c), b.map.GetMap(r)), false);
    int32_t old[16][20];
    std::copy(&b.map.CL[0][0], &b.map.CL[0][0] + 320, &old[0][0]);

    (void)b.map.PrepareMapping();

    for (int c = 0; c < 20; ++c) EXPECT_EQ(b.map.GetRpm(c), ConfMap::kDefaultRpm[c]);
    for (int r = 0; r < 16; ++r) EXPECT_EQ(b.map.GetMap(r), ConfMap::kDefaultMap[r]);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 20; ++c) {
            const int32_t R = ConfMap::kDefaultRpm[c], M = ConfMap::kDefaultMap[r];
            if (c == 0) {
                EXPECT_EQ(b.map.CL[r][c], old[r][0]) << r;  // below the current speed axis
            } else if (r == 0) {
                EXPECT_EQ(b.map.CL[r][c], old[0][c]) << c;  // below the current pressure axis
            } else {
                EXPECT_NEAR(b.map.CL[r][c], Plane(R, M), 2) << r << "," << c;
            }
        }
    }
}

TEST(MapPrepare, RepeatedAxisPointsDoNotDivideByZero) {
    ModelBench b({}, false);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) b.map.SetCell(r, c, 10 * c + r, false);
    b.map.SetRpm(5, b.map.GetRpm(4));
    b.map.SetRpm(6, b.map.GetRpm(4));
    b.map.CM[3] = b.map.CM[2];
    (void)b.map.PrepareMapping();
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) {
            EXPECT_GE(b.map.CL[r][c], 0);
            EXPECT_LE(b.map.CL[r][c], 720);
        }
}

TEST(MapPrepare, WildValuesReadFromAnEcuStayInRange) {
    ModelBench b({}, false);
    // Whole words in the cells and a speed axis stretched to the largest periods' speeds.
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) b.map.CL[r][c] = (r + c) % 2 ? 65535 : 0;
    for (int c = 0; c < 20; ++c) b.map.ASSE_GIRI[c] = 1 + c * 390000;
    (void)b.map.PrepareMapping();
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) {
            EXPECT_GE(b.map.CL[r][c], 0);
            EXPECT_LE(b.map.CL[r][c], 720);
        }
}

}  // namespace
}  // namespace zov::testing
