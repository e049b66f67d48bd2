#include "MapEditorLive.h"

#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "LiveLogFormat.h"
#include "LiveLogWriter.h"
#include "LiveRecord.h"
#include "MapReplay.h"

namespace zov {

MapEditorLive::MapEditorLive(ComInj& link, ConfMap& map, ConfCar& car, Clock& clock, bool autoMapping,
                             const MappingOptions& options)
    : link_(link),
      map_(map),
      car_(car),
      clock_(clock),
      autoMapping_(autoMapping),
      acquisition_(options),
      startMs_(clock.NowMs()),
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
    ShowLambda();
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
        if (log_ && log_->IsOpen() && car_.MAPPATURA_ATTIVA &&
            !log_->WriteRow(clock_.NowMs() - startMs_,
                            LiveLogCells(kMappingRecord, record, car_.TIPO_SENSORE_MAP)))
            log_->Close();
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
    MappingTick sample;
    sample.tMs = clock_.NowMs() - startMs_;
    sample.rpm = values_.rpm;
    sample.map = values_.mapValue;
    sample.tps = values_.tpsValue;
    // The indicator's side of the threshold for this record, before the display takes it.
    sample.lambdaGreen = LambdaIndicatorGreen(car_, bounds_.ColumnOf(values_.rpm), values_.lambdaValue);
    sample.status = values_.statusFlags;
    sample.deviation = values_.cellDeviation;
    sample.cellValue = values_.cellValue;
    if (values_.reducerTempRaw != 0) sample.reducerC = ConfCar::RawToCelsius(values_.reducerTempRaw);
    const bool ready = car_.MAPPATURA_ATTIVA && map_.mappingPhase == kMappingPhase &&
                       (values_.statusFlags & MappingWait::kReadyBit);
    const FilteredAcquisition::Outcome outcome = acquisition_.Take(sample, map_, ready);
    tick.inZone = outcome.inZone;
    if (!outcome.inZone) return;
    beepPhase_ = (beepPhase_ + 1) % kZoneBeepPhases;
    if (!ready) return;
    if (beepPhase_ == 0 && !map_.zoneAcquired[size_t(acquisition_.Zone())]) tick.beep = true;
    if (!outcome.point) return;
    map_.AddMappingPoint(outcome.point->rpm, outcome.point->map, outcome.point->value, 0);
    tick.pointAdded = true;
    tick.point = *outcome.point;
    if (map_.AllZonesAcquired() && !completeAnnounced_) {
        completeAnnounced_ = true;
        tick.mapComplete = true;
    }
}

void MapEditorLive::ShowLambda() {
    lambdaGreen_ = LambdaIndicatorGreen(car_, bounds_.ColumnOf(values_.rpm), values_.lambdaValue);
}

int MapEditorLive::AddCurrentPoint() {
    return map_.AddMappingPoint(values_.rpm, values_.mapValue, values_.cellValue, 0);
}

}  // namespace zov
