// The content of the five report pages, read from a model on the simulated ECU: every line as the
// page prints it, the rules that pick lines and values, and the print dialog's plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CarReport.h"
#include "ConfigurationModel.h"
#include "ConfigurationReport.h"
#include "MapReport.h"
#include "ModelTestSupport.h"
#include "ParamReport.h"
#include "PrintPlan.h"

namespace zov {
namespace {

using testing::ModelBench;

std::vector<std::string> Texts(const ReportPage& page) {
    std::vector<std::string> texts;
    for (const ReportLine& line : page.lines) texts.push_back(line.text);
    return texts;
}

bool Has(const ReportPage& page, const std::string& text) {
    const auto texts = Texts(page);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The line that starts with `label`, or "" when there is none.
std::string LineOf(const ReportPage& page, const std::string& label) {
    for (const ReportLine& line : page.lines)
        if (line.text.rfind(label, 0) == 0) return line.text;
    return {};
}

std::string Repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// Numbers right-aligned in cells of `width` characters.
std::string Cells(const std::vector<int>& values, size_t width) {
    std::string out;
    for (int v : values) {
        const std::string n = std::to_string(v);
        out += std::string(width - n.size(), ' ') + n;
    }
    return out;
}

// A label padded to the vehicle pages' 38 characters.
std::string Item38(const std::string& label, const std::string& value) {
    return label + std::string(38 - label.size(), ' ') + value;
}

TEST(ReportText, VoltsInTheirShortestForm) {
    const struct {
        int32_t hundredths;
        const char* text;
    } cases[] = {{50, "0.5"}, {124, "1.24"},  {300, "3"}, {0, "0"},
                 {5, "0.05"}, {-25, "-0.25"}, {500, "5"}, {110, "1.1"}};
    for (const auto& c : cases) EXPECT_EQ(report_text::Volts(c.hundredths), c.text) << c.hundredths;
}

TEST(ReportText, RowsAlignTheirCellsToTheRight) {
    EXPECT_EQ(report_text::Row("R.Lambda", 9, {"0.5", "-", "12345678"}, 5), "R.Lambda   0.5    - 12345678");
    EXPECT_EQ(report_text::Item("Cilindrata", 12, "1600"), "Cilindrata  1600");
}

// The vehicle of the simulated ECU, as the connect action loads it.
struct LoadedBench : ModelBench {
    explicit LoadedBench(sim::EcuConfig config = {})
        : ModelBench(std::move(config)), model(link, map, car, param) {
        model.ReadFromEcu();
    }
    ConfigurationModel model;
};

TEST(CarReportPage1, IdentificationAndParametersOfAVersion200Ecu) {
    LoadedBench bench;
    const ReportPage page = CarReport(bench.car, bench.map).IdentificationPage();
    EXPECT_EQ(page.orientation, ReportPage::Orientation::Portrait);
    EXPECT_EQ(page.firstLine, 4);
    const std::vector<std::string> texts = Texts(page);
    ASSERT_GE(texts.size(), 8u);
    const std::vector<std::string> head(texts.begin(), texts.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "Dati di identificazione della centralina:",
                        Item38("Modello vettura", "FIAT PUNTO 1.2 8V"),
                        Item38("Cilindrata", "1600"),
                        Item38("Anno della vettura", "2005"),
                        "Tipo di carburante:                   GPL",
                        Item38("Nome file centralina", "PUNTO12.ZOV"),
                        Item38("Data di creazione file", bench.car.FormatProgramDate()),
                        "",
                    }));
    EXPECT_EQ(page.lines[0].indent, 0);
    EXPECT_EQ(page.lines[1].indent, 1);
    // The ECU's own values, converted as the page shows them.
    EXPECT_EQ(LineOf(page, "Fuori Giri"),
              Item38("Fuori Giri", std::to_string(7500000 / bench.car.GIRI_PER_FUORI_GIRI) + " RPM"));
    EXPECT_EQ(LineOf(page, "Rientro dal Fuori Giri"), "") << "version 200 has no over-rev return";
    for (const char* title : {"Parametri di configurazione della vettura:", "Cambio:", "Emulazione:",
                              "Cutoff:", "Carburazione:", "Sensore di livello:"})
        EXPECT_TRUE(Has(page, title)) << title;
}

// Pinned values of a model with its defaults changed field by field (no ECU read).
TEST(CarReportPage1, ValuesUnitsAndConditionalLines) {
    ModelBench bench({}, false);
    ConfCar& car = bench.car;
    car.VERSIONE_CENTRALINA = 150;
    car.TIPO_DI_CARBURANTE = 1;
    car.RIF_LAMBDA_PER_CAMBIO = 26;  // 0.51 V
    car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 2980;
    car.COEFF16_APERTURA_CUTOFF = 11;
    car.TIPO_ACCENSIONE = 2;
    car.MIN_ERRORE_LAMBDA = -45;
    car.TIPO_DI_SENSORE = 1;
    car.CAMBIO_IN_DECELERAZIONE = 0;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x01;
    const ReportPage page = CarReport(car, bench.map).IdentificationPage();
    const struct {
        const char* label;
        const char* value;
    } items[] = {
        {"Ritardo massimo per il cambio", "200 s"},
        {"Temperatura minima per il cambio",
         "25 \xB0"
         "C"},
        {"Tempo di sovrapposizione", "400 ms"},
        {"Riferimento Lambda per il cambio", "0.51 V"},
        {"Giri minimi per il cambio", "2000 RPM"},
        {"Fuori Giri", "6504 RPM"},
        {"Rientro dal Fuori Giri", "5502 RPM"},
        {"Tempo di emulazione tristate", "2 s"},
        {"Numero giri termine Cutoff", "9003 RPM"},
        {"Giri parzializzazione Cutoff", "9000 RPM"},
        {"Posizione motore Cutoff", "68%"},
        {"Numero cilindri/tipo accensione", "Monobobina"},
        {"Minimo errore integrale", "-45 passi"},
        {"Minimo errore integrale al minimo", "-40 passi"},
        {"Ritardo attivazione integrale veloce", "3 s"},
        {"Tipo di sensore", "Non standard invertito"},
        {"Isteresi", "4 V"},
        {"Riferimento 1", "19"},
        {"Riferimento 4", "69"},
    };
    for (const auto& item : items) EXPECT_TRUE(Has(page, Item38(item.label, item.value))) << item.label;
    EXPECT_TRUE(Has(page, "Tipo di carburante:                   Metano"));
    EXPECT_TRUE(Has(page, "Cambio in Accelerazione con sonda in temperatura"));
    EXPECT_FALSE(Has(page, "Opzione Cutoff con iniettori benzina  attiva"));

    car.VERSIONE_CENTRALINA = 208;
    car.CAMBIO_IN_DECELERAZIONE = 1;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x22;
    car.TIPO_DI_SENSORE = 2;
    const ReportPage newer = CarReport(car, bench.map).IdentificationPage();
    EXPECT_TRUE(Has(newer, "Opzione Cutoff con iniettori benzina  attiva"));
    EXPECT_TRUE(Has(newer, "Cambio in Decelerazione anche con sonda fredda"));
    EXPECT_EQ(LineOf(newer, "Rientro dal Fuori Giri"), "");
    EXPECT_EQ(LineOf(newer, "Isteresi"), "");
    EXPECT_EQ(LineOf(newer, "Riferimento 1"), "") << "a Quembra sensor has no references";
    EXPECT_EQ(LineOf(newer, "Tipo di sensore"), Item38("Tipo di sensore", "Quembra"));
}

TEST(CarReportPage2, LambdaTableIsDashedFromVersion200) {
    ModelBench bench({}, false);
    bench.car.SetOpenLoop(3, 1, 2);
    bench.car.SetOpenLoop(3, 0, 9);
    bench.car.SetOpenLoop(4, 2, 0);
    const ReportPage page = CarReport(bench.car, bench.map).ContinuationPage();
    EXPECT_EQ(page.orientation, ReportPage::Orientation::Landscape);
    EXPECT_EQ(page.lines[0].text, "Parametri di configurazione della vettura (continua)");
    EXPECT_EQ(LineOf(page, "    "),
              "           450  550  650  800  950 1150 1350 1600 1850 2150 2450 2750 3100 3500 "
              "3900 4350 4850 5350 5900 6500");
    std::string dashes = "R.Lambda ";
    for (int c = 0; c < 20; ++c) dashes += "    -";
    EXPECT_EQ(LineOf(page, "R.Lambda"), dashes);
    EXPECT_EQ(LineOf(page, "OL.Sup."), "OL.Sup.  " + Cells({0, 0, 0, 2}, 5) + Repeated("    0", 16));
    EXPECT_EQ(LineOf(page, "OL.Inf.").substr(9, 20), "    0    0    0    9");
    EXPECT_EQ(LineOf(page, "Ab.Vel.").substr(9, 25), "    1    1    1    1    0");
    EXPECT_TRUE(Has(page, Item38("Riferimento lambda giusto", "0.51 V")));
    EXPECT_TRUE(Has(page, Item38("TPS lineare", "Diritto")));
    EXPECT_TRUE(Has(page, Item38("TPS switch", "Assente")));
    EXPECT_TRUE(Has(page, "MonoBosch                             NO"));
    EXPECT_TRUE(Has(page, Item38("Tipo di lambda", "0-1 V")));
    EXPECT_TRUE(Has(page, Item38("Costante di tempo di apprendimento", "175 s")));
    EXPECT_TRUE(Has(page, Item38("Ultima colonna 2\xB0 fascia", "9")));
}

TEST(CarReportPage2, OlderEcuPrintsItsLambdaReferencesAndMonoBosch) {
    ModelBench bench({}, false);
    ConfCar& car = bench.car;
    car.VERSIONE_CENTRALINA = 150;
    car.RIF_LAMBDA[0] = 51;  // 1 V
    car.RIF_LAMBDA[19] = 0;
    car.TIPO_DI_TPS = 0x02 | 0x01 | (2 << 2);
    car.TIPO_DI_LAMBDA = 98;  // a code outside the table (an even one: direct) is shown as it is
    const ReportPage page = CarReport(car, bench.map).ContinuationPage();
    const std::string references = LineOf(page, "R.Lambda");
    EXPECT_EQ(references.substr(0, 19), "R.Lambda     1 0.51");
    EXPECT_EQ(references.substr(references.size() - 5), "    0");
    EXPECT_TRUE(Has(page, "MonoBosch                             SI"));
    EXPECT_TRUE(Has(page, Item38("Isteresi MonoBosch", "2 V")));
    EXPECT_TRUE(Has(page, Item38("TPS lineare", "Invertito")));
    EXPECT_TRUE(Has(page, Item38("TPS switch", "Invertito")));
    EXPECT_TRUE(Has(page, Item38("Tipo di lambda", "98")));
    EXPECT_EQ(LineOf(page, "Riferimento lambda giusto"), "");
}

TEST(CarReportPage2, SelfAdaptationInFourAndEightZones) {
    ModelBench bench({}, false);
    ConfCar& car = bench.car;
    const int32_t steps[8] = {3, -2, 0, 7, 1, 2, 3, 4};
    const int32_t errors[8] = {100, 12, 100, 5, 6, 100, 8, 9};
    std::copy(steps, steps + 8, car.PASSI_FATTI_AUTOMATICI);
    std::copy(errors, errors + 8, car.ERRORE_MEDIO);
    const ReportPage four = CarReport(car, bench.map).ContinuationPage();
    EXPECT_TRUE(Has(four, Item38("Passi massimi di modifica installatore", "    15    15    15    15")));
    EXPECT_TRUE(Has(four, Item38("Passi di modifica fatti automatici", "     3    -2     0     7")));
    EXPECT_TRUE(Has(four, Item38("Medio errore attuale", "  n.d.    12  n.d.     5")));

    car.ADATTATIVITA_ESTESA = 1;
    const ReportPage eight = CarReport(car, bench.map).ContinuationPage();
    EXPECT_TRUE(Has(eight, Item38("Passi massimi di modifica automatici", "40")));
    EXPECT_FALSE(Has(eight, Item38("Passi massimi di modifica installatore", "    15    15    15    15")));
    const std::string blank4(24, ' ');
    const std::vector<std::string> texts = Texts(eight);
    const auto at = std::find(texts.begin(), texts.end(),
                              Item38("Passi di modifica fatti automatici", "     3    -2     0     7"));
    ASSERT_NE(at, texts.end());
    EXPECT_EQ(std::vector<std::string>(at, at + 4),
              (std::vector<std::string>{
                  Item38("Passi di modifica fatti automatici", "     3    -2     0     7"),
                  Item38("Medio errore attuale", "  n.d.    12  n.d.     5"),
                  Item38("Passi di modifica fatti automatici", blank4 + "     1     2     3     4"),
                  Item38("Medio errore attuale", blank4 + "     6  n.d.     8     9")}));
}

// The diagnosis page reads the words from the ECU while connected.
TEST(CarReportPage3, ChecksReadFromTheEcuWithTheirEffects) {
    sim::EcuConfig config;
    config.ownRegisterBits = 0x08;  // word pairs: twenty checks
    LoadedBench bench(config);
    auto pair = [&](int var, int32_t low, int32_t high) {
        ASSERT_TRUE(bench.ecu.SetValues(var, {low, high}));
    };
    pair(121, 0b0000000101, 0b1000000000);  // enabled
    pair(122, 0b0000000100, 0);             // tripped
    pair(123, 0b0000000011, 0b0000000001);  // automatic return to petrol (P)
    pair(124, 0b0000001001, 0b0000000001);  // gas forbidden (V)
    pair(125, 0b0000000001, 0);             // shown to the installer
    pair(126, 0b0000011000, 0b0000000001);  // forced open loop (F)
    const ReportPage page = CarReport(bench.car, bench.map).DiagnosisPage();
    EXPECT_EQ(page.orientation, ReportPage::Orientation::Portrait);
    const std::vector<std::string> texts = Texts(page);
    ASSERT_GE(texts.size(), 22u);
    EXPECT_EQ(texts[0], "Parametri di diagnosi della vettura:");
    EXPECT_EQ(texts[1], "Controllo                      Abil.    Effetto           Stato    Mod.Inst.");
    // The header's columns: Abil. at 31, Effetto at 40, Stato at 58, Mod.Inst. at 67.
    auto check = [](std::string name, const char* enabled, const char* effect, const char* state,
                    const char* installer) {
        name.resize(31, ' ');
        std::string line = name + enabled;
        line.resize(40, ' ');
        line += effect;
        line.resize(58, ' ');
        line += state;
        if (*installer) {
            line.resize(67, ' ');
            line += installer;
        }
        return line;
    };
    EXPECT_EQ(texts[2], check("Rel\xE8 di sicurezza", "x", "Forzato benzina", "OK", "x"));    // V P
    EXPECT_EQ(texts[3], check("Elettrovalvola del gas", "", "Passaggio benzina", "OK", ""));  // P
    EXPECT_EQ(texts[4], check("Elettrovalvola cutoff", "x", "Nessuno", "ERRORE", ""));
    EXPECT_EQ(texts[5], check("Temperatura troppo bassa", "", "Forzato OpenLoop", "OK", ""));  // V F
    EXPECT_EQ(texts[6], check("Troppo ricco per correttore 1", "", "OpenLoop", "OK", ""));     // F
    EXPECT_EQ(texts[11], check("Problemi al MAP", "", "Nessuno", "OK", ""));
    EXPECT_EQ(texts[12], check("MAP staccato", "", "indeterminato", "OK", ""));  // V P F
    EXPECT_EQ(texts[21], check("Lambda in corto a Vcc", "x", "Nessuno", "OK", ""));

    // Without the pairs only the ten low checks exist.
    bench.car.DEFAULT_REGISTRO_CONFIGURAZIONE &= ~0x08;
    bench.link.Disconnect();
    const ReportPage low = CarReport(bench.car, bench.map).DiagnosisPage();
    EXPECT_EQ(LineOf(low, "MAP staccato"), "");
    EXPECT_EQ(LineOf(low, "Problemi al MAP").substr(0, 31), "Problemi al MAP                ");
}

TEST(CarReportPage3, VariousParameters) {
    ModelBench bench({}, false);
    bench.car.PERIODO_GIRI_PER_SBANANATA = 1500;
    bench.car.TEMPO_LAMBDA_MAGRO_PER_RITORNO = 12;
    const ReportPage page = CarReport(bench.car, bench.map).DiagnosisPage();
    EXPECT_TRUE(Has(page, "Parametri vari:"));
    EXPECT_EQ(LineOf(page, "Rif. temperatura"), Item38("Rif. temperatura (\xB0"
                                                       "C)",
                                                       "   80   70   60   50   40   30   20   10"));
    EXPECT_EQ(LineOf(page, "Coeff. temperatura"),
              Item38("Coeff. temperatura", "    0    0    0    0    0    4    8   14   14"));
    EXPECT_TRUE(Has(page, Item38("TPS per massima potenza", "5 V")));
    EXPECT_TRUE(Has(page, Item38("Giri per massima potenza", "5000 RPM")));
    EXPECT_TRUE(Has(page, Item38("Tempo correzione temperatura", "200 s")));
    EXPECT_TRUE(Has(page, Item38("Tempo lambda magro per ritorno", "12 s")));
}

TEST(CarReportPages, PageSetAndNumbering) {
    ModelBench bench({}, false);
    CarReport report(bench.car, bench.map);
    const std::vector<ReportPage> pages = report.Pages(3, CarReport::kPage1 | CarReport::kPage3, 9);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Footer(), "Pag. 3/9");
    EXPECT_EQ(pages[1].Footer(), "Pag. 5/9");
    EXPECT_EQ(pages[1].lines[0].text, "Parametri di diagnosi della vettura:");
    EXPECT_EQ(report.Pages(1, CarReport::kPage2, 5).at(0).Footer(), "Pag. 2/5");
}

