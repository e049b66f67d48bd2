#include "CarDefinitionKeys.h"

#include <type_traits>

#include "CarUnits.h"
#include "ConfCar.h"
#include "IoBaseData.h"

namespace zov {
namespace {

using enum CarFileConversion;
using namespace car_units;

// The first element of a model field, scalar or array.
template <auto Member>
int32_t* F(ConfCar& car) {
    auto& field = car.*Member;
    if constexpr (std::is_array_v<std::remove_reference_t<decltype(field)>>)
        return field;
    else
        return &field;
}

constexpr int32_t kObdDefaultsFromFile[ConfCar::kObdThresholdCount] = {5, 5,   8, 8,   8, 5, 8,   250, 8,
                                                                       4, 214, 5, 153, 5, 2, 100, 30};

// What a file written before generation `since` lacks, and what the model then takes instead.
struct Generation {
    int since;
    const char* report;  // null: such files are simply older, nothing to tell
    void (*defaults)(ConfCar&);
};

const Generation kGenerations[] = {
    {1, "- Costante di tempo di Adattativit\xE0 (a)",
     [](ConfCar& c) { c.TEMPO_VERIFICA_RISULTATI_ADATTO = 24; }},
    {2, "- Opzioni di OpenLoop nella Diagnosi di funzionamento (a)",
     [](ConfCar& c) { c.DDIAGNOSI_FORZATO_IN_OPENLOOP[0] = 0; }},
    {3, "- Parametri sbananata, temp e ritorno benzina (a)",
     [](ConfCar& c) {
         c.TPS_PER_SBANANATA = 179;
         c.PERIODO_GIRI_PER_SBANANATA = 1875;
         c.TEMPO_TRA_PASSI_IN_SBANANATA = 4;
         c.TEMPO_CORREZIONE_TEMPERATURA = 200;
         c.TEMPO_LAMBDA_MAGRO_PER_RITORNO = 0;
     }},
    {4, "- Parametri diagnosi (a)",
     [](ConfCar& c) {
         c.DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = 10;
         // The thresholds are the rows this generation brought, in their order.
         const int32_t* value = kObdDefaultsFromFile;
         for (const CarFileKey& row : CarDefinitionKeys::Rows())
             if (row.since == 4) *row.field(c) = *value++;
     }},
    {5, nullptr,
     [](ConfCar& c) {
         c.PERSONALIZZAZIONE = 0;
         c.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 0;
     }},
};

// Line index (0-based) where each generation starts.
size_t FirstLineOf(int since) {
    size_t line = 0;
    for (const CarFileKey& row : CarDefinitionKeys::Rows()) {
        if (row.since == since) return line;
        line += size_t(row.count);
    }
    return line;
}

}  // namespace

const std::vector<CarFileKey>& CarDefinitionKeys::Rows() {
    using C = ConfCar;
    static const std::vector<CarFileKey> rows = {
        {"RITARDO_MASSIMO_CAMBIO", F<&C::RITARDO_MASSIMO_CAMBIO>, 1, Plain, 0},
        {"RITARDO_MINIMO_CAMBIO", F<&C::RITARDO_MINIMO_CAMBIO>, 1, Plain, 0},
        {"RIF_LAMBDA_PER_CAMBIO", F<&C::RIF_LAMBDA_PER_CAMBIO>, 1, Plain, 0},
        {"TEMPERATURA_MINIMA_PER_CAMBIO", F<&C::TEMPERATURA_MINIMA_PER_CAMBIO>, 1, Plain, 0},
        {"NUMERO_INVERSIONI_PER_CAMBIO", F<&C::NUMERO_INVERSIONI_PER_CAMBIO>, 1, Plain, 0},
        {"TEMPO_SOVRAPPOSIZIONE", F<&C::TEMPO_SOVRAPPOSIZIONE>, 1, Ticks, 0},
        {"GIRI_MINIMI_PER_CAMBIO", F<&C::GIRI_MINIMI_PER_CAMBIO>, 1, ChangeoverRpm, 0},
        {"VALORE_DECREMENTO_CUMULO_GIRI", nullptr, 1, Zero, 0},
        {"DEF_NUMERO_ONDE_EMULAZIONE", F<&C::DEF_NUMERO_ONDE_EMULAZIONE>, 1, Plain, 0},
        {"DEF_TEMPO_DI_EMULAZIONE_BASSO", F<&C::DEF_TEMPO_DI_EMULAZIONE_BASSO>, 1, Ticks, 0},
        {"DEF_TEMPO_DI_EMULAZIONE_ALTO", F<&C::DEF_TEMPO_DI_EMULAZIONE_ALTO>, 1, Ticks, 0},
        {"DEF_TEMPO_DI_EMULAZIONE_TRISTATE", F<&C::DEF_TEMPO_DI_EMULAZIONE_TRISTATE>, 1, Ticks, 0},
        {"TIPO_ACCENSIONE", F<&C::TIPO_ACCENSIONE>, 1, Plain, 0},
        {"TEMPO_SAFETY", nullptr, 1, TempoSafety, 0},
        {"DEF_GIRI_PER_CUTOFF", F<&C::DEF_GIRI_PER_CUTOFF>, 1, Plain, 0},
        {"DEF_RITARDO_INNESCO_CUTOFF", F<&C::DEF_RITARDO_INNESCO_CUTOFF>, 1, Ticks, 0},
        {"CUMULO_GIRI_PER_CUTOFF", nullptr, 1, Zero, 0},
        {"PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF", F<&C::PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF>, 1,
         Period, 0},
        {"COEFF16_APERTURA_CUTOFF", F<&C::COEFF16_APERTURA_CUTOFF>, 1, Plain, 0},
        {"MAX_ERRORE_LAMBDA", F<&C::MAX_ERRORE_LAMBDA>, 1, Plain, 0},
        {"MIN_ERRORE_LAMBDA", F<&C::MIN_ERRORE_LAMBDA>, 1, Plain, 0},
        {"MAX_ERRORE_LAMBDA_AL_MINIMO", F<&C::MAX_ERRORE_LAMBDA_AL_MINIMO>, 1, Plain, 0},
        {"MIN_ERRORE_LAMBDA_AL_MINIMO", F<&C::MIN_ERRORE_LAMBDA_AL_MINIMO>, 1, Plain, 0},
        {"POSIZIONE_MOTORE_A_GIRI_BASSI", F<&C::POSIZIONE_MOTORE_A_GIRI_BASSI>, 1, Plain, 0},
        {"POSIZIONE_MOTORE_A_MINIMO_TPS", nullptr, 1, Zero, 0},
        {"RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE", F<&C::RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE>, 1, Ticks, 0},
        {"MINIMO_CUMULO_TPS_PER_ARR", F<&C::MINIMO_CUMULO_TPS_PER_ARR>, 1, Plain, 0},
        {"TIPO_DI_LAMBDA", F<&C::TIPO_DI_LAMBDA>, 1, Plain, 0},
        {"RIF_INF_LAMBDA_FREDDA", F<&C::RIF_INF_LAMBDA_FREDDA>, 1, Plain, 0},
        {"RIF_SUP_LAMBDA_FREDDA", F<&C::RIF_SUP_LAMBDA_FREDDA>, 1, Plain, 0},
        {"TEMPO_DI_SONDA_FREDDA", F<&C::TEMPO_DI_SONDA_FREDDA>, 1, Plain, 0},
        {"TIPO_DI_TPS", F<&C::TIPO_DI_TPS>, 1, Plain, 0},
        {"ISTERESI_DEL_MINIMO_TPS", F<&C::ISTERESI_DEL_MINIMO_TPS>, 1, Plain, 0},
        {"ISTERESI_USCITA_DAL_MINIMO_TPS", F<&C::ISTERESI_USCITA_DAL_MINIMO_TPS>, 1, Plain, 0},
        {"ISTERESI_PER_MONOBOSCH", F<&C::ISTERESI_PER_MONOBOSCH>, 1, Plain, 0},
        {"TIPO_DI_SENSORE", nullptr, 1, SensorCode, 0},
        {"ISTERESI_LIVELLO", F<&C::ISTERESI_LIVELLO>, 1, Plain, 0},
        {"RIF_SENS_", F<&C::RIF_SENS>, 4, Plain, 0},
        {"RIF_LAMBDA_", F<&C::RIF_LAMBDA>, 20, Plain, 0},
        {"OPENLOOP_", F<&C::OPENLOOP>, 20, OpenLoop, 0},
        {"FASCIA_GIRI_X_MINIMO", F<&C::FASCIA_GIRI_X_MINIMO>, 1, Plain, 0},
        {"DEF_MINIMO_TPS", F<&C::DEF_MINIMO_TPS>, 1, FileVolt, 0},
        {"MINIMO_TPS_POSSIBILE", F<&C::MINIMO_TPS_POSSIBILE>, 1, FileVolt, 0},
        {"ABILITAZIONE_DIAGNOSI", F<&C::ABILITAZIONE_DIAGNOSI>, 1, WordPair, 0},
        {"DPASSAGGIO_AUTOMATICO_DIAGNOSI", F<&C::DPASSAGGIO_AUTOMATICO_DIAGNOSI>, 1, WordPair, 0},
        {"DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS", F<&C::DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS>, 1, WordPair, 0},
        {"DDIAGNOSI_TEMPO_LAMBDA_INATTIVA", F<&C::DDIAGNOSI_TEMPO_LAMBDA_INATTIVA>, 1, Written, 0},
        {"DDIAGNOSI_TEMPO_TEMPERATURA_BASSA", F<&C::DDIAGNOSI_TEMPO_TEMPERATURA_BASSA>, 1, Written, 0},
        {"DDIAGNOSI_TEMPERATURA_TROPPO_BASSA", F<&C::DDIAGNOSI_TEMPERATURA_TROPPO_BASSA>, 1, Fixed, 0,
         nullptr, "- Temperatura troppo bassa in Diagnosi (m)"},
        {"MAX_MEDIA_ADATTO_AMMESSA", F<&C::MAX_MEDIA_ADATTO_AMMESSA>, 1, Plain, 0},
        {"RIFERIMENTO_COLONNA_ONE", F<&C::RIFERIMENTO_COLONNA_ONE>, 1, Plain, 0},
        {"RIFERIMENTO_COLONNA_TWO", F<&C::RIFERIMENTO_COLONNA_TWO>, 1, Plain, 0},
        {"MAX_STEPV_", F<&C::MAX_STEPV>, 4, Plain, 0},
        {"MAX_STEPL_", F<&C::MAX_STEPL>, 4, Plain, 0},
        {"TIPO_DI_CARBURANTE", F<&C::TIPO_DI_CARBURANTE>, 1, Plain, 0},
        {"CILINDRATA", F<&C::CILINDRATA>, 1, Plain, 0},
        {"ANNO_VETTURA", F<&C::ANNO_VETTURA>, 1, Plain, 0},
        {"DATA_PROGRAMMA", nullptr, 1, Date, 0},
        {"MODELLO", nullptr, 1, Text, 0, &C::MODELLO},
        {"NOME_PROGRAMMA", nullptr, 1, Text, 0, &C::NOME_PROGRAMMA},
        {"DEFAULT_REGISTRO_CONFIGURAZIONE", F<&C::DEFAULT_REGISTRO_CONFIGURAZIONE>, 1, Register, 0},
        {"TRIF", F<&C::TRIF>, 8, Plain, 0},
        {"COEFF_TEMPERATURA_", F<&C::COEFF_TEMPERATURA>, 9, Plain, 0},
        {"GIRI_PER_FUORI_GIRI", F<&C::GIRI_PER_FUORI_GIRI>, 1, Plain, 0},
        {"GIRI_RIENTRO_DAL_FUORI_GIRI", F<&C::GIRI_RIENTRO_DAL_FUORI_GIRI>, 1, Plain, 0},
        {"DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI", F<&C::DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI>, 1, Plain, 0},
        {"DDIAGNOSI_PER_INSTALLATORE", F<&C::DDIAGNOSI_PER_INSTALLATORE>, 1, WordPair, 0},
        {"TEMPO_VERIFICA_RISULTATI_ADATTO", F<&C::TEMPO_VERIFICA_RISULTATI_ADATTO>, 1, Plain, 1},
        {"DDIAGNOSI_FORZATO_IN_OPENLOOP", F<&C::DDIAGNOSI_FORZATO_IN_OPENLOOP>, 1, WordPair, 2},
        {"TPS_PER_SBANANATA", F<&C::TPS_PER_SBANANATA>, 1, Plain, 3},
        {"PERIODO_GIRI_PER_SBANANATA", F<&C::PERIODO_GIRI_PER_SBANANATA>, 1, Plain, 3},
        {"TEMPO_TRA_PASSI_IN_SBANANATA", F<&C::TEMPO_TRA_PASSI_IN_SBANANATA>, 1, Plain, 3},
        {"TEMPO_CORREZIONE_TEMPERATURA", F<&C::TEMPO_CORREZIONE_TEMPERATURA>, 1, Plain, 3},
        {"TEMPO_LAMBDA_MAGRO_PER_RITORNO", F<&C::TEMPO_LAMBDA_MAGRO_PER_RITORNO>, 1, Plain, 3},
        // The 17 OBD thresholds, in the ECU's order (bytes 4..20 of var 127).
        {"DRIF_MAP_STACCATO", F<&C::DRIF_MAP_STACCATO>, 1, Plain, 4},
        {"DTEMPO_MAP_STACCATO", F<&C::DTEMPO_MAP_STACCATO>, 1, Plain, 4},
        {"DTEMPO_TEMPERATURA_ASSENTE", F<&C::DTEMPO_TEMPERATURA_ASSENTE>, 1, Plain, 4},
        {"DTEMPERATURA_SENSORE_A_MASSA", F<&C::DTEMPERATURA_SENSORE_A_MASSA>, 1, Plain, 4},
        {"DTEMPO_TEMPERATURA_A_MASSA", F<&C::DTEMPO_TEMPERATURA_A_MASSA>, 1, Plain, 4},
        {"DTPS_A_MASSA", F<&C::DTPS_A_MASSA>, 1, Plain, 4},
        {"DTEMPO_TPS_A_MASSA", F<&C::DTEMPO_TPS_A_MASSA>, 1, Plain, 4},
        {"DTPS_A_VCC", F<&C::DTPS_A_VCC>, 1, Plain, 4},
        {"DTEMPO_TPS_A_VCC", F<&C::DTEMPO_TPS_A_VCC>, 1, Plain, 4},
        {"DTEMPO_CUTOFF_RICCO", F<&C::DTEMPO_CUTOFF_RICCO>, 1, Plain, 4},
        {"DRIF_MAP_A_VCC", F<&C::DRIF_MAP_A_VCC>, 1, Plain, 4},
        {"DTEMPO_MAP_A_VCC", F<&C::DTEMPO_MAP_A_VCC>, 1, Plain, 4},
        {"DRIF_MAP_PER_GIRI_ASSENTI", F<&C::DRIF_MAP_PER_GIRI_ASSENTI>, 1, Plain, 4},
        {"DTEMPO_GIRI_ASSENTI", F<&C::DTEMPO_GIRI_ASSENTI>, 1, Plain, 4},
        {"DRIF_LAMBDA_A_MASSA", F<&C::DRIF_LAMBDA_A_MASSA>, 1, Plain, 4},
        {"DRIF_LAMBDA_A_VCC", F<&C::DRIF_LAMBDA_A_VCC>, 1, Plain, 4},
        {"DTEMPO_LAMBDA_CORTO", F<&C::DTEMPO_LAMBDA_CORTO>, 1, Plain, 4},
        {"PERSONALIZZAZIONE", F<&C::PERSONALIZZAZIONE>, 1, Plain, 5},
        {"DEFAULT_REGISTRO_CONFIGURAZIONE_2", F<&C::DEFAULT_REGISTRO_CONFIGURAZIONE_2>, 1, Plain, 5},
    };
    return rows;
}

std::string CarDefinitionKeys::KeyOf(const CarFileKey& row, int i) {
    return row.count == 1 ? std::string(row.key) : NumberedKey(row.key, i);
}

const std::vector<std::string>& CarDefinitionKeys::Keys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const CarFileKey& row : Rows())
            for (int i = 0; i < row.count; ++i) k.push_back(KeyOf(row, i));
        return k;
    }();
    return keys;
}

