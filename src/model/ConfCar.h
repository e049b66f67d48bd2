#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ComInj.h"
#include "IoBaseData.h"
#include "Prompter.h"
#include "RefusalLog.h"

namespace zov {

// The vehicle configuration: the in-memory image of the ECU's configuration variables, their
// conversions to engineering units, its transfers with the ECU and its definition file fileh0.h.
//
// Field naming: every field is named after its definition-file key. A run of numbered keys
// (RIF_LAMBDA_0 .. RIF_LAMBDA_19, TRIF0 .. TRIF7) is one array named after the key stem without
// the trailing separator: RIF_LAMBDA[20], OPENLOOP[20], TRIF[8], COEFF_TEMPERATURA[9],
// RIF_SENS[4], MAX_STEPV[4], MAX_STEPL[4], PASSI_FATTI_INSTALLATORE[4],
// PASSI_FATTI_AUTOMATICI[8], ERRORE_MEDIO[8], OPENLOOP_MAPPATURA[20]. A diagnosis word pair is
// one array of two 16-bit words, [0] the low and [1] the high word (ABILITAZIONE_DIAGNOSI[2]...).
//
// Stored units are the ECU's (periods, volt bytes, temperature bytes) except where noted; the ms
// fields hold milliseconds and travel as ms / 20. GetValue/SetValue convert by variable index.
class ConfCar : public IoBaseData {
  public:
    static constexpr int32_t kUnhandled = 800000;       // GetValue/GetLambdaRef/GetOpenLoop: no such entry
    static constexpr int32_t kDateBase = 36080;         // the ECU's date counts days since 12 Oct 1998
    static constexpr int32_t kFirstTypedVersion = 200;  // the first data version with variables 76-78
    static constexpr int kObdThresholdCount = 17;

    // Code tables, in index order.
    static constexpr int kLambdaCodeCount = 6;
    static constexpr int32_t kLambdaCodes[kLambdaCodeCount] = {2, 4, 24, 40, 25, 41};
    static const char* const kLambdaNames[kLambdaCodeCount];
    static constexpr int kIgnitionCodeCount = 7;
    static constexpr int32_t kIgnitionCodes[kIgnitionCodeCount] = {3, 4, 5, 6, 8, 2, 1};
    static const char* const kIgnitionNames[kIgnitionCodeCount];
    static constexpr int32_t kTempoSafety[kIgnitionCodeCount] = {2, 2, 2, 1, 1, 3, 6};
    static constexpr int kSensorCodeCount = 6;
    static constexpr int32_t kSensorCodes[kSensorCodeCount] = {4, 131, 0, 129, 2, 3};
    // Five names for six codes: a sensor's name is kSensorNames[index % 5].
    static const char* const kSensorNames[5];
    static const char* const kLinearTpsNames[2];
    static const char* const kSwitchTpsNames[3];

    // Texts of the obsolete-file upgrade.
    static constexpr const char* kFileCaption = "Gestione File di Configurazione";
    static constexpr const char* kObsoleteQuestion =
        "Attenzione il file di configurazione appena caricato \xE8 obsoleto.\n"
        "Aggiornarlo coi nuovi parametri di default?";
    static constexpr const char* kObsoleteInfo = "Sono stati aggiunti o modificati i seguenti parametri:\n";

    // `today` gives the day number DATA_PROGRAMMA starts with.
    ConfCar(ComInj& link, std::string fileName, Prompter& prompter,
            std::function<double()> today = TodayDayNumber);

    // --- conversions -----------------------------------------------------------------------
    static double RawToCelsius(int raw);
    static int32_t CelsiusToRaw(double celsius);
    // rpm <-> period, integer division, 0 <-> 0.
    static int32_t Period(int32_t x);
    // Volt byte (0..255) <-> hundredths of a volt (0..500).
    static int32_t ByteToVolt(int32_t raw, bool inverted);
    static int32_t VoltToByte(int32_t volt, bool inverted);

