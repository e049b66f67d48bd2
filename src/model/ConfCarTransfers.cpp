#include <algorithm>
#include <iterator>

#include "CarUnits.h"
#include "ConfCar.h"
#include "LiveRecord.h"

// The vehicle configuration's transfers with the ECU.
namespace zov {

using namespace car_units;

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
    refusals_.Check(link_, var);
    // A lost session leaves the field as it was; a refused variable reads as the link's 0.
    if (!link_.IsConnected()) return false;
    field = v;
    return true;
}

void ConfCar::ReadArray(int var, int32_t* values) {
    link_.ReadVar(var, values);
    refusals_.Check(link_, var);
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
        refusals_.Check(link_, var);
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
    ReadArray(108, RIF_LAMBDA);
    ReadArray(104, OPENLOOP);
    ReadArray(109, RIF_SENS);

    Read(47, TIPO_DI_CARBURANTE);
    Read(40, CILINDRATA);
    Read(41, ANNO_VETTURA);
    Read(46, VERSIONE_CENTRALINA);
    ReadText(117, MODELLO);
    ReadText(118, NOME_PROGRAMMA);

    const int32_t version = VERSIONE_CENTRALINA;
    // The ignition, lambda and TPS types were read before the version was known; a firmware older
    // than 200 lacks them, so its refusal is its normal answer.
    if (version < kFirstTypedVersion)
        for (int var : {76, 77, 78}) refusals_.Forget(var);
    if (version > 3) {
        Read(6, GIRI_PER_FUORI_GIRI);
        Read(45, GIRI_RIENTRO_DAL_FUORI_GIRI);
        Read(71, VARIABILE_71);
        Read(63, VARIABILE_63);
    }
    if (version > 8) {
        ReadArray(119, TRIF);
        ReadArray(120, COEFF_TEMPERATURA);
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
        ReadArray(127, block);
        DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = block[3];
        for (int i = 0; i < kObdThresholdCount; ++i) *thresholds[size_t(i)] = block[4 + i];
    }

    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        for (int kind = 1; kind <= 6; ++kind) ReadArray(120 + kind, DiagnosisPair(kind));
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

    TIPO_SENSORE_MAP = MapSensorType(PERSONALIZZAZIONE);
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
        ReadArray(129, PASSI_FATTI_AUTOMATICI);
        ReadArray(130, ERRORE_MEDIO);
        std::fill(std::begin(MAX_STEPV), std::end(MAX_STEPV), 0);
        std::fill(std::begin(PASSI_FATTI_INSTALLATORE), std::end(PASSI_FATTI_INSTALLATORE), 0);
    } else {
        ADATTATIVITA_ESTESA = 0;
        ReadArray(113, MAX_STEPL);
        ReadArray(114, PASSI_FATTI_INSTALLATORE);
        ReadArray(115, PASSI_FATTI_AUTOMATICI);
        ReadArray(116, ERRORE_MEDIO);
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

void ConfCar::TakeNormalModeValues(const ConfCar& before) {
    std::copy(std::begin(before.OPENLOOP), std::end(before.OPENLOOP), std::begin(OPENLOOP));
    DEF_GIRI_PER_CUTOFF = before.DEF_GIRI_PER_CUTOFF;
    PERIODO_GIRI_PER_SBANANATA = before.PERIODO_GIRI_PER_SBANANATA;
    MAX_ERRORE_LAMBDA = before.MAX_ERRORE_LAMBDA;
    MIN_ERRORE_LAMBDA = before.MIN_ERRORE_LAMBDA;
    MAX_ERRORE_LAMBDA_AL_MINIMO = before.MAX_ERRORE_LAMBDA_AL_MINIMO;
    MIN_ERRORE_LAMBDA_AL_MINIMO = before.MIN_ERRORE_LAMBDA_AL_MINIMO;
    USA_OPENLOOP_MAPPATURA = before.USA_OPENLOOP_MAPPATURA;
    USA_CUTOFF_MAPPATURA = before.USA_CUTOFF_MAPPATURA;
    USA_SBANANATA_MAPPATURA = before.USA_SBANANATA_MAPPATURA;
    USA_ERRORE_LAMBDA_MAPPATURA = before.USA_ERRORE_LAMBDA_MAPPATURA;
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

}  // namespace zov
