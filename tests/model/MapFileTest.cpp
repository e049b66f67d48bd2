#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

// 1-based line numbers of filemap0.map.
constexpr int kFirstCell = 37;
constexpr int kFirstLearning = 677;
constexpr int kFirstMb = 682;
constexpr int kFirstCgb = 826;
constexpr int kFirstCmb = 838;

int CellLine(int row, int col) { return kFirstCell + 2 * (col * 16 + row); }
int MbLine(int row, int col) { return kFirstMb + col * 12 + row; }

// A model whose every field differs from the defaults.
void FillModel(ConfMap& m) {
    for (int c = 0; c < 20; ++c) m.SetRpm(c, 600 + 310 * c);
    for (int r = 0; r < 16; ++r) m.SetMap(r, 15 + 27 * r);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) {
            m.SetCell(r, c, (r * 53 + c * 29) % 721, false);
            m.SetCellModified(r, c, (r + c) % 3 == 0);
        }
    m.RAGGIO_INTORNO_GIRI = 80;
    m.RAGGIO_INTORNO_MAP = 4;
    m.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE = 3;
    m.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE = 7;
    m.MAX_TEMPO_FUORI_INTORNO = 90;
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) m.SetCellB(r, c, 4 * (100 + 12 * r + c));
    for (int i = 0; i < 12; ++i) m.CGB[i] = 700 + 50 * i, m.CMB[i] = 12 + 19 * i;
}

void ExpectSameModel(const ConfMap& a, const ConfMap& b) {
    for (int c = 0; c < 20; ++c) {
        EXPECT_EQ(a.CG[c], b.CG[c]) << c;
        EXPECT_EQ(b.ASSE_GIRI[19 - c], 7500000 / a.CG[c]) << c;
    }
    for (int r = 0; r < 16; ++r) EXPECT_EQ(a.CM[r], b.CM[r]) << r;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) {
            ASSERT_EQ(a.CL[r][c], b.CL[r][c]) << r << "," << c;
            ASSERT_EQ(a.cellModified[r][c], b.cellModified[r][c]) << r << "," << c;
        }
    EXPECT_EQ(a.RAGGIO_INTORNO_GIRI, b.RAGGIO_INTORNO_GIRI);
    EXPECT_EQ(a.RAGGIO_INTORNO_MAP, b.RAGGIO_INTORNO_MAP);
    EXPECT_EQ(a.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, b.MASSIMA_VARIAZIONE_MEDIA_INVERSIONE);
    EXPECT_EQ(a.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, b.MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE);
    EXPECT_EQ(a.MAX_TEMPO_FUORI_INTORNO, b.MAX_TEMPO_FUORI_INTORNO);
    EXPECT_EQ(a.mapBPresent, b.mapBPresent);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 12; ++c) ASSERT_EQ(a.MB[r][c], b.MB[r][c]) << r << "," << c;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(a.CGB[i], b.CGB[i]) << i;
        EXPECT_EQ(a.CMB[i], b.CMB[i]) << i;
    }
}

class MapFile : public DefinitionFileTest {
  protected:
    MapFile() : DefinitionFileTest("filemap0.map") {}
};

TEST_F(MapFile, DefaultFileHasItsKnownLines) {
    ModelBench b({}, false);
    const std::vector<std::string> lines = Written(b.map);
    ASSERT_EQ(lines.size(), 849u);
    EXPECT_EQ(Line(lines, 1), "#define CG_0  1153");
    EXPECT_EQ(Line(lines, 20), "#define CG_19  16666");
    EXPECT_EQ(Line(lines, 21), "#define CM_0  9");
    EXPECT_EQ(Line(lines, 36), "#define CM_15  95");
    EXPECT_EQ(Line(lines, 37), "#define CL_0_0  0");
    EXPECT_EQ(Line(lines, 38), "/* #define CL_0_0_MOD */");
    EXPECT_EQ(Line(lines, 39), "#define CL_0_1  0");
    EXPECT_EQ(Line(lines, 676), "/* #define CL_19_15_MOD */");
    EXPECT_EQ(Line(lines, 677), "#define RAGGIO_INTORNO_GIRI  50");
    EXPECT_EQ(Line(lines, 678), "#define RAGGIO_INTORNO_MAP  2");
    EXPECT_EQ(Line(lines, 679), "#define MASSIMA_VARIAZIONE_MEDIA_INVERSIONE  2");
    EXPECT_EQ(Line(lines, 680), "#define MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE  4");
    EXPECT_EQ(Line(lines, 681), "#define MAX_TEMPO_FUORI_INTORNO  500");
    EXPECT_EQ(Line(lines, 682), "#define MB_0_0  0");
    EXPECT_EQ(Line(lines, 683), "#define MB_0_1  0");
    EXPECT_EQ(Line(lines, 825), "#define MB_11_11  0");
    EXPECT_EQ(Line(lines, 826), "#define CGB_0  1250");
    EXPECT_EQ(Line(lines, 837), "#define CGB_11  15000");
    EXPECT_EQ(Line(lines, 838), "#define CMB_0  9");
    EXPECT_EQ(Line(lines, 849), "#define CMB_11  95");
    const std::string raw = ReadFile(path_);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'), 849);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\r'), 849);
}