TEST(MapReportPage, HeaderRowsAndLearningParameters) {
    ModelBench bench({}, false);
    bench.map.SetCell(0, 0, 123, false);
    bench.map.SetCell(15, 19, 720, false);
    const ReportPage page = MapReport(bench.map).Page(4, 5);
    EXPECT_EQ(page.orientation, ReportPage::Orientation::Landscape);
    EXPECT_EQ(page.firstLine, 5);
    EXPECT_EQ(page.Footer(), "Pag. 4/5");
    ASSERT_EQ(page.lines.size(), 24u);
    EXPECT_EQ(page.lines[0].text, "Mappatura della vettura:");
    EXPECT_TRUE(page.lines[0].bold);
    EXPECT_EQ(page.lines[1].text,
              "        450  550  650  800  950 1150 1350 1600 1850 2150 2450 2750 3100 3500 3900 "
              "4350 4850 5350 5900 6500");
    EXPECT_EQ(page.lines[2].text.substr(0, 16), "0.18    123    0");
    EXPECT_EQ(page.lines[17].text.substr(0, 6), "1.86  ");
    EXPECT_EQ(page.lines[17].text.substr(page.lines[17].text.size() - 5), "  720");
    const std::string label37 = std::string(37, ' ');
    auto item = [&](const std::string& label, const std::string& value) {
        return label + label37.substr(label.size()) + value;
    };
    EXPECT_EQ(Texts(page)[19], item("Raggio Intorno Giri:", "50 RPM"));
    EXPECT_EQ(Texts(page)[20], item("Raggio Intorno Map:", "40 mV"));
    EXPECT_EQ(Texts(page)[21], item("Variazione media inversione:", "2"));
    EXPECT_EQ(Texts(page)[22], item("Variazione posizione inversione:", "4"));
    EXPECT_EQ(Texts(page)[23], item("Tempo fuori intorno:", "10000 ms"));
}