    // --- accessors by ECU variable index ---------------------------------------------------
    int32_t GetValue(int var) const;
    int SetValue(int var, int32_t value);
    int32_t GetTemperaturePoint(int i, int kind) const;
    void SetTemperaturePoint(int i, int kind, int32_t value);
    int32_t GetLambdaRef(int column) const;
    int32_t GetOpenLoop(int column, int part) const;
    int SetOpenLoop(int column, int part, int32_t value);
    bool IsLambdaInverted() const { return (TIPO_DI_LAMBDA & 1) != 0; }
    bool IsTpsInverted() const { return (TIPO_DI_TPS & 1) != 0; }
    bool HasExtendedSettings() const { return (DEFAULT_REGISTRO_CONFIGURAZIONE_2 & 1) != 0; }
    // Index of a code in its table, -1 when absent.
    static int LambdaIndex(int32_t code);
    static int IgnitionIndex(int32_t code);
    static int SensorIndex(int32_t code);
    // The level-sensor code for TIPO_DI_SENSORE; for an index outside the table, the unknown code
    // last taken from the ECU or the file (so it goes back unchanged), or -1 when there is none.
    int32_t SensorCode() const;
    // TEMPO_SAFETY for TIPO_ACCENSIONE; 0 for an ignition code outside its table.
    int32_t TempoSafety() const;
    // DATA_PROGRAMMA as a long date.
    std::string FormatProgramDate() const;

    // --- transfers with the ECU ------------------------------------------------------------
    int ReadFromEcu();
    // The writes' worst outcome; every refused variable is in Refusals().
    WriteOutcome WriteToEcu();
    // One scalar write, its refusal noted in Refusals().
    WriteOutcome Send(int var, int32_t value);
    int ReadAdaptation();
    // What the ECU refused of the reads and writes since the last ClearRefusals (the eight-zone
    // probe of ReadAdaptation excepted: its refusal is the answer).
    const RefusalLog& Refusals() const { return refusals_; }
    void ClearRefusals() { refusals_.Clear(); }
    void ClearRefusedWrites() { refusals_.ClearWrites(); }
    WriteOutcome WriteAdaptation();
    WriteOutcome ResetAdaptation();
    // The mapping substitutes (or the normal values) and the register's mapping bit. The worst
    // outcome: not Answered means the ECU may not have changed mode.
    WriteOutcome EnterMapping();
    WriteOutcome LeaveMapping();
    // The values the mapping substitutes replace, and which substitutes it uses, as `before` held
    // them: an ECU found in mapping mode reads back its substitutes in their place.
    void TakeNormalModeValues(const ConfCar& before);
    // word 0 = low, 1 = high; kind 1..6 = ABILITAZIONE, EFFETTO, DPASSAGGIO_AUTOMATICO,
    // DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS, DDIAGNOSI_PER_INSTALLATORE, DDIAGNOSI_FORZATO_IN_OPENLOOP.
    int32_t GetDiagnosisWord(int word, int kind);
    void SetDiagnosisWord(int word, int kind, int32_t value);

    // --- definition file fileh0.h ----------------------------------------------------------
    // A vehicle file as read and checked, one value per line present (texts for the quoted
    // lines), before anything of it reaches the model.
    struct DefinitionImage {
        std::vector<int32_t> values;
        std::vector<std::string> texts;
    };
    // Reads and checks the whole file at `path` into `image`; the model is not touched.
    static LoadResult ParseDefinitionFile(const std::string& path, DefinitionImage& image);
    // Stores a checked file into the model; an obsolete one (an older version's, lacking
    // entries that then get defaults) is offered for upgrade through the prompter, and the
    // outcome lands in `result`. Nothing is sent.
    void TakeDefinition(const DefinitionImage& image, LoadResult& result);
    // Sends the configuration as a loaded file brings it (WriteToEcu).
    WriteOutcome WriteDefinitionToEcu();
    // Parses the file set with SetFileName and, when it is sound, stores it. Nothing is sent:
    // the caller decides whether and when the ECU gets it.
    LoadResult ReadDefinitionFile();
    // True when every line reached the disk; the old file stays intact otherwise.
    bool WriteDefinitionFile();
    // The 155 keys of fileh0.h in file order.
    static const std::vector<std::string>& DefinitionKeys();