TEST_F(MapFile, CellsAreListedColumnByColumn) {
    ModelBench b({}, false);
    b.map.SetCell(2, 3, 123, false);
    b.map.SetCellModified(2, 3, 1);
    b.map.SetCellB(5, 1, 4 * 77);
    const std::vector<std::string> lines = Written(b.map);
    EXPECT_EQ(Line(lines, CellLine(2, 3)), "#define CL_3_2  123");
    EXPECT_EQ(Line(lines, CellLine(2, 3) + 1), "#define CL_3_2_MOD");
    EXPECT_EQ(Line(lines, MbLine(5, 1)), "#define MB_1_5  77");
}

TEST_F(MapFile, AbsentMapBIsWrittenAsZeros) {
    ModelBench b({}, false);
    b.map.MB[3][3] = 55;  // left over, but the map is not present
    const std::vector<std::string> lines = Written(b.map);
    EXPECT_EQ(Line(lines, MbLine(3, 3)), "#define MB_3_3  0");
}

TEST_F(MapFile, WriteThenReadReproducesTheModel) {
    ModelBench source({}, false);
    FillModel(source.map);
    Written(source.map);

    ModelBench target({}, false);
    target.map.SetFileName(path_);
    const ConfMap::LoadResult r = target.map.ReadDefinitionFile();
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.rejected) << r.error;
    EXPECT_TRUE(r.mapB);
    ExpectSameModel(source.map, target.map);
}

// Locked cells go in a section of their own after everything older versions wrote: the lines
// before it are the lines of the same map without locks, so an older reader (which stops after
// map B) sees the file it knows, and the section reads back with or without a map B before it.
TEST_F(MapFile, LockedCellsFollowTheOlderFileAndComeBack) {
    for (const bool withMapB : {true, false}) {
        SCOPED_TRACE(withMapB);
        ModelBench source({}, false);
        if (withMapB) FillModel(source.map);
        const std::vector<std::string> unlocked = Written(source.map);
        source.map.cellLocks.Set(0, 0, true);
        source.map.cellLocks.Set(5, 2, true);
        source.map.cellLocks.Set(5, 19, true);
        for (int c = 0; c < ConfMap::kCols; ++c) source.map.cellLocks.Set(15, c, true);
        const std::vector<std::string> lines = Written(source.map);

        ASSERT_EQ(lines.size(), unlocked.size() + ConfMap::kRows);
        EXPECT_TRUE(std::equal(unlocked.begin(), unlocked.end(), lines.begin()));
        EXPECT_EQ(Line(lines, 850), "#define CELLE_BLOCCATE_0  1");
        EXPECT_EQ(Line(lines, 851), "#define CELLE_BLOCCATE_1  0");
        EXPECT_EQ(Line(lines, 855), "#define CELLE_BLOCCATE_5  524292");
        EXPECT_EQ(Line(lines, 865), "#define CELLE_BLOCCATE_15  1048575");
        for (const std::string& line : lines) EXPECT_LE(line.size(), IoBaseData::kLineLength) << line;

        ModelBench target({}, false);
        target.map.cellLocks.Set(9, 9, true);  // a previous vehicle's lock does not stay
        target.map.SetFileName(path_);
        const ConfMap::LoadResult r = target.map.ReadDefinitionFile();
        ASSERT_FALSE(r.rejected) << r.error;
        EXPECT_EQ(target.map.cellLocks, source.map.cellLocks);
        EXPECT_EQ(target.map.cellLocks.Count(), 23);
        ExpectSameModel(source.map, target.map);
    }
}

