#include "CarReport.h"

#include <string>

#include "ConfCar.h"
#include "ConfMap.h"

namespace zov {
namespace {

using report_text::Item;
using report_text::Number;
using report_text::Row;
using report_text::Volts;

constexpr size_t kTableLabel = 9;  // "R.Lambda", "OL.Sup. " ... and the speed header
constexpr size_t kTableCell = 5;
constexpr size_t kZoneCell = 6;
constexpr int32_t kUnknownError = 100;  // a mean error the ECU has not measured yet

void Title(ReportPage& page, const std::string& text) { page.lines.push_back({text, 0, false}); }
void Blank(ReportPage& page) { page.lines.push_back({}); }
void Line(ReportPage& page, const std::string& text) { page.lines.push_back({text, 1, false}); }
void Add(ReportPage& page, const std::string& label, const std::string& value) {
    Line(page, Item(label, CarReport::kLabelWidth, value));
}

// A code table's name, or the raw value when it has none.
std::string Name(const char* const* names, int count, int index, int32_t raw) {
    return index >= 0 && index < count ? names[index] : Number(raw);
}

std::string Seconds(int32_t s) { return Number(s) + " s"; }
std::string Ms(int32_t ms) { return Number(ms) + " ms"; }
std::string Rpm(int32_t rpm) { return Number(rpm) + " RPM"; }
std::string Steps(int32_t steps) { return Number(steps) + " passi"; }
std::string VoltsUnit(int32_t hundredths) { return Volts(hundredths) + " V"; }

ReportPage NewPage(ReportPage::Orientation orientation) {
    ReportPage page;
    page.orientation = orientation;
    page.firstLine = 4;
    return page;
}

// The effect of a check that trips, from its bits in the gas-forbidden (V), automatic-return (P)
// and forced-open-loop (F) words.
const char* Effect(bool v, bool p, bool f) {
    const int bits = (v ? 4 : 0) | (p ? 2 : 0) | (f ? 1 : 0);
    switch (bits) {
        case 0:
            return "Nessuno";
        case 2:
            return "Passaggio benzina";
        case 6:
            return "Forzato benzina";
        case 1:
            return "OpenLoop";
        case 5:
            return "Forzato OpenLoop";
        default:
            return "indeterminato";
    }
}

std::string Padded(const std::string& text, size_t width) { return Item(text, width, ""); }

std::string TrimmedRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

const char* const kLowChecks[10] = {"Rel\xE8 di sicurezza",          "Elettrovalvola del gas",
                                    "Elettrovalvola cutoff",         "Temperatura troppo bassa",
                                    "Troppo ricco per correttore 1", "Troppo magro per correttore 1",
                                    "Troppo ricco per correttore 2", "Troppo magro per correttore 2",
                                    "Lambda non funzionante",        "Problemi al MAP"};
const char* const kHighChecks[10] = {"MAP staccato",
                                     "Sensore temperatura assente",
                                     "Sensore temperatura a massa",
                                     "TPS in corto a massa",
                                     "TPS in corto a Vcc",
                                     "Cutoff ricco",
                                     "Sensore MAP in corto a Vcc",
                                     "Segnale giri staccato",
                                     "Lambda in corto a massa",
                                     "Lambda in corto a Vcc"};

}  // namespace

std::vector<ReportPage> CarReport::Pages(int firstPage, int pages, int totalPages) {
    std::vector<ReportPage> printed;
    auto take = [&](ReportPage page, int offset) {
        page.number = firstPage + offset;
        page.total = totalPages;
        printed.push_back(std::move(page));
    };
    if (pages & kPage1) take(IdentificationPage(), 0);
    if (pages & kPage2) take(ContinuationPage(), 1);
    if (pages & kPage3) take(DiagnosisPage(), 2);
    return printed;
}

ReportPage CarReport::IdentificationPage() {
    ReportPage page = NewPage(ReportPage::Orientation::Portrait);
    Title(page, "Dati di identificazione della centralina:");
    Add(page, "Modello vettura", car_.MODELLO);
    Add(page, "Cilindrata", Number(car_.CILINDRATA));
    Add(page, "Anno della vettura", Number(car_.ANNO_VETTURA));
    Add(page, "Tipo di carburante:", car_.TIPO_DI_CARBURANTE != 0 ? "Metano" : "GPL");
    Add(page, "Nome file centralina", car_.NOME_PROGRAMMA);
    Add(page, "Data di creazione file", car_.FormatProgramDate());
    Blank(page);
    Title(page, "Parametri di configurazione della vettura:");
    AddChangeover(page);
    AddEmulationAndCutoff(page);
    AddFuelling(page);
    AddLevelSensor(page);
    return page;
}

void CarReport::AddChangeover(ReportPage& page) const {
    Title(page, "Cambio:");
    Add(page, "Ritardo massimo per il cambio", Seconds(car_.RITARDO_MASSIMO_CAMBIO));
    Add(page, "Ritardo minimo per il cambio", Seconds(car_.RITARDO_MINIMO_CAMBIO));
    Add(page, "Temperatura minima per il cambio",
        Number(car_.GetValue(2)) +
            " \xB0"
            "C");
    Add(page, "Numero inversioni", Number(car_.NUMERO_INVERSIONI_PER_CAMBIO));
    Add(page, "Tempo di sovrapposizione", Ms(car_.TEMPO_SOVRAPPOSIZIONE));
    Add(page, "Riferimento Lambda per il cambio", VoltsUnit(car_.GetValue(4)));
    Add(page, "Giri minimi per il cambio", Rpm(car_.GIRI_MINIMI_PER_CAMBIO));
    Add(page, "Fuori Giri", Rpm(ConfCar::Period(car_.GIRI_PER_FUORI_GIRI)));
    if (car_.VERSIONE_CENTRALINA < ConfCar::kFirstTypedVersion)
        Add(page, "Rientro dal Fuori Giri", Rpm(ConfCar::Period(car_.GIRI_RIENTRO_DAL_FUORI_GIRI)));
    Line(page,
         std::string(car_.CAMBIO_IN_DECELERAZIONE ? "Cambio in Decelerazione" : "Cambio in Accelerazione") +
             ((car_.DEFAULT_REGISTRO_CONFIGURAZIONE & 0x02) ? " anche con sonda fredda"
                                                            : " con sonda in temperatura"));
}

void CarReport::AddEmulationAndCutoff(ReportPage& page) const {
    Title(page, "Emulazione:");
    Add(page, "Numero Onde di emulazione", Number(car_.DEF_NUMERO_ONDE_EMULAZIONE));
    Add(page, "Tempo di emulazione basso", Ms(car_.DEF_TEMPO_DI_EMULAZIONE_BASSO));
    Add(page, "Tempo di emulazione alto", Ms(car_.DEF_TEMPO_DI_EMULAZIONE_ALTO));
    Add(page, "Tempo di emulazione tristate", Seconds(car_.DEF_TEMPO_DI_EMULAZIONE_TRISTATE / 1000));
    Title(page, "Cutoff:");
    Add(page, "Ritardo di innesco Cutoff", Ms(car_.DEF_RITARDO_INNESCO_CUTOFF));
    Add(page, "Numero giri termine Cutoff", Rpm(ConfCar::Period(car_.DEF_GIRI_PER_CUTOFF)));
    Add(page, "Giri parzializzazione Cutoff", Rpm(car_.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF));
    Add(page, "Posizione motore Cutoff", Number(car_.COEFF16_APERTURA_CUTOFF * 100 / 16) + "%");
    if (car_.VERSIONE_CENTRALINA > 207 && (car_.DEFAULT_REGISTRO_CONFIGURAZIONE & 0x20))
        Add(page, "Opzione Cutoff con iniettori benzina", "attiva");
}

void CarReport::AddFuelling(ReportPage& page) const {
    Title(page, "Carburazione:");
    Add(page, "Numero cilindri/tipo accensione",
        Name(ConfCar::kIgnitionNames, ConfCar::kIgnitionCodeCount,
             ConfCar::IgnitionIndex(car_.TIPO_ACCENSIONE), car_.TIPO_ACCENSIONE));
    Add(page, "Massimo errore integrale", Steps(car_.GetValue(18)));
    Add(page, "Minimo errore integrale", Steps(car_.GetValue(19)));
    Add(page, "Massimo errore integrale al minimo", Steps(car_.GetValue(30)));
    Add(page, "Minimo errore integrale al minimo", Steps(car_.GetValue(31)));
    Add(page, "Posizione motore a bassi regimi", Steps(car_.POSIZIONE_MOTORE_A_GIRI_BASSI));
    Add(page, "Ritardo attivazione integrale veloce",
        Seconds(car_.RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE / 1000));
    Add(page, "Minimo cumulo per arricchire", Number(car_.MINIMO_CUMULO_TPS_PER_ARR));
    Add(page, "Fascia giri minimo", Number(car_.FASCIA_GIRI_X_MINIMO));
}

void CarReport::AddLevelSensor(ReportPage& page) const {
    Title(page, "Sensore di livello:");
    // A code the table does not know has no index: its raw code is shown instead of a name.
    const int sensor = car_.TIPO_DI_SENSORE;
    Add(page, "Tipo di sensore", sensor >= 0 ? ConfCar::kSensorNames[sensor % 5] : Number(car_.SensorCode()));
    if (sensor < 2 && car_.VERSIONE_CENTRALINA < ConfCar::kFirstTypedVersion)
        Add(page, "Isteresi", Number(car_.ISTERESI_LIVELLO) + " V");
    if (sensor < 2)
        for (int i = 0; i < 4; ++i) Add(page, "Riferimento " + Number(i + 1), Number(car_.RIF_SENS[i]));
}

ReportPage CarReport::ContinuationPage() {
    ReportPage page = NewPage(ReportPage::Orientation::Landscape);
    Title(page, "Parametri di configurazione della vettura (continua)");
    AddTps(page);
    AddLambda(page);
    AddOpenLoopTable(page);
    AddAdaptation(page);
    return page;
}

void CarReport::AddTps(ReportPage& page) const {
    Title(page, "TPS:");
    const int32_t tps = car_.TIPO_DI_TPS;
    Add(page, "TPS lineare", ConfCar::kLinearTpsNames[tps & 1]);
    Add(page, "TPS switch", Name(ConfCar::kSwitchTpsNames, 3, (tps >> 2) & 3, (tps >> 2) & 3));
    Add(page, "Isteresi minimo TPS", VoltsUnit(car_.GetValue(27)));
    Add(page, "Isteresi uscita minimo TPS", VoltsUnit(car_.GetValue(28)));
    if (tps & 0x02) {
        Add(page, "MonoBosch", "SI");
        Add(page, "Isteresi MonoBosch", VoltsUnit(car_.GetValue(29)));
    } else {
        Add(page, "MonoBosch", "NO");
    }
}

void CarReport::AddLambda(ReportPage& page) const {
    Title(page, "Lambda:");
    Add(page, "Tipo di lambda",
        Name(ConfCar::kLambdaNames, ConfCar::kLambdaCodeCount, ConfCar::LambdaIndex(car_.TIPO_DI_LAMBDA),
             car_.TIPO_DI_LAMBDA));
    Add(page, "Riferimento inferiore lambda", VoltsUnit(car_.GetValue(25)));
    Add(page, "Riferimento superiore lambda", VoltsUnit(car_.GetValue(24)));
    Add(page, "Tempo sonda fredda", Seconds(car_.TEMPO_DI_SONDA_FREDDA));
    if (car_.VERSIONE_CENTRALINA >= ConfCar::kFirstTypedVersion)
        Add(page, "Riferimento lambda giusto", VoltsUnit(car_.GetValue(99)));
}

void CarReport::AddOpenLoopTable(ReportPage& page) const {
    // From version 200 one lambda reference serves every column: the per-column ones mean nothing.
    const bool oneReference = car_.VERSIONE_CENTRALINA >= ConfCar::kFirstTypedVersion;
    std::vector<std::string> speeds, references, upper, lower, fast;
    for (int c = 0; c < ConfMap::kCols; ++c) {
        speeds.push_back(Number(map_.GetRpm(c)));
        references.push_back(oneReference ? "-" : Volts(car_.GetLambdaRef(c)));
        upper.push_back(Number(car_.GetOpenLoop(c, 1)));
        lower.push_back(Number(car_.GetOpenLoop(c, 0)));
        fast.push_back(Number(car_.GetOpenLoop(c, 2)));
    }
    Blank(page);
    Line(page, Row("", kTableLabel, speeds, kTableCell));
    Line(page, Row("R.Lambda", kTableLabel, references, kTableCell));
    Line(page, Row("OL.Sup. ", kTableLabel, upper, kTableCell));
    Line(page, Row("OL.Inf. ", kTableLabel, lower, kTableCell));
    Line(page, Row("Ab.Vel. ", kTableLabel, fast, kTableCell));
    Blank(page);
}

void CarReport::AddAdaptation(ReportPage& page) const {
    Title(page, "Parametri di adattativit\xE0:");
    Add(page, "Massimo correttore", Number(car_.MAX_MEDIA_ADATTO_AMMESSA));
    Add(page, "Ultima colonna 2\xB0 fascia", Number(car_.RIFERIMENTO_COLONNA_ONE));
    Add(page, "Ultima colonna 3\xB0 fascia", Number(car_.RIFERIMENTO_COLONNA_TWO));
    Add(page, "Costante di tempo di apprendimento", Seconds(car_.TEMPO_VERIFICA_RISULTATI_ADATTO * 25));
    auto zones = [](const int32_t* values, int from, bool errors) {
        std::vector<std::string> cells(size_t(from), "");
        for (int i = from; i < from + 4; ++i)
            cells.push_back(errors && values[i] == kUnknownError ? "n.d." : Number(values[i]));
        return cells;
    };
    auto row = [&](const char* label, const int32_t* values, int from, bool errors) {
        Line(page, Row(label, kLabelWidth, zones(values, from, errors), kZoneCell));
    };
    if (car_.ADATTATIVITA_ESTESA) {
        Add(page, "Passi massimi di modifica automatici", Number(car_.MAX_STEPL[0]));
        for (int from : {0, 4}) {
            row("Passi di modifica fatti automatici", car_.PASSI_FATTI_AUTOMATICI, from, false);
            row("Medio errore attuale", car_.ERRORE_MEDIO, from, true);
        }
        return;
    }
    row("Passi massimi di modifica installatore", car_.MAX_STEPV, 0, false);
    row("Passi massimi di modifica automatici", car_.MAX_STEPL, 0, false);
    row("Passi di modifica fatti installatore", car_.PASSI_FATTI_INSTALLATORE, 0, false);
    row("Passi di modifica fatti automatici", car_.PASSI_FATTI_AUTOMATICI, 0, false);
    row("Medio errore attuale", car_.ERRORE_MEDIO, 0, true);
}

ReportPage CarReport::DiagnosisPage() {
    ReportPage page = NewPage(ReportPage::Orientation::Portrait);
    Title(page, "Parametri di diagnosi della vettura:");
    AddDiagnosisChecks(page);
    AddVarious(page);
    return page;
}

void CarReport::AddDiagnosisChecks(ReportPage& page) {
    Line(page, "Controllo                      Abil.    Effetto           Stato    Mod.Inst.");
    // The high words exist only on ECUs that keep the diagnosis as word pairs.
    const int words = (car_.DEFAULT_REGISTRO_CONFIGURAZIONE & 0x08) ? 2 : 1;
    for (int word = 0; word < words; ++word) {
        const int32_t enabled = car_.GetDiagnosisWord(word, 1);
        const int32_t tripped = car_.GetDiagnosisWord(word, 2);
        const int32_t toPetrol = car_.GetDiagnosisWord(word, 3);
        const int32_t gasForbidden = car_.GetDiagnosisWord(word, 4);
        const int32_t installer = car_.GetDiagnosisWord(word, 5);
        const int32_t openLoop = car_.GetDiagnosisWord(word, 6);
        const char* const* names = word == 0 ? kLowChecks : kHighChecks;
        for (int b = 0; b < 10; ++b) {
            auto set = [b](int32_t w) { return ((w >> b) & 1) != 0; };
            Line(page, TrimmedRight(Padded(names[b], 31) + Padded(set(enabled) ? "x" : "", 9) +
                                    Padded(Effect(set(gasForbidden), set(toPetrol), set(openLoop)), 18) +
                                    Padded(set(tripped) ? "ERRORE" : "OK", 9) + (set(installer) ? "x" : "")));
        }
    }
}

void CarReport::AddVarious(ReportPage& page) const {
    Blank(page);
    Title(page, "Parametri vari:");
    std::vector<std::string> references, coefficients;
    for (int i = 0; i < 8; ++i) references.push_back(Number(car_.GetTemperaturePoint(i, 1)));
    for (int i = 0; i < 9; ++i) coefficients.push_back(Number(car_.GetTemperaturePoint(i, 2)));
    Line(page, Row("Rif. temperatura (\xB0"
                   "C)",
                   kLabelWidth, references, kTableCell));
    Line(page, Row("Coeff. temperatura", kLabelWidth, coefficients, kTableCell));
    Add(page, "TPS per massima potenza", VoltsUnit(car_.GetValue(95)));
    Add(page, "Giri per massima potenza", Rpm(ConfCar::Period(car_.PERIODO_GIRI_PER_SBANANATA)));
    Add(page, "Tempo correzione temperatura", Seconds(car_.TEMPO_CORREZIONE_TEMPERATURA));
    Add(page, "Tempo lambda magro per ritorno", Seconds(car_.TEMPO_LAMBDA_MAGRO_PER_RITORNO));
}

}  // namespace zov
