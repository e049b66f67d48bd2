#include "ConfCar.h"

#include <algorithm>
#include <cmath>

namespace zov {
namespace {

// R(t)/R(25 °C) of the reducer's NTC at t = -55 + 5k °C.
constexpr float kNtc[47] = {97.578f,  67.65f,   47.538f,  33.831f,  24.359f,  17.753f,  13.067f,  9.7228f,
                            7.3006f,  5.5361f,  4.2332f,  3.266f,   2.5392f,  1.9902f,  1.5709f,  1.2492f,
                            1.0f,     0.805f,   0.65326f, 0.5329f,  0.4371f,  0.36f,    0.299f,   0.2493f,
                            0.2088f,  0.1757f,  0.148f,   0.1262f,  0.1076f,  0.09215f, 0.07922f, 0.0683f,
                            0.05924f, 0.05153f, 0.04492f, 0.0392f,  0.0343f,  0.03018f, 0.02665f, 0.023594f,
                            0.0209f,  0.0186f,  0.0166f,  0.01486f, 0.01332f, 0.01198f, 0.01079f};

constexpr int32_t kRegisterModelBits = 0x67;
constexpr int32_t kRegisterMapping = 0x04;
constexpr int32_t kRegisterWordPairs = 0x08;

// Milliseconds to the ECU's 20 ms units (unsigned division, as the ECU takes it).
int32_t ToTicks(int32_t ms) { return int32_t(uint32_t(ms) / 20u); }
// 20 ms units back to milliseconds; wraps instead of overflowing on nonsense input.
int32_t FromTicks(int32_t ticks) { return int32_t(uint32_t(ticks) * 20u); }

int32_t JoinWords(const int32_t pair[2]) {
    return int32_t((uint32_t(pair[1]) << 16) | (uint32_t(pair[0]) & 0xFFFFu));
}
void SplitWords(int32_t value, int32_t pair[2]) {
    pair[0] = value & 0xFFFF;
    pair[1] = int32_t(uint32_t(value) >> 16);
}

int IndexOf(const int32_t* codes, int count, int32_t code) {
    for (int i = 0; i < count; ++i)
        if (codes[i] == code) return i;
    return -1;
}

// Whole day number as the ECU's date (days since 12 October 1998), kept inside 32 bits.
int32_t DayToEcu(double dayNumber) {
    if (!std::isfinite(dayNumber)) return 0;
    const double days = std::trunc(dayNumber) - ConfCar::kDateBase;
    return int32_t(std::clamp(days, double(INT32_MIN), double(INT32_MAX)));
}

constexpr int32_t kObdDefaultsFromFile[ConfCar::kObdThresholdCount] = {5, 5,   8, 8,   8, 5, 8,   250, 8,
                                                                       4, 214, 5, 153, 5, 2, 100, 30};

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

// --- accessors ---------------------------------------------------------------------------------

int32_t ConfCar::GetValue(int var) const {
    const bool lambdaInv = IsLambdaInverted();
    switch (var) {
        case 0:
            return RITARDO_MASSIMO_CAMBIO;
        case 1:
            return RITARDO_MINIMO_CAMBIO;
        case 3:
            return NUMERO_INVERSIONI_PER_CAMBIO;
        case 7:
            return FASCIA_GIRI_X_MINIMO;
        case 8:
            return DEF_NUMERO_ONDE_EMULAZIONE;
        case 12:
            return MINIMO_CUMULO_TPS_PER_ARR;
        case 15:
            return ISTERESI_LIVELLO;
        case 26:
            return TEMPO_DI_SONDA_FREDDA;
        case 32:
            return COEFF16_APERTURA_CUTOFF;
        case 34:
            return MAX_MEDIA_ADATTO_AMMESSA;
        case 35:
            return RIFERIMENTO_COLONNA_ONE;
        case 36:
            return RIFERIMENTO_COLONNA_TWO;
        case 40:
            return CILINDRATA;
        case 41:
            return ANNO_VETTURA;
        case 46:
            return VERSIONE_CENTRALINA;
        case 47:
            return TIPO_DI_CARBURANTE;
        case 75:
            return POSIZIONE_MOTORE_A_GIRI_BASSI;
        case 77:
            return TIPO_DI_TPS;
        case 97:
            return TEMPO_CORREZIONE_TEMPERATURA;
        case 98:
            return TEMPO_LAMBDA_MAGRO_PER_RITORNO;
        case 134:
            return PERSONALIZZAZIONE;
        case 135:
            return DEFAULT_REGISTRO_CONFIGURAZIONE_2;
        case 2:
            return int32_t(std::trunc(RawToCelsius(TEMPERATURA_MINIMA_PER_CAMBIO) + 0.5));
        case 4:
            return RIF_LAMBDA_PER_CAMBIO == 0 ? 0 : ByteToVolt(RIF_LAMBDA_PER_CAMBIO, lambdaInv);
        case 24:
            return ByteToVolt(RIF_SUP_LAMBDA_FREDDA, lambdaInv);
        case 25:
            return ByteToVolt(RIF_INF_LAMBDA_FREDDA, lambdaInv);
        case 99:
            return ByteToVolt(RIF_LAMBDA[0], lambdaInv);
        case 27:
            return ByteToVolt(ISTERESI_DEL_MINIMO_TPS, false);
        case 28:
            return ByteToVolt(ISTERESI_USCITA_DAL_MINIMO_TPS, false);
        case 29:
            return ByteToVolt(ISTERESI_PER_MONOBOSCH, false);
        case 95:
            return ByteToVolt(TPS_PER_SBANANATA, IsTpsInverted());
        case 6:
            return Period(GIRI_PER_FUORI_GIRI);
        case 20:
            return Period(GIRI_MINIMI_PER_CAMBIO);
        case 33:
            return Period(PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF);
        case 45:
            return Period(GIRI_RIENTRO_DAL_FUORI_GIRI);
        case 22:
            return Period(Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF);
        case 96:
            return Period(Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA
                                                           : PERIODO_GIRI_PER_SBANANATA);
        case 18:
            return Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA;
        case 30:
            return Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MAX_ERRORE_LAMBDA_MAPPATURA
                                                        : MAX_ERRORE_LAMBDA_AL_MINIMO;
        case 19:
            return Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA;
        case 31:
            return Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MIN_ERRORE_LAMBDA_MAPPATURA
                                                        : MIN_ERRORE_LAMBDA_AL_MINIMO;
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
    const bool lambdaInv = IsLambdaInverted();
    switch (var) {
        case 0:
            RITARDO_MASSIMO_CAMBIO = x;
            break;
        case 1:
            RITARDO_MINIMO_CAMBIO = x;
            break;
        case 3:
            NUMERO_INVERSIONI_PER_CAMBIO = x;
            break;
        case 7:
            FASCIA_GIRI_X_MINIMO = x;
            break;
        case 8:
            DEF_NUMERO_ONDE_EMULAZIONE = x;
            break;
        case 12:
            MINIMO_CUMULO_TPS_PER_ARR = x;
            break;
        case 15:
            ISTERESI_LIVELLO = x;
            break;
        case 26:
            TEMPO_DI_SONDA_FREDDA = x;
            break;
        case 32:
            COEFF16_APERTURA_CUTOFF = x;
            break;
        case 34:
            MAX_MEDIA_ADATTO_AMMESSA = x;
            break;
        case 35:
            RIFERIMENTO_COLONNA_ONE = x;
            break;
        case 36:
            RIFERIMENTO_COLONNA_TWO = x;
            break;
        case 40:
            CILINDRATA = x;
            break;
        case 41:
            ANNO_VETTURA = x;
            break;
        case 46:
            VERSIONE_CENTRALINA = x;
            break;
        case 47:
            TIPO_DI_CARBURANTE = x;
            break;
        case 75:
            POSIZIONE_MOTORE_A_GIRI_BASSI = x;
            break;
        case 77:
            TIPO_DI_TPS = x;
            break;
        case 97:
            TEMPO_CORREZIONE_TEMPERATURA = x;
            break;
        case 98:
            TEMPO_LAMBDA_MAGRO_PER_RITORNO = x;
            break;
        case 134:
            PERSONALIZZAZIONE = x;
            break;
        case 135:
            DEFAULT_REGISTRO_CONFIGURAZIONE_2 = x;
            break;
        case 2:
            TEMPERATURA_MINIMA_PER_CAMBIO = CelsiusToRaw(x);
            break;
        case 4:
            RIF_LAMBDA_PER_CAMBIO = x == 0 ? 0 : VoltToByte(x, lambdaInv);
            break;
        case 24:
            RIF_SUP_LAMBDA_FREDDA = VoltToByte(x, lambdaInv);
            break;
        case 25:
            RIF_INF_LAMBDA_FREDDA = VoltToByte(x, lambdaInv);
            break;
        case 27:
            ISTERESI_DEL_MINIMO_TPS = VoltToByte(x, false);
            break;
        case 28:
            ISTERESI_USCITA_DAL_MINIMO_TPS = VoltToByte(x, false);
            break;
        case 29:
            ISTERESI_PER_MONOBOSCH = VoltToByte(x, false);
            break;
        case 95:
            TPS_PER_SBANANATA = VoltToByte(x, IsTpsInverted());
            break;
        case 99:
            std::fill(std::begin(RIF_LAMBDA), std::end(RIF_LAMBDA), VoltToByte(x, lambdaInv));
            break;
        case 6:
            GIRI_PER_FUORI_GIRI = Period(x);
            break;
        case 45:
            GIRI_RIENTRO_DAL_FUORI_GIRI = Period(x);
            break;
        case 20:
            GIRI_MINIMI_PER_CAMBIO = Period(x);
            break;
        case 33:
            PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = Period(x);
            break;
        case 22:
            (Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF) = Period(x);
            break;
        case 96:
            (Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA : PERIODO_GIRI_PER_SBANANATA) =
                Period(x);
            break;
        case 18:
            (Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA) = x;
            break;
        case 19:
            (Mapping(USA_ERRORE_LAMBDA_MAPPATURA) ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA) = x;
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

// --- transfers ---------------------------------------------------------------------------------

std::array<int32_t*, ConfCar::kObdThresholdCount> ConfCar::ObdThresholds() {
    return {&DRIF_MAP_STACCATO,
            &DTEMPO_MAP_STACCATO,
            &DTEMPO_TEMPERATURA_ASSENTE,
            &DTEMPERATURA_SENSORE_A_MASSA,
            &DTEMPO_TEMPERATURA_A_MASSA,
            &DTPS_A_MASSA,
            &DTEMPO_TPS_A_MASSA,
            &DTPS_A_VCC,
            &DTEMPO_TPS_A_VCC,
            &DTEMPO_CUTOFF_RICCO,
            &DRIF_MAP_A_VCC,
            &DTEMPO_MAP_A_VCC,
            &DRIF_MAP_PER_GIRI_ASSENTI,
            &DTEMPO_GIRI_ASSENTI,
            &DRIF_LAMBDA_A_MASSA,
            &DRIF_LAMBDA_A_VCC,
            &DTEMPO_LAMBDA_CORTO};
}

int32_t* ConfCar::DiagnosisPair(int kind) {
    switch (kind) {
        case 1:
            return ABILITAZIONE_DIAGNOSI;
        case 2:
            return EFFETTO_DIAGNOSI;
        case 3:
            return DPASSAGGIO_AUTOMATICO_DIAGNOSI;
        case 4:
            return DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS;
        case 5:
            return DDIAGNOSI_PER_INSTALLATORE;
        case 6:
            return DDIAGNOSI_FORZATO_IN_OPENLOOP;
        default:
            return nullptr;
    }
}

bool ConfCar::Answered() const { return link_.IsConnected() && !(link_.ErrorFlags() & ERR_NOT_AVAILABLE); }

bool ConfCar::Read(int var, int32_t& field) {
    const int32_t v = link_.ReadVar(var, nullptr);
    // A lost session leaves the field as it was; a refused variable reads as the link's 0.
    if (!link_.IsConnected()) return false;
    field = v;
    return true;
}

void ConfCar::MergeRegister() {
    if (!link_.IsConnected()) return;
    const int32_t ecu = link_.ReadVar(39, nullptr);
    // Without a real answer the ECU's bits are unknown: keep the ones the model has.
    if (!Answered()) return;
    DEFAULT_REGISTRO_CONFIGURAZIONE =
        (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterModelBits) | (ecu & ~kRegisterModelBits);
}

void ConfCar::ReadText(int var, std::string& text) {
    std::string read;
    for (int i = 0; i < int(kTextFieldLength); ++i) {
        const int32_t c = link_.ReadVarElement(var, i, nullptr);
        if (!link_.IsConnected()) return;
        if ((c & 0xFF) == 0) break;
        read.push_back(char(c & 0xFF));
    }
    text = read;
}

int ConfCar::ReadFromEcu() {
    int32_t v = 0;
    Read(0, RITARDO_MASSIMO_CAMBIO);
    Read(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    Read(1, RITARDO_MINIMO_CAMBIO);
    Read(2, TEMPERATURA_MINIMA_PER_CAMBIO);
    Read(3, NUMERO_INVERSIONI_PER_CAMBIO);
    Read(4, RIF_LAMBDA_PER_CAMBIO);
    Read(25, RIF_INF_LAMBDA_FREDDA);
    Read(24, RIF_SUP_LAMBDA_FREDDA);
    if (Read(5, v)) TEMPO_SOVRAPPOSIZIONE = FromTicks(v);
    if (Read(20, v)) {
        CAMBIO_IN_DECELERAZIONE = uint8_t(v & 1);
        GIRI_MINIMI_PER_CAMBIO = Period(v);
    }

    Read(8, DEF_NUMERO_ONDE_EMULAZIONE);
    if (Read(10, v)) DEF_TEMPO_DI_EMULAZIONE_ALTO = FromTicks(v);
    if (Read(9, v)) DEF_TEMPO_DI_EMULAZIONE_BASSO = FromTicks(v);
    if (Read(21, v)) DEF_TEMPO_DI_EMULAZIONE_TRISTATE = FromTicks(v);
    if (Read(11, v)) DEF_RITARDO_INNESCO_CUTOFF = FromTicks(v);
    Read(22, DEF_GIRI_PER_CUTOFF);
    if (Read(33, v)) PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = Period(v);
    Read(32, COEFF16_APERTURA_CUTOFF);

    Read(18, MAX_ERRORE_LAMBDA);
    Read(19, MIN_ERRORE_LAMBDA);
    Read(30, MAX_ERRORE_LAMBDA_AL_MINIMO);
    Read(31, MIN_ERRORE_LAMBDA_AL_MINIMO);
    Read(15, ISTERESI_LIVELLO);
    Read(75, POSIZIONE_MOTORE_A_GIRI_BASSI);
    if (Read(14, v)) RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE = FromTicks(v);
    Read(27, ISTERESI_DEL_MINIMO_TPS);
    Read(28, ISTERESI_USCITA_DAL_MINIMO_TPS);
    Read(29, ISTERESI_PER_MONOBOSCH);
    Read(7, FASCIA_GIRI_X_MINIMO);
    Read(12, MINIMO_CUMULO_TPS_PER_ARR);
    Read(26, TEMPO_DI_SONDA_FREDDA);

    if (Read(16, v)) SetSensorCode(v);
    Read(78, TIPO_ACCENSIONE);
    Read(76, TIPO_DI_LAMBDA);
    Read(77, TIPO_DI_TPS);

    // A refused or lost array read leaves the destination untouched.
    link_.ReadVar(108, RIF_LAMBDA);
    link_.ReadVar(104, OPENLOOP);
    link_.ReadVar(109, RIF_SENS);

    Read(47, TIPO_DI_CARBURANTE);
    Read(40, CILINDRATA);
    Read(41, ANNO_VETTURA);
    Read(46, VERSIONE_CENTRALINA);
    ReadText(117, MODELLO);
    ReadText(118, NOME_PROGRAMMA);

    const int32_t version = VERSIONE_CENTRALINA;
    if (version > 3) {
        Read(6, GIRI_PER_FUORI_GIRI);
        Read(45, GIRI_RIENTRO_DAL_FUORI_GIRI);
        Read(71, VARIABILE_71);
        Read(63, VARIABILE_63);
    }
    if (version > 8) {
        link_.ReadVar(119, TRIF);
        link_.ReadVar(120, COEFF_TEMPERATURA);
    }
    if (Read(42, v)) DATA_PROGRAMMA = double(v) + kDateBase;
    if (version > 35) {
        Read(95, TPS_PER_SBANANATA);
        Read(96, PERIODO_GIRI_PER_SBANANATA);
    }
    if (version > 43) {
        Read(97, TEMPO_CORREZIONE_TEMPERATURA);
        Read(98, TEMPO_LAMBDA_MAGRO_PER_RITORNO);
    }

    DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 0;
    if (version < 200) {
        PERSONALIZZAZIONE = (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) ? 4 : 0;
    } else {
        if (Read(99, v)) std::fill(std::begin(RIF_LAMBDA), std::end(RIF_LAMBDA), v);
        if (Read(134, v)) PERSONALIZZAZIONE = Answered() ? v : 0;
        if (Read(135, v)) DEFAULT_REGISTRO_CONFIGURAZIONE_2 = Answered() ? v : 0;
    }

    if (version > 207) {
        int32_t block[31] = {};
        const auto thresholds = ObdThresholds();
        block[3] = DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI;
        for (int i = 0; i < kObdThresholdCount; ++i) block[4 + i] = *thresholds[size_t(i)];
        link_.ReadVar(127, block);
        DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = block[3];
        for (int i = 0; i < kObdThresholdCount; ++i) *thresholds[size_t(i)] = block[4 + i];
    }

    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        for (int kind = 1; kind <= 6; ++kind) link_.ReadVar(120 + kind, DiagnosisPair(kind));
    } else {
        if (version > 2) {
            Read(90, EFFETTO_DIAGNOSI[0]);
            Read(89, ABILITAZIONE_DIAGNOSI[0]);
        }
        if (version > 3) {
            Read(91, DPASSAGGIO_AUTOMATICO_DIAGNOSI[0]);
            Read(92, DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS[0]);
            Read(93, DDIAGNOSI_PER_INSTALLATORE[0]);
        }
        if (version > 8) Read(94, DDIAGNOSI_FORZATO_IN_OPENLOOP[0]);
    }

    const int32_t map = PERSONALIZZAZIONE & 0xFC;
    TIPO_SENSORE_MAP = map == 4 ? 1 : map == 8 ? 2 : 0;
    return 0;
}

int ConfCar::WriteToEcu() {
    ComInj& l = link_;
    const int32_t version = VERSIONE_CENTRALINA;
    l.WriteVar(0, RITARDO_MASSIMO_CAMBIO);
    l.WriteVar(1, RITARDO_MINIMO_CAMBIO);
    l.WriteVar(2, TEMPERATURA_MINIMA_PER_CAMBIO);
    l.WriteVar(3, NUMERO_INVERSIONI_PER_CAMBIO);
    l.WriteVar(4, RIF_LAMBDA_PER_CAMBIO);
    l.WriteVar(25, RIF_INF_LAMBDA_FREDDA);
    l.WriteVar(24, RIF_SUP_LAMBDA_FREDDA);
    l.WriteVar(26, TEMPO_DI_SONDA_FREDDA);
    l.WriteVar(5, ToTicks(TEMPO_SOVRAPPOSIZIONE));
    l.WriteVar(20, (Period(GIRI_MINIMI_PER_CAMBIO) & ~1) | (CAMBIO_IN_DECELERAZIONE & 1));

    MergeRegister();
    l.WriteVar(39, DEFAULT_REGISTRO_CONFIGURAZIONE);

    l.WriteVar(8, DEF_NUMERO_ONDE_EMULAZIONE);
    l.WriteVar(10, ToTicks(DEF_TEMPO_DI_EMULAZIONE_ALTO));
    l.WriteVar(9, ToTicks(DEF_TEMPO_DI_EMULAZIONE_BASSO));
    l.WriteVar(21, ToTicks(DEF_TEMPO_DI_EMULAZIONE_TRISTATE));
    l.WriteVar(11, ToTicks(DEF_RITARDO_INNESCO_CUTOFF));
    l.WriteVar(22, Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF);
    l.WriteVar(33, Period(PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF));
    l.WriteVar(32, COEFF16_APERTURA_CUTOFF);

    if (Mapping(USA_ERRORE_LAMBDA_MAPPATURA)) {
        l.WriteVar(18, MAX_ERRORE_LAMBDA_MAPPATURA);
        l.WriteVar(19, MIN_ERRORE_LAMBDA_MAPPATURA);
        l.WriteVar(30, MAX_ERRORE_LAMBDA_MAPPATURA);
        l.WriteVar(31, MIN_ERRORE_LAMBDA_MAPPATURA);
    } else {
        l.WriteVar(18, MAX_ERRORE_LAMBDA);
        l.WriteVar(19, MIN_ERRORE_LAMBDA);
        l.WriteVar(30, MAX_ERRORE_LAMBDA_AL_MINIMO);
        l.WriteVar(31, MIN_ERRORE_LAMBDA_AL_MINIMO);
    }

    l.WriteVar(15, ISTERESI_LIVELLO);
    l.WriteVar(75, POSIZIONE_MOTORE_A_GIRI_BASSI);
    l.WriteVar(14, ToTicks(RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE));
    l.WriteVar(27, ISTERESI_DEL_MINIMO_TPS);
    l.WriteVar(28, ISTERESI_USCITA_DAL_MINIMO_TPS);
    l.WriteVar(29, ISTERESI_PER_MONOBOSCH);
    l.WriteVar(7, FASCIA_GIRI_X_MINIMO);
    l.WriteVar(12, MINIMO_CUMULO_TPS_PER_ARR);
    // No code at all (an index outside the table and nothing kept): leave the ECU's own.
    if (SensorCode() >= 0) l.WriteVar(16, SensorCode());

    l.WriteArray(108, RIF_LAMBDA);
    l.WriteArray(109, RIF_SENS);
    l.WriteArray(104, Mapping(USA_OPENLOOP_MAPPATURA) ? OPENLOOP_MAPPATURA : OPENLOOP);

    if (version > 3) {
        l.WriteVar(6, GIRI_PER_FUORI_GIRI);
        l.WriteVar(45, GIRI_RIENTRO_DAL_FUORI_GIRI);
        l.WriteVar(71, VARIABILE_71);
        l.WriteVar(63, VARIABILE_63);
    }
    if (version > 8) l.WriteArray(120, COEFF_TEMPERATURA);
    if (version > 35) {
        l.WriteVar(95, TPS_PER_SBANANATA);
        l.WriteVar(
            96, Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA : PERIODO_GIRI_PER_SBANANATA);
    }
    if (version > 43) {
        l.WriteVar(97, TEMPO_CORREZIONE_TEMPERATURA);
        l.WriteVar(98, TEMPO_LAMBDA_MAGRO_PER_RITORNO);
    }
    if (version >= 200) {
        l.WriteVar(99, RIF_LAMBDA[0]);
        l.WriteVar(78, TIPO_ACCENSIONE);
        l.WriteVar(76, TIPO_DI_LAMBDA);
        l.WriteVar(77, TIPO_DI_TPS);
        l.WriteVar(57, (TIPO_DI_TPS & 2) ? 0 : 87);
        l.WriteVar(40, CILINDRATA);
        if (l.IsConnected() && HasExtendedSettings()) {
            l.WriteArray(119, TRIF);
            l.WriteArray(120, COEFF_TEMPERATURA);
        }
    }

    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        l.WriteArray(121, ABILITAZIONE_DIAGNOSI);
        l.WriteArray(122, EFFETTO_DIAGNOSI);
    } else if (version == 3) {
        l.WriteVar(89, 0);
    } else if (version > 3) {
        l.WriteVar(89, ABILITAZIONE_DIAGNOSI[0]);
        l.WriteVar(90, EFFETTO_DIAGNOSI[0]);
    }
    return 0;
}

int ConfCar::ReadAdaptation() {
    int32_t v = 0;
    Read(34, MAX_MEDIA_ADATTO_AMMESSA);
    Read(35, RIFERIMENTO_COLONNA_ONE);
    Read(36, RIFERIMENTO_COLONNA_TWO);
    Read(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    if (VERSIONE_CENTRALINA > 7 && Read(58, v)) TEMPO_VERIFICA_RISULTATI_ADATTO = v & 0xFF;

    link_.ReadVar(112, MAX_STEPV);
    if (link_.IsConnected() && (link_.ErrorFlags() & ERR_NOT_AVAILABLE)) {
        // The eight-zone ECU has no installer steps; 128..130 take the place of 113..116.
        ADATTATIVITA_ESTESA = 1;
        if (Read(128, v)) std::fill(std::begin(MAX_STEPL), std::end(MAX_STEPL), v);
        link_.ReadVar(129, PASSI_FATTI_AUTOMATICI);
        link_.ReadVar(130, ERRORE_MEDIO);
        std::fill(std::begin(MAX_STEPV), std::end(MAX_STEPV), 0);
        std::fill(std::begin(PASSI_FATTI_INSTALLATORE), std::end(PASSI_FATTI_INSTALLATORE), 0);
    } else {
        ADATTATIVITA_ESTESA = 0;
        link_.ReadVar(113, MAX_STEPL);
        link_.ReadVar(114, PASSI_FATTI_INSTALLATORE);
        link_.ReadVar(115, PASSI_FATTI_AUTOMATICI);
        link_.ReadVar(116, ERRORE_MEDIO);
        std::fill(PASSI_FATTI_AUTOMATICI + 4, PASSI_FATTI_AUTOMATICI + 8, 0);
        std::fill(ERRORE_MEDIO + 4, ERRORE_MEDIO + 8, 100);
    }
    return 0;
}

int ConfCar::WriteAdaptation() {
    link_.WriteVar(34, MAX_MEDIA_ADATTO_AMMESSA);
    if (link_.IsConnected()) {
        MergeRegister();
        if (HasExtendedSettings()) {
            link_.WriteVar(35, RIFERIMENTO_COLONNA_ONE);
            link_.WriteVar(36, RIFERIMENTO_COLONNA_TWO);
        }
    }
    link_.WriteVar(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    if (ADATTATIVITA_ESTESA) {
        link_.WriteVar(128, MAX_STEPL[0]);
        link_.WriteArray(129, PASSI_FATTI_AUTOMATICI);
        link_.WriteVar(58, TEMPO_VERIFICA_RISULTATI_ADATTO);
    } else {
        link_.WriteArray(114, PASSI_FATTI_INSTALLATORE);
        link_.WriteArray(115, PASSI_FATTI_AUTOMATICI);
    }
    return 0;
}

int ConfCar::ResetAdaptation() {
    std::fill(std::begin(PASSI_FATTI_INSTALLATORE), std::end(PASSI_FATTI_INSTALLATORE), 0);
    std::fill(std::begin(PASSI_FATTI_AUTOMATICI), std::end(PASSI_FATTI_AUTOMATICI), 0);
    if (ADATTATIVITA_ESTESA) return link_.WriteArray(129, PASSI_FATTI_AUTOMATICI) ? 1 : 0;
    link_.WriteArray(114, PASSI_FATTI_INSTALLATORE);
    return link_.WriteArray(115, PASSI_FATTI_AUTOMATICI) ? 1 : 0;
}

void ConfCar::EnterMapping() {
    if (USA_OPENLOOP_MAPPATURA) link_.WriteArray(104, OPENLOOP_MAPPATURA);
    if (USA_CUTOFF_MAPPATURA) link_.WriteVar(22, GIRI_CUTOFF_MAPPATURA);
    if (USA_SBANANATA_MAPPATURA && VERSIONE_CENTRALINA > 35) link_.WriteVar(96, PERIODO_SBANANATA_MAPPATURA);
    if (USA_ERRORE_LAMBDA_MAPPATURA) {
        link_.WriteVar(18, MAX_ERRORE_LAMBDA_MAPPATURA);
        link_.WriteVar(19, MIN_ERRORE_LAMBDA_MAPPATURA);
        link_.WriteVar(30, MAX_ERRORE_LAMBDA_MAPPATURA);
        link_.WriteVar(31, MIN_ERRORE_LAMBDA_MAPPATURA);
    }
    DEFAULT_REGISTRO_CONFIGURAZIONE |= kRegisterMapping;
    link_.WriteVar(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    MAPPATURA_ATTIVA = 1;
}

void ConfCar::LeaveMapping() {
    if (USA_OPENLOOP_MAPPATURA) link_.WriteArray(104, OPENLOOP);
    if (USA_CUTOFF_MAPPATURA) link_.WriteVar(22, DEF_GIRI_PER_CUTOFF);
    if (USA_SBANANATA_MAPPATURA && VERSIONE_CENTRALINA > 35) link_.WriteVar(96, PERIODO_GIRI_PER_SBANANATA);
    if (USA_ERRORE_LAMBDA_MAPPATURA) {
        link_.WriteVar(18, MAX_ERRORE_LAMBDA);
        link_.WriteVar(19, MIN_ERRORE_LAMBDA);
        link_.WriteVar(30, MAX_ERRORE_LAMBDA_AL_MINIMO);
        link_.WriteVar(31, MIN_ERRORE_LAMBDA_AL_MINIMO);
    }
    DEFAULT_REGISTRO_CONFIGURAZIONE &= ~kRegisterMapping;
    link_.WriteVar(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    MAPPATURA_ATTIVA = 0;
}

int32_t ConfCar::GetDiagnosisWord(int word, int kind) {
    int32_t* pair = DiagnosisPair(kind);
    if (!pair || word < 0 || word > 1) return 0;
    if (!link_.IsConnected()) return pair[word];
    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        const int32_t v = link_.ReadVarElement(120 + kind, word, nullptr);
        if (Answered()) pair[word] = v;
        return pair[word];
    }
    // These ECUs have a single word: the low one answers for both.
    const int32_t minVersion = kind <= 2 ? 2 : kind <= 5 ? 3 : 8;
    if (VERSIONE_CENTRALINA > minVersion) {
        const int32_t v = link_.ReadVar(88 + kind, nullptr);
        if (Answered()) pair[0] = v;
    }
    return pair[0];
}

void ConfCar::SetDiagnosisWord(int word, int kind, int32_t x) {
    int32_t* pair = DiagnosisPair(kind);
    if (!pair || word < 0 || word > 1) return;
    pair[word] = x & 0xFFFF;
    if (!link_.IsConnected()) return;
    if (kind > 2 && !HasExtendedSettings()) return;
    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        link_.WriteVarElement(120 + kind, word, pair[word]);
        return;
    }
    const int32_t minVersion = kind <= 2 ? 3 : kind <= 5 ? 4 : 9;
    if (word == 0 && VERSIONE_CENTRALINA >= minVersion) link_.WriteVar(88 + kind, pair[0]);
}

// --- definition file fileh0.h -----------------------------------------------------------------

const std::vector<std::string>& ConfCar::DefinitionKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k = {"RITARDO_MASSIMO_CAMBIO",
                                      "RITARDO_MINIMO_CAMBIO",
                                      "RIF_LAMBDA_PER_CAMBIO",
                                      "TEMPERATURA_MINIMA_PER_CAMBIO",
                                      "NUMERO_INVERSIONI_PER_CAMBIO",
                                      "TEMPO_SOVRAPPOSIZIONE",
                                      "GIRI_MINIMI_PER_CAMBIO",
                                      "VALORE_DECREMENTO_CUMULO_GIRI",
                                      "DEF_NUMERO_ONDE_EMULAZIONE",
                                      "DEF_TEMPO_DI_EMULAZIONE_BASSO",
                                      "DEF_TEMPO_DI_EMULAZIONE_ALTO",
                                      "DEF_TEMPO_DI_EMULAZIONE_TRISTATE",
                                      "TIPO_ACCENSIONE",
                                      "TEMPO_SAFETY",
                                      "DEF_GIRI_PER_CUTOFF",
                                      "DEF_RITARDO_INNESCO_CUTOFF",
                                      "CUMULO_GIRI_PER_CUTOFF",
                                      "PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF",
                                      "COEFF16_APERTURA_CUTOFF",
                                      "MAX_ERRORE_LAMBDA",
                                      "MIN_ERRORE_LAMBDA",
                                      "MAX_ERRORE_LAMBDA_AL_MINIMO",
                                      "MIN_ERRORE_LAMBDA_AL_MINIMO",
                                      "POSIZIONE_MOTORE_A_GIRI_BASSI",
                                      "POSIZIONE_MOTORE_A_MINIMO_TPS",
                                      "RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE",
                                      "MINIMO_CUMULO_TPS_PER_ARR",
                                      "TIPO_DI_LAMBDA",
                                      "RIF_INF_LAMBDA_FREDDA",
                                      "RIF_SUP_LAMBDA_FREDDA",
                                      "TEMPO_DI_SONDA_FREDDA",
                                      "TIPO_DI_TPS",
                                      "ISTERESI_DEL_MINIMO_TPS",
                                      "ISTERESI_USCITA_DAL_MINIMO_TPS",
                                      "ISTERESI_PER_MONOBOSCH",
                                      "TIPO_DI_SENSORE",
                                      "ISTERESI_LIVELLO"};
        auto numbered = [&k](const char* stem, int count) {
            for (int i = 0; i < count; ++i) k.push_back(stem + std::to_string(i));
        };
        numbered("RIF_SENS_", 4);
        numbered("RIF_LAMBDA_", 20);
        numbered("OPENLOOP_", 20);
        for (const char* key :
             {"FASCIA_GIRI_X_MINIMO", "DEF_MINIMO_TPS", "MINIMO_TPS_POSSIBILE", "ABILITAZIONE_DIAGNOSI",
              "DPASSAGGIO_AUTOMATICO_DIAGNOSI", "DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS",
              "DDIAGNOSI_TEMPO_LAMBDA_INATTIVA", "DDIAGNOSI_TEMPO_TEMPERATURA_BASSA",
              "DDIAGNOSI_TEMPERATURA_TROPPO_BASSA", "MAX_MEDIA_ADATTO_AMMESSA", "RIFERIMENTO_COLONNA_ONE",
              "RIFERIMENTO_COLONNA_TWO"})
            k.push_back(key);
        numbered("MAX_STEPV_", 4);
        numbered("MAX_STEPL_", 4);
        for (const char* key : {"TIPO_DI_CARBURANTE", "CILINDRATA", "ANNO_VETTURA", "DATA_PROGRAMMA",
                                "MODELLO", "NOME_PROGRAMMA", "DEFAULT_REGISTRO_CONFIGURAZIONE"})
            k.push_back(key);
        numbered("TRIF", 8);
        numbered("COEFF_TEMPERATURA_", 9);
        for (const char* key : {"GIRI_PER_FUORI_GIRI",
                                "GIRI_RIENTRO_DAL_FUORI_GIRI",
                                "DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI",
                                "DDIAGNOSI_PER_INSTALLATORE",
                                "TEMPO_VERIFICA_RISULTATI_ADATTO",
                                "DDIAGNOSI_FORZATO_IN_OPENLOOP",
                                "TPS_PER_SBANANATA",
                                "PERIODO_GIRI_PER_SBANANATA",
                                "TEMPO_TRA_PASSI_IN_SBANANATA",
                                "TEMPO_CORREZIONE_TEMPERATURA",
                                "TEMPO_LAMBDA_MAGRO_PER_RITORNO",
                                "DRIF_MAP_STACCATO",
                                "DTEMPO_MAP_STACCATO",
                                "DTEMPO_TEMPERATURA_ASSENTE",
                                "DTEMPERATURA_SENSORE_A_MASSA",
                                "DTEMPO_TEMPERATURA_A_MASSA",
                                "DTPS_A_MASSA",
                                "DTEMPO_TPS_A_MASSA",
                                "DTPS_A_VCC",
                                "DTEMPO_TPS_A_VCC",
                                "DTEMPO_CUTOFF_RICCO",
                                "DRIF_MAP_A_VCC",
                                "DTEMPO_MAP_A_VCC",
                                "DRIF_MAP_PER_GIRI_ASSENTI",
                                "DTEMPO_GIRI_ASSENTI",
                                "DRIF_LAMBDA_A_MASSA",
                                "DRIF_LAMBDA_A_VCC",
                                "DTEMPO_LAMBDA_CORTO",
                                "PERSONALIZZAZIONE",
                                "DEFAULT_REGISTRO_CONFIGURAZIONE_2"})
            k.push_back(key);
        return k;
    }();
    return keys;
}

bool ConfCar::WriteDefinitionFile() {
    return WriteAtomically([this] { WriteDefinitionLines(); });
}

void ConfCar::WriteDefinitionLines() {
    auto numbered = [this](const int32_t* values, int count, const char* stem) {
        for (int i = 0; i < count; ++i) WriteDefine(values[i], NumberedKey(stem, i));
    };
    WriteDefine(RITARDO_MASSIMO_CAMBIO, "RITARDO_MASSIMO_CAMBIO");
    WriteDefine(RITARDO_MINIMO_CAMBIO, "RITARDO_MINIMO_CAMBIO");
    WriteDefine(RIF_LAMBDA_PER_CAMBIO, "RIF_LAMBDA_PER_CAMBIO");
    WriteDefine(TEMPERATURA_MINIMA_PER_CAMBIO, "TEMPERATURA_MINIMA_PER_CAMBIO");
    WriteDefine(NUMERO_INVERSIONI_PER_CAMBIO, "NUMERO_INVERSIONI_PER_CAMBIO");
    WriteDefine(TEMPO_SOVRAPPOSIZIONE / 20, "TEMPO_SOVRAPPOSIZIONE");
    WriteDefine((Period(GIRI_MINIMI_PER_CAMBIO) & ~1) | (CAMBIO_IN_DECELERAZIONE & 1),
                "GIRI_MINIMI_PER_CAMBIO");
    WriteDefine(0, "VALORE_DECREMENTO_CUMULO_GIRI");
    WriteDefine(DEF_NUMERO_ONDE_EMULAZIONE, "DEF_NUMERO_ONDE_EMULAZIONE");
    WriteDefine(DEF_TEMPO_DI_EMULAZIONE_BASSO / 20, "DEF_TEMPO_DI_EMULAZIONE_BASSO");
    WriteDefine(DEF_TEMPO_DI_EMULAZIONE_ALTO / 20, "DEF_TEMPO_DI_EMULAZIONE_ALTO");
    WriteDefine(DEF_TEMPO_DI_EMULAZIONE_TRISTATE / 20, "DEF_TEMPO_DI_EMULAZIONE_TRISTATE");
    WriteDefine(TIPO_ACCENSIONE, "TIPO_ACCENSIONE");
    WriteDefine(TempoSafety(), "TEMPO_SAFETY");
    WriteDefine(DEF_GIRI_PER_CUTOFF, "DEF_GIRI_PER_CUTOFF");
    WriteDefine(DEF_RITARDO_INNESCO_CUTOFF / 20, "DEF_RITARDO_INNESCO_CUTOFF");
    WriteDefine(0, "CUMULO_GIRI_PER_CUTOFF");
    WriteDefine(Period(PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF),
                "PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF");
    WriteDefine(COEFF16_APERTURA_CUTOFF, "COEFF16_APERTURA_CUTOFF");
    WriteDefine(MAX_ERRORE_LAMBDA, "MAX_ERRORE_LAMBDA");
    WriteDefine(MIN_ERRORE_LAMBDA, "MIN_ERRORE_LAMBDA");
    WriteDefine(MAX_ERRORE_LAMBDA_AL_MINIMO, "MAX_ERRORE_LAMBDA_AL_MINIMO");
    WriteDefine(MIN_ERRORE_LAMBDA_AL_MINIMO, "MIN_ERRORE_LAMBDA_AL_MINIMO");
    WriteDefine(POSIZIONE_MOTORE_A_GIRI_BASSI, "POSIZIONE_MOTORE_A_GIRI_BASSI");
    WriteDefine(0, "POSIZIONE_MOTORE_A_MINIMO_TPS");
    WriteDefine(RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE / 20, "RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE");
    WriteDefine(MINIMO_CUMULO_TPS_PER_ARR, "MINIMO_CUMULO_TPS_PER_ARR");
    WriteDefine(TIPO_DI_LAMBDA, "TIPO_DI_LAMBDA");
    WriteDefine(RIF_INF_LAMBDA_FREDDA, "RIF_INF_LAMBDA_FREDDA");
    WriteDefine(RIF_SUP_LAMBDA_FREDDA, "RIF_SUP_LAMBDA_FREDDA");
    WriteDefine(TEMPO_DI_SONDA_FREDDA, "TEMPO_DI_SONDA_FREDDA");
    WriteDefine(TIPO_DI_TPS, "TIPO_DI_TPS");
    WriteDefine(ISTERESI_DEL_MINIMO_TPS, "ISTERESI_DEL_MINIMO_TPS");
    WriteDefine(ISTERESI_USCITA_DAL_MINIMO_TPS, "ISTERESI_USCITA_DAL_MINIMO_TPS");
    WriteDefine(ISTERESI_PER_MONOBOSCH, "ISTERESI_PER_MONOBOSCH");
    WriteDefine(SensorCode(), "TIPO_DI_SENSORE");
    WriteDefine(ISTERESI_LIVELLO, "ISTERESI_LIVELLO");
    numbered(RIF_SENS, 4, "RIF_SENS_");
    numbered(RIF_LAMBDA, 20, "RIF_LAMBDA_");
    numbered(OPENLOOP, 20, "OPENLOOP_");
    WriteDefine(FASCIA_GIRI_X_MINIMO, "FASCIA_GIRI_X_MINIMO");
    WriteDefine(VoltToByte(DEF_MINIMO_TPS, false), "DEF_MINIMO_TPS");
    WriteDefine(VoltToByte(MINIMO_TPS_POSSIBILE, false), "MINIMO_TPS_POSSIBILE");
    WriteDefine(JoinWords(ABILITAZIONE_DIAGNOSI), "ABILITAZIONE_DIAGNOSI");
    WriteDefine(JoinWords(DPASSAGGIO_AUTOMATICO_DIAGNOSI), "DPASSAGGIO_AUTOMATICO_DIAGNOSI");
    WriteDefine(JoinWords(DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS), "DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS");
    WriteDefine(DDIAGNOSI_TEMPO_LAMBDA_INATTIVA, "DDIAGNOSI_TEMPO_LAMBDA_INATTIVA");
    WriteDefine(DDIAGNOSI_TEMPO_TEMPERATURA_BASSA, "DDIAGNOSI_TEMPO_TEMPERATURA_BASSA");
    WriteDefine(DDIAGNOSI_TEMPERATURA_TROPPO_BASSA, "DDIAGNOSI_TEMPERATURA_TROPPO_BASSA");
    WriteDefine(MAX_MEDIA_ADATTO_AMMESSA, "MAX_MEDIA_ADATTO_AMMESSA");
    WriteDefine(RIFERIMENTO_COLONNA_ONE, "RIFERIMENTO_COLONNA_ONE");
    WriteDefine(RIFERIMENTO_COLONNA_TWO, "RIFERIMENTO_COLONNA_TWO");
    numbered(MAX_STEPV, 4, "MAX_STEPV_");
    numbered(MAX_STEPL, 4, "MAX_STEPL_");
    WriteDefine(TIPO_DI_CARBURANTE, "TIPO_DI_CARBURANTE");
    WriteDefine(CILINDRATA, "CILINDRATA");
    WriteDefine(ANNO_VETTURA, "ANNO_VETTURA");
    WriteDefine(DayToEcu(DATA_PROGRAMMA), "DATA_PROGRAMMA");
    WriteDefineString(MODELLO.substr(0, kTextFieldLength), "MODELLO");
    WriteDefineString(NOME_PROGRAMMA.substr(0, kTextFieldLength), "NOME_PROGRAMMA");
    WriteDefine(DEFAULT_REGISTRO_CONFIGURAZIONE, "DEFAULT_REGISTRO_CONFIGURAZIONE");
    numbered(TRIF, 8, "TRIF");
    numbered(COEFF_TEMPERATURA, 9, "COEFF_TEMPERATURA_");
    WriteDefine(GIRI_PER_FUORI_GIRI, "GIRI_PER_FUORI_GIRI");
    WriteDefine(GIRI_RIENTRO_DAL_FUORI_GIRI, "GIRI_RIENTRO_DAL_FUORI_GIRI");
    WriteDefine(DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI, "DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI");
    WriteDefine(JoinWords(DDIAGNOSI_PER_INSTALLATORE), "DDIAGNOSI_PER_INSTALLATORE");
    WriteDefine(TEMPO_VERIFICA_RISULTATI_ADATTO, "TEMPO_VERIFICA_RISULTATI_ADATTO");
    WriteDefine(JoinWords(DDIAGNOSI_FORZATO_IN_OPENLOOP), "DDIAGNOSI_FORZATO_IN_OPENLOOP");
    WriteDefine(TPS_PER_SBANANATA, "TPS_PER_SBANANATA");
    WriteDefine(PERIODO_GIRI_PER_SBANANATA, "PERIODO_GIRI_PER_SBANANATA");
    WriteDefine(TEMPO_TRA_PASSI_IN_SBANANATA, "TEMPO_TRA_PASSI_IN_SBANANATA");
    WriteDefine(TEMPO_CORREZIONE_TEMPERATURA, "TEMPO_CORREZIONE_TEMPERATURA");
    WriteDefine(TEMPO_LAMBDA_MAGRO_PER_RITORNO, "TEMPO_LAMBDA_MAGRO_PER_RITORNO");
    const auto thresholds = ObdThresholds();
    const auto& keys = DefinitionKeys();
    for (int i = 0; i < kObdThresholdCount; ++i) WriteDefine(*thresholds[size_t(i)], keys[size_t(136 + i)]);
    WriteDefine(PERSONALIZZAZIONE, "PERSONALIZZAZIONE");
    WriteDefine(DEFAULT_REGISTRO_CONFIGURAZIONE_2, "DEFAULT_REGISTRO_CONFIGURAZIONE_2");
}

std::string ConfCar::CheckDefinitionFile() const {
    // Older program versions wrote files that stop before one of these lines (1-based); a file
    // that stops anywhere else, or whose lines do not carry their keys, is damaged and would
    // otherwise fill the model (and the ECU) with NOT_FOUND and -1.
    static constexpr int kCleanEnds[] = {130, 131, 132, 137, 154};
    const auto& keys = DefinitionKeys();
    IoBaseData scan(GetFileName());
    if (scan.OpenForReading() != 0) return "File di configurazione non leggibile";
    std::string error;
    for (size_t i = 0; i < keys.size() && error.empty(); ++i) {
        const int lineNo = int(i) + 1;
        scan.ReadDefine(keys[i]);
        if (scan.ReadEnded()) {
            if (std::find(std::begin(kCleanEnds), std::end(kCleanEnds), lineNo) == std::end(kCleanEnds))
                error = "File di configurazione incompleto: manca la riga " + std::to_string(lineNo) + " (" +
                        keys[i] + ")";
            break;
        }
        const std::string& line = scan.LineBuffer();
        if (scan.ReadFailed())
            error = "File di configurazione danneggiato: la riga " + std::to_string(lineNo) +
                    " \xE8 troppo lunga";
        else if (!scan.LineIsDefinition() || line.find(keys[i]) == std::string::npos)
            error = "File di configurazione danneggiato: la riga " + std::to_string(lineNo) +
                    " non contiene " + keys[i];
    }
    scan.CloseReading();
    return error;
}

ConfCar::LoadResult ConfCar::ReadDefinitionFile() {
    LoadResult result;
    if (OpenForReading() != 0) {
        WriteToEcu();
        return result;
    }
    result.opened = true;
    result.error = CheckDefinitionFile();
    if (!result.error.empty()) {
        result.rejected = true;
        CloseReading();
        WriteToEcu();
        return result;
    }

    auto added = [&result](const char* line) {
        result.report.push_back(line);
        result.obsolete = true;
    };
    auto read = [this](std::string_view key) { return ReadDefine(key); };
    auto numbered = [&read](int32_t* values, int count, const char* stem) {
        for (int i = 0; i < count; ++i) values[i] = read(NumberedKey(stem, i));
    };
    int32_t v = 0;

    RITARDO_MASSIMO_CAMBIO = read("RITARDO_MASSIMO_CAMBIO");
    RITARDO_MINIMO_CAMBIO = read("RITARDO_MINIMO_CAMBIO");
    RIF_LAMBDA_PER_CAMBIO = read("RIF_LAMBDA_PER_CAMBIO");
    TEMPERATURA_MINIMA_PER_CAMBIO = read("TEMPERATURA_MINIMA_PER_CAMBIO");
    NUMERO_INVERSIONI_PER_CAMBIO = read("NUMERO_INVERSIONI_PER_CAMBIO");
    TEMPO_SOVRAPPOSIZIONE = FromTicks(read("TEMPO_SOVRAPPOSIZIONE"));
    v = read("GIRI_MINIMI_PER_CAMBIO");
    CAMBIO_IN_DECELERAZIONE = uint8_t(v & 1);
    GIRI_MINIMI_PER_CAMBIO = Period(v);
    read("VALORE_DECREMENTO_CUMULO_GIRI");
    DEF_NUMERO_ONDE_EMULAZIONE = read("DEF_NUMERO_ONDE_EMULAZIONE");
    DEF_TEMPO_DI_EMULAZIONE_BASSO = FromTicks(read("DEF_TEMPO_DI_EMULAZIONE_BASSO"));
    DEF_TEMPO_DI_EMULAZIONE_ALTO = FromTicks(read("DEF_TEMPO_DI_EMULAZIONE_ALTO"));
    DEF_TEMPO_DI_EMULAZIONE_TRISTATE = FromTicks(read("DEF_TEMPO_DI_EMULAZIONE_TRISTATE"));
    TIPO_ACCENSIONE = read("TIPO_ACCENSIONE");
    read("TEMPO_SAFETY");
    DEF_GIRI_PER_CUTOFF = read("DEF_GIRI_PER_CUTOFF");
    DEF_RITARDO_INNESCO_CUTOFF = FromTicks(read("DEF_RITARDO_INNESCO_CUTOFF"));
    read("CUMULO_GIRI_PER_CUTOFF");
    PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = Period(read("PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF"));
    COEFF16_APERTURA_CUTOFF = read("COEFF16_APERTURA_CUTOFF");
    MAX_ERRORE_LAMBDA = read("MAX_ERRORE_LAMBDA");
    MIN_ERRORE_LAMBDA = read("MIN_ERRORE_LAMBDA");
    MAX_ERRORE_LAMBDA_AL_MINIMO = read("MAX_ERRORE_LAMBDA_AL_MINIMO");
    MIN_ERRORE_LAMBDA_AL_MINIMO = read("MIN_ERRORE_LAMBDA_AL_MINIMO");
    POSIZIONE_MOTORE_A_GIRI_BASSI = read("POSIZIONE_MOTORE_A_GIRI_BASSI");
    read("POSIZIONE_MOTORE_A_MINIMO_TPS");
    RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE = FromTicks(read("RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE"));
    MINIMO_CUMULO_TPS_PER_ARR = read("MINIMO_CUMULO_TPS_PER_ARR");
    TIPO_DI_LAMBDA = read("TIPO_DI_LAMBDA");
    RIF_INF_LAMBDA_FREDDA = read("RIF_INF_LAMBDA_FREDDA");
    RIF_SUP_LAMBDA_FREDDA = read("RIF_SUP_LAMBDA_FREDDA");
    TEMPO_DI_SONDA_FREDDA = read("TEMPO_DI_SONDA_FREDDA");
    TIPO_DI_TPS = read("TIPO_DI_TPS");
    ISTERESI_DEL_MINIMO_TPS = read("ISTERESI_DEL_MINIMO_TPS");
    ISTERESI_USCITA_DAL_MINIMO_TPS = read("ISTERESI_USCITA_DAL_MINIMO_TPS");
    ISTERESI_PER_MONOBOSCH = read("ISTERESI_PER_MONOBOSCH");
    SetSensorCode(read("TIPO_DI_SENSORE"));
    ISTERESI_LIVELLO = read("ISTERESI_LIVELLO");
    numbered(RIF_SENS, 4, "RIF_SENS_");
    numbered(RIF_LAMBDA, 20, "RIF_LAMBDA_");
    numbered(OPENLOOP, 20, "OPENLOOP_");
    for (int32_t& ol : OPENLOOP) ol &= 0xFF;
    FASCIA_GIRI_X_MINIMO = read("FASCIA_GIRI_X_MINIMO");
    read("DEF_MINIMO_TPS");
    read("MINIMO_TPS_POSSIBILE");
    SplitWords(read("ABILITAZIONE_DIAGNOSI"), ABILITAZIONE_DIAGNOSI);
    SplitWords(read("DPASSAGGIO_AUTOMATICO_DIAGNOSI"), DPASSAGGIO_AUTOMATICO_DIAGNOSI);
    SplitWords(read("DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS"), DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS);
    read("DDIAGNOSI_TEMPO_LAMBDA_INATTIVA");
    read("DDIAGNOSI_TEMPO_TEMPERATURA_BASSA");
    if (read("DDIAGNOSI_TEMPERATURA_TROPPO_BASSA") != DDIAGNOSI_TEMPERATURA_TROPPO_BASSA)
        added("- Temperatura troppo bassa in Diagnosi (m)");
    MAX_MEDIA_ADATTO_AMMESSA = read("MAX_MEDIA_ADATTO_AMMESSA");
    RIFERIMENTO_COLONNA_ONE = read("RIFERIMENTO_COLONNA_ONE");
    RIFERIMENTO_COLONNA_TWO = read("RIFERIMENTO_COLONNA_TWO");
    numbered(MAX_STEPV, 4, "MAX_STEPV_");
    numbered(MAX_STEPL, 4, "MAX_STEPL_");
    TIPO_DI_CARBURANTE = read("TIPO_DI_CARBURANTE");
    CILINDRATA = read("CILINDRATA");
    ANNO_VETTURA = read("ANNO_VETTURA");
    DATA_PROGRAMMA = double(read("DATA_PROGRAMMA")) + kDateBase;
    ReadDefineString(MODELLO, "MODELLO");
    ReadDefineString(NOME_PROGRAMMA, "NOME_PROGRAMMA");
    v = read("DEFAULT_REGISTRO_CONFIGURAZIONE");
    DEFAULT_REGISTRO_CONFIGURAZIONE =
        (v & 0xFF & kRegisterModelBits) | (DEFAULT_REGISTRO_CONFIGURAZIONE & ~kRegisterModelBits);
    numbered(TRIF, 8, "TRIF");
    numbered(COEFF_TEMPERATURA, 9, "COEFF_TEMPERATURA_");
    GIRI_PER_FUORI_GIRI = read("GIRI_PER_FUORI_GIRI");
    GIRI_RIENTRO_DAL_FUORI_GIRI = read("GIRI_RIENTRO_DAL_FUORI_GIRI");
    DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = read("DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI");
    SplitWords(read("DDIAGNOSI_PER_INSTALLATORE"), DDIAGNOSI_PER_INSTALLATORE);

    v = read("TEMPO_VERIFICA_RISULTATI_ADATTO");
    if (v == NOT_FOUND) {
        TEMPO_VERIFICA_RISULTATI_ADATTO = 24;
        added("- Costante di tempo di Adattativit\xE0 (a)");
    } else {
        TEMPO_VERIFICA_RISULTATI_ADATTO = v;
    }

    v = read("DDIAGNOSI_FORZATO_IN_OPENLOOP");
    if (v == NOT_FOUND) {
        DDIAGNOSI_FORZATO_IN_OPENLOOP[0] = 0;
        added("- Opzioni di OpenLoop nella Diagnosi di funzionamento (a)");
    } else {
        SplitWords(v, DDIAGNOSI_FORZATO_IN_OPENLOOP);
    }

    v = read("TPS_PER_SBANANATA");
    if (v == NOT_FOUND) {
        TPS_PER_SBANANATA = 179;
        PERIODO_GIRI_PER_SBANANATA = 1875;
        TEMPO_TRA_PASSI_IN_SBANANATA = 4;
        TEMPO_CORREZIONE_TEMPERATURA = 200;
        TEMPO_LAMBDA_MAGRO_PER_RITORNO = 0;
        added("- Parametri sbananata, temp e ritorno benzina (a)");
    } else {
        TPS_PER_SBANANATA = v;
        PERIODO_GIRI_PER_SBANANATA = read("PERIODO_GIRI_PER_SBANANATA");
        TEMPO_TRA_PASSI_IN_SBANANATA = read("TEMPO_TRA_PASSI_IN_SBANANATA");
        TEMPO_CORREZIONE_TEMPERATURA = read("TEMPO_CORREZIONE_TEMPERATURA");
        TEMPO_LAMBDA_MAGRO_PER_RITORNO = read("TEMPO_LAMBDA_MAGRO_PER_RITORNO");
    }

    const auto thresholds = ObdThresholds();
    const auto& keys = DefinitionKeys();
    v = read("DRIF_MAP_STACCATO");
    if (v == NOT_FOUND) {
        DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = 10;
        for (int i = 0; i < kObdThresholdCount; ++i) *thresholds[size_t(i)] = kObdDefaultsFromFile[i];
        added("- Parametri diagnosi (a)");
    } else {
        DRIF_MAP_STACCATO = v;
        for (int i = 1; i < kObdThresholdCount; ++i) *thresholds[size_t(i)] = read(keys[size_t(136 + i)]);
    }

    v = read("PERSONALIZZAZIONE");
    if (v == NOT_FOUND) {
        // Files without the customisation words are simply older: no report line, no question.
        PERSONALIZZAZIONE = 0;
        DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 0;
    } else {
        PERSONALIZZAZIONE = v;
        DEFAULT_REGISTRO_CONFIGURAZIONE_2 = read("DEFAULT_REGISTRO_CONFIGURAZIONE_2");
    }
    CloseReading();

    if (result.obsolete && prompter_.Ask(kObsoleteQuestion, kFileCaption, PromptIcon::Warning,
                                         PromptButtons::YesNo) == PromptAnswer::Yes) {
        result.rewritten = WriteDefinitionFile();
        result.rewriteFailed = !result.rewritten;
        // The list tells what the upgraded file now holds: not shown for a file that was not written.
        if (result.rewritten) {
            std::string text = kObsoleteInfo;
            for (const std::string& line : result.report) text += line + "\n";
            prompter_.Ask(text, kFileCaption, PromptIcon::Information, PromptButtons::Ok);
        }
    }
    WriteToEcu();
    return result;
}

}  // namespace zov
