#include "ConfMap.h"

#include <algorithm>
#include <string>

#include "ComInj.h"
#include "ConfCar.h"
#include "MixedMapRecord.h"

namespace zov {
namespace {

int32_t RpmPeriod(int32_t x) { return ConfCar::Period(x); }
// Volt bytes (0..255 for 0..5 V) and hundredths of a volt; out-of-range volts saturate.
int32_t VoltFromByte(int32_t raw) { return ConfCar::ByteToVolt(raw, false); }
int32_t ByteFromVolt(int32_t v) { return ConfCar::VoltToByte(v, false); }

bool InMain(int row, int col) { return row >= 0 && row < ConfMap::kRows && col >= 0 && col < ConfMap::kCols; }
bool InB(int row, int col) { return row >= 0 && row < ConfMap::kRowsB && col >= 0 && col < ConfMap::kColsB; }

// Lines 1..676: the two axes and the cells with their modified flags.
bool ReadMainPart(DefinitionReader& in, ConfMap::DefinitionImage& img) {
    for (int i = 0; i < ConfMap::kCols; ++i)
        if (!in.Take(NumberedKey("CG_", i), 0, ConfMap::kWordMax, img.cg[i])) return false;
    for (int i = 0; i < ConfMap::kRows; ++i)
        if (!in.Take(NumberedKey("CM_", i), 0, ConfMap::kByteMax, img.cm[i])) return false;
    for (int c = 0; c < ConfMap::kCols; ++c) {
        for (int r = 0; r < ConfMap::kRows; ++r) {
            const std::string key = NumberedKey("CL_", c, r);
            // The ECU's word is taken as it is, so a map read from an ECU reloads unchanged.
            if (!in.Take(key, 0, ConfMap::kWordMax, img.cells[r][c])) return false;
            if (!in.ModFlag(key + "_MOD", img.modified[r][c])) return false;
        }
    }
    return true;
}

// The lock section after map B. Map B's axes stand before it even when map B is absent (and
// they were not read), so they are passed over; a file that ends earlier has no locks.
bool ReadLocks(DefinitionReader& in, bool axesRead, ConfMap::DefinitionImage& img) {
    using Entry = DefinitionReader::Entry;
    int32_t unread = 0;
    auto passOver = [&](const char* stem, int i) {
        return in.Optional(NumberedKey(stem, i), INT32_MIN, INT32_MAX, unread) == Entry::Value;
    };
    for (int i = 0; !axesRead && i < ConfMap::kColsB; ++i)
        if (!passOver("CGB_", i)) return true;
    for (int i = 0; !axesRead && i < ConfMap::kRowsB; ++i)
        if (!passOver("CMB_", i)) return true;
    constexpr int32_t kMaskMax = int32_t(MapLocks::kRowMaskMax);
    int32_t mask = 0;
    const Entry first = in.Optional(NumberedKey(ConfMap::kLockKeyStem, 0), 0, kMaskMax, mask);
    if (first != Entry::Value) return first == Entry::Missing;
    img.locks.SetRowMask(0, uint32_t(mask));
    for (int r = 1; r < ConfMap::kRows; ++r) {
        if (!in.Take(NumberedKey(ConfMap::kLockKeyStem, r), 0, kMaskMax, mask)) return false;
        img.locks.SetRowMask(r, uint32_t(mask));
    }
    return true;
}

// Index of the axis point nearest to `target`: the first k whose midpoint with its predecessor
// reaches the target gives k - 1 (one past the end counts as 0).
template <typename Axis>
int NearestIndex(Axis&& axis, int n, int32_t target) {
    for (int k = 1; k <= n; ++k) {
        const int32_t next = k < n ? axis(k) : 0;
        if ((axis(k - 1) + next) / 2 >= target) return k - 1;
    }
    return n - 1;
}

}  // namespace

ConfMap::ConfMap(ComInj& link, ConfCar& car, const std::string& fileName)
    : IoBaseData(fileName), link_(link), car_(car) {
    for (int c = 0; c < kCols; ++c) ASSE_GIRI[c] = kDefaultRpm[c];
    for (int c = 0; c < kCols; ++c) CG[c] = 0;
    PeriodsFromRpmAxis();
    for (int r = 0; r < kRows; ++r) CM[r] = ByteFromVolt(kDefaultMap[r]);
    for (int i = 0; i < kColsB; ++i) CGB[i] = RpmPeriod(500 * (kColsB - i));
    for (int i = 0; i < kRowsB; ++i) CMB[i] = ByteFromVolt(kDefaultMapB[i]);
}

int ConfMap::Version() const { return car_.VERSIONE_CENTRALINA; }

bool ConfMap::Delivered() const { return link_.IsConnected() && !(link_.ErrorFlags() & ERR_NOT_AVAILABLE); }

void ConfMap::RpmAxisFromPeriods() {
    for (int i = 0; i < kCols && CG[i] != 0; ++i) ASSE_GIRI[kCols - 1 - i] = RpmPeriod(CG[i]);
}

void ConfMap::PeriodsFromRpmAxis() {
    for (int i = 0; i < kCols && ASSE_GIRI[i] != 0; ++i) CG[kCols - 1 - i] = RpmPeriod(ASSE_GIRI[i]);
}

int32_t ConfMap::GetCell(int row, int col) const { return InMain(row, col) ? CL[row][col] : 0; }

int32_t ConfMap::SetCell(int row, int col, int32_t x, bool send) {
    if (!InMain(row, col)) return 0;
    CL[row][col] = std::clamp(x, int32_t(0), kMaxCell);
    if (send)
        return refusals_.Written(50, link_.WriteTableCell(50, row, col, CL[row][col])) ==
               WriteOutcome::Answered;
    return CL[row][col];
}

void ConfMap::SetCellModified(int row, int col, int flag) {
    if (InMain(row, col)) cellModified[row][col] = uint8_t(flag);
}

int ConfMap::IsCellModified(int row, int col) const { return InMain(row, col) ? cellModified[row][col] : 0; }

void ConfMap::SetCellMark(int row, int col, uint8_t mark) {
    if (InMain(row, col)) cellMarks[row][col] = mark;
}

uint8_t ConfMap::GetCellMark(int row, int col) const { return InMain(row, col) ? cellMarks[row][col] : 0; }

int32_t ConfMap::GetRpm(int col) const { return col >= 0 && col < kCols ? ASSE_GIRI[col] : 0; }

void ConfMap::SetRpm(int col, int32_t rpm) {
    if (col < 0 || col >= kCols) return;
    ASSE_GIRI[col] = rpm;
    CG[kCols - 1 - col] = RpmPeriod(rpm);
}

int32_t ConfMap::GetMap(int row) const { return row >= 0 && row < kRows ? VoltFromByte(CM[row]) : 0; }

void ConfMap::SetMap(int row, int32_t hundredthsOfVolt) {
    if (row >= 0 && row < kRows) CM[row] = ByteFromVolt(hundredthsOfVolt);
}

int32_t ConfMap::GetCellB(int row, int col) const { return InB(row, col) ? MB[row][col] * 4 : 0; }

int32_t ConfMap::SetCellB(int row, int col, int32_t x) {
    if (!InB(row, col)) return 0;
    // The ECU holds an unsigned word: a negative value would come back as a huge one.
    x = std::clamp(x, int32_t(0), kMaxCellB);
    MB[row][col] = x / 4;
    if (x != 0) mapBPresent = 1;
    if (link_.IsConnected() && Version() > 200)
        return refusals_.Written(131, link_.WriteTableCell(131, row, col, MB[row][col])) ==
               WriteOutcome::Answered;
    return MB[row][col];
}

int32_t ConfMap::GetRpmB(int i) const { return i >= 0 && i < kColsB ? RpmPeriod(CGB[kColsB - 1 - i]) : 0; }

int32_t ConfMap::GetMapB(int i) const { return i >= 0 && i < kRowsB ? VoltFromByte(CMB[i]) : 0; }

int32_t ConfMap::ReadFromEcu(int var) {
    switch (var) {
        case 50: {
            int32_t result = 0;
            for (int r = 0; r < kRows; ++r) {
                result = link_.ReadVarElement(50, r, CL[r]);
                refusals_.Check(link_, 50);
            }
            for (auto& row : cellModified) std::fill(std::begin(row), std::end(row), uint8_t(0));
            return result;
        }
        case 81:
        case 82:
        case 83:
        case 84:
        case 85: {
            int32_t* const fields[] = {&RAGGIO_INTORNO_GIRI, &RAGGIO_INTORNO_MAP,
                                       &MASSIMA_VARIAZIONE_MEDIA_INVERSIONE,
                                       &MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, &MAX_TEMPO_FUORI_INTORNO};
            const int32_t v = link_.ReadVar(var, nullptr);
            refusals_.Check(link_, var);
            // A refused variable or a lost session reads as 0: keep what the model had.
            if (Delivered()) *fields[var - 81] = v;
            return v;
        }
        case 105: {
            const int32_t result = link_.ReadVar(105, CM);
            refusals_.Check(link_, 105);
            return result;
        }
        case 111: {
            const int32_t result = link_.ReadVar(111, CG);
            refusals_.Check(link_, 111);
            if (Delivered()) RpmAxisFromPeriods();
            return result;
        }
        case 131: {
            mapBPresent = 0;
            mapBComplete = 0;
            if (Version() < 200 || !link_.IsConnected()) return 0;
            for (auto& row : MB) std::fill(std::begin(row), std::end(row), 0);
            int32_t result = link_.ReadVarElement(131, 0, MB[0]);
            if (!(link_.ErrorFlags() & ERR_NOT_AVAILABLE)) {
                // Complete means all twelve rows really arrived; only then are the axes of map B
                // trusted enough to be written back.
                bool all = Delivered();
                for (int r = 1; r < kRowsB; ++r) {
                    result = link_.ReadVarElement(131, r, MB[r]);
                    // Once the first row answered, map B exists: a refused row is a real loss.
                    refusals_.Check(link_, 131);
                    all = all && Delivered();
                }
                mapBComplete = all ? 1 : 0;
            }
            for (const auto& row : MB)
                if (std::any_of(std::begin(row), std::end(row), [](int32_t v) { return v != 0; }))
                    mapBPresent = 1;
            return result;
        }
        case 132:
            if (Version() < 200 || !link_.IsConnected()) return 0;
            {
                const int32_t result = link_.ReadVar(132, CMB);
                refusals_.Check(link_, 132);
                return result;
            }
        case 133:
            if (Version() < 200 || !link_.IsConnected()) return 0;
            {
                const int32_t result = link_.ReadVar(133, CGB);
                refusals_.Check(link_, 133);
                return result;
            }
        default:
            return 0;
    }
}

WriteOutcome ConfMap::WriteToEcu(int var) {
    auto write = [&](WriteOutcome outcome) { return refusals_.Written(var, outcome); };
    switch (var) {
        case 50:
            return WriteMainMap().Outcome();
        // The learning settings travel as bytes: a larger value (the default time out of the
        // neighbourhood is 500) goes as the largest byte instead of wrapping to a short one.
        case 81:
            return write(link_.WriteVar(81, std::clamp(RAGGIO_INTORNO_GIRI, 0, kByteMax)));
        case 82:
            return write(link_.WriteVar(82, std::clamp(RAGGIO_INTORNO_MAP, 0, kByteMax)));
        case 83:
            return write(link_.WriteVar(83, std::clamp(MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, 0, kByteMax)));
        case 84:
            return write(
                link_.WriteVar(84, std::clamp(MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, 0, kByteMax)));
        case 85:
            return write(link_.WriteVar(85, std::clamp(MAX_TEMPO_FUORI_INTORNO, 0, kByteMax)));
        case 105:
            return write(link_.WriteArray(105, CM));
        case 111:
            return write(link_.WriteArray(111, CG));
        case 131: {
            if (Version() < 200 || !mapBPresent) return WriteOutcome::Answered;
            WriteOutcome outcome = WriteOutcome::Answered;
            for (int r = 0; r < kRowsB; ++r)
                outcome = Worse(outcome, write(link_.WriteTableRow(131, r, MB[r])));
            return outcome;
        }
        case 132:
            return Version() >= 200 && mapBComplete ? write(link_.WriteArray(132, CMB))
                                                    : WriteOutcome::Answered;
        case 133:
            return Version() >= 200 && mapBComplete ? write(link_.WriteArray(133, CGB))
                                                    : WriteOutcome::Answered;
        default:
            return WriteOutcome::Answered;
    }
}

ConfMap::NewMap ConfMap::SendNewMap() {
    NewMap sent{WriteMainMap()};
    if (sent.map.Outcome() == WriteOutcome::Answered) sent.reset = car_.ResetAdaptation();
    return sent;
}

WriteOutcome ConfMap::MapRows::Outcome() const {
    WriteOutcome worst = WriteOutcome::Answered;
    for (WriteOutcome row : rows) worst = Worse(worst, row);
    return worst;
}

std::vector<int> ConfMap::MapRows::NewRows() const {
    std::vector<int> taken;
    for (int r = 0; r < kRows; ++r)
        if (rows[size_t(r)] == WriteOutcome::Answered) taken.push_back(r);
    return taken;
}

int ConfMap::MapRows::LostRow() const {
    for (int r = 0; r < kRows; ++r)
        if (rows[size_t(r)] == WriteOutcome::Lost) return r;
    return -1;
}

std::string ConfMap::MapRows::NewRowsText() const {
    const int lost = LostRow();
    return RowList(NewRows()) + (lost >= 0 ? " (" + std::to_string(lost) + "?)" : "");
}

ConfMap::MapRows ConfMap::WriteMainMap() {
    MapRows sent;
    backupValid = 0;
    // Without a session not a row goes out: whatever ECU is met next holds its own map whole.
    if (!link_.IsConnected()) {
        sent.rows.fill(WriteOutcome::Lost);
        return sent;
    }
    bool lost = false;
    for (int r = 0; r < kRows; ++r) {
        WriteOutcome& row = sent.rows[size_t(r)];
        row = lost ? WriteOutcome::Lost : refusals_.Written(50, link_.WriteTableRow(50, r, CL[r]));
        lost = row == WriteOutcome::Lost;
    }
    MixedMapRecord record(mixedMapRecord_);
    if (sent.Outcome() == WriteOutcome::Answered)
        record.Clear(car_);
    else if (!sent.NewRows().empty() || sent.LostRow() >= 0)
        record.Record(car_, sent.NewRowsText());
    return sent;
}

void ConfMap::SaveBackup() {
    std::copy(&CL[0][0], &CL[0][0] + kRows * kCols, &backup[0][0]);
    backupValid = 1;
}

void ConfMap::RestoreBackup() {
    if (!backupValid) return;
    std::copy(&backup[0][0], &backup[0][0] + kRows * kCols, &CL[0][0]);
    backupValid = 0;
}

WriteOutcome ConfMap::PrepareMapping() {
    auto rpmAt = [this](int k) { return GetRpm(k); };
    auto mapAt = [this](int k) { return GetMap(k); };
    int32_t regridded[kRows][kCols];
    for (int i = 0; i < kRows; ++i) {
        const int32_t m = kDefaultMap[i];
        for (int j = 0; j < kCols; ++j) {
            const int32_t rpm = kDefaultRpm[j];
            int32_t& d = regridded[i][j];
            if (rpm < GetRpm(0)) {
                d = GetCell(i, 0);
            } else if (m < GetMap(0)) {
                d = GetCell(0, j);
            } else if (rpm > GetRpm(kCols - 1)) {
                d = GetCell(i, kCols - 1);
            } else if (m > GetMap(kRows - 1)) {
                d = GetCell(kRows - 1, j);
            } else {
                const int a = NearestIndex(rpmAt, kCols, rpm);
                const int b = rpm < GetRpm(a) ? a - 1 : a + 1;
                const int p = NearestIndex(mapAt, kRows, m);
                const int q = m < GetMap(p) ? p - 1 : p + 1;
                // 64 bits: cells and axes read from an ECU can be any word, and their products
                // do not fit in 32.
                const int64_t base = GetCell(p, a);
                // A neighbour off the axis or at the same place as the nearest point adds
                // nothing: the target then lies on that point (or the axis is not increasing).
                int64_t u = base;
                const int64_t spanR = b >= 0 && b < kCols ? std::abs(int64_t(GetRpm(a)) - GetRpm(b)) : 0;
                if (spanR != 0)
                    u = base + (GetCell(p, b) - base) * std::abs(int64_t(rpm) - GetRpm(a)) / spanR;
                int64_t v = base;
                const int64_t spanM = q >= 0 && q < kRows ? std::abs(int64_t(GetMap(p)) - GetMap(q)) : 0;
                if (spanM != 0) v = base + (GetCell(q, a) - base) * std::abs(int64_t(m) - GetMap(p)) / spanM;
                d = int32_t(std::clamp<int64_t>(u + v - base, 0, kMaxCell));
            }
        }
    }
    for (int i = 0; i < kRows; ++i)
        for (int j = 0; j < kCols; ++j) SetCell(i, j, regridded[i][j], false);
    for (int j = 0; j < kCols; ++j) SetRpm(j, kDefaultRpm[j]);
    for (int i = 0; i < kRows; ++i) SetMap(i, kDefaultMap[i]);
    WriteOutcome outcome = WriteToEcu(105);
    outcome = Worse(outcome, WriteToEcu(111));
    return Worse(outcome, WriteToEcu(50));
}

int32_t ConfMap::ColumnBoundary(int c) const {
    if (c <= 0) return 0;
    if (c >= kCols) return ColumnBoundary(kCols - 1) + 1000;
    return (ASSE_GIRI[c] + ASSE_GIRI[c - 1]) / 2;
}

int32_t ConfMap::RowBoundary(int r) const {
    if (r <= 0) return 0;
    if (r >= kRows) return RowBoundary(kRows - 1) + 100;
    return (GetMap(r) + GetMap(r - 1)) / 2;
}

int ConfMap::ColumnOfRpm(int32_t rpm) const {
    if (rpm <= 0) return 0;
    int col = 0;
    for (int c = 0; c < kCols; ++c)
        if (ColumnBoundary(c) < rpm) col = c;
    return col;
}

int ConfMap::RowOfMap(int32_t map) const {
    if (map <= 0) return 0;
    int row = 0;
    for (int r = 0; r < kRows; ++r)
        if (RowBoundary(r) < map) row = r;
    return row;
}

int ConfMap::AddMappingPoint(int32_t rpm, int32_t map, int32_t value, int32_t id) {
    pointsChanged = true;
    auto identifier = [&] { return id > 0 ? id : ++nextPointId; };
    for (size_t k = 0; k < mappingPoints.size(); ++k) {
        MappingPoint& p = mappingPoints[k];
        if (p.rpm == rpm && p.map == map) {
            p.value = value;
            p.id = identifier();
            return int(k);
        }
    }
    // Keeps the list in ascending rpm: a point goes before the first one with a higher speed.
    auto place = [this](const MappingPoint& point) {
        auto at = std::find_if(mappingPoints.begin(), mappingPoints.end(),
                               [&](const MappingPoint& p) { return p.rpm > point.rpm; });
        const auto inserted = mappingPoints.insert(at, point);
        return int(inserted - mappingPoints.begin());
    };
    bool acquired = false;
    int zone = -1;
    const bool found = FindZone(RowOfMap(map), ColumnOfRpm(rpm), acquired, zone);
    if (found && mappingPhase != 2) {
        if (acquired) {
            auto first = std::find_if(mappingPoints.begin(), mappingPoints.end(),
                                      [&](const MappingPoint& p) { return p.zone == zone; });
            if (first != mappingPoints.end()) {
                // One point per zone: the zone's point moves to the newer operating point (and
                // to its place in the speed order).
                MappingPoint moved = *first;
                moved.rpm = rpm;
                moved.map = map;
                moved.value = value;
                mappingPoints.erase(first);
                return place(moved);
            }
        } else {
            zoneAcquired[zone] = true;
        }
    }
    return place(MappingPoint{rpm, map, value, identifier(), found ? zone : -1});
}

void ConfMap::ClearMappingPoints() {
    pointsChanged = false;
    mappingPoints.clear();
    std::fill(std::begin(zoneAcquired), std::end(zoneAcquired), false);
    nextPointId = 0;
}

bool ConfMap::FindZone(int row, int col, bool& acquired, int& zone) const {
    for (int z = 0; z < kZoneCount; ++z) {
        const Zone& t = kZones[z];
        if (row >= t.rowFrom && row <= t.rowTo && col >= t.colFrom && col <= t.colTo &&
            t.level >= mappingPhase) {
            acquired = zoneAcquired[z];
            zone = z;
            return true;
        }
    }
    return false;
}

bool ConfMap::AllZonesAcquired() const {
    for (int z = 0; z < kZoneCount; ++z)
        if (kZones[z].level <= mappingPhase && !zoneAcquired[z]) return false;
    return true;
}

ConfMap::LoadResult ConfMap::ParseDefinitionFile(const std::string& path, DefinitionImage& img) {
    LoadResult result;
    IoBaseData file(path);
    if (file.OpenForReading() != 0) return result;
    result.opened = true;

    const char* const learningKeys[5] = {
        "RAGGIO_INTORNO_GIRI", "RAGGIO_INTORNO_MAP", "MASSIMA_VARIAZIONE_MEDIA_INVERSIONE",
        "MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE", "MAX_TEMPO_FUORI_INTORNO"};
    DefinitionReader in(file);
    bool ok = ReadMainPart(in, img);
    for (int k = 0; ok && k < 5; ++k) ok = in.Take(learningKeys[k], 0, kWordMax, img.learning[k]);
    img.hasB = false;
    if (ok) {
        // Files of older versions end here; MB_0_0 tells whether map B follows.
        const DefinitionReader::Entry first = in.Next("MB_0_0", 0, kWordMax, img.mb[0][0]);
        ok = first != DefinitionReader::Entry::Bad;
        if (first == DefinitionReader::Entry::Value) {
            for (int c = 0; ok && c < kColsB; ++c)
                for (int r = 0; ok && r < kRowsB; ++r)
                    if (c != 0 || r != 0) ok = in.Take(NumberedKey("MB_", c, r), 0, kWordMax, img.mb[r][c]);
            if (ok) {
                for (const auto& row : img.mb)
                    if (std::any_of(std::begin(row), std::end(row), [](int32_t v) { return v != 0; }))
                        img.hasB = true;
            }
            // An all-zero map B means "no map B" and its axes are not even read.
            for (int i = 0; ok && img.hasB && i < kColsB; ++i)
                ok = in.Take(NumberedKey("CGB_", i), 0, kWordMax, img.cgb[i]);
            for (int i = 0; ok && img.hasB && i < kRowsB; ++i)
                ok = in.Take(NumberedKey("CMB_", i), 0, kByteMax, img.cmb[i]);
            if (ok) ok = ReadLocks(in, img.hasB, img);
        }
    }
    file.CloseReading();
    if (!ok) {
        result.rejected = true;
        result.error = in.Error();
        return result;
    }
    result.mapB = img.hasB;
    return result;
}

void ConfMap::TakeDefinition(const DefinitionImage& img) {
    mapBPresent = 0;
    std::copy(std::begin(img.cg), std::end(img.cg), CG);
    RpmAxisFromPeriods();
    std::copy(std::begin(img.cm), std::end(img.cm), CM);
    std::copy(&img.cells[0][0], &img.cells[0][0] + kRows * kCols, &CL[0][0]);
    std::copy(&img.modified[0][0], &img.modified[0][0] + kRows * kCols, &cellModified[0][0]);
    int32_t* const fields[] = {&RAGGIO_INTORNO_GIRI, &RAGGIO_INTORNO_MAP,
                               &MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, &MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE,
                               &MAX_TEMPO_FUORI_INTORNO};
    for (int k = 0; k < 5; ++k) *fields[k] = img.learning[k];
    cellLocks = img.locks;
    if (img.hasB) {
        mapBPresent = 1;
        std::copy(&img.mb[0][0], &img.mb[0][0] + kRowsB * kColsB, &MB[0][0]);
        std::copy(std::begin(img.cgb), std::end(img.cgb), CGB);
        std::copy(std::begin(img.cmb), std::end(img.cmb), CMB);
    }
}

WriteOutcome ConfMap::WriteDefinitionToEcu() {
    WriteOutcome outcome = WriteToEcu(111);
    outcome = Worse(outcome, WriteToEcu(105));
    const WriteOutcome mainMap = WriteToEcu(50);
    outcome = Worse(outcome, mainMap);
    for (int var = 81; var <= 85; ++var) outcome = Worse(outcome, WriteToEcu(var));
    if (mapBPresent)
        for (int var : {131, 133, 132}) outcome = Worse(outcome, WriteToEcu(var));
    // New maps make the learned corrections meaningless; a main map the ECU did not take whole
    // leaves them to the map that is mostly still there.
    if (mainMap != WriteOutcome::Answered) return outcome;
    return Worse(outcome, car_.ResetAdaptation());
}

ConfMap::LoadResult ConfMap::ReadDefinitionFile() {
    DefinitionImage img;
    const LoadResult result = ParseDefinitionFile(GetFileName(), img);
    if (result.opened && !result.rejected) TakeDefinition(img);
    return result;
}

bool ConfMap::WriteDefinitionFile() {
    return WriteAtomically([this] {
        for (int i = 0; i < kCols; ++i) WriteDefine(CG[i], NumberedKey("CG_", i));
        for (int i = 0; i < kRows; ++i) WriteDefine(CM[i], NumberedKey("CM_", i));
        for (int c = 0; c < kCols; ++c) {
            for (int r = 0; r < kRows; ++r) {
                const std::string key = NumberedKey("CL_", c, r);
                WriteDefine(CL[r][c], key);
                WriteModFlag(cellModified[r][c], key + "_MOD");
            }
        }
        WriteDefine(RAGGIO_INTORNO_GIRI, "RAGGIO_INTORNO_GIRI");
        WriteDefine(RAGGIO_INTORNO_MAP, "RAGGIO_INTORNO_MAP");
        WriteDefine(MASSIMA_VARIAZIONE_MEDIA_INVERSIONE, "MASSIMA_VARIAZIONE_MEDIA_INVERSIONE");
        WriteDefine(MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE, "MASSIMA_VARIAZIONE_POSIZIONE_INVERSIONE");
        WriteDefine(MAX_TEMPO_FUORI_INTORNO, "MAX_TEMPO_FUORI_INTORNO");
        for (int c = 0; c < kColsB; ++c)
            for (int r = 0; r < kRowsB; ++r)
                WriteDefine(mapBPresent ? MB[r][c] : 0, NumberedKey("MB_", c, r));
        for (int i = 0; i < kColsB; ++i) WriteDefine(CGB[i], NumberedKey("CGB_", i));
        for (int i = 0; i < kRowsB; ++i) WriteDefine(CMB[i], NumberedKey("CMB_", i));
        // Without locks the file stays as older versions wrote it.
        for (int r = 0; !cellLocks.Empty() && r < kRows; ++r)
            WriteDefine(int32_t(cellLocks.RowMask(r)), NumberedKey(kLockKeyStem, r));
    });
}

bool ConfMap::ReadMapFile(const std::string& path, std::array<int32_t, kRows * kCols>& cells,
                          std::array<int32_t, kCols>& rpmAxis, std::array<int32_t, kRows>& mapAxis) {
    // A reader of its own: the model's file name and streams stay as they are.
    IoBaseData file(path);
    if (file.OpenForReading() != 0) return false;
    DefinitionImage img;
    DefinitionReader reader(file);
    const bool ok = ReadMainPart(reader, img);
    file.CloseReading();
    if (!ok) return false;
    for (int i = 0; i < kCols; ++i) rpmAxis[size_t(kCols - 1 - i)] = RpmPeriod(img.cg[i]);
    for (int i = 0; i < kRows; ++i) mapAxis[size_t(i)] = VoltFromByte(img.cm[i]);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) cells[size_t(r * kCols + c)] = img.cells[r][c];
    return true;
}

}  // namespace zov
