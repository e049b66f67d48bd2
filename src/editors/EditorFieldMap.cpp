#include "EditorFieldMap.h"

#include <algorithm>
#include <iterator>

#include "ConfCar.h"
#include "ConfParam.h"
#include "EditNumber.h"

namespace zov {
namespace {

// One field of the table: its fallback and its way into and out of the model.
struct FieldRow {
    int32_t fallback;
    int32_t (*shown)(const ConfCar&, const ConfParam&);
    void (*store)(ConfCar&, ConfParam&, int32_t);
};

// Fields the model converts by ECU variable number.
template <int Var>
int32_t ByVar(const ConfCar& car, const ConfParam&) {
    return car.GetValue(Var);
}
template <int Var>
void ToVar(ConfCar& car, ConfParam&, int32_t v) {
    car.SetValue(Var, v);
}
template <int Var, int32_t Fallback>
constexpr FieldRow VarRow() {
    return {Fallback, ByVar<Var>, ToVar<Var>};
}

// Installer steps of zone Zone.
template <int Zone>
constexpr FieldRow StepsRow() {
    return {0, [](const ConfCar& c, const ConfParam&) { return c.PASSI_FATTI_INSTALLATORE[Zone]; },
            [](ConfCar& c, ConfParam&, int32_t v) { c.PASSI_FATTI_INSTALLATORE[Zone] = v; }};
}

// Level reference Ref as stored; the inversion is the map's.
template <int Ref>
constexpr FieldRow ReferenceRow() {
    return {10 + 10 * Ref, [](const ConfCar& c, const ConfParam&) { return c.RIF_SENS[Ref]; },
            [](ConfCar& c, ConfParam&, int32_t v) { c.RIF_SENS[Ref] = v; }};
}

// An idle gain is shown from the first column and set in the six idle columns.
template <int Kind>
constexpr FieldRow GainRow() {
    return {3, [](const ConfCar&, const ConfParam& p) { return p.GetGain(0, Kind); },
            [](ConfCar&, ConfParam& p, int32_t v) {
                for (int i = 0; i < EditorFieldMap::kIdleGainColumns; ++i) p.SetGain(i, Kind, v);
            }};
}

// The decimal fields have rows of their own below (ShownDecimal, StoreDecimal).
constexpr FieldRow kNoIntegerRow{0, nullptr, nullptr};

const FieldRow kRows[EditorFieldMap::kFieldCount] = {
    VarRow<40, 1000>(),  // kCilindrata
    kNoIntegerRow,       // kIstTps
    VarRow<0, 1000>(),   // kRitMax
    {2, [](const ConfCar& c, const ConfParam&) { return c.RITARDO_MINIMO_CAMBIO; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.RITARDO_MINIMO_CAMBIO = v; }},
    VarRow<2, 100>(),  // kTMin, degrees
    {200, [](const ConfCar& c, const ConfParam&) { return c.TEMPO_SOVRAPPOSIZIONE; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.TEMPO_SOVRAPPOSIZIONE = v; }},
    {3000, [](const ConfCar& c, const ConfParam&) { return c.GIRI_MINIMI_PER_CAMBIO; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.GIRI_MINIMI_PER_CAMBIO = v; }},
    VarRow<6, 6500>(),  // kFuoriGiri, rpm
    {6, [](const ConfCar& c, const ConfParam&) { return c.DEF_NUMERO_ONDE_EMULAZIONE; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.DEF_NUMERO_ONDE_EMULAZIONE = v; }},
    {200, [](const ConfCar& c, const ConfParam&) { return c.DEF_TEMPO_DI_EMULAZIONE_BASSO; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.DEF_TEMPO_DI_EMULAZIONE_BASSO = v; }},
    {200, [](const ConfCar& c, const ConfParam&) { return c.DEF_TEMPO_DI_EMULAZIONE_ALTO; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.DEF_TEMPO_DI_EMULAZIONE_ALTO = v; }},
    kNoIntegerRow,      // kEmTri
    VarRow<15, 4>(),    // kIsteresi
    ReferenceRow<0>(),  // kRif1
    ReferenceRow<1>(),  // kRif2
    ReferenceRow<2>(),  // kRif3
    ReferenceRow<3>(),  // kRif4
    {2000, [](const ConfCar& c, const ConfParam&) { return c.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = v; }},
    VarRow<22, 2500>(),  // kGiriUCF, rpm
    {200, [](const ConfCar& c, const ConfParam&) { return c.DEF_RITARDO_INNESCO_CUTOFF; },
     [](ConfCar& c, ConfParam&, int32_t v) { c.DEF_RITARDO_INNESCO_CUTOFF = v; }},
    StepsRow<0>(),
    StepsRow<1>(),
    StepsRow<2>(),
    StepsRow<3>(),
    VarRow<12, 4>(),  // kMinCumulo
    GainRow<ConfParam::kGainOpening>(),
    GainRow<ConfParam::kGainClosing>(),
    VarRow<18, 50>(),
    VarRow<19, -50>(),
    VarRow<30, 50>(),
    VarRow<31, -50>(),
    // The automatic maximum of eight-zone ECUs: one value for the four entries.
    {40, [](const ConfCar& c, const ConfParam&) { return c.MAX_STEPL[0]; },
     [](ConfCar& c, ConfParam&, int32_t v) { std::fill(std::begin(c.MAX_STEPL), std::end(c.MAX_STEPL), v); }},
};

bool IsReference(int field) { return field >= EditorFieldMap::kRif1 && field <= EditorFieldMap::kRif4; }

constexpr int32_t kInvertedFull = 255;

}  // namespace

int32_t EditorFieldMap::Shown(int field, int sensorIndex) const {
    if (IsDecimal(field)) return int32_t(ShownDecimal(field));
    const int32_t stored = kRows[field].shown(car_, param_);
    return IsReference(field) && IsInvertedSensor(sensorIndex) ? kInvertedFull - stored : stored;
}

void EditorFieldMap::Store(int field, int32_t shown, int sensorIndex) {
    if (IsDecimal(field)) return StoreDecimal(field, shown);
    const int32_t value = IsReference(field) && IsInvertedSensor(sensorIndex) ? kInvertedFull - shown : shown;
    kRows[field].store(car_, param_, value);
}

int32_t EditorFieldMap::Fallback(int field, int sensorIndex) {
    // An inverted sensor's fallbacks run downwards as its references do: 40, 30, 20, 10.
    if (IsReference(field) && IsInvertedSensor(sensorIndex)) return kRows[kRif4 - (field - kRif1)].fallback;
    return kRows[field].fallback;
}

double EditorFieldMap::ShownDecimal(int field) const {
    if (field == kIstTps) return car_.GetValue(27) * 0.01;
    return car_.DEF_TEMPO_DI_EMULAZIONE_TRISTATE * 0.001;
}

void EditorFieldMap::StoreDecimal(int field, double shown) {
    if (field == kIstTps)
        car_.SetValue(27, EditNumber::TruncScaled(shown, 100));
    else
        car_.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = EditNumber::TruncScaled(shown, 1000);
}

void EditorFieldMap::StoreIdleGains(int32_t opening, int32_t closing) {
    // Column by column, opening then closing: the order in which the parameters reach the ECU.
    for (int i = 0; i < kIdleGainColumns; ++i) {
        param_.SetGain(i, ConfParam::kGainOpening, opening);
        param_.SetGain(i, ConfParam::kGainClosing, closing);
    }
}

double EditorFieldMap::DecimalFallback(int field) { return field == kIstTps ? 0.0 : 200.0; }

}  // namespace zov
