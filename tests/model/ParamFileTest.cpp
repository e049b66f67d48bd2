#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

int CtLine(int row, int col) { return 17 + col * 8 + row; }

// A parameter set whose every field differs from the defaults.
void FillModel(ConfParam& p) {
    const int32_t ctg[] = {1875, 2142, 2500, 3000, 3750, 5000, 7500, 15000};
    for (int i = 0; i < 8; ++i) {
        p.CTG[i] = ctg[i];
        p.CENTRI_GIRI_TPS[7 - i] = 7500000 / ctg[i];
        p.CTC[i] = 5 + 20 * i;
        p.DEC[i] = 2 + i;
    }
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) p.CT[r][c] = (r * 8 + c) % 2 ? -(r + c) : r * c;
    for (int i = 0; i < 20; ++i) {
        p.APRG[i] = 20 + i;
        p.CHSG[i] = 40 + i;
        p.PRGS[i] = ((i % 7) << 4) | (i % 11);
    }
    p.VARIABILE_44 = 0x5A;
    p.DEF_PASSI_ARRICCHIMENTO_MINIMO = 3;
    p.DEF_TEMPO_SOVRAPPRESSIONE = 25;
}

void ExpectSameModel(const ConfParam& a, const ConfParam& b) {
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(a.CTG[i], b.CTG[i]) << i;
        EXPECT_EQ(a.CENTRI_GIRI_TPS[i], b.CENTRI_GIRI_TPS[i]) << i;
        EXPECT_EQ(a.CTC[i], b.CTC[i]) << i;
        EXPECT_EQ(a.DEC[i], b.DEC[i]) << i;
    }
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) EXPECT_EQ(a.CT[r][c], b.CT[r][c]) << r << "," << c;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(a.APRG[i], b.APRG[i]) << i;
        EXPECT_EQ(a.CHSG[i], b.CHSG[i]) << i;
        EXPECT_EQ(a.PRGS[i], b.PRGS[i]) << i;
        EXPECT_EQ(a.PRGI[i], b.PRGI[i]) << i;
    }
    EXPECT_EQ(a.VARIABILE_44, b.VARIABILE_44);
    EXPECT_EQ(a.DEF_PASSI_ARRICCHIMENTO_MINIMO, b.DEF_PASSI_ARRICCHIMENTO_MINIMO);
    EXPECT_EQ(a.DEF_TEMPO_SOVRAPPRESSIONE, b.DEF_TEMPO_SOVRAPPRESSIONE);
}

const char* const kReportLines[] = {
    "- Fasce giri di arricchimento al minimo (a)",
    "- Fasce cumulo di arricchimento al minimo (a)",
    "- Passi di arricchimento al minimo (a)",
    "- Tempo di sovrapressione (a)",
};

class ParamFile : public DefinitionFileTest {
  protected:
    ParamFile() : DefinitionFileTest("filepar0.dat") {}
};

TEST_F(ParamFile, DefaultFileHasItsKnownLines) {
    ModelBench b({}, false);
    const std::vector<std::string> lines = Written(b.param);
    ASSERT_EQ(lines.size(), 172u);
    EXPECT_EQ(Line(lines, 1), "#define CTG_0  2083");
    EXPECT_EQ(Line(lines, 8), "#define CTG_7  9375");
    EXPECT_EQ(Line(lines, 9), "#define CTC_0  8");
    EXPECT_EQ(Line(lines, 17), "#define CT_0_0  0");
    EXPECT_EQ(Line(lines, CtLine(5, 3)), "#define CT_3_5  0");
    EXPECT_EQ(Line(lines, 80), "#define CT_7_7  0");
    EXPECT_EQ(Line(lines, 81), "#define APRG_0  15");
    EXPECT_EQ(Line(lines, 86), "#define APRG_5  5");
    EXPECT_EQ(Line(lines, 101), "#define CHSG_0  15");
    EXPECT_EQ(Line(lines, 121), "#define PRGS_0  1");
    EXPECT_EQ(Line(lines, 141), "#define PRGI_0  2");
    EXPECT_EQ(Line(lines, 160), "#define PRGI_19  3");
    EXPECT_EQ(Line(lines, 161), "#define DEC_0  7");
    EXPECT_EQ(Line(lines, 169), "#define DEF_FASCIA_GIRI_ARR_MINIMO  0");
    EXPECT_EQ(Line(lines, 170), "#define DEF_FASCIA_CUMULO_ARR_MINIMO  8");
    EXPECT_EQ(Line(lines, 171), "#define DEF_PASSI_ARRICCHIMENTO_MINIMO  0");
    EXPECT_EQ(Line(lines, 172), "#define DEF_TEMPO_SOVRAPPRESSIONE  0");
}