    // --- fields ----------------------------------------------------------------------------
    // Changeover
    int32_t RITARDO_MASSIMO_CAMBIO = 200;         // s, var 0
    int32_t RITARDO_MINIMO_CAMBIO = 0;            // s, var 1
    int32_t TEMPERATURA_MINIMA_PER_CAMBIO = 128;  // temperature byte, var 2
    int32_t NUMERO_INVERSIONI_PER_CAMBIO = 0;     // var 3
    int32_t RIF_LAMBDA_PER_CAMBIO = 0;            // volt byte (inverted with lambda), 0 = unused, var 4
    int32_t TEMPO_SOVRAPPOSIZIONE = 400;          // ms, var 5
    int32_t GIRI_MINIMI_PER_CAMBIO = 2000;        // rpm, var 20 as period
    uint8_t CAMBIO_IN_DECELERAZIONE = 1;          // bit 0 of var 20

    // Over-rev and emulation
    int32_t GIRI_PER_FUORI_GIRI = 1153;            // period, var 6 (version > 3)
    int32_t GIRI_RIENTRO_DAL_FUORI_GIRI = 1363;    // period, var 45 (version > 3)
    int32_t DEF_NUMERO_ONDE_EMULAZIONE = 1;        // var 8
    int32_t DEF_TEMPO_DI_EMULAZIONE_BASSO = 360;   // ms, var 9
    int32_t DEF_TEMPO_DI_EMULAZIONE_ALTO = 360;    // ms, var 10
    int32_t DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 0;  // ms, var 21
    int32_t TIPO_ACCENSIONE = 4;                   // ignition code, var 78 (version >= 200)

    // Cutoff
    int32_t DEF_RITARDO_INNESCO_CUTOFF = 200;                  // ms, var 11
    int32_t DEF_GIRI_PER_CUTOFF = 833;                         // period, var 22
    int32_t PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 9000;  // rpm, var 33 as period
    int32_t COEFF16_APERTURA_CUTOFF = 16;                      // sixteenths, var 32

    // Closed loop and lambda probe
    int32_t MAX_ERRORE_LAMBDA = 50;                       // var 18
    int32_t MIN_ERRORE_LAMBDA = -50;                      // var 19
    int32_t MAX_ERRORE_LAMBDA_AL_MINIMO = 40;             // var 30
    int32_t MIN_ERRORE_LAMBDA_AL_MINIMO = -40;            // var 31
    int32_t POSIZIONE_MOTORE_A_GIRI_BASSI = 70;           // var 75
    int32_t RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE = 3000;  // ms, var 14
    int32_t MINIMO_CUMULO_TPS_PER_ARR = 4;                // var 12
    int32_t FASCIA_GIRI_X_MINIMO = 4;                     // var 7
    int32_t TIPO_DI_LAMBDA = 2;                           // lambda code, var 76 (version >= 200)
    int32_t RIF_INF_LAMBDA_FREDDA = 18;                   // volt byte (inverted with lambda), var 25
    int32_t RIF_SUP_LAMBDA_FREDDA = 33;                   // volt byte (inverted with lambda), var 24
    int32_t TEMPO_DI_SONDA_FREDDA = 15;                   // s, var 26
    int32_t RIF_LAMBDA[20] = {};                          // volt bytes, var 108; var 99 (version >= 200)
    int32_t OPENLOOP[20] = {};                            // bit fields, var 104

    // Throttle, level sensor, full power
    int32_t TIPO_DI_TPS = 0;                     // var 77 (version >= 200)
    int32_t ISTERESI_DEL_MINIMO_TPS = 7;         // volt byte, var 27
    int32_t ISTERESI_USCITA_DAL_MINIMO_TPS = 2;  // volt byte, var 28
    int32_t ISTERESI_PER_MONOBOSCH = 102;        // volt byte, var 29
    int32_t DEF_MINIMO_TPS = 160;                // hundredths of a volt, file only
    int32_t MINIMO_TPS_POSSIBILE = 30;           // hundredths of a volt, file only
    int32_t TIPO_DI_SENSORE = 2;                 // index into kSensorCodes, var 16 carries the code
    int32_t ISTERESI_LIVELLO = 4;                // var 15
    int32_t RIF_SENS[4] = {19, 36, 56, 69};      // var 109
    int32_t TPS_PER_SBANANATA = 255;             // volt byte (inverted with TPS), var 95 (version > 35)
    int32_t PERIODO_GIRI_PER_SBANANATA = 750;    // period, var 96 (version > 35)
    int32_t TEMPO_TRA_PASSI_IN_SBANANATA = 4;    // file only
    int32_t TEMPO_CORREZIONE_TEMPERATURA = 200;  // var 97 (version > 43)
    int32_t TEMPO_LAMBDA_MAGRO_PER_RITORNO = 0;  // var 98 (version > 43)
    int32_t VARIABILE_63 = 0;                    // 20-minute units, var 63 (version > 3)
    int32_t VARIABILE_71 = 0;                    // 20-minute units, var 71 (version > 3)

