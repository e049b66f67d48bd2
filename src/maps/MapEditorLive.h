#pragma once

#include <cstdint>

#include "FilteredAcquisition.h"
#include "MapBounds.h"
#include "MapCursor.h"
#include "MappingWait.h"
#include "PressurePeaks.h"

namespace zov {

class Clock;
class ComInj;
class ConfCar;
class ConfMap;
class LiveLogWriter;

// What the map editor shows of the engine, as the last record gave it: speed in rpm; manifold
// pressure, throttle and lambda in hundredths of a volt; the rest as the ECU sends them.
struct MapLiveValues {
    int32_t rpm = 0;
    int32_t mapValue = 0;
    int32_t tpsValue = 0;
    int32_t lambdaValue = 0;
    int32_t statusFlags = 0;
    int32_t reducerTempRaw = 0;  // 0: no sensor
    // Mapping mode (record 152): the ECU's value of the cell under the point and its deviation.
    int32_t cellValue = 0;
    int32_t cellDeviation = 0;
    // Edit mode (record 150).
    int32_t target = 0;
    int32_t corrector1 = 0;
    int32_t corrector2 = 0;
    int32_t cumulus = 0;
    int32_t opening = 0;
    int32_t enrichment = 0;
};

// The map editor's live tick without its window: the record read (150 in edit mode, 152 in
// mapping mode), the reducer pressure, the automatic mapping's acquisition, the cursor and the
// lambda indicator, the wait for the start of a mapping. The window draws what a tick reports.
class MapEditorLive {
  public:
    static constexpr int kLiveRecord = 150;
    static constexpr int kMappingRecord = 152;
    static constexpr int kRecordCapacity = 30;
    static constexpr int32_t kTpsRedBit = 0x01;
    static constexpr int32_t kCursorGreenBit = 0x02;
    static constexpr int32_t kCutoffBit = 0x04;
    // An opening above this carries the enrichment, which the editor takes off.
    static constexpr uint32_t kOpeningWithEnrichment = 360;
    static constexpr int kZoneBeepPhases = 4;
    static constexpr int kMappingPhase = 3;

    struct Tick {
        bool read = false;  // a record arrived
        bool cursorMoved = false;
        PixelBox oldBox;          // where the cursor was drawn before a move
        bool beep = false;        // the engine runs in a zone that still needs its point
        bool pointAdded = false;  // an averaged point went into the map model: `point`
        FilteredAcquisition::Point point;
        bool inZone = false;       // the record was a sample of a zone (judged when mapping)
        bool mapComplete = false;  // every zone has its point, said once
        PressurePeaks::Refreshed peaks;
        MappingWait::Outcome wait = MappingWait::Outcome::Wait;
    };

    MapEditorLive(ComInj& link, ConfMap& map, ConfCar& car, Clock& clock, bool autoMapping,
                  const MappingOptions& options = {});

    // The boundaries from the map's axes (at the opening and when a mapping has started).
    void ComputeBounds();
    // One tick of the 100 ms timer on a grid of this layout.
    Tick Step(const GridGeometry& grid);
    // The start sequence has run: new axes, no samples, no reference point.
    void MappingStarted();
    // Space in mapping mode: the point where the engine runs now, with the ECU's value of its
    // cell. The point's index in the model's list.
    int AddCurrentPoint();
    // Places the cursor again on a grid whose cells changed size.
    void PlaceCursor(const GridGeometry& grid);
    // The thresholds for the samples from now on (the options dialog).
    void SetOptions(const MappingOptions& options) { acquisition_.SetOptions(options); }
    // Mapping mode: every record read while the mapping runs is also written to `log` as a mapping
    // datalog row, so the drive can be replayed; null stops it. A row the disk refuses ends the
    // recording.
    void RecordTo(LiveLogWriter* log) { log_ = log; }

    bool AutoMapping() const { return autoMapping_; }
    const MapLiveValues& Values() const { return values_; }
    const MapBounds& Bounds() const { return bounds_; }
    const MapCursor& Cursor() const { return cursor_; }
    const PressurePeaks& Pressure() const { return pressure_; }
    const FilteredAcquisition& Acquisition() const { return acquisition_; }
    const MappingWait& Wait() const { return wait_; }
    bool LambdaGreen() const { return lambdaGreen_; }
    bool CompleteAnnounced() const { return completeAnnounced_; }

  private:
    // Step A: false when no record arrived (no session, or the link gave up on it).
    bool ReadValues();
    void ReadLiveRecord();
    void ReadMappingRecord();
    void Acquire(Tick& tick);
    void ShowLambda();

    ComInj& link_;
    ConfMap& map_;
    ConfCar& car_;
    Clock& clock_;
    const bool autoMapping_;
    MapLiveValues values_;
    MapBounds bounds_;
    MapCursor cursor_;
    PressurePeaks pressure_;
    FilteredAcquisition acquisition_;
    LiveLogWriter* log_ = nullptr;
    int64_t startMs_ = 0;
    MappingWait wait_;
    int beepPhase_ = 0;
    bool lambdaGreen_ = false;
    bool completeAnnounced_ = false;
};

}  // namespace zov