TEST(ParamReportPage, GainsEnrichmentAndIdleSettings) {
    ModelBench bench({}, false);
    ConfParam& param = bench.param;
    param.CT[2][5] = -7;
    param.VARIABILE_44 = 0x53;
    param.DEF_TEMPO_SOVRAPPRESSIONE = 4;
    param.VARIABILE_17 = -3;
    const ReportPage page = ParamReport(param, bench.map).Page(5, 5);
    EXPECT_EQ(page.orientation, ReportPage::Orientation::Landscape);
    EXPECT_EQ(page.firstLine, 5);
    EXPECT_EQ(page.lines[0].text, "Tabella guadagni integrali e proporzionali");
    EXPECT_TRUE(page.lines[0].bold);
    EXPECT_EQ(LineOf(page, "I.Ap.").substr(0, 36), "I.Ap.   300  300  300  300  300  100");
    EXPECT_EQ(LineOf(page, "P.Ap.").substr(0, 26), "P.Ap.     2    2    2    2");
    EXPECT_EQ(LineOf(page, "P.Ap.").substr(LineOf(page, "P.Ap.").size() - 5), "    3");
    EXPECT_EQ(LineOf(page, "P.Ch.").substr(0, 16), "P.Ch.     1    1");
    EXPECT_TRUE(Has(page, "Mappa di arricchimento"));
    EXPECT_TRUE(Has(page, std::string(16, ' ') + Cells({800, 1200, 1600, 2000, 2400, 2800, 3200, 3600}, 6)));
    EXPECT_TRUE(Has(page, "40" + std::string(14, ' ') + Cells({0, 0, 0, 0, 0, -7, 0, 0}, 6)));
    EXPECT_TRUE(Has(page, "Dec.Cumulo (ms) " + Cells({35, 35, 35, 35, 35, 35, 35, 35}, 6)));
    const std::string pad(41, ' ');
    auto item = [&](const std::string& label, const std::string& value) {
        return label + pad.substr(label.size()) + value;
    };
    EXPECT_TRUE(Has(page, item("Variazione passi di arricchimento", "-3")));
    EXPECT_TRUE(Has(page, item("Fasce giri minimo arricchimento", "3")));
    EXPECT_TRUE(Has(page, item("Fasce cumulo minimo arricchimento", "3")));
    EXPECT_TRUE(Has(page, item("Passi minimo arricchimento", "0")));
    EXPECT_TRUE(Has(page, item("Tempo sovrapressione", "80 ms")));
}