    // Temperature compensation
    int32_t TRIF[8] = {};               // temperature bytes, var 119
    int32_t COEFF_TEMPERATURA[9] = {};  // truncate(100 / coefficient), var 120 (version > 8)

    // Self-adaptation
    int32_t MAX_MEDIA_ADATTO_AMMESSA = 15;                               // var 34
    int32_t RIFERIMENTO_COLONNA_ONE = 9;                                 // var 35
    int32_t RIFERIMENTO_COLONNA_TWO = 13;                                // var 36
    int32_t TEMPO_VERIFICA_RISULTATI_ADATTO = 7;                         // 25 s units, var 58 (version > 7)
    int32_t MAX_STEPV[4] = {15, 15, 15, 15};                             // var 112
    int32_t MAX_STEPL[4] = {40, 40, 40, 40};                             // var 113, or 128 for all
    int32_t PASSI_FATTI_INSTALLATORE[4] = {0, 0, 0, 0};                  // var 114
    int32_t PASSI_FATTI_AUTOMATICI[8] = {0, 0, 0, 0, 0, 0, 0, 0};        // var 115 (4) or 129 (8)
    int32_t ERRORE_MEDIO[8] = {100, 100, 100, 100, 100, 100, 100, 100};  // var 116 (4) or 130 (8)
    int32_t ADATTATIVITA_ESTESA = 0;  // the ECU uses 128..130 (eight zones)

    // Diagnosis word pairs: [0] low, [1] high (single word var / pair var)
    int32_t ABILITAZIONE_DIAGNOSI[2] = {511, 1023};           // 89 (version > 2) / 121
    int32_t EFFETTO_DIAGNOSI[2] = {0, 0};                     // 90 (version > 2) / 122
    int32_t DPASSAGGIO_AUTOMATICO_DIAGNOSI[2] = {767, 193};   // 91 (version > 3) / 123
    int32_t DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS[2] = {7, 0};  // 92 (version > 3) / 124
    int32_t DDIAGNOSI_PER_INSTALLATORE[2] = {0, 0};           // 93 (version > 3) / 125
    int32_t DDIAGNOSI_FORZATO_IN_OPENLOOP[2] = {256, 768};    // 94 (version > 8) / 126
    int32_t DDIAGNOSI_TEMPO_LAMBDA_INATTIVA = 100;            // file only
    int32_t DDIAGNOSI_TEMPO_TEMPERATURA_BASSA = 10;           // file only
    int32_t DDIAGNOSI_TEMPERATURA_TROPPO_BASSA = 195;         // file only
    int32_t DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = 10;           // byte 3 of var 127 (version > 207)
    // Bytes 4..20 of var 127 (version > 207), in this order.
    int32_t DRIF_MAP_STACCATO = 5;
    int32_t DTEMPO_MAP_STACCATO = 5;
    int32_t DTEMPO_TEMPERATURA_ASSENTE = 8;
    int32_t DTEMPERATURA_SENSORE_A_MASSA = 8;
    int32_t DTEMPO_TEMPERATURA_A_MASSA = 8;
    int32_t DTPS_A_MASSA = 5;
    int32_t DTEMPO_TPS_A_MASSA = 8;
    int32_t DTPS_A_VCC = 250;
    int32_t DTEMPO_TPS_A_VCC = 8;
    int32_t DTEMPO_CUTOFF_RICCO = 30;
    int32_t DRIF_MAP_A_VCC = 214;
    int32_t DTEMPO_MAP_A_VCC = 5;
    int32_t DRIF_MAP_PER_GIRI_ASSENTI = 153;
    int32_t DTEMPO_GIRI_ASSENTI = 5;
    int32_t DRIF_LAMBDA_A_MASSA = 1;
    int32_t DRIF_LAMBDA_A_VCC = 100;
    int32_t DTEMPO_LAMBDA_CORTO = 30;

