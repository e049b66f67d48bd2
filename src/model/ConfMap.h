#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "IoBaseData.h"
#include "MapLocks.h"
#include "RefusalLog.h"
#include "WriteOutcome.h"

namespace zov {

class ComInj;
class ConfCar;

// The fuel maps of the ECU: the 16 x 20 main map with its speed and pressure axes, map B
// (12 x 12) with its own axes, the parameters of the ECU's on-line learning, an undo copy of the
// main map and the points and zones the automatic mapping collects.
//
// Rows are manifold pressures (GetMap, hundredths of a volt), columns engine speeds (GetRpm).
// Cells are held [row][column]; the definition file lists them column by column.
class ConfMap : public IoBaseData {
  public:
    static constexpr int kRows = 16;
    static constexpr int kCols = 20;
    static constexpr int kRowsB = 12;
    static constexpr int kColsB = 12;
    static constexpr int32_t kMaxCell = 720;
    static constexpr int32_t kMaxCellB = 25000;  // engineering value; the ECU holds a quarter
    static constexpr int kZoneCount = 8;
    static constexpr int kLineCount = 849;  // lines of filemap0.map without locked cells
    // The optional last section: one line per map row, the row's locked columns as bits
    // (MapLocks::RowMask), written only when a cell is locked. Older readers stop before it.
    static constexpr const char* kLockKeyStem = "CELLE_BLOCCATE_";

    // Default axes: what PrepareMapping re-grids onto.
    static constexpr std::array<int32_t, kCols> kDefaultRpm = {450,  550,  650,  800,  950,  1150, 1350,
                                                               1600, 1850, 2150, 2450, 2750, 3100, 3500,
                                                               3900, 4350, 4850, 5350, 5900, 6500};
    static constexpr std::array<int32_t, kRows> kDefaultMap = {18,  29,  41,  53,  65,  78,  90,  102,
                                                               114, 127, 139, 149, 159, 169, 178, 186};
    static constexpr std::array<int32_t, kColsB> kDefaultMapB = {18,  33,  47,  63,  78,  93,
                                                                 108, 124, 139, 154, 170, 186};

    // One operating point collected by the automatic mapping.
    struct MappingPoint {
        int32_t rpm = 0;
        int32_t map = 0;  // hundredths of a volt
        int32_t value = 0;
        int32_t id = 0;
        int32_t zone = -1;  // index in the zone table, -1 outside every zone
    };

    // A region of the main map the automatic mapping must visit (indexes inclusive).
    struct Zone {
        int rowFrom, rowTo, colFrom, colTo;
        int level;
    };
    static constexpr std::array<Zone, kZoneCount> kZones = {{
        {2, 8, 1, 4, 3},
        {2, 3, 6, 8, 3},
        {2, 3, 10, 13, 3},
        {5, 10, 10, 12, 3},
        {2, 5, 15, 17, 3},
        {12, 15, 1, 4, 3},
        {12, 15, 9, 12, 3},
        {11, 15, 15, 18, 3},
    }};

    // Outcome of ReadDefinitionFile. A map file is never upgraded (an older one simply ends
    // before map B), so obsolete, report and the rewrite fields stay empty.
    struct LoadResult : IoBaseData::LoadResult {
        bool mapB = false;  // the file carried a map B, which was taken
    };

    // A map file as read and checked, before anything of it reaches the model.
    struct DefinitionImage {
        int32_t cg[kCols] = {};
        int32_t cm[kRows] = {};
        int32_t cells[kRows][kCols] = {};
        uint8_t modified[kRows][kCols] = {};
        int32_t learning[5] = {};  // RAGGIO_INTORNO_GIRI .. MAX_TEMPO_FUORI_INTORNO
        bool hasB = false;
        int32_t mb[kRowsB][kColsB] = {};
        int32_t cgb[kColsB] = {};
        int32_t cmb[kRowsB] = {};
        MapLocks locks;  // none in a file without the locks section
    };

    // `car` is built after this object at start-up: it is only used by later calls.
    ConfMap(ComInj& link, ConfCar& car, const std::string& fileName);

    // Main map.
    int32_t GetCell(int row, int col) const;
    // Clamps to 0..kMaxCell. The stored value, or with `send` the result of the ECU write.
    int32_t SetCell(int row, int col, int32_t x, bool send);
    void SetCellModified(int row, int col, int flag);
    int IsCellModified(int row, int col) const;
    void SetCellMark(int row, int col, uint8_t mark);
    uint8_t GetCellMark(int row, int col) const;

    int32_t GetRpm(int col) const;
    void SetRpm(int col, int32_t rpm);
    int32_t GetMap(int row) const;
    void SetMap(int row, int32_t hundredthsOfVolt);

    // Map B, in engineering units (four times what the ECU holds).
    int32_t GetCellB(int row, int col) const;
    int32_t SetCellB(int row, int col, int32_t x);
    int32_t GetRpmB(int i) const;
    int32_t GetMapB(int i) const;

    // One variable group (50, 81..85, 105, 111, 131, 132, 133). The result of the last command;
    // for a write the worst outcome of its commands (a group that is not sent: Answered).
    int32_t ReadFromEcu(int var);
    WriteOutcome WriteToEcu(int var);