TEST_F(ParamFile, EnrichmentCellsAreListedColumnByColumn) {
    ModelBench b({}, false);
    b.param.CT[5][3] = -9;
    EXPECT_EQ(Line(Written(b.param), CtLine(5, 3)), "#define CT_3_5  -9");
}

TEST_F(ParamFile, WriteThenReadReproducesTheModelInBothLayouts) {
    for (int version : {200, 150}) {
        ModelBench source(EcuWithVersion(version), false);
        source.car.VERSIONE_CENTRALINA = version;
        FillModel(source.param);
        if (version < 200)
            for (int i = 0; i < 20; ++i) source.param.PRGS[i] = 100 + i, source.param.PRGI[i] = 200 + i;
        Written(source.param);

        ModelBench target(EcuWithVersion(version), false);
        target.car.VERSIONE_CENTRALINA = version;
        target.param.SetFileName(path_);
        const ConfParam::LoadResult r = target.param.ReadDefinitionFile();
        EXPECT_TRUE(r.opened);
        EXPECT_FALSE(r.rejected) << r.error;
        EXPECT_FALSE(r.obsolete);
        EXPECT_TRUE(r.report.empty());
        EXPECT_TRUE(target.prompter.shown.empty());
        ExpectSameModel(source.param, target.param);
    }
}

TEST_F(ParamFile, LoadingSendsEachGroupAsItIsComplete) {
    ModelBench source({}, false);
    FillModel(source.param);
    Written(source.param);

    ModelBench b;
    b.param.SetFileName(path_);
    ConfParam::DefinitionImage image;
    ConfParam::LoadResult loaded = ConfParam::ParseDefinitionFile(path_, image);
    ASSERT_FALSE(loaded.rejected);
    EXPECT_TRUE(b.ecu.Requests().empty()) << "parsing sends nothing";
    (void)b.param.LoadDefinition(image, loaded);
    std::vector<Command> expected = {{0x3E, 110, -1}, {0x3E, 106, -1}};
    for (int r = 0; r < 8; ++r) expected.push_back({0x7E, 51, r});
    expected.push_back({0x3E, 103, -1});
    expected.push_back({0x3E, 102, -1});
    // Version 200: both gain kinds live in variable 100, each element sent as it is set.
    for (int i = 0; i < 20; ++i) expected.push_back({0x0A, 100, i});
    expected.push_back({0x3E, 100, -1});
    for (int i = 0; i < 20; ++i) expected.push_back({0x0A, 100, i});
    expected.push_back({0x3E, 107, -1});
    for (auto [v, x] : {std::pair{44, 0x5A}, {54, 3}, {60, 25}}) expected.push_back({0x06, v, x});
    std::vector<Command> got = Commands(b.ecu);
    for (Command& c : got)
        if (c.op == 0x3E) c.arg = -1;
    EXPECT_EQ(got, expected);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b.ecu.Value(100, i), source.param.PRGS[i]) << i;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) ASSERT_EQ(b.ecu.Value(51, r * 8 + c), source.param.CT[r][c]);
    EXPECT_EQ(b.ecu.Value(44), 0x5A);
}

TEST_F(ParamFile, IdleValuesAreSentOnlyByVersionsThatHaveThem) {
    ModelBench source({}, false);
    Written(source.param);
    struct Case {
        int version;
        bool sent;
    } cases[] = {{0, true}, {5, false}, {9, false}, {10, true}, {200, true}};
    for (const Case& c : cases) {
        ModelBench b;
        b.car.VERSIONE_CENTRALINA = c.version;
        b.param.SetFileName(path_);
        b.param.ReadDefinitionFile();
        (void)b.param.WriteDefinitionToEcu();
        size_t idle = 0;
        for (int v : Vars(b.ecu)) idle += v == 44 || v == 54 || v == 60;
        EXPECT_EQ(idle, c.sent ? 3u : 0u) << c.version;
    }
}

