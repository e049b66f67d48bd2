#pragma once

#include <cstdint>

namespace zov {

class ConfCar;
class ConfParam;

// The parameter editor's fields and the model values behind them: what an edit shows of the
// model, what it stores back, and the fallback that stands for a text that is no number.
//
// Field numbers are the rows of the editor's limits table. The four level references are shown
// as 255 minus the stored value for an inverted sensor (index 1 or 3), so that the installer
// always types a reference that grows with the level.
class EditorFieldMap {
  public:
    enum Field : int {
        kCilindrata = 0,
        kIstTps,
        kRitMax,
        kRitMin,
        kTMin,
        kTSovrappos,
        kGiriMin,
        kFuoriGiri,
        kEmOnde,
        kEmBasso,
        kEmAlto,
        kEmTri,
        kIsteresi,
        kRif1,
        kRif2,
        kRif3,
        kRif4,
        kGiriACF,
        kGiriUCF,
        kRitCutoff,
        kFattiInst1,
        kFattiInst2,
        kFattiInst3,
        kFattiInst4,
        kMinCumulo,
        kGApMin,
        kGChMin,
        kMaxErrInteg,
        kMinErrInteg,
        kMaxErrIntegMin,
        kMinErrIntegMin,
        kEditem1,
        kFieldCount,
    };
    static constexpr int kIdleGainColumns = 6;

    EditorFieldMap(ConfCar& car, ConfParam& param) : car_(car), param_(param) {}

    // True for the two fields shown with decimals: TPS hysteresis in volts, tristate time in s.
    static bool IsDecimal(int field) { return field == kIstTps || field == kEmTri; }
    static bool IsInvertedSensor(int sensorIndex) { return sensorIndex == 1 || sensorIndex == 3; }

    // The model's value as an integer edit shows it; `sensorIndex` is the level sensor chosen.
    int32_t Shown(int field, int sensorIndex) const;
    double ShownDecimal(int field) const;
    // Takes a shown value into the model (the model only: nothing is sent).
    void Store(int field, int32_t shown, int sensorIndex);
    void StoreDecimal(int field, double shown);
    // The idle gains go into the six idle columns; a session open, each is sent at once.
    void StoreIdleGains(int32_t opening, int32_t closing);
    static int32_t Fallback(int field, int sensorIndex);
    static double DecimalFallback(int field);

  private:
    ConfCar& car_;
    ConfParam& param_;
};

}  // namespace zov