    // What a download of the main map (table 50, row by row) left in the ECU.
    struct MapRows {
        // Rows after a lost one are not sent and count as lost.
        std::array<WriteOutcome, kRows> rows{};
        WriteOutcome Outcome() const;
        // The rows the ECU took: it holds the new map there and its previous one elsewhere.
        std::vector<int> NewRows() const;
        // The row that was out when the link was lost (it may hold either map); -1 for none.
        int LostRow() const;
        // The new rows as the messages list them: "0-4, 7", with the lost row as "(5?)".
        std::string NewRowsText() const;
    };
    // Every row goes out whatever became of the one before, until the session is lost. An
    // incomplete download is noted in the mixed-map record, a complete one clears it.
    MapRows WriteMainMap();
    // A new main map: WriteMainMap, then the self-adaptation reset (what the ECU learnt on the old
    // map is wrong for the new one), which a map the ECU did not take whole never gets.
    struct NewMap {
        MapRows map;
        WriteOutcome reset = WriteOutcome::Answered;  // Answered also when it was not made
        WriteOutcome Outcome() const { return Worse(map.Outcome(), reset); }
    };
    NewMap SendNewMap();
    // Where incomplete downloads are noted (MixedMapRecord); empty: nowhere.
    void SetMixedMapRecord(std::string path) { mixedMapRecord_ = std::move(path); }

    void SaveBackup();
    void RestoreBackup();

    // Re-grids the main map onto the default axes and sends axes and map.
    WriteOutcome PrepareMapping();

    // Column of an engine speed and row of a pressure, as the automatic mapping assigns points.
    int ColumnOfRpm(int32_t rpm) const;
    int RowOfMap(int32_t map) const;
    // Lower boundary of column c (c may be 0..20) and row r (0..16).
    int32_t ColumnBoundary(int c) const;
    int32_t RowBoundary(int r) const;

    int AddMappingPoint(int32_t rpm, int32_t map, int32_t value, int32_t id);
    void ClearMappingPoints();
    bool FindZone(int row, int col, bool& acquired, int& zone) const;
    bool AllZonesAcquired() const;

    // Reads and checks the whole file at `path` into `image`; the model is not touched.
    static LoadResult ParseDefinitionFile(const std::string& path, DefinitionImage& image);
    // Stores a checked file into the model; nothing is sent.
    void TakeDefinition(const DefinitionImage& image);
    // Sends what a loaded file brings, in the load order, and resets the ECU's self-adaptation
    // counters (new maps make the learned corrections meaningless) once the main map arrived whole.
    WriteOutcome WriteDefinitionToEcu();
    // Parses the file set with SetFileName and, when it is sound, stores it. Nothing is sent:
    // the caller decides whether and when the ECU gets it (WriteDefinitionToEcu).
    LoadResult ReadDefinitionFile();
    // True when every line reached the disk; the old file stays intact otherwise.
    bool WriteDefinitionFile();
    // Reads the axes and cells of another map file into the caller's arrays (cells row by row)
    // without touching the model. False when the file cannot be opened or is not a complete map,
    // and the arrays are then left as they were.
    bool ReadMapFile(const std::string& path, std::array<int32_t, kRows * kCols>& cells,
                     std::array<int32_t, kCols>& rpmAxis, std::array<int32_t, kRows>& mapAxis);

    // Main map.
    int32_t ASSE_GIRI[kCols];
    int32_t CG[kCols];  // periods of ASSE_GIRI, highest speed first
    int32_t CM[kRows];  // volt bytes
    int32_t CL[kRows][kCols] = {};
    uint8_t cellModified[kRows][kCols] = {};
    int32_t backup[kRows][kCols] = {};
    uint8_t backupValid = 0;
    uint8_t cellMarks[kRows][kCols] = {};

    // Map B.
    int32_t MB[kRowsB][kColsB] = {};  // as the ECU holds them (engineering value / 4)
    int32_t CGB[kColsB];              // periods, highest speed first
    int32_t CMB[kRowsB];              // volt bytes
    uint8_t mapBPresent = 0;
    uint8_t mapBComplete = 0;

    // On-line learning.
    int32_t RAGGIO_INTORNO_GIRI = 50;
    int32_t RAGGIO_INTORNO_MAP = 2;
    int32_t MASSIMA_VARIAZIONE_MEDIA_INVERSIONE = 2;
    int32_t MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE = 4;
    int32_t MAX_TEMPO_FUORI_INTORNO = 500;

    // Automatic mapping.
    int32_t mappingPhase = 1;
    int32_t samplesPerPoint = 4;
    int32_t minAcquisitionIntervalMs = 0;
    int32_t rpmTolerance = 150;
    int32_t mapTolerance = 15;
    int32_t tpsTolerance = 15;
    std::vector<MappingPoint> mappingPoints;  // ascending rpm
    bool pointsChanged = false;
    int32_t nextPointId = 0;
    bool zoneAcquired[kZoneCount] = {};
    // Cells the installer locked: a fit leaves them and no mapping download changes them. Kept in
    // the map file's last section; a file without it loads with none.
    MapLocks cellLocks;

    // What the ECU refused of the reads and writes since the last ClearRefusals.
    const RefusalLog& Refusals() const { return refusals_; }
    void ClearRefusals() { refusals_.Clear(); }
    void ClearRefusedWrites() { refusals_.ClearWrites(); }

  private:
    int Version() const;
    // True when the last read command delivered a value (session still up, not refused).
    bool Delivered() const;
    void RpmAxisFromPeriods();
    void PeriodsFromRpmAxis();

    ComInj& link_;
    ConfCar& car_;
    RefusalLog refusals_;
    std::string mixedMapRecord_;
};

}  // namespace zov
