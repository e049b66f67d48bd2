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

WriteOutcome ConfCar::Send(int var, int32_t value) {
    return refusals_.Written(var, link_.WriteVar(var, value));
}

WriteOutcome ConfCar::SendArray(int var, const int32_t* values) {
    return refusals_.Written(var, link_.WriteArray(var, values));
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

WriteOutcome ConfCar::WriteToEcu() {
    // Every write goes out whatever became of the one before: the ECU keeps what it takes, and
    // the refusals end up in the log.
    WriteOutcome outcome = WriteOutcome::Answered;
    auto send = [&](int var, int32_t value) { outcome = Worse(outcome, Send(var, value)); };
    auto sendArray = [&](int var, const int32_t* values) {
        outcome = Worse(outcome, SendArray(var, values));
    };
    const int32_t version = VERSIONE_CENTRALINA;
    send(0, RITARDO_MASSIMO_CAMBIO);
    send(1, RITARDO_MINIMO_CAMBIO);
    send(2, TEMPERATURA_MINIMA_PER_CAMBIO);
    send(3, NUMERO_INVERSIONI_PER_CAMBIO);
    send(4, RIF_LAMBDA_PER_CAMBIO);
    send(25, RIF_INF_LAMBDA_FREDDA);
    send(24, RIF_SUP_LAMBDA_FREDDA);
    send(26, TEMPO_DI_SONDA_FREDDA);
    send(5, ToTicks(TEMPO_SOVRAPPOSIZIONE));
    send(20, (Period(GIRI_MINIMI_PER_CAMBIO) & ~1) | (CAMBIO_IN_DECELERAZIONE & 1));

    MergeRegister();
    send(39, DEFAULT_REGISTRO_CONFIGURAZIONE);

    send(8, DEF_NUMERO_ONDE_EMULAZIONE);
    send(10, ToTicks(DEF_TEMPO_DI_EMULAZIONE_ALTO));
    send(9, ToTicks(DEF_TEMPO_DI_EMULAZIONE_BASSO));
    send(21, ToTicks(DEF_TEMPO_DI_EMULAZIONE_TRISTATE));
    send(11, ToTicks(DEF_RITARDO_INNESCO_CUTOFF));
    send(22, Mapping(USA_CUTOFF_MAPPATURA) ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF);
    send(33, Period(PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF));
    send(32, COEFF16_APERTURA_CUTOFF);

    if (Mapping(USA_ERRORE_LAMBDA_MAPPATURA)) {
        send(18, MAX_ERRORE_LAMBDA_MAPPATURA);
        send(19, MIN_ERRORE_LAMBDA_MAPPATURA);
        send(30, MAX_ERRORE_LAMBDA_MAPPATURA);
        send(31, MIN_ERRORE_LAMBDA_MAPPATURA);
    } else {
        send(18, MAX_ERRORE_LAMBDA);
        send(19, MIN_ERRORE_LAMBDA);
        send(30, MAX_ERRORE_LAMBDA_AL_MINIMO);
        send(31, MIN_ERRORE_LAMBDA_AL_MINIMO);
    }

    send(15, ISTERESI_LIVELLO);
    send(75, POSIZIONE_MOTORE_A_GIRI_BASSI);
    send(14, ToTicks(RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE));
    send(27, ISTERESI_DEL_MINIMO_TPS);
    send(28, ISTERESI_USCITA_DAL_MINIMO_TPS);
    send(29, ISTERESI_PER_MONOBOSCH);
    send(7, FASCIA_GIRI_X_MINIMO);
    send(12, MINIMO_CUMULO_TPS_PER_ARR);
    // No code at all (an index outside the table and nothing kept): leave the ECU's own.
    if (SensorCode() >= 0) send(16, SensorCode());

    sendArray(108, RIF_LAMBDA);
    sendArray(109, RIF_SENS);
    sendArray(104, Mapping(USA_OPENLOOP_MAPPATURA) ? OPENLOOP_MAPPATURA : OPENLOOP);

    if (version > 3) {
        send(6, GIRI_PER_FUORI_GIRI);
        send(45, GIRI_RIENTRO_DAL_FUORI_GIRI);
        send(71, VARIABILE_71);
        send(63, VARIABILE_63);
    }
    if (version > 8) sendArray(120, COEFF_TEMPERATURA);
    if (version > 35) {
        send(95, TPS_PER_SBANANATA);
        send(96, Mapping(USA_SBANANATA_MAPPATURA) ? PERIODO_SBANANATA_MAPPATURA : PERIODO_GIRI_PER_SBANANATA);
    }
    if (version > 43) {
        send(97, TEMPO_CORREZIONE_TEMPERATURA);
        send(98, TEMPO_LAMBDA_MAGRO_PER_RITORNO);
    }
    if (version >= 200) {
        send(99, RIF_LAMBDA[0]);
        send(78, TIPO_ACCENSIONE);
        send(76, TIPO_DI_LAMBDA);
        send(77, TIPO_DI_TPS);
        send(57, (TIPO_DI_TPS & 2) ? 0 : 87);
        send(40, CILINDRATA);
        if (link_.IsConnected() && HasExtendedSettings()) {
            sendArray(119, TRIF);
            sendArray(120, COEFF_TEMPERATURA);
        }
    }

    if (DEFAULT_REGISTRO_CONFIGURAZIONE & kRegisterWordPairs) {
        sendArray(121, ABILITAZIONE_DIAGNOSI);
        sendArray(122, EFFETTO_DIAGNOSI);
    } else if (version == 3) {
        send(89, 0);
    } else if (version > 3) {
        send(89, ABILITAZIONE_DIAGNOSI[0]);
        send(90, EFFETTO_DIAGNOSI[0]);
    }
    return outcome;
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

WriteOutcome ConfCar::WriteAdaptation() {
    WriteOutcome outcome = Send(34, MAX_MEDIA_ADATTO_AMMESSA);
    if (link_.IsConnected()) {
        MergeRegister();
        if (HasExtendedSettings()) {
            outcome = Worse(outcome, Send(35, RIFERIMENTO_COLONNA_ONE));
            outcome = Worse(outcome, Send(36, RIFERIMENTO_COLONNA_TWO));
        }
    }
    outcome = Worse(outcome, Send(39, DEFAULT_REGISTRO_CONFIGURAZIONE));
    if (ADATTATIVITA_ESTESA) {
        outcome = Worse(outcome, Send(128, MAX_STEPL[0]));
        outcome = Worse(outcome, SendArray(129, PASSI_FATTI_AUTOMATICI));
        return Worse(outcome, Send(58, TEMPO_VERIFICA_RISULTATI_ADATTO));
    }
    outcome = Worse(outcome, SendArray(114, PASSI_FATTI_INSTALLATORE));
    return Worse(outcome, SendArray(115, PASSI_FATTI_AUTOMATICI));
}

WriteOutcome ConfCar::ResetAdaptation() {
    std::fill(std::begin(PASSI_FATTI_INSTALLATORE), std::end(PASSI_FATTI_INSTALLATORE), 0);
    std::fill(std::begin(PASSI_FATTI_AUTOMATICI), std::end(PASSI_FATTI_AUTOMATICI), 0);
    if (ADATTATIVITA_ESTESA) return SendArray(129, PASSI_FATTI_AUTOMATICI);
    const WriteOutcome installer = SendArray(114, PASSI_FATTI_INSTALLATORE);
    return Worse(installer, SendArray(115, PASSI_FATTI_AUTOMATICI));
}

WriteOutcome ConfCar::SendMappingValues(bool mapping) {
    WriteOutcome outcome = WriteOutcome::Answered;
    auto send = [&](int var, int32_t value) { outcome = Worse(outcome, Send(var, value)); };
    if (USA_OPENLOOP_MAPPATURA) outcome = SendArray(104, mapping ? OPENLOOP_MAPPATURA : OPENLOOP);
    if (USA_CUTOFF_MAPPATURA) send(22, mapping ? GIRI_CUTOFF_MAPPATURA : DEF_GIRI_PER_CUTOFF);
    if (USA_SBANANATA_MAPPATURA && VERSIONE_CENTRALINA > 35)
        send(96, mapping ? PERIODO_SBANANATA_MAPPATURA : PERIODO_GIRI_PER_SBANANATA);
    if (USA_ERRORE_LAMBDA_MAPPATURA) {
        send(18, mapping ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA);
        send(19, mapping ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA);
        send(30, mapping ? MAX_ERRORE_LAMBDA_MAPPATURA : MAX_ERRORE_LAMBDA_AL_MINIMO);
        send(31, mapping ? MIN_ERRORE_LAMBDA_MAPPATURA : MIN_ERRORE_LAMBDA_AL_MINIMO);
    }
    return outcome;
}

WriteOutcome ConfCar::EnterMapping() {
    const WriteOutcome values = SendMappingValues(true);
    DEFAULT_REGISTRO_CONFIGURAZIONE |= kRegisterMapping;
    const WriteOutcome mode = Send(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    MAPPATURA_ATTIVA = 1;
    return Worse(values, mode);
}

WriteOutcome ConfCar::LeaveMapping() {
    const WriteOutcome values = SendMappingValues(false);
    DEFAULT_REGISTRO_CONFIGURAZIONE &= ~kRegisterMapping;
    const WriteOutcome mode = Send(39, DEFAULT_REGISTRO_CONFIGURAZIONE);
    MAPPATURA_ATTIVA = 0;
    return Worse(values, mode);
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
        (void)refusals_.Written(120 + kind, link_.WriteVarElement(120 + kind, word, pair[word]));
        return;
    }
    const int32_t minVersion = kind <= 2 ? 3 : kind <= 5 ? 4 : 9;
    if (word == 0 && VERSIONE_CENTRALINA >= minVersion) (void)Send(88 + kind, pair[0]);
}

}  // namespace zov
