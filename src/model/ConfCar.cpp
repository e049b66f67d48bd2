#include "ConfCar.h"

#include <algorithm>
#include <cmath>

#include "CarUnits.h"

namespace zov {
namespace {

// R(t)/R(25 °C) of the reducer's NTC at t = -55 + 5k °C.
constexpr float kNtc[47] = {97.578f,  67.65f,   47.538f,  33.831f,  24.359f,  17.753f,  13.067f,  9.7228f,
                            7.3006f,  5.5361f,  4.2332f,  3.266f,   2.5392f,  1.9902f,  1.5709f,  1.2492f,
                            1.0f,     0.805f,   0.65326f, 0.5329f,  0.4371f,  0.36f,    0.299f,   0.2493f,
                            0.2088f,  0.1757f,  0.148f,   0.1262f,  0.1076f,  0.09215f, 0.07922f, 0.0683f,
                            0.05924f, 0.05153f, 0.04492f, 0.0392f,  0.0343f,  0.03018f, 0.02665f, 0.023594f,
                            0.0209f,  0.0186f,  0.0166f,  0.01486f, 0.01332f, 0.01198f, 0.01079f};

int IndexOf(const int32_t* codes, int count, int32_t code) {
    for (int i = 0; i < count; ++i)
        if (codes[i] == code) return i;
    return -1;
}

// How GetValue/SetValue convert a scalar field to the engineering value of its variable.
enum class ValueUnit : uint8_t {
    Plain,          // as stored
    Celsius,        // a temperature byte, as whole degrees
    LambdaVolt,     // a volt byte, inverted with the lambda probe, as hundredths of a volt
    LambdaVoltOr0,  // the same, where 0 means unused and stays 0
    Volt,           // a volt byte as hundredths of a volt
    TpsVolt,        // a volt byte, inverted with the throttle sensor
    Rpm,            // a period as rpm
};

struct ValueRow {
    int var;
    int32_t ConfCar::*field;
    ValueUnit unit;
};

// The variables whose value is one field through one conversion. The others (mapping
// substitutes, code tables, the lambda reference of all columns) are in GetValue/SetValue.
constexpr ValueRow kValueRows[] = {
    {0, &ConfCar::RITARDO_MASSIMO_CAMBIO, ValueUnit::Plain},
    {1, &ConfCar::RITARDO_MINIMO_CAMBIO, ValueUnit::Plain},
    {2, &ConfCar::TEMPERATURA_MINIMA_PER_CAMBIO, ValueUnit::Celsius},
    {3, &ConfCar::NUMERO_INVERSIONI_PER_CAMBIO, ValueUnit::Plain},
    {4, &ConfCar::RIF_LAMBDA_PER_CAMBIO, ValueUnit::LambdaVoltOr0},
    {6, &ConfCar::GIRI_PER_FUORI_GIRI, ValueUnit::Rpm},
    {7, &ConfCar::FASCIA_GIRI_X_MINIMO, ValueUnit::Plain},
    {8, &ConfCar::DEF_NUMERO_ONDE_EMULAZIONE, ValueUnit::Plain},
    {12, &ConfCar::MINIMO_CUMULO_TPS_PER_ARR, ValueUnit::Plain},
    {15, &ConfCar::ISTERESI_LIVELLO, ValueUnit::Plain},
    {20, &ConfCar::GIRI_MINIMI_PER_CAMBIO, ValueUnit::Rpm},
    {24, &ConfCar::RIF_SUP_LAMBDA_FREDDA, ValueUnit::LambdaVolt},
    {25, &ConfCar::RIF_INF_LAMBDA_FREDDA, ValueUnit::LambdaVolt},
    {26, &ConfCar::TEMPO_DI_SONDA_FREDDA, ValueUnit::Plain},
    {27, &ConfCar::ISTERESI_DEL_MINIMO_TPS, ValueUnit::Volt},
    {28, &ConfCar::ISTERESI_USCITA_DAL_MINIMO_TPS, ValueUnit::Volt},
    {29, &ConfCar::ISTERESI_PER_MONOBOSCH, ValueUnit::Volt},
    {32, &ConfCar::COEFF16_APERTURA_CUTOFF, ValueUnit::Plain},
    {33, &ConfCar::PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF, ValueUnit::Rpm},
    {34, &ConfCar::MAX_MEDIA_ADATTO_AMMESSA, ValueUnit::Plain},
    {35, &ConfCar::RIFERIMENTO_COLONNA_ONE, ValueUnit::Plain},
    {36, &ConfCar::RIFERIMENTO_COLONNA_TWO, ValueUnit::Plain},
    {40, &ConfCar::CILINDRATA, ValueUnit::Plain},
    {41, &ConfCar::ANNO_VETTURA, ValueUnit::Plain},
    {45, &ConfCar::GIRI_RIENTRO_DAL_FUORI_GIRI, ValueUnit::Rpm},
    {46, &ConfCar::VERSIONE_CENTRALINA, ValueUnit::Plain},
    {47, &ConfCar::TIPO_DI_CARBURANTE, ValueUnit::Plain},
    {75, &ConfCar::POSIZIONE_MOTORE_A_GIRI_BASSI, ValueUnit::Plain},
    {77, &ConfCar::TIPO_DI_TPS, ValueUnit::Plain},
    {95, &ConfCar::TPS_PER_SBANANATA, ValueUnit::TpsVolt},
    {97, &ConfCar::TEMPO_CORREZIONE_TEMPERATURA, ValueUnit::Plain},
    {98, &ConfCar::TEMPO_LAMBDA_MAGRO_PER_RITORNO, ValueUnit::Plain},
    {134, &ConfCar::PERSONALIZZAZIONE, ValueUnit::Plain},
    {135, &ConfCar::DEFAULT_REGISTRO_CONFIGURAZIONE_2, ValueUnit::Plain},
};

const ValueRow* ValueRowOf(int var) {
    for (const ValueRow& row : kValueRows)
        if (row.var == var) return &row;
    return nullptr;
}

}  // namespace

const char* const ConfCar::kLambdaNames[kLambdaCodeCount] = {"0-1 V",     "0.8-1.6 V", "0-5 V 'A'",
                                                             "0-5 V 'B'", "5-0 V 'A'", "5-0 V 'B'"};
const char* const ConfCar::kIgnitionNames[kIgnitionCodeCount] = {"3", "4",          "5",       "6",
                                                                 "8", "Monobobina", "Bibibina"};
const char* const ConfCar::kSensorNames[5] = {"Non Standard", "Non standard invertito", "Quembra", "Ovalix",
                                              "0-90 ohm"};
const char* const ConfCar::kLinearTpsNames[2] = {"Diritto", "Invertito"};
const char* const ConfCar::kSwitchTpsNames[3] = {"Assente", "Diritto", "Invertito"};

ConfCar::ConfCar(ComInj& link, std::string fileName, Prompter& prompter, std::function<double()> today)
    : IoBaseData(std::move(fileName)), link_(link), prompter_(prompter) {
    std::fill(std::begin(RIF_LAMBDA), std::end(RIF_LAMBDA), 26);
    std::fill(std::begin(OPENLOOP), std::end(OPENLOOP), 128);
    static constexpr int32_t kTrifCelsius[8] = {80, 70, 60, 50, 40, 30, 20, 10};
    static constexpr int32_t kCoefficients[9] = {0, 0, 0, 0, 0, 4, 8, 14, 14};
    for (int i = 0; i < 8; ++i) SetTemperaturePoint(i, 1, kTrifCelsius[i]);
    for (int i = 0; i < 9; ++i) SetTemperaturePoint(i, 0, kCoefficients[i]);
    DATA_PROGRAMMA = today ? today() : TodayDayNumber();
}

// --- conversions -------------------------------------------------------------------------------

double ConfCar::RawToCelsius(int raw) {
    raw &= 0xFF;  // the ECU holds a byte
    const float r = raw == 255 ? 0.0f : float(raw) / float(255 - raw);
    if (r == 0.0f) return -1000.0;  // sensor absent or shorted
    int k = 0;
    while (k < 46 && r < kNtc[k]) ++k;
    if (k == 0) return -55.0;
    return (k - double(r - kNtc[k]) / double(kNtc[k - 1] - kNtc[k])) * 5.0 - 55.0;
}

int32_t ConfCar::CelsiusToRaw(double celsius) {
    // The table covers -55..175 °C; outside it the nearest end is the best answer.
    if (std::isnan(celsius)) celsius = 25.0;
    celsius = std::clamp(celsius, -55.0, 175.0);
    const double a = (celsius + 55.0) * 0.2;
    const int i = std::min(int(a), 45);
    const double r = kNtc[i] + (a - i) * (double(kNtc[i + 1]) - kNtc[i]);
    return int32_t(255.0 * r / (1.0 + r) + 0.5);
}

int32_t ConfCar::Period(int32_t x) { return x == 0 ? 0 : 7500000 / x; }

int32_t ConfCar::ByteToVolt(int32_t raw, bool inverted) {
    const int32_t v = int32_t(std::trunc(raw * 500.0 / 255.0 + 0.5));
    return inverted ? 500 - v : v;
}

int32_t ConfCar::VoltToByte(int32_t volt, bool inverted) {
    const double v = inverted ? 500.0 - volt : double(volt);
    // A byte is all the ECU takes: out-of-range volts saturate instead of wrapping around.
    return int32_t(std::clamp(std::trunc(v * 255.0 * 0.002 + 0.5), 0.0, 255.0));
}

int ConfCar::LambdaIndex(int32_t code) { return IndexOf(kLambdaCodes, kLambdaCodeCount, code); }
int ConfCar::IgnitionIndex(int32_t code) { return IndexOf(kIgnitionCodes, kIgnitionCodeCount, code); }
int ConfCar::SensorIndex(int32_t code) { return IndexOf(kSensorCodes, kSensorCodeCount, code); }

int32_t ConfCar::SensorCode() const {
    if (TIPO_DI_SENSORE >= 0 && TIPO_DI_SENSORE < kSensorCodeCount) return kSensorCodes[TIPO_DI_SENSORE];
    return unknownSensorCode_;
}

void ConfCar::SetSensorCode(int32_t code) {
    TIPO_DI_SENSORE = SensorIndex(code);
    unknownSensorCode_ = TIPO_DI_SENSORE < 0 ? code : -1;
}

int32_t ConfCar::TempoSafety() const {
    const int i = IgnitionIndex(TIPO_ACCENSIONE);
    return i < 0 ? 0 : kTempoSafety[i];
}

std::string ConfCar::FormatProgramDate() const { return LongDateText(DATA_PROGRAMMA); }

int32_t ConfCar::GetValue(int var) const {
    if (const ValueRow* row = ValueRowOf(var)) {
        const int32_t x = this->*row->field;
        switch (row->unit) {
            case ValueUnit::Plain:
                return x;
            case ValueUnit::Celsius:
                return int32_t(std::trunc(RawToCelsius(x) + 0.5));
            case ValueUnit::LambdaVoltOr0:
                if (x == 0) return 0;
                return ByteToVolt(x, IsLambdaInverted());
            case ValueUnit::LambdaVolt:
                return ByteToVolt(x, IsLambdaInverted());
            case ValueUnit::Volt:
                return ByteToVolt(x, false);
            case ValueUnit::TpsVolt:
                return ByteToVolt(x, IsTpsInverted());
            case ValueUnit::Rpm:
                return Period(x);
        }
    }
    const bool lambdaMapping = Mapping(USA_ERRORE_LAMBDA_MAPPATURA);
    switch (var) {
        case 99:
            return ByteToVolt(RIF_LAMBDA[0], IsLambdaInverted());
        case 22:
            return Period(Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF);
        case 96:
            return Period(Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA
                                                           : PERIODO_GIRI_PER_SBANANATA);
        case 18:
            return lambdaMapping ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA;
        case 30:
            return lambdaMapping ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA_AL_MINIMO;
        case 19:
            return lambdaMapping ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA;
        case 31:
            return lambdaMapping ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA_AL_MINIMO;
        case 16:
            return SensorCode();
        case 76:
            return LambdaIndex(TIPO_DI_LAMBDA);
        case 78:
            return IgnitionIndex(TIPO_ACCENSIONE);
        default:
            return kUnhandled;
    }
}

int ConfCar::SetValue(int var, int32_t x) {
    if (const ValueRow* row = ValueRowOf(var)) {
        int32_t& field = this->*row->field;
        switch (row->unit) {
            case ValueUnit::Plain:
                field = x;
                break;
            case ValueUnit::Celsius:
                field = CelsiusToRaw(x);
                break;
            case ValueUnit::LambdaVoltOr0:
                field = x == 0 ? 0 : VoltToByte(x, IsLambdaInverted());
                break;
            case ValueUnit::LambdaVolt:
                field = VoltToByte(x, IsLambdaInverted());
                break;
            case ValueUnit::Volt:
                field = VoltToByte(x, false);
                break;
            case ValueUnit::TpsVolt:
                field = VoltToByte(x, IsTpsInverted());
                break;
            case ValueUnit::Rpm:
                field = Period(x);
                break;
        }
        return 1;
    }
    const bool lambdaMapping = Mapping(USA_ERRORE_LAMBDA_MAPPATURA);
    switch (var) {
        case 99:
            std::fill(std::begin(RIF_LAMBDA), std::end(RIF_LAMBDA), VoltToByte(x, IsLambdaInverted()));
            break;
        case 22:
            (Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF) = Period(x);
            break;
        case 96:
            (Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA : PERIODO_GIRI_PER_SBANANATA) =
                Period(x);
            break;
        case 18:
            (lambdaMapping ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA) = x;
            break;
        case 19:
            (lambdaMapping ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA) = x;
            break;
        // The idle limits always land in their own fields, also while mapping.
        case 30:
            MAX_ERRORE_LAMBDA_AL_MINIMO = x;
            break;
        case 31:
            MIN_ERRORE_LAMBDA_AL_MINIMO = x;
            break;
        case 16:
            SetSensorCode(x);
            break;
        case 76:
            if (x < 0) return 0;
            TIPO_DI_LAMBDA = kLambdaCodes[std::min(x, kLambdaCodeCount - 1)];
            break;
        case 78:
            if (x < 0) return 0;
            TIPO_ACCENSIONE = kIgnitionCodes[std::min(x, kIgnitionCodeCount - 1)];
            break;
        default:
            return 0;
    }
    return 1;
}

int32_t ConfCar::GetTemperaturePoint(int i, int kind) const {
    if (i < 0) return 0;
    if (kind == 1) return i < 8 ? int32_t(std::trunc(RawToCelsius(TRIF[i]) + 0.5)) : 0;
    if (i < 9) return COEFF_TEMPERATURA[i] == 0 ? 0 : 100 / COEFF_TEMPERATURA[i];
    return 0;
}

void ConfCar::SetTemperaturePoint(int i, int kind, int32_t x) {
    if (i < 0 || x < 0 || x >= 256) return;
    if (kind == 1) {
        if (i < 8) TRIF[i] = CelsiusToRaw(x);
    } else if (i <= 8) {
        COEFF_TEMPERATURA[i] = x == 0 ? 0 : 100 / x;
    }
}

int32_t ConfCar::GetLambdaRef(int column) const {
    if (column < 0 || column >= 20) return kUnhandled;
    return ByteToVolt(RIF_LAMBDA[column], IsLambdaInverted());
}

int32_t ConfCar::GetOpenLoop(int column, int part) const {
    if (column < 0 || column >= 20) return kUnhandled;
    const int32_t* ol = Mapping(USA_OPENLOOP_MAPPATURA) ? OPENLOOP_MAPPATURA : OPENLOOP;
    switch (part) {
        case 0:
            return (ol[column] >> 2) & 0x0F;
        case 1:
            return ol[column] & 0x03;
        // The fast-integral bit is not substituted while mapping.
        case 2:
            return (OPENLOOP[column] >> 7) & 0x01;
        default:
            return 0;
    }
}

int ConfCar::SetOpenLoop(int column, int part, int32_t x) {
    if (column < 0 || column >= 20) return 0;
    int32_t* ol = Mapping(USA_OPENLOOP_MAPPATURA) ? OPENLOOP_MAPPATURA : OPENLOOP;
    switch (part) {
        case 0:
            ol[column] = (ol[column] & ~0x3C) | ((x & 0x0F) << 2);
            break;
        case 1:
            ol[column] = (ol[column] & ~0x03) | (x & 0x03);
            break;
        case 2:
            OPENLOOP[column] = x ? (OPENLOOP[column] | 0x80) : (OPENLOOP[column] & ~0x80);
            break;
        default:
            return 0;
    }
    return 1;
}

}  // namespace zov
