#include "MapEditorLive.h"

#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "LiveRecord.h"

namespace zov {

namespace {
constexpr int kLambdaReferenceVariable = 99;
constexpr int32_t kLambdaReferenceVersion = 200;
}  // namespace

MapEditorLive::MapEditorLive(ComInj& link, ConfMap& map, ConfCar& car, Clock& clock, bool autoMapping)
    : link_(link),
      map_(map),
      car_(car),
      clock_(clock),
      autoMapping_(autoMapping),
      acquisition_(map.samplesPerPoint),
      wait_(car.TIPO_DI_CARBURANTE) {
    ComputeBounds();
}

void MapEditorLive::ComputeBounds() { bounds_.Compute(map_); }

void MapEditorLive::MappingStarted() {
    ComputeBounds();
    acquisition_.Reset();
}

MapEditorLive::Tick MapEditorLive::Step(const GridGeometry& grid) {
    Tick tick;
    tick.read = ReadValues();
    if (tick.read && autoMapping_) Acquire(tick);

    if (cursor_.Due(values_.rpm, values_.mapValue)) {
        tick.oldBox = cursor_.Box();
        cursor_.Place(values_.rpm, values_.mapValue, bounds_, map_, grid);
        tick.cursorMoved = true;
    }
    ShowLambda(tick);
    if (autoMapping_ && map_.mappingPhase == kMappingPhase && car_.MAPPATURA_ATTIVA && tick.lambdaSwitched)
        acquisition_.Record({values_.rpm, values_.mapValue, values_.cellValue, values_.cellDeviation});
    if (autoMapping_)
        tick.wait = wait_.Step(car_.MAPPATURA_ATTIVA != 0, values_.reducerTempRaw, values_.statusFlags,
                               pressure_.Filtered());
    tick.peaks = pressure_.Show();
    return tick;
}

void MapEditorLive::PlaceCursor(const GridGeometry& grid) {
    cursor_.Place(values_.rpm, values_.mapValue, bounds_, map_, grid);
}

bool MapEditorLive::ReadValues() {
    if (!link_.IsConnected()) return false;
    int32_t record[kRecordCapacity] = {};
    int32_t mapByte = 0;
    int32_t pressureByte = 0;
    if (autoMapping_) {
        if (!link_.ReadRecord(kMappingRecord, record, kRecordCapacity, cursor_.Row(), cursor_.Column()))
            return false;
        const MappingRecord r = MappingRecordFromValues(record);
        values_.lambdaValue = VoltFromByte(r.lambda);
        values_.tpsValue = VoltFromByte(r.tps);
        values_.mapValue = VoltFromByte(r.map);
        values_.rpm = RpmFromPeriod(r.period);
        values_.cellValue = r.cellValue;
        values_.reducerTempRaw = r.reducerTemp;
        values_.cellDeviation = r.cellDeviation;
        values_.statusFlags = r.status;
        mapByte = r.map;
        pressureByte = r.reducerPressure;
    } else {
        if (!link_.ReadRecord(kLiveRecord, record, kRecordCapacity, 0, 0)) return false;
        const LiveRecord r = LiveRecordFromValues(record);
        values_.lambdaValue = VoltFromByte(r.lambda);
        values_.tpsValue = VoltFromByte(r.tps);
        values_.mapValue = VoltFromByte(r.map);
        values_.corrector1 = r.integrator1;
        values_.corrector2 = r.integrator2;
        values_.target = r.target;
        values_.cumulus = r.cumulus;
        values_.opening = r.opening;
        values_.enrichment = r.enrichment;
        values_.rpm = RpmFromPeriod(r.period);
        values_.statusFlags = r.status;
        values_.reducerTempRaw = r.reducerTemp;
        mapByte = r.map;
        pressureByte = r.reducerPressure;
        if (uint32_t(values_.opening) > kOpeningWithEnrichment) values_.opening -= values_.enrichment;
    }
    pressure_.Take(ReducerPressureDifference(pressureByte, mapByte, car_.TIPO_SENSORE_MAP));
    return true;
}

void MapEditorLive::Acquire(Tick& tick) {
    bool acquired = false;
    int zone = -1;
    if (!map_.FindZone(cursor_.Row(), cursor_.Column(), acquired, zone)) {
        acquisition_.Drop();
        return;
    }
    beepPhase_ = (beepPhase_ + 1) % kZoneBeepPhases;
    if (!car_.MAPPATURA_ATTIVA || !(values_.statusFlags & MappingWait::kReadyBit)) {
        acquisition_.Drop();
        return;
    }
    if (beepPhase_ == 0 && !acquired) tick.beep = true;
    if (!acquisition_.Stable(values_.rpm, values_.mapValue, values_.tpsValue, map_, clock_)) return;
    const MappingSample mean = acquisition_.Average();
    map_.AddMappingPoint(mean.rpm, mean.map, mean.cellValue, 0);
    tick.pointAdded = true;
    if (map_.AllZonesAcquired() && !completeAnnounced_) {
        completeAnnounced_ = true;
        tick.mapComplete = true;
    }
}

int32_t MapEditorLive::LambdaThreshold() const {
    if (car_.VERSIONE_CENTRALINA >= kLambdaReferenceVersion) return car_.GetValue(kLambdaReferenceVariable);
    return car_.GetLambdaRef(bounds_.ColumnOf(values_.rpm));
}

void MapEditorLive::ShowLambda(Tick& tick) {
    const bool wasGreen = lambdaGreen_;
    lambdaGreen_ = (LambdaThreshold() < values_.lambdaValue) == car_.IsLambdaInverted();
    tick.lambdaSwitched = lambdaGreen_ != wasGreen;
}

int MapEditorLive::AddCurrentPoint() {
    return map_.AddMappingPoint(values_.rpm, values_.mapValue, values_.cellValue, 0);
}

}  // namespace zov