// Files without the section (older versions, a map file ending before map B, one with something
// foreign after it) load with no locks; a section that is there but damaged refuses the file.
TEST_F(MapFile, AFileWithoutTheLockSectionLoadsWithNoLocksAndADamagedOneIsRefused) {
    ModelBench source({}, false);
    source.map.cellLocks.Set(3, 4, true);
    const std::vector<std::string> locked = Written(source.map);
    constexpr size_t kOlderEnd = 849;
    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> edit;
        std::string error;  // empty: loads with no locks
    } cases[] = {
        {"older file", [](auto& l) { l.resize(kOlderEnd); }, ""},
        {"ends before map B", [](auto& l) { l.resize(kFirstMb - 1); }, ""},
        {"blank line after map B",
         [](auto& l) {
             l.resize(kOlderEnd);
             l.push_back("");
         },
         ""},
        {"foreign line after map B", [](auto& l) { l[kOlderEnd] = "/* note */"; }, ""},
        {"section cut short", [](auto& l) { l.resize(kOlderEnd + 7); },
         "riga 857: CELLE_BLOCCATE_7 mancante"},
        {"mask beyond the columns", [](auto& l) { l[kOlderEnd + 2] = "#define CELLE_BLOCCATE_2  1048576"; },
         "riga 852: CELLE_BLOCCATE_2 fuori limiti (1048576)"},
        {"negative first mask", [](auto& l) { l[kOlderEnd] = "#define CELLE_BLOCCATE_0  -1"; },
         "riga 850: CELLE_BLOCCATE_0 fuori limiti (-1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines = locked;
        c.edit(lines);
        WriteLines(path_, lines);
        ModelBench b({}, false);
        b.map.cellLocks.Set(0, 0, true);
        b.map.SetFileName(path_);
        const ConfMap::LoadResult r = b.map.ReadDefinitionFile();
        EXPECT_EQ(r.rejected, !c.error.empty()) << r.error;
        EXPECT_EQ(r.error, c.error);
        if (c.error.empty()) {
            EXPECT_TRUE(b.map.cellLocks.Empty());
        } else {
            EXPECT_TRUE(b.map.cellLocks.Locked(0, 0)) << "a refused file changes nothing";
        }
    }
}

TEST_F(MapFile, MapBWhoseOnlyValueIsTheFirstCellSurvivesTheRoundTrip) {
    ModelBench source({}, false);
    source.map.SetCellB(0, 0, 4 * 9);
    Written(source.map);
    ModelBench target({}, false);
    target.map.SetFileName(path_);
    EXPECT_TRUE(target.map.ReadDefinitionFile().mapB);
    EXPECT_TRUE(target.map.mapBPresent);
    EXPECT_EQ(target.map.MB[0][0], 9);
}

TEST_F(MapFile, LoadingSendsEachGroupThenResetsTheAdaptation) {
    ModelBench source({}, false);
    FillModel(source.map);
    Written(source.map);

    ModelBench b;
    for (int var : {131, 132, 133}) b.map.ReadFromEcu(var);  // map B complete in this ECU
    b.ecu.ClearRequests();
    b.car.PASSI_FATTI_AUTOMATICI[1] = 5;
    b.map.SetFileName(path_);
    ASSERT_FALSE(b.map.ReadDefinitionFile().rejected);
    EXPECT_TRUE(b.ecu.Requests().empty()) << "reading a file sends nothing";
    (void)b.map.WriteDefinitionToEcu();

    std::vector<int> expected = {111, 105};
    expected.insert(expected.end(), 16, 50);
    for (int v = 81; v <= 85; ++v) expected.push_back(v);
    expected.insert(expected.end(), 12, 131);
    for (int v : {133, 132, 114, 115}) expected.push_back(v);
    EXPECT_EQ(Vars(b.ecu), expected);
    EXPECT_EQ(b.car.PASSI_FATTI_AUTOMATICI[1], 0);
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(b.ecu.Value(50, r * 20 + c), source.map.CL[r][c]);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b.ecu.Value(111, i), source.map.CG[i]);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(b.ecu.Value(133, i), source.map.CGB[i]);
    EXPECT_EQ(b.ecu.Value(131, 11 * 12 + 11), source.map.MB[11][11]);
}