bool CarDefinitionKeys::IsCleanEnd(size_t lines) {
    for (const Generation& g : kGenerations)
        if (FirstLineOf(g.since) == lines) return true;
    return false;
}

int32_t CarDefinitionKeys::ToFile(ConfCar& car, const CarFileKey& row, int i) {
    switch (row.conversion) {
        case Ticks:
            return *row.field(car) / 20;
        case Period:
            return ConfCar::Period(*row.field(car));
        case ChangeoverRpm:
            return (ConfCar::Period(car.GIRI_MINIMI_PER_CAMBIO) & ~1) | (car.CAMBIO_IN_DECELERAZIONE & 1);
        case SensorCode:
            return car.SensorCode();
        case WordPair:
            return JoinWords(row.field(car));
        case Date:
            return DayToEcu(car.DATA_PROGRAMMA);
        case FileVolt:
            return ConfCar::VoltToByte(*row.field(car), false);
        case Zero:
        case Text:
            return 0;
        case TempoSafety:
            return car.TempoSafety();
        case Plain:
        case OpenLoop:
        case Register:
        case Written:
        case Fixed:
            break;
    }
    return row.field(car)[i];
}

void CarDefinitionKeys::FromFile(ConfCar& car, const CarFileKey& row, int i, int32_t value,
                                 std::vector<std::string>& report) {
    switch (row.conversion) {
        case Plain:
            row.field(car)[i] = value;
            break;
        case Ticks:
            *row.field(car) = FromTicks(value);
            break;
        case Period:
            *row.field(car) = ConfCar::Period(value);
            break;
        case ChangeoverRpm:
            car.CAMBIO_IN_DECELERAZIONE = uint8_t(value & 1);
            car.GIRI_MINIMI_PER_CAMBIO = ConfCar::Period(value);
            break;
        case OpenLoop:
            row.field(car)[i] = value & 0xFF;
            break;
        case SensorCode:
            car.SetSensorCode(value);
            break;
        case Register: {
            int32_t& reg = *row.field(car);
            reg = (value & 0xFF & kRegisterModelBits) | (reg & ~kRegisterModelBits);
            break;
        }
        case WordPair:
            SplitWords(value, row.field(car));
            break;
        case Date:
            car.DATA_PROGRAMMA = double(value) + ConfCar::kDateBase;
            break;
        case Fixed:
            if (value != *row.field(car)) report.push_back(row.note);
            break;
        case Text:
        case Written:
        case FileVolt:
        case Zero:
        case TempoSafety:
            break;
    }
}

void CarDefinitionKeys::FillMissing(ConfCar& car, size_t lines, std::vector<std::string>& report) {
    for (const Generation& g : kGenerations) {
        if (lines > FirstLineOf(g.since)) continue;
        g.defaults(car);
        if (g.report) report.push_back(g.report);
    }
}

}  // namespace zov