    // Registers, identification, version
    int32_t DEFAULT_REGISTRO_CONFIGURAZIONE = 3;    // var 39; bits 0x67 are the model's
    int32_t DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 0;  // var 135 (version >= 200)
    int32_t PERSONALIZZAZIONE = 0;                  // var 134 (version >= 200)
    int32_t TIPO_SENSORE_MAP = 0;                   // derived from PERSONALIZZAZIONE
    int32_t CILINDRATA = 0;                         // cm3, var 40
    int32_t ANNO_VETTURA = 0;                       // var 41
    int32_t TIPO_DI_CARBURANTE = 0;                 // 0 GPL, other Metano, var 47
    double DATA_PROGRAMMA = 0;                      // day number, var 42 + kDateBase
    std::string MODELLO;                            // up to 40 characters, var 117
    std::string NOME_PROGRAMMA;                     // up to 40 characters, var 118
    int32_t VERSIONE_CENTRALINA = 200;              // var 46

    // Mapping-mode substitutes
    int32_t OPENLOOP_MAPPATURA[20] = {};        // replaces OPENLOOP (var 104)
    int32_t GIRI_CUTOFF_MAPPATURA = 750;        // period, replaces DEF_GIRI_PER_CUTOFF (var 22)
    int32_t PERIODO_SBANANATA_MAPPATURA = 750;  // period, replaces PERIODO_GIRI_PER_SBANANATA (var 96)
    int32_t MAX_ERRORE_LAMBDA_MAPPATURA = 60;   // replaces vars 18 and 30
    int32_t MIN_ERRORE_LAMBDA_MAPPATURA = -60;  // replaces vars 19 and 31
    uint8_t USA_OPENLOOP_MAPPATURA = 1;
    uint8_t USA_CUTOFF_MAPPATURA = 1;
    uint8_t USA_SBANANATA_MAPPATURA = 0;
    uint8_t USA_ERRORE_LAMBDA_MAPPATURA = 1;
    uint8_t MAPPATURA_ATTIVA = 0;

  private:
    // The key table converts between the file's lines and the fields.
    friend class CarDefinitionKeys;

    bool Mapping(uint8_t use) const { return MAPPATURA_ATTIVA && use; }
    // The 17 OBD thresholds in ECU (and file) order.
    std::array<int32_t*, kObdThresholdCount> ObdThresholds();
    int32_t* DiagnosisPair(int kind);
    // Reads var 39 and takes bits outside 0x67 from the ECU; unchanged when the read fails.
    void MergeRegister();
    // Sets TIPO_DI_SENSORE from a level-sensor code, keeping an unknown code.
    void SetSensorCode(int32_t code);
    // The 155 lines of fileh0.h, onto the file open for writing.
    void WriteDefinitionLines();
    WriteOutcome SendArray(int var, const int32_t* values);
    // The values mapping mode swaps: the substitutes, or the normal values back.
    WriteOutcome SendMappingValues(bool mapping);
    // Reads one of the 40-character texts element by element, up to its zero.
    void ReadText(int var, std::string& text);
    // ReadVar of an array; a refused or lost read leaves `values` untouched.
    void ReadArray(int var, int32_t* values);
    // ReadVar of a scalar into `field`, unless the session was lost (the field keeps its value).
    bool Read(int var, int32_t& field);
    // The last command got a real answer (session alive, variable not refused).
    bool Answered() const;

    ComInj& link_;
    Prompter& prompter_;
    RefusalLog refusals_;
    // A level-sensor code outside the table, kept so it goes back unchanged.
    int32_t unknownSensorCode_ = -1;
};

}  // namespace zov