TEST_F(MapFile, FileEndingBeforeMapBLeavesMapBAlone) {
    ModelBench source({}, false);
    FillModel(source.map);
    std::vector<std::string> lines = Written(source.map);
    lines.resize(kFirstMb - 1);
    WriteLines(path_, lines);

    ModelBench b;
    b.map.ReadFromEcu(131);  // present and complete from the ECU
    b.ecu.ClearRequests();
    b.map.SetFileName(path_);
    const ConfMap::LoadResult r = b.map.ReadDefinitionFile();
    (void)b.map.WriteDefinitionToEcu();
    EXPECT_FALSE(r.rejected) << r.error;
    EXPECT_FALSE(r.mapB);
    EXPECT_FALSE(b.map.mapBPresent);
    EXPECT_EQ(b.map.MB[0][0], 200);  // what the ECU had, untouched
    EXPECT_EQ(b.map.GetCell(15, 19), source.map.GetCell(15, 19));
    for (int v : Vars(b.ecu)) EXPECT_TRUE(v != 131 && v != 132 && v != 133) << v;
    EXPECT_EQ(Vars(b.ecu).back(), 115);  // the adaptation counters still go
}

TEST_F(MapFile, AllZeroMapBInTheFileTakesNothingOfMapB) {
    ModelBench source({}, false);
    source.map.CGB[0] = 999;  // the axes that follow must not be taken
    source.map.CMB[0] = 99;
    Written(source.map);

    ModelBench b;
    for (int var : {131, 132, 133}) b.map.ReadFromEcu(var);
    const int32_t cgb0 = b.map.CGB[0], cmb0 = b.map.CMB[0], mb = b.map.MB[2][2];
    b.ecu.ClearRequests();
    b.map.SetFileName(path_);
    EXPECT_FALSE(b.map.ReadDefinitionFile().mapB);
    (void)b.map.WriteDefinitionToEcu();
    EXPECT_EQ(b.map.CGB[0], cgb0);
    EXPECT_EQ(b.map.CMB[0], cmb0);
    EXPECT_EQ(b.map.MB[2][2], mb);
    EXPECT_FALSE(b.map.mapBPresent);
    for (int v : Vars(b.ecu)) EXPECT_TRUE(v != 131 && v != 132 && v != 133) << v;
}

TEST_F(MapFile, DamagedFilesAreRejectedWholeAndNothingIsSent) {
    ModelBench source({}, false);
    FillModel(source.map);
    const std::vector<std::string> good = Written(source.map);

    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> damage;
        std::string error;  // start of the reported reason; empty: just rejected
    } cases[] = {
        {"cut in the cells", [](auto& l) { l.resize(300); }, "riga 301: CL_8_4 mancante"},
        {"free text line", [](auto& l) { l[49] = "garbage"; },
         "riga 50: CL_0_6_MOD non \xE8 una definizione"},
        {"volt byte too big", [](auto& l) { l[20] = "#define CM_0  300"; },
         "riga 21: CM_0 fuori limiti (300)"},
        {"negative cell", [](auto& l) { l[CellLine(1, 0) - 1] = "#define CL_0_1  -5"; },
         "riga 39: CL_0_1 fuori limiti (-5)"},
        {"non-definition cell", [](auto& l) { l[CellLine(1, 0) - 1] = "CL_0_1  7"; },
         "riga 39: CL_0_1 non \xE8 una definizione"},
        {"line missing in the middle", [](auto& l) { l.erase(l.begin() + 98); }, ""},
        {"over-long line", [](auto& l) { l[9] += std::string(80, ' ') + "x"; }, "riga 11: CG_10"},
        {"cut in the learning parameters", [](auto& l) { l.resize(kFirstLearning + 1); },
         "riga 679: MASSIMA_VARIAZIONE_MEDIA_INVERSIONE mancante"},
        {"cut in map B", [](auto& l) { l.resize(700); }, "riga 701: MB_1_7 mancante"},
        {"cut in map B's speeds", [](auto& l) { l.resize(kFirstCgb + 3); }, "riga 830: CGB_4 mancante"},
        {"cut in map B's pressures", [](auto& l) { l.resize(kFirstCmb + 10); }, "riga 849: CMB_11 mancante"},
        {"foreign first cell of map B", [](auto& l) { l[kFirstMb - 1] = "junk"; }, "riga 682: MB_0_0 non"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = good;
        c.damage(lines);
        WriteLines(path_, lines);

        ModelBench b;
        b.map.SetFileName(path_);
        const ConfMap::LoadResult r = b.map.ReadDefinitionFile();
        EXPECT_TRUE(r.opened) << c.what;
        EXPECT_TRUE(r.rejected) << c.what;
        EXPECT_EQ(r.error.substr(0, c.error.size()), c.error) << c.what << ": " << r.error;
        EXPECT_TRUE(b.ecu.Requests().empty()) << c.what;
        EXPECT_EQ(b.map.CG[0], 1153) << c.what;
        EXPECT_EQ(b.map.GetCell(0, 0), 0) << c.what;
        EXPECT_EQ(b.map.RAGGIO_INTORNO_GIRI, 50) << c.what;
        EXPECT_FALSE(b.map.mapBPresent) << c.what;
    }
}