TEST_F(ParamFile, AZeroSpeedCentreStopsTheConversion) {
    ModelBench source({}, false);
    FillModel(source.param);
    source.param.CTG[3] = 0;
    Written(source.param);

    ModelBench b({}, false);
    b.param.SetFileName(path_);
    ASSERT_FALSE(b.param.ReadDefinitionFile().rejected);
    const int32_t expected[] = {800, 1200, 1600, 2000, 2400, 3000, 3501, 4000};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b.param.GetRpmCentre(i), expected[i]) << i;
    EXPECT_EQ(b.param.CTG[3], 0);
}

TEST_F(ParamFile, FileEndingAfterTheDecrementsGetsDefaultsAndAsks) {
    ModelBench source({}, false);
    FillModel(source.param);
    std::vector<std::string> lines = Written(source.param);
    lines.resize(168);
    WriteLines(path_, lines);

    ModelBench b;
    b.prompter.answers = {PromptAnswer::No};
    b.param.VARIABILE_44 = 0x35;
    b.param.DEF_PASSI_ARRICCHIMENTO_MINIMO = 7;
    b.param.DEF_TEMPO_SOVRAPPRESSIONE = 9;
    b.param.SetFileName(path_);
    const ConfParam::LoadResult r = b.param.ReadDefinitionFile();
    (void)b.param.WriteDefinitionToEcu();

    EXPECT_FALSE(r.rejected) << r.error;
    EXPECT_TRUE(r.obsolete);
    EXPECT_EQ(r.report, std::vector<std::string>(std::begin(kReportLines), std::end(kReportLines)));
    EXPECT_EQ(b.param.VARIABILE_44, 0x80);  // low nibble cleared, eight accumulation bands
    EXPECT_EQ(b.param.DEF_PASSI_ARRICCHIMENTO_MINIMO, 0);
    EXPECT_EQ(b.param.DEF_TEMPO_SOVRAPPRESSIONE, 0);
    EXPECT_EQ(b.ecu.Value(44), 0x80);
    EXPECT_EQ(b.param.DEC[7], source.param.DEC[7]);

    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text,
              "Attenzione il file di parametri appena caricato \xE8 obsoleto.\n"
              "Aggiornarlo coi nuovi parametri di default?");
    EXPECT_EQ(b.prompter.shown[0].caption, "Gestione File di Parametri");
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_FALSE(r.rewritten);
    EXPECT_EQ(ReadLines(path_).size(), 168u);  // "No" leaves the file as it was
}

TEST_F(ParamFile, AcceptedUpgradeRewritesTheFileAndListsTheAdditions) {
    ModelBench source({}, false);
    FillModel(source.param);
    std::vector<std::string> lines = Written(source.param);
    lines.resize(170);
    WriteLines(path_, lines);

    ModelBench b({}, false);
    b.prompter.answers = {PromptAnswer::Yes};
    b.param.SetFileName(path_);
    const ConfParam::LoadResult r = b.param.ReadDefinitionFile();

    EXPECT_EQ(r.report, (std::vector<std::string>{kReportLines[2], kReportLines[3]}));
    EXPECT_EQ(b.param.VARIABILE_44, 0x5A);  // both nibbles came from the file
    EXPECT_TRUE(r.rewritten);
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    EXPECT_EQ(b.prompter.shown[1].text,
              "Sono stati aggiunti o modificati i seguenti parametri:\n"
              "- Passi di arricchimento al minimo (a)\n"
              "- Tempo di sovrapressione (a)");
    EXPECT_EQ(b.prompter.shown[1].icon, PromptIcon::Information);
    const std::vector<std::string> rewritten = ReadLines(path_);
    ASSERT_EQ(rewritten.size(), 172u);
    EXPECT_EQ(Line(rewritten, 171), "#define DEF_PASSI_ARRICCHIMENTO_MINIMO  0");
    EXPECT_EQ(std::vector<std::string>(rewritten.begin(), rewritten.begin() + 170), lines);

    // The rewritten file is complete: loading it again asks nothing.
    ModelBench again({}, false);
    again.param.SetFileName(path_);
    EXPECT_FALSE(again.param.ReadDefinitionFile().obsolete);
    EXPECT_TRUE(again.prompter.shown.empty());
}