TEST(PrintPlan, RangesCopiesAndCollation) {
    using R = PrintJob::Report;
    const struct {
        PrintRequest request;
        std::vector<PrintJob> jobs;
    } cases[] = {
        {{}, {{R::Car, 1, 5}, {R::Map, 4, 5}, {R::Param, 5, 5}}},
        {{false, 2, 3}, {{R::Map, 1, 2}, {R::Param, 2, 2}}},
        {{false, 1, 1}, {{R::Car, 1, 3}}},
        {{false, 1, 2}, {{R::Car, 1, 4}, {R::Map, 4, 4}}},
        {{false, 3, 3}, {{R::Param, 1, 1}}},
        {{false, 2, 3, 2, true}, {{R::Map, 1, 2}, {R::Param, 2, 2}, {R::Map, 1, 2}, {R::Param, 2, 2}}},
        {{false, 2, 3, 2, false}, {{R::Map, 1, 2}, {R::Map, 1, 2}, {R::Param, 2, 2}, {R::Param, 2, 2}}},
        {{false, 0, 9, 0, false}, {{R::Car, 1, 5}, {R::Map, 4, 5}, {R::Param, 5, 5}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const std::vector<PrintJob> jobs = PrintPlan::Jobs(cases[i].request);
        ASSERT_EQ(jobs.size(), cases[i].jobs.size());
        for (size_t j = 0; j < jobs.size(); ++j) {
            EXPECT_EQ(int(jobs[j].report), int(cases[i].jobs[j].report)) << j;
            EXPECT_EQ(jobs[j].firstPage, cases[i].jobs[j].firstPage) << j;
            EXPECT_EQ(jobs[j].totalPages, cases[i].jobs[j].totalPages) << j;
        }
    }
}

TEST(ConfigurationReportPages, FivePagesInOrderWithTheirFooters) {
    LoadedBench bench;
    const std::vector<ReportPage> pages = ConfigurationReport(bench.model).AllPages();
    ASSERT_EQ(pages.size(), 5u);
    const char* const titles[5] = {
        "Dati di identificazione della centralina:", "Parametri di configurazione della vettura (continua)",
        "Parametri di diagnosi della vettura:", "Mappatura della vettura:",
        "Tabella guadagni integrali e proporzionali"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages[size_t(i)].lines[0].text, titles[i]);
        EXPECT_EQ(pages[size_t(i)].Footer(), "Pag. " + std::to_string(i + 1) + "/5");
    }
}

}  // namespace
}  // namespace zov
