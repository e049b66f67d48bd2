#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfCar.h"
#include "ModelTestSupport.h"

namespace zov {
namespace {

using testing::CarBench;
using testing::CrLfLines;
using testing::JoinCrLf;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// Every field fileh0.h carries into the model, as "NAME=value" (arrays element by element).
std::vector<std::string> FileFields(const ConfCar& c) {
    std::vector<std::string> out;
    auto add = [&out](const std::string& name, const auto& value) {
        out.push_back(name + "=" + std::to_string(value));
    };
    auto addArray = [&add](const std::string& name, const int32_t* values, int count) {
        for (int i = 0; i < count; ++i) add(name + "[" + std::to_string(i) + "]", values[i]);
    };
#define F(x) add(#x, c.x)
#define A(x) addArray(#x, c.x, int(std::size(c.x)))
    F(RITARDO_MASSIMO_CAMBIO);
    F(RITARDO_MINIMO_CAMBIO);
    F(RIF_LAMBDA_PER_CAMBIO);
    F(TEMPERATURA_MINIMA_PER_CAMBIO);
    F(NUMERO_INVERSIONI_PER_CAMBIO);
    F(TEMPO_SOVRAPPOSIZIONE);
    F(GIRI_MINIMI_PER_CAMBIO);
    F(CAMBIO_IN_DECELERAZIONE);
    F(DEF_NUMERO_ONDE_EMULAZIONE);
    F(DEF_TEMPO_DI_EMULAZIONE_BASSO);
    F(DEF_TEMPO_DI_EMULAZIONE_ALTO);
    F(DEF_TEMPO_DI_EMULAZIONE_TRISTATE);
    F(TIPO_ACCENSIONE);
    F(DEF_GIRI_PER_CUTOFF);
    F(DEF_RITARDO_INNESCO_CUTOFF);
    F(PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF);
    F(COEFF16_APERTURA_CUTOFF);
    F(MAX_ERRORE_LAMBDA);
    F(MIN_ERRORE_LAMBDA);
    F(MAX_ERRORE_LAMBDA_AL_MINIMO);
    F(MIN_ERRORE_LAMBDA_AL_MINIMO);
    F(POSIZIONE_MOTORE_A_GIRI_BASSI);
    F(RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE);
    F(MINIMO_CUMULO_TPS_PER_ARR);
    F(TIPO_DI_LAMBDA);
    F(RIF_INF_LAMBDA_FREDDA);
    F(RIF_SUP_LAMBDA_FREDDA);
    F(TEMPO_DI_SONDA_FREDDA);
    F(TIPO_DI_TPS);
    F(ISTERESI_DEL_MINIMO_TPS);
    F(ISTERESI_USCITA_DAL_MINIMO_TPS);
    F(ISTERESI_PER_MONOBOSCH);
    F(TIPO_DI_SENSORE);
    F(ISTERESI_LIVELLO);
    A(RIF_SENS);
    A(RIF_LAMBDA);
    A(OPENLOOP);
    F(FASCIA_GIRI_X_MINIMO);
    A(ABILITAZIONE_DIAGNOSI);
    A(DPASSAGGIO_AUTOMATICO_DIAGNOSI);
    A(DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS);
    F(MAX_MEDIA_ADATTO_AMMESSA);
    F(RIFERIMENTO_COLONNA_ONE);
    F(RIFERIMENTO_COLONNA_TWO);
    A(MAX_STEPV);
    A(MAX_STEPL);
    F(TIPO_DI_CARBURANTE);
    F(CILINDRATA);
    F(ANNO_VETTURA);
    F(DATA_PROGRAMMA);
    F(DEFAULT_REGISTRO_CONFIGURAZIONE);
    A(TRIF);
    A(COEFF_TEMPERATURA);
    F(GIRI_PER_FUORI_GIRI);
    F(GIRI_RIENTRO_DAL_FUORI_GIRI);
    F(DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI);
    A(DDIAGNOSI_PER_INSTALLATORE);
    F(TEMPO_VERIFICA_RISULTATI_ADATTO);
    A(DDIAGNOSI_FORZATO_IN_OPENLOOP);
    F(TPS_PER_SBANANATA);
    F(PERIODO_GIRI_PER_SBANANATA);
    F(TEMPO_TRA_PASSI_IN_SBANANATA);
    F(TEMPO_CORREZIONE_TEMPERATURA);
    F(TEMPO_LAMBDA_MAGRO_PER_RITORNO);
    F(DRIF_MAP_STACCATO);
    F(DTEMPO_MAP_STACCATO);
    F(DTEMPO_TEMPERATURA_ASSENTE);
    F(DTEMPERATURA_SENSORE_A_MASSA);
    F(DTEMPO_TEMPERATURA_A_MASSA);
    F(DTPS_A_MASSA);
    F(DTEMPO_TPS_A_MASSA);
    F(DTPS_A_VCC);
    F(DTEMPO_TPS_A_VCC);
    F(DTEMPO_CUTOFF_RICCO);
    F(DRIF_MAP_A_VCC);
    F(DTEMPO_MAP_A_VCC);
    F(DRIF_MAP_PER_GIRI_ASSENTI);
    F(DTEMPO_GIRI_ASSENTI);
    F(DRIF_LAMBDA_A_MASSA);
    F(DRIF_LAMBDA_A_VCC);
    F(DTEMPO_LAMBDA_CORTO);
    F(PERSONALIZZAZIONE);
    F(DEFAULT_REGISTRO_CONFIGURAZIONE_2);
#undef F
#undef A
    out.push_back("MODELLO=" + c.MODELLO);
    out.push_back("NOME_PROGRAMMA=" + c.NOME_PROGRAMMA);
    return out;
}

// A value different from the default in every field of the file, each exact through the file's
// units (ms multiples of 20, rpm whose periods divide back).
void MakeDistinct(ConfCar& c) {
    c.RITARDO_MASSIMO_CAMBIO = 150;
    c.RITARDO_MINIMO_CAMBIO = 3;
    c.RIF_LAMBDA_PER_CAMBIO = 77;
    c.TEMPERATURA_MINIMA_PER_CAMBIO = 100;
    c.NUMERO_INVERSIONI_PER_CAMBIO = 2;
    c.TEMPO_SOVRAPPOSIZIONE = 620;
    c.GIRI_MINIMI_PER_CAMBIO = 2500;
    c.CAMBIO_IN_DECELERAZIONE = 0;
    c.DEF_NUMERO_ONDE_EMULAZIONE = 3;
    c.DEF_TEMPO_DI_EMULAZIONE_BASSO = 300;
    c.DEF_TEMPO_DI_EMULAZIONE_ALTO = 340;
    c.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 40;
    c.TIPO_ACCENSIONE = 6;
    c.DEF_GIRI_PER_CUTOFF = 900;
    c.DEF_RITARDO_INNESCO_CUTOFF = 260;
    c.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 7500;
    c.COEFF16_APERTURA_CUTOFF = 12;
    c.MAX_ERRORE_LAMBDA = 45;
    c.MIN_ERRORE_LAMBDA = -45;
    c.MAX_ERRORE_LAMBDA_AL_MINIMO = 35;
    c.MIN_ERRORE_LAMBDA_AL_MINIMO = -35;
    c.POSIZIONE_MOTORE_A_GIRI_BASSI = 60;
    c.RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE = 2000;
    c.MINIMO_CUMULO_TPS_PER_ARR = 5;
    c.TIPO_DI_LAMBDA = 24;
    c.RIF_INF_LAMBDA_FREDDA = 20;
    c.RIF_SUP_LAMBDA_FREDDA = 40;
    c.TEMPO_DI_SONDA_FREDDA = 20;
    c.TIPO_DI_TPS = 5;
    c.ISTERESI_DEL_MINIMO_TPS = 8;
    c.ISTERESI_USCITA_DAL_MINIMO_TPS = 3;
    c.ISTERESI_PER_MONOBOSCH = 100;
    c.TIPO_DI_SENSORE = 3;
    c.ISTERESI_LIVELLO = 6;
    for (int i = 0; i < 4; ++i) c.RIF_SENS[i] = 10 * (i + 1);
    for (int i = 0; i < 20; ++i) c.RIF_LAMBDA[i] = 30 + i;
    for (int i = 0; i < 20; ++i) c.OPENLOOP[i] = (i * 13) & 0xFF;
    c.FASCIA_GIRI_X_MINIMO = 5;
    c.ABILITAZIONE_DIAGNOSI[0] = 0x1234;
    c.ABILITAZIONE_DIAGNOSI[1] = 0xFEDC;
    c.DPASSAGGIO_AUTOMATICO_DIAGNOSI[0] = 3;
    c.DPASSAGGIO_AUTOMATICO_DIAGNOSI[1] = 4;
    c.DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS[0] = 5;
    c.DDIAGNOSI_VIETATO_FUNZIONAMENTO_GAS[1] = 6;
    c.MAX_MEDIA_ADATTO_AMMESSA = 12;
    c.RIFERIMENTO_COLONNA_ONE = 8;
    c.RIFERIMENTO_COLONNA_TWO = 12;
    for (int i = 0; i < 4; ++i) c.MAX_STEPV[i] = 11 + i;
    for (int i = 0; i < 4; ++i) c.MAX_STEPL[i] = 21 + i;
    c.TIPO_DI_CARBURANTE = 1;
    c.CILINDRATA = 1242;
    c.ANNO_VETTURA = 2004;
    c.DATA_PROGRAMMA = testing::kEcuDayZero + 7000;
    c.MODELLO = "LANCIA Y 1.2 \xC8";
    c.NOME_PROGRAMMA = std::string(40, 'N');
    c.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x65;
    for (int i = 0; i < 8; ++i) c.TRIF[i] = 40 + i;
    for (int i = 0; i < 9; ++i) c.COEFF_TEMPERATURA[i] = i + 1;
    c.GIRI_PER_FUORI_GIRI = 1200;
    c.GIRI_RIENTRO_DAL_FUORI_GIRI = 1400;
    c.DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI = 12;
    c.DDIAGNOSI_PER_INSTALLATORE[0] = 7;
    c.DDIAGNOSI_PER_INSTALLATORE[1] = 8;
    c.TEMPO_VERIFICA_RISULTATI_ADATTO = 9;
    c.DDIAGNOSI_FORZATO_IN_OPENLOOP[0] = 9;
    c.DDIAGNOSI_FORZATO_IN_OPENLOOP[1] = 10;
    c.TPS_PER_SBANANATA = 200;
    c.PERIODO_GIRI_PER_SBANANATA = 800;
    c.TEMPO_TRA_PASSI_IN_SBANANATA = 5;
    c.TEMPO_CORREZIONE_TEMPERATURA = 150;
    c.TEMPO_LAMBDA_MAGRO_PER_RITORNO = 3;
    int32_t* thresholds[] = {&c.DRIF_MAP_STACCATO,
                             &c.DTEMPO_MAP_STACCATO,
                             &c.DTEMPO_TEMPERATURA_ASSENTE,
                             &c.DTEMPERATURA_SENSORE_A_MASSA,
                             &c.DTEMPO_TEMPERATURA_A_MASSA,
                             &c.DTPS_A_MASSA,
                             &c.DTEMPO_TPS_A_MASSA,
                             &c.DTPS_A_VCC,
                             &c.DTEMPO_TPS_A_VCC,
                             &c.DTEMPO_CUTOFF_RICCO,
                             &c.DRIF_MAP_A_VCC,
                             &c.DTEMPO_MAP_A_VCC,
                             &c.DRIF_MAP_PER_GIRI_ASSENTI,
                             &c.DTEMPO_GIRI_ASSENTI,
                             &c.DRIF_LAMBDA_A_MASSA,
                             &c.DRIF_LAMBDA_A_VCC,
                             &c.DTEMPO_LAMBDA_CORTO};
    for (int i = 0; i < 17; ++i) *thresholds[i] = 60 + i;
    c.PERSONALIZZAZIONE = 0x48;
    c.DEFAULT_REGISTRO_CONFIGURAZIONE_2 = 1;
}

// An offline model (no session), for the file alone.
struct FileBench : CarBench {
    FileBench() : CarBench({}, false) {}
    std::string Write(ConfCar& source, const std::string& name = "fileh0.h") {
        const std::string path = dir.File(name);
        source.SetFileName(path);
        EXPECT_TRUE(source.WriteDefinitionFile());
        return path;
    }
    ConfCar::LoadResult Load(const std::string& path) {
        car.SetFileName(path);
        return car.ReadDefinitionFile();
    }
    ScratchDir dir;
};

TEST(CarFileWrite, DefaultModelGivesTheKnownLines) {
    FileBench b;
    const std::vector<std::string> lines = CrLfLines(ReadFile(b.Write(b.car)));
    ASSERT_EQ(lines.size(), 155u);
    EXPECT_EQ(JoinCrLf(lines, 155), ReadFile(b.car.GetFileName()));  // CR LF after every line, nothing else
    const auto& keys = ConfCar::DefinitionKeys();
    ASSERT_EQ(keys.size(), 155u);
    for (size_t i = 0; i < 155; ++i)
        EXPECT_EQ(lines[i].rfind("#define " + keys[i] + "  ", 0), 0u) << lines[i];

    const std::vector<std::pair<int, std::string>> known = {
        {1, "#define RITARDO_MASSIMO_CAMBIO  200"},
        {4, "#define TEMPERATURA_MINIMA_PER_CAMBIO  128"},
        {6, "#define TEMPO_SOVRAPPOSIZIONE  20"},
        {7, "#define GIRI_MINIMI_PER_CAMBIO  3751"},
        {8, "#define VALORE_DECREMENTO_CUMULO_GIRI  0"},
        {14, "#define TEMPO_SAFETY  2"},
        {18, "#define PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF  833"},
        {36, "#define TIPO_DI_SENSORE  0"},
        {62, "#define OPENLOOP_0  128"},
        {83, "#define DEF_MINIMO_TPS  82"},
        {84, "#define MINIMO_TPS_POSSIBILE  15"},
        {85, "#define ABILITAZIONE_DIAGNOSI  67043839"},
        {86, "#define DPASSAGGIO_AUTOMATICO_DIAGNOSI  12649215"},
        {90, "#define DDIAGNOSI_TEMPERATURA_TROPPO_BASSA  195"},
        {105, "#define DATA_PROGRAMMA  9000"},
        {106, "#define MODELLO  \"\""},
        {109, "#define TRIF0  29"},
        {122, "#define COEFF_TEMPERATURA_5  25"},
        {131, "#define DDIAGNOSI_FORZATO_IN_OPENLOOP  50331904"},
        {146, "#define DTEMPO_CUTOFF_RICCO  30"},
        {155, "#define DEFAULT_REGISTRO_CONFIGURAZIONE_2  0"},
    };
    for (const auto& [line, text] : known) EXPECT_EQ(lines[size_t(line - 1)], text);
}

TEST(CarFileWrite, UnwritableTargetsReportFailure) {
    FileBench b;
    b.car.SetFileName(b.dir.File("missing/dir/fileh0.h"));
    EXPECT_FALSE(b.car.WriteDefinitionFile());
    b.car.SetFileName("/dev/full");
    EXPECT_FALSE(b.car.WriteDefinitionFile());
}

TEST(CarFileRoundTrip, EveryFieldComesBack) {
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    MakeDistinct(source);
    const std::string path = b.Write(source);

    // Fields the file does not carry keep their values.
    b.car.EFFETTO_DIAGNOSI[0] = 99;
    b.car.VERSIONE_CENTRALINA = 42;
    b.car.VARIABILE_63 = 5;
    b.car.PASSI_FATTI_AUTOMATICI[6] = -3;
    b.car.MAX_ERRORE_LAMBDA_MAPPATURA = 66;
    const ConfCar::LoadResult r = b.Load(path);
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.rejected) << r.error;
    EXPECT_FALSE(r.obsolete);
    EXPECT_TRUE(r.report.empty());
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(FileFields(b.car), FileFields(source));
    EXPECT_EQ(b.car.EFFETTO_DIAGNOSI[0], 99);
    EXPECT_EQ(b.car.VERSIONE_CENTRALINA, 42);
    EXPECT_EQ(b.car.VARIABILE_63, 5);
    EXPECT_EQ(b.car.PASSI_FATTI_AUTOMATICI[6], -3);
    EXPECT_EQ(b.car.MAX_ERRORE_LAMBDA_MAPPATURA, 66);
    // Written again, the loaded model gives the same file.
    const std::string again = b.Write(b.car, "again.h");
    EXPECT_EQ(ReadFile(again), ReadFile(path));
}

TEST(CarFileRoundTrip, MsAndRpmFieldsComeBackThroughTheirUnits) {
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    source.TEMPO_SOVRAPPOSIZIONE = 639;
    source.DEF_TEMPO_DI_EMULAZIONE_BASSO = 19;
    source.RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE = 3010;
    source.GIRI_MINIMI_PER_CAMBIO = 2300;  // period 3260, bit 0 set: 3261
    source.CAMBIO_IN_DECELERAZIONE = 1;
    source.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 7000;
    b.Load(b.Write(source));
    EXPECT_EQ(b.car.TEMPO_SOVRAPPOSIZIONE, 620);
    EXPECT_EQ(b.car.DEF_TEMPO_DI_EMULAZIONE_BASSO, 0);
    EXPECT_EQ(b.car.RITARDO_ATTIVAZIONE_INTEGRALE_VELOCE, 3000);
    EXPECT_EQ(b.car.GIRI_MINIMI_PER_CAMBIO, 2299);
    EXPECT_EQ(b.car.CAMBIO_IN_DECELERAZIONE, 1);
    EXPECT_EQ(b.car.PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF, 7002);
}

TEST(CarFileRead, RegisterTakesOnlyTheModelBitsAndOpenLoopOnlyAByte) {
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    source.DEFAULT_REGISTRO_CONFIGURAZIONE = 0xFF;
    const std::string path = b.Write(source);
    std::string text = ReadFile(path);
    const std::string from = "#define OPENLOOP_4  128";
    text.replace(text.find(from), from.size(), "#define OPENLOOP_4  1027");
    WriteFile(path, text);
    b.car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x1B;
    b.Load(path);
    EXPECT_EQ(b.car.DEFAULT_REGISTRO_CONFIGURAZIONE, 0x7F);
    EXPECT_EQ(b.car.OPENLOOP[4], 3);
}

TEST(CarFileRead, UnknownLevelSensorCodeIsKept) {
    CarBench b;  // connected
    ScratchDir dir;
    b.car.SetFileName(dir.File("fileh0.h"));
    ASSERT_TRUE(b.car.WriteDefinitionFile());
    std::string text = ReadFile(b.car.GetFileName());
    const std::string from = "#define TIPO_DI_SENSORE  0";
    text.replace(text.find(from), from.size(), "#define TIPO_DI_SENSORE  7");
    WriteFile(b.car.GetFileName(), text);

    b.car.ReadDefinitionFile();
    (void)b.car.WriteDefinitionToEcu();
    EXPECT_EQ(b.car.TIPO_DI_SENSORE, -1);
    EXPECT_EQ(b.car.GetValue(16), 7);
    EXPECT_EQ(b.ecu.Value(16), 7);
    ASSERT_TRUE(b.car.WriteDefinitionFile());
    EXPECT_EQ(CrLfLines(ReadFile(b.car.GetFileName()))[35], "#define TIPO_DI_SENSORE  7");
}

struct TruncatedCase {
    size_t lines;  // lines kept from a complete file
    std::vector<std::string> report;
};

void PrintTo(const TruncatedCase& c, std::ostream* os) { *os << c.lines << " lines"; }

class CarFileTruncated : public ::testing::TestWithParam<TruncatedCase> {};

const char* const kAddedTime = "- Costante di tempo di Adattativit\xE0 (a)";
const char* const kAddedOpenLoop = "- Opzioni di OpenLoop nella Diagnosi di funzionamento (a)";
const char* const kAddedFullPower = "- Parametri sbananata, temp e ritorno benzina (a)";
const char* const kAddedDiagnosis = "- Parametri diagnosi (a)";
const char* const kChangedLowTemperature = "- Temperatura troppo bassa in Diagnosi (m)";

TEST_P(CarFileTruncated, OlderFilesGetDefaultsAndTheReport) {
    const TruncatedCase& c = GetParam();
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    MakeDistinct(source);
    const std::string path = b.Write(source);
    const std::string shortened = JoinCrLf(CrLfLines(ReadFile(path)), c.lines);
    WriteFile(path, shortened);

    const ConfCar::LoadResult r = b.Load(path);  // the prompter answers No
    EXPECT_FALSE(r.rejected) << r.error;
    EXPECT_EQ(r.report, c.report);
    EXPECT_EQ(r.obsolete, !c.report.empty());
    EXPECT_EQ(b.prompter.shown.size(), c.report.empty() ? 0u : 1u);
    EXPECT_EQ(ReadFile(path), shortened);  // No leaves the file alone

    const ConfCar& car = b.car;
    // Everything up to line 129 is the file's.
    EXPECT_EQ(car.GIRI_RIENTRO_DAL_FUORI_GIRI, 1400);
    EXPECT_EQ(car.DDIAGNOSI_PER_INSTALLATORE[1], 8);
    EXPECT_EQ(car.TEMPO_VERIFICA_RISULTATI_ADATTO, c.lines >= 130 ? 9 : 24);
    EXPECT_EQ(car.DDIAGNOSI_FORZATO_IN_OPENLOOP[0], c.lines >= 131 ? 9 : 0);
    EXPECT_EQ(car.DDIAGNOSI_FORZATO_IN_OPENLOOP[1], c.lines >= 131 ? 10 : 768);
    const bool fullPower = c.lines >= 136;
    EXPECT_EQ(car.TPS_PER_SBANANATA, fullPower ? 200 : 179);
    EXPECT_EQ(car.PERIODO_GIRI_PER_SBANANATA, fullPower ? 800 : 1875);
    EXPECT_EQ(car.TEMPO_TRA_PASSI_IN_SBANANATA, fullPower ? 5 : 4);
    EXPECT_EQ(car.TEMPO_CORREZIONE_TEMPERATURA, fullPower ? 150 : 200);
    EXPECT_EQ(car.TEMPO_LAMBDA_MAGRO_PER_RITORNO, fullPower ? 3 : 0);
    const bool diagnosis = c.lines >= 153;
    EXPECT_EQ(car.DDIAGNOSI_TEMPO_INTEGRALE_ESTREMI, diagnosis ? 12 : 10);
    EXPECT_EQ(car.DRIF_MAP_STACCATO, diagnosis ? 60 : 5);
    EXPECT_EQ(car.DTEMPO_CUTOFF_RICCO, diagnosis ? 69 : 4);
    EXPECT_EQ(car.DRIF_LAMBDA_A_MASSA, diagnosis ? 74 : 2);
    EXPECT_EQ(car.DTEMPO_LAMBDA_CORTO, diagnosis ? 76 : 30);
    const bool custom = c.lines >= 155;
    EXPECT_EQ(car.PERSONALIZZAZIONE, custom ? 0x48 : 0);
    EXPECT_EQ(car.DEFAULT_REGISTRO_CONFIGURAZIONE_2, custom ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, CarFileTruncated,
    ::testing::Values(TruncatedCase{129, {kAddedTime, kAddedOpenLoop, kAddedFullPower, kAddedDiagnosis}},
                      TruncatedCase{130, {kAddedOpenLoop, kAddedFullPower, kAddedDiagnosis}},
                      TruncatedCase{131, {kAddedFullPower, kAddedDiagnosis}},
                      TruncatedCase{136, {kAddedDiagnosis}}, TruncatedCase{153, {}}, TruncatedCase{155, {}}),
    [](const ::testing::TestParamInfo<TruncatedCase>& info) {
        return std::to_string(info.param.lines) + "Lines";
    });

TEST(CarFileObsolete, YesRewritesTheFileAndListsTheChanges) {
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    source.DDIAGNOSI_TEMPERATURA_TROPPO_BASSA = 190;  // line 90 differs from the model's 195
    const std::string path = b.Write(source);
    WriteFile(path, JoinCrLf(CrLfLines(ReadFile(path)), 131));
    b.prompter.answers = {PromptAnswer::Yes};

    const ConfCar::LoadResult r = b.Load(path);
    EXPECT_EQ(r.report, (std::vector<std::string>{kChangedLowTemperature, kAddedFullPower, kAddedDiagnosis}));
    EXPECT_TRUE(r.rewritten);
    EXPECT_FALSE(r.rewriteFailed);
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[0].text,
              "Attenzione il file di configurazione appena caricato \xE8 obsoleto.\n"
              "Aggiornarlo coi nuovi parametri di default?");
    EXPECT_EQ(b.prompter.shown[0].caption, "Gestione File di Configurazione");
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(b.prompter.shown[1].text, "Sono stati aggiunti o modificati i seguenti parametri:\n" +
                                            std::string(kChangedLowTemperature) + "\n" + kAddedFullPower +
                                            "\n" + kAddedDiagnosis + "\n");
    EXPECT_EQ(b.prompter.shown[1].icon, PromptIcon::Information);
    // The field keeps the model's value, and the rewritten file is complete and current.
    EXPECT_EQ(b.car.DDIAGNOSI_TEMPERATURA_TROPPO_BASSA, 195);
    const std::vector<std::string> lines = CrLfLines(ReadFile(path));
    ASSERT_EQ(lines.size(), 155u);
    EXPECT_EQ(lines[89], "#define DDIAGNOSI_TEMPERATURA_TROPPO_BASSA  195");
    EXPECT_EQ(lines[131], "#define TPS_PER_SBANANATA  179");
    b.prompter.shown.clear();
    EXPECT_FALSE(b.Load(path).obsolete);
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(CarFileObsolete, AFailedUpgradeKeepsTheOldFileAndListsNothing) {
    FileBench b;
    ConfCar source(b.link, "x", b.prompter);
    const std::string path = b.Write(source);
    const std::string truncated = JoinCrLf(CrLfLines(ReadFile(path)), 131);
    WriteFile(path, truncated);
    b.prompter.answers = {PromptAnswer::Yes};

    ConfCar::LoadResult r;
    {
        testing::FileSizeLimit full(truncated.size() / 2);  // the rewrite meets a full disk
        r = b.Load(path);
    }
    EXPECT_TRUE(r.obsolete);
    EXPECT_FALSE(r.rewritten);
    EXPECT_TRUE(r.rewriteFailed);
    EXPECT_EQ(b.prompter.shown.size(), 1u) << "only the question: no list for a file that was not written";
    EXPECT_EQ(ReadFile(path), truncated);
}

struct DamagedCase {
    const char* name;
    std::string (*damage)(std::vector<std::string> lines);
    const char* error;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.name; }

const std::vector<DamagedCase>& DamagedCases() {
    static const std::vector<DamagedCase> cases = {
        {"Empty", [](std::vector<std::string>) { return std::string(); },
         "manca la riga 1 (RITARDO_MASSIMO_CAMBIO)"},
        {"EndsInTheMiddle", [](std::vector<std::string> l) { return JoinCrLf(l, 50); },
         "manca la riga 51 (RIF_LAMBDA_9)"},
        {"EndsInsideTheFullPowerGroup", [](std::vector<std::string> l) { return JoinCrLf(l, 133); },
         "manca la riga 134 (TEMPO_TRA_PASSI_IN_SBANANATA)"},
        {"LineMissing",
         [](std::vector<std::string> l) {
             l.erase(l.begin() + 36);
             return JoinCrLf(l, l.size());
         },
         "la riga 37 non contiene ISTERESI_LIVELLO"},
        {"BlankLineInserted",
         [](std::vector<std::string> l) {
             l.insert(l.begin() + 10, "");
             return JoinCrLf(l, l.size());
         },
         "la riga 11 non contiene DEF_TEMPO_DI_EMULAZIONE_ALTO"},
        {"OverLongLine",
         [](std::vector<std::string> l) {
             l[105] = "#define MODELLO  \"" + std::string(70, 'X') + "\"";
             return JoinCrLf(l, l.size());
         },
         "la riga 106 \xE8 troppo lunga"},
    };
    return cases;
}

class CarFileDamaged : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(CarFileDamaged, IsRejectedAndLeavesTheModelAlone) {
    const DamagedCase& c = GetParam();
    CarBench b;  // connected
    ScratchDir dir;
    ConfCar source(b.link, "x", b.prompter);
    MakeDistinct(source);
    source.SetFileName(dir.File("fileh0.h"));
    ASSERT_TRUE(source.WriteDefinitionFile());
    WriteFile(source.GetFileName(), c.damage(CrLfLines(ReadFile(source.GetFileName()))));

    b.car.RITARDO_MASSIMO_CAMBIO = 77;
    const std::vector<std::string> before = FileFields(b.car);
    b.car.SetFileName(source.GetFileName());
    b.ecu.ClearRequests();
    const ConfCar::LoadResult r = b.car.ReadDefinitionFile();
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.rejected);
    EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    EXPECT_FALSE(r.obsolete);
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(FileFields(b.car), before);
    EXPECT_TRUE(b.ecu.Requests().empty()) << "reading a file sends nothing";
}

INSTANTIATE_TEST_SUITE_P(Files, CarFileDamaged, ::testing::ValuesIn(DamagedCases()),
                         [](const ::testing::TestParamInfo<DamagedCase>& info) { return info.param.name; });

TEST(CarFileRead, MissingFileChangesNothing) {
    CarBench b;
    ScratchDir dir;
    b.car.RITARDO_MASSIMO_CAMBIO = 77;
    b.car.SetFileName(dir.File("absent.h"));
    b.ecu.ClearRequests();
    const ConfCar::LoadResult r = b.car.ReadDefinitionFile();
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.rejected);
    EXPECT_EQ(b.car.RITARDO_MASSIMO_CAMBIO, 77);
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(CarFileRead, LoadedValuesReachTheEcu) {
    CarBench b;
    ScratchDir dir;
    ConfCar source(b.link, "x", b.prompter);
    MakeDistinct(source);
    source.SetFileName(dir.File("fileh0.h"));
    ASSERT_TRUE(source.WriteDefinitionFile());
    b.car.SetFileName(source.GetFileName());
    b.ecu.ClearRequests();
    b.car.ReadDefinitionFile();
    EXPECT_TRUE(b.ecu.Requests().empty()) << "the caller decides when the ECU gets the file";
    (void)b.car.WriteDefinitionToEcu();
    EXPECT_EQ(b.ecu.Value(0), 150);
    EXPECT_EQ(b.ecu.Value(5), 31);     // 620 ms in 20 ms units
    EXPECT_EQ(b.ecu.Value(16), 129);   // the code of sensor index 3
    EXPECT_EQ(b.ecu.Value(20), 3000);  // period of 2500 rpm, bit 0 clear
    EXPECT_EQ(b.ecu.Values(108)[19], 49);
    EXPECT_EQ(b.ecu.Value(78), 6);
}

}  // namespace
}  // namespace zov