TEST_F(MapFile, MissingFileChangesAndSendsNothing) {
    ModelBench b;
    b.map.SetFileName(dir_.File("nowhere.map"));
    const ConfMap::LoadResult r = b.map.ReadDefinitionFile();
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.rejected);
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST_F(MapFile, WritingIntoAMissingFolderFailsAndLeavesNoFile) {
    ModelBench b({}, false);
    const std::string bad = dir_.File("no/such/folder/filemap0.map");
    b.map.SetFileName(bad);
    EXPECT_FALSE(b.map.WriteDefinitionFile());
    EXPECT_FALSE(std::filesystem::exists(bad));
    EXPECT_EQ(b.map.GetFileName(), bad);
}

TEST_F(MapFile, ReadMapFileFillsTheCallersArraysOnly) {
    ModelBench source({}, false);
    FillModel(source.map);
    Written(source.map);

    ModelBench b({}, false);
    b.map.SetFileName("filemap0.map");
    std::array<int32_t, 320> cells{};
    std::array<int32_t, 20> rpm{};
    std::array<int32_t, 16> map{};
    ASSERT_TRUE(b.map.ReadMapFile(path_, cells, rpm, map));
    for (int c = 0; c < 20; ++c) EXPECT_EQ(rpm[size_t(c)], 7500000 / source.map.CG[19 - c]) << c;
    for (int r = 0; r < 16; ++r) EXPECT_EQ(map[size_t(r)], source.map.GetMap(r)) << r;
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 20; ++c) ASSERT_EQ(cells[size_t(r * 20 + c)], source.map.CL[r][c]);
    EXPECT_EQ(b.map.GetFileName(), "filemap0.map");
    EXPECT_EQ(b.map.GetCell(1, 1), 0);
    EXPECT_EQ(b.map.GetRpm(0), 450);
}

TEST_F(MapFile, ReadMapFileNeedsOnlyTheMainMapAndRefusesLess) {
    ModelBench source({}, false);
    FillModel(source.map);
    std::vector<std::string> lines = Written(source.map);
    lines.resize(676);  // a base map: nothing after the cells
    WriteLines(path_, lines);

    ModelBench b({}, false);
    std::array<int32_t, 320> cells{};
    std::array<int32_t, 20> rpm{};
    std::array<int32_t, 16> map{};
    EXPECT_TRUE(b.map.ReadMapFile(path_, cells, rpm, map));
    EXPECT_EQ(cells[319], source.map.CL[15][19]);

    lines.resize(600);
    WriteLines(path_, lines);
    cells.fill(-1);
    EXPECT_FALSE(b.map.ReadMapFile(path_, cells, rpm, map));
    EXPECT_TRUE(std::all_of(cells.begin(), cells.end(), [](int32_t v) { return v == -1; }));
    EXPECT_FALSE(b.map.ReadMapFile(dir_.File("absent.map"), cells, rpm, map));
}

}  // namespace
}  // namespace zov::testing