TEST_F(ParamFile, DamagedFilesAreRejectedWholeAndNothingIsSent) {
    ModelBench source({}, false);
    FillModel(source.param);
    const std::vector<std::string> good = Written(source.param);

    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> damage;
        std::string error;  // start of the reported reason; empty: just rejected
    } cases[] = {
        {"cut in the gains", [](auto& l) { l.resize(100); }, "riga 101: CHSG_0 mancante"},
        {"free text in the map", [](auto& l) { l[CtLine(2, 2) - 1] = "-1"; },
         "riga 35: CT_2_2 non \xE8 una definizione"},
        {"accumulation centre too big", [](auto& l) { l[8] = "#define CTC_0  256"; },
         "riga 9: CTC_0 fuori limiti (256)"},
        {"negative speed centre", [](auto& l) { l[0] = "#define CTG_0  -2083"; },
         "riga 1: CTG_0 fuori limiti"},
        {"band nibble too big", [](auto& l) { l[168] = "#define DEF_FASCIA_GIRI_ARR_MINIMO  16"; },
         "riga 169: DEF_FASCIA_GIRI_ARR_MINIMO fuori limiti (16)"},
        {"free text among the idle values", [](auto& l) { l[171] = "fine"; },
         "riga 172: DEF_TEMPO_SOVRAPPRESSIONE non"},
        {"line missing in the middle", [](auto& l) { l.erase(l.begin() + 90); }, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = good;
        c.damage(lines);
        WriteLines(path_, lines);

        ModelBench b;
        b.param.SetFileName(path_);
        const ConfParam::LoadResult r = b.param.ReadDefinitionFile();
        EXPECT_TRUE(r.opened) << c.what;
        EXPECT_TRUE(r.rejected) << c.what;
        EXPECT_EQ(r.error.substr(0, c.error.size()), c.error) << c.what << ": " << r.error;
        EXPECT_TRUE(b.ecu.Requests().empty()) << c.what;
        EXPECT_TRUE(b.prompter.shown.empty()) << c.what;
        EXPECT_EQ(b.param.CTG[0], 2083) << c.what;
        EXPECT_EQ(b.param.APRG[0], 15) << c.what;
        EXPECT_EQ(b.param.VARIABILE_44, 128) << c.what;
    }
}

TEST_F(ParamFile, MinusOneIsAnEnrichmentValueNotADamagedLine) {
    ModelBench source({}, false);
    source.param.CT[2][2] = -1;
    Written(source.param);
    ModelBench b({}, false);
    b.param.SetFileName(path_);
    EXPECT_FALSE(b.param.ReadDefinitionFile().rejected);
    EXPECT_EQ(b.param.GetEnrichment(2, 2), -1);
}

TEST_F(ParamFile, MissingFileDoesNothing) {
    ModelBench b;
    b.param.SetFileName(dir_.File("none.dat"));
    const ConfParam::LoadResult r = b.param.ReadDefinitionFile();
    EXPECT_FALSE(r.opened);
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST_F(ParamFile, FailedUpgradeIsReportedAndTheOldFileKept) {
    ModelBench source({}, false);
    std::vector<std::string> lines = Written(source.param);
    lines.resize(168);
    WriteLines(path_, lines);

    ModelBench b({}, false);
    b.prompter.answers = {PromptAnswer::Yes};
    b.param.SetFileName(path_);
    ConfParam::LoadResult r;
    {
        FileSizeLimit full(1000);  // the rewrite meets a full disk
        r = b.param.ReadDefinitionFile();
    }
    EXPECT_TRUE(r.rewriteFailed);
    EXPECT_FALSE(r.rewritten);
    EXPECT_EQ(b.prompter.shown.size(), 1u);  // no "added" list for a file that was not written
    EXPECT_EQ(ReadLines(path_), lines);
}

}  // namespace
}  // namespace zov::testing
