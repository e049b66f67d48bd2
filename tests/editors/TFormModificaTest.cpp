// The parameter editor against the ECU simulator: filling from the model, the dictionary, the
// check of typed values, the dependent controls, the keys and the close question (the store has
// a file of its own).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <functional>

#include "DictionaryMessages.h"
#include "EditorSupport.h"
#include "QtText.h"
#include "TUpDown.h"

namespace zov::test {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// --- reading an edit -----------------------------------------------------------------------------

TEST(ReadEdit, IntegersTakeTheFirstEightCharactersOrTheFallback) {
    struct Case {
        const char* text;
        int32_t result;
        const char* after;
    };
    const Case cases[] = {
        {"", 0, ""},
        {"1400", 1400, "1400"},
        {"  -50", -50, "  -50"},
        {"+7", 7, "+7"},
        {"123456789", 12345678, "123456789"},  // only the first eight count
        {"12a", 99, "99"},
        {"-", 99, "99"},
        {"1.5", 99, "99"},
        {"15 ", 99, "99"},
        {"xx", 99, "99"},
    };
    QLineEdit edit;
    for (const Case& c : cases) {
        edit.setText(Q(c.text));
        EXPECT_EQ(TFormModifica::ReadEditInt(&edit, 99), c.result) << c.text;
        EXPECT_EQ(edit.text(), Q(c.after)) << c.text;
    }
}

TEST(ReadEdit, DecimalsTakeAPointAndWriteTheFallbackWithFiveDigits) {
    struct Case {
        const char* text;
        double fallback;
        double result;
        const char* after;
    };
    const Case cases[] = {
        {"0.14", 0, 0.14, "0.14"},   {" 1e2", 0, 100, " 1e2"},
        {".5", 0, 0.5, ".5"},        {"", 7, 0, ""},
        {"1,5", 0.07, 0.07, "0.07"},  // a comma is no decimal separator
        {"nan", 2, 2, "2"},          {"xx", 1.0, 1.0, "1"},
        {"xx", 200.0, 200.0, "200"}, {"xx", 123456.0, 123456.0, "1.2346e+05"},
        {"1e", 3.25, 3.25, "3.25"},
    };
    QLineEdit edit;
    for (const Case& c : cases) {
        edit.setText(Q(c.text));
        EXPECT_DOUBLE_EQ(TFormModifica::ReadEditFloat(&edit, c.fallback), c.result) << c.text;
        EXPECT_EQ(edit.text(), Q(c.after)) << c.text;
    }
}

// --- building and filling ------------------------------------------------------------------------

TEST(ModificaFill, EveryPageShowsTheModel) {
    EditorBench b;
    ConfCar& car = b.Car();
    car.ISTERESI_DEL_MINIMO_TPS = 7;  // 0.14 V
    car.DEF_NUMERO_ONDE_EMULAZIONE = 1;
    car.DEF_TEMPO_DI_EMULAZIONE_ALTO = 0;
    car.DEF_TEMPO_DI_EMULAZIONE_BASSO = 0;
    car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 1000;
    car.TIPO_DI_TPS = 1 | (2 << 2);
    car.CAMBIO_IN_DECELERAZIONE = 0;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE = 0x01;  // cold changeover off
    car.COEFF16_APERTURA_CUTOFF = 12;
    for (int i = 0; i < 6; ++i) {
        car.SetOpenLoop(i, 0, 13);
        car.SetOpenLoop(i, 1, 3);
    }
    auto f = b.Open();

    const std::pair<QLineEdit*, const char*> edits[] = {
        {f->EditCilindrata, "1600"},
        {f->EditIstTps, "0.14"},
        {f->EditTMin, "25"},
        {f->EditTSovrappos, "400"},
        // The ECU's period with the direction bit: 7500000 / 3751.
        {f->EditGiriMin, "1999"},
        // The ECU's over-rev period 1153: 7500000 / 1153 = 6504.77, shown in whole rpm.
        {f->EditFuoriGiri, "6504"},
        {f->EditEmOnde, "1"},
        {f->EditEmTri, "1"},  // 1000 ms as seconds
        {f->EditRif1, "236"},
        {f->EditRif4, "186"},
        {f->EditRitCutoff, "200"},
        {f->EditGApMin, "2"},
        {f->EditGChMin, "1"},
        {f->EditMaxErrInteg, "50"},
        {f->EditMinErrIntegMin, "-40"},
        {f->EditPosCutoff, "75%"},
        {f->EditMinCumulo, "4"},
        {f->PageAdattativita->EditPassiTps, "0"},
        {f->PageAdattativita->EditArrMin, "0"},
    };
    for (const auto& [edit, text] : edits)
        EXPECT_EQ(edit->text(), Q(text)) << edit->objectName().toStdString();

    EXPECT_EQ(f->ComboTipoEm->currentIndex(), 1);  // tristate: 1 wave, 0 / 0 ms, 1000 ms
    EXPECT_FALSE(f->EditEmBasso->isEnabled());
    EXPECT_EQ(f->ComboSens->currentIndex(), 3);  // Ovalix: inverted, the edits show 255 - stored
    EXPECT_FALSE(f->EditRif1->isEnabled());
    EXPECT_EQ(f->ComboLambda->currentIndex(), 0);
    EXPECT_EQ(f->LambdaTypeAtLoad(), 0);
    EXPECT_EQ(f->ComboCilindri->currentIndex(), 1);
    EXPECT_EQ(f->ComboTps->currentIndex(), 1);
    EXPECT_EQ(f->ComboTpsSwitch->currentIndex(), 2);
    EXPECT_FALSE(f->ComboAlim->isEnabled());
    EXPECT_TRUE(f->RadioCambioAcc->isChecked());
    EXPECT_FALSE(f->CheckBoxCambioFreddo->isChecked());
    EXPECT_TRUE(f->CheckOpenLoop->isChecked());
    EXPECT_FALSE(f->EditGApMin->isEnabled());
    EXPECT_EQ(f->CutoffType(), 3);  // 9003 rpm: no cutoff
    EXPECT_EQ(f->ReturnPage(), f->PageGenerale);
    EXPECT_EQ(f->PageControl1->currentWidget(), f->PageGenerale);
    // The main window gives the page its map editor.
    EXPECT_TRUE(f->PageControl1->isTabEnabled(f->PageControl1->indexOf(f->PageMappa)));
    EXPECT_FALSE(f->ButtonIstruzioniKit->isVisible());
    // The fill is no change of the user's.
    EXPECT_FALSE(f->ValuesChanged());
    EXPECT_EQ(QApplication::focusWidget(), f->ComboCilindri);
}

TEST(ModificaFill, TheCutoffTypeFollowsTheTwoEndSpeeds) {
    struct Case {
        int32_t endRpm;   // GetValue(22)
        int32_t openRpm;  // PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF
        int type;
        const char* ucf;
        const char* acf;
        bool acfVisible;
        bool openingVisible;
    };
    const Case cases[] = {
        {9000, 3000, 3, "10000", "3000", false, false},
        {2000, 1100, 0, "2000", "1000", false, false},  // A below 1200: total
        {2500, 2500, 0, "2500", "1000", false, false},  // U not below A: total
        {2000, 9000, 1, "2000", "10000", false, true},  // partial only
        {2000, 4000, 2, "2000", "4000", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EditorBench b({}, false);
        b.Car().SetValue(22, c.endRpm);
        b.Car().PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = c.openRpm;
        auto f = b.Open();
        f->PageControl1->setCurrentWidget(f->PageCutoff);
        EXPECT_EQ(f->CutoffType(), c.type);
        EXPECT_EQ(f->EditGiriUCF->text(), Q(c.ucf));
        EXPECT_EQ(f->EditGiriACF->text(), Q(c.acf));
        EXPECT_EQ(f->EditGiriACF->isVisible(), c.acfVisible);
        EXPECT_EQ(f->EditGiriUCF->isVisible(), c.type != 3);
        EXPECT_EQ(f->UpDownCutOff->isVisible(), c.openingVisible);
        EXPECT_EQ(f->CheckCutoffBenzina->isVisible(), c.type != 3);
    }
}

TEST(ModificaFill, TheEmulationTypeFollowsTheFourValuesAndTheFourthTypeNeedsMapB) {
    struct Case {
        bool connect;
        bool mapB;
        int32_t waves, high, low, tristate;
        int items;
        int type;
        const char* wavesShown;
        bool writes8;
    };
    const Case cases[] = {
        {true, true, 1, 0, 360, 0, 4, 0, "1", false},
        {true, true, 1, 0, 0, 1000, 4, 1, "1", false},
        {true, true, 6, 200, 200, 0, 4, 2, "6", false},
        {true, true, 255, 100, 100, 0, 4, 3, "255", false},
        {false, false, 255, 100, 100, 0, 4, 3, "255", false},  // no session: anything may be prepared
        // Session open, no map B: the fourth type falls back to one built wave, in the ECU at once.
        {true, false, 255, 100, 100, 0, 3, 2, "1", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.waves << " waves, connected " << c.connect << ", map B " << c.mapB);
        EditorBench b(EcuWith(200, false, c.mapB), c.connect);
        ConfCar& car = b.Car();
        car.DEF_NUMERO_ONDE_EMULAZIONE = c.waves;
        car.DEF_TEMPO_DI_EMULAZIONE_ALTO = c.high;
        car.DEF_TEMPO_DI_EMULAZIONE_BASSO = c.low;
        car.DEF_TEMPO_DI_EMULAZIONE_TRISTATE = c.tristate;
        b.ecu.SetValue(8, 0, c.waves);
        auto f = std::make_unique<TFormModifica>(*b.context, b.Dictionary());
        EXPECT_EQ(f->ComboTipoEm->count(), c.items);
        EXPECT_EQ(f->ComboTipoEm->currentIndex(), c.type);
        EXPECT_EQ(f->EditEmOnde->text(), Q(c.wavesShown));
        EXPECT_EQ(f->EditEmBasso->isEnabled(), c.type == 2);
        EXPECT_EQ(f->LabelS1->isEnabled(), c.type == 2);
        EXPECT_EQ(WrittenVars(b.ecu) == std::vector<int>{8}, c.writes8);
        if (c.writes8) {
            EXPECT_EQ(b.ecu.Value(8), 1);
            EXPECT_EQ(car.DEF_NUMERO_ONDE_EMULAZIONE, 1);
        }
    }
}

TEST(ModificaFill, TheDataVersionHidesAndGreysWhatTheEcuDoesNotHave) {
    struct Case {
        int version;
        bool coldChangeover, enrichmentVariation, vehicle, petrolCutoff;
    };
    const Case cases[] = {
        {9, false, false, false, false},
        {150, true, false, false, false},
        {207, true, true, true, false},
        {208, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EditorBench b(EcuWith(c.version));
        b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x20;
        b.Car().SetValue(22, 2500);  // a total cutoff, which keeps the box
        auto f = b.Open();
        EXPECT_EQ(f->CheckBoxCambioFreddo->isVisibleTo(f->PageCambio), c.coldChangeover);
        EXPECT_EQ(f->PageAdattativita->EditPassiTps->isVisibleTo(f->PageAdattativita), c.enrichmentVariation);
        EXPECT_EQ(f->PageAdattativita->UpDownVarArr->isVisibleTo(f->PageAdattativita), c.enrichmentVariation);
        for (QWidget* w : std::initializer_list<QWidget*>{f->ComboCilindri, f->EditCilindrata, f->ComboLambda,
                                                          f->ComboTps, f->ComboTpsSwitch})
            EXPECT_EQ(w->isEnabled(), c.vehicle) << w->objectName().toStdString();
        EXPECT_EQ(f->CheckCutoffBenzina->isEnabled(), c.petrolCutoff);
        // The bit is shown only where the ECU has it.
        EXPECT_EQ(f->CheckCutoffBenzina->isChecked(), c.petrolCutoff);
        EXPECT_EQ(QApplication::focusWidget(),
                  c.vehicle ? static_cast<QWidget*>(f->ComboCilindri) : f->EditIstTps);
    }
}

// --- dictionary ----------------------------------------------------------------------------------

TEST(ModificaTexts, ComeFromTheDictionaryWithTheirLengths) {
    EditorBench b({}, false);
    auto f = b.Open();
    EXPECT_TRUE(f->Localized());
    EXPECT_EQ(f->windowTitle(), b.Dict("FinestraModifica", 50));
    QTabWidget* tabs = f->PageControl1;
    EXPECT_EQ(tabs->tabText(tabs->indexOf(f->PageGenerale)), b.Dict("PageGenerale", 30));
    EXPECT_EQ(tabs->tabText(tabs->indexOf(f->PageTps)), b.Dict("PageTps", 20));
    EXPECT_EQ(f->ButtonModifica->text(), b.Dict("ButtonScarica", 40));
    EXPECT_EQ(f->CheckBoxCambioFreddo->text(), b.Dict("LabelCambioFreddo", 40));
    for (QLabel* l : {f->LabelMs1, f->LabelMs2, f->LabelMs3, f->LabelMs4})
        EXPECT_EQ(l->text(), b.Dict("LabelMs", 12));
    for (QLabel* l : {f->LabelRpm, f->LabelRpm2, f->LabelRpm3, f->LabelRpm4})
        EXPECT_EQ(l->text(), b.Dict("LabelRpm", 30));
    EXPECT_EQ(f->PageAdattativita->LabInst2->text(), b.Dict("LabInst", 20));
    EXPECT_EQ(f->ComboSens->itemText(4), b.Dict("ComboSensore5", 30));
    EXPECT_EQ(f->ComboTpsSwitch->itemText(0), b.Dict("LabelAssente", 30));
    EXPECT_EQ(f->ComboCilindri->itemText(5), b.Dict("ComboCil2", 30));
    EXPECT_EQ(f->ComboTipoEm->itemText(3), b.Dict("ComboTipoEm4", 30));
    EXPECT_EQ(f->GroupTipoCutoffItems[2]->text(), b.Dict("LabelCFMisto", 30));
    EXPECT_EQ(f->PageAdattativita->LabStatoAdat->text(), b.Dict("MessAttiva", 25));
    EXPECT_TRUE(b.prompter.shown.empty());

    auto outside = b.Open(true);
    EXPECT_EQ(outside->windowTitle(), b.Dict("FinestraAutoFuoriArchivio", 50));
    EXPECT_TRUE(outside->ButtonIstruzioniKit->isVisible());
    EXPECT_TRUE(outside->ButtonIstruzioniKit->isEnabled());
}

TEST(ModificaTexts, ABrokenDictionaryIsReportedOnceAndTheBuiltInTextsStay) {
    EditorBench b({}, false);
    QTemporaryDir empty;
    TModuloLingua broken(empty.path());
    for (int run = 0; run < 2; ++run) {
        TFormModifica f(*b.context, broken);
        EXPECT_FALSE(f.Localized());
        EXPECT_EQ(f.PageControl1->tabText(f.PageControl1->indexOf(f.PageAdattativita)), Q("Adattatività"));
        EXPECT_EQ(f.ButtonModifica->text(), Q("&Scarica configurazione"));
        EXPECT_EQ(f.ComboTipoEm->itemText(2), Q("Onda Costruita"));
    }
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, dictionary_messages::kParameterEditor);
    EXPECT_EQ(b.prompter.shown[0].caption, AppContext::kTitle);
    EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
}

// --- checking a typed value ----------------------------------------------------------------------

TEST(ModificaCheck, AValueOutsideItsLimitsIsRefusedWithTheLimitsAndThePreviousValueComesBack) {
    struct Case {
        const char* edit;
        const char* typed;
        const char* limits;  // empty: accepted
        const char* after;
    };
    const Case cases[] = {
        {"EditCilindrata", "", " (500 , 5000)", "1600"},
        {"EditCilindrata", "99999", " (500 , 5000)", "1600"},
        {"EditCilindrata", "4999", "", "4999"},
        {"EditCilindrata", "123456789", " (500 , 5000)", "1600"},
        {"EditTSovrappos", "5001", " (0 , 5000)", "400"},
        {"EditMinErrInteg", "1", " (-50 , 0)", "-50"},
        {"EditRif2", "255", " (1 , 254)", "219"},  // as an inverted sensor shows it: 255 - 36
        {"EditIstTps", "5.5", " (0 - 5)", "0.14"},
        {"EditIstTps", "1,5", "", "0.14"},  // not a number: the value at entry, nothing to refuse
        {"EditEmTri", "1300.5", " (0 - 1300)", "0"},
        {"EditMinCumulo", "101", " (0 , 100)", "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.edit << " <- '" << c.typed << "'");
        EditorBench b;
        b.Car().TIPO_DI_SENSORE = 1;  // an inverted sensor whose references can be typed
        auto f = b.Open();
        auto* edit = Child<QLineEdit>(*f, c.edit);
        QWidget* page = edit->parentWidget();
        while (f->PageControl1->indexOf(page) < 0) page = page->parentWidget();
        f->PageControl1->setCurrentWidget(page);
        auto* other = new QLineEdit(edit->parentWidget());  // somewhere to go on the same page
        other->show();
        f->EnrichmentMap()->PageLeft();
        TypeAndLeave(edit, Q(c.typed), other);
        if (*c.limits == 0) {
            EXPECT_TRUE(b.prompter.shown.empty());
            EXPECT_EQ(QApplication::focusWidget(), other);
        } else {
            ASSERT_EQ(b.prompter.shown.size(), 1u);
            EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessFuoriRange", 70) + c.limits);
            EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(f->windowTitle()));
            EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
            EXPECT_EQ(QApplication::focusWidget(), edit);
        }
        EXPECT_EQ(edit->text(), Q(c.after));
    }
}

TEST(ModificaCheck, EveryCheckedEditCarriesTheLimitsOfItsField) {
    EditorBench b({}, false);
    b.Car().MAX_STEPV[2] = 7;
    auto f = b.Open();
    struct Case {
        const char* edit;
        int field;
        int32_t minimum, maximum;
    };
    const Case cases[] = {
        {"EditCilindrata", 0, 500, 5000},  {"EditIstTps", 1, 0, 5},
        {"EditRitMax", 2, 0, 10000},       {"EditRitMin", 3, 0, 255},
        {"EditTMin", 4, 15, 40},           {"EditTSovrappos", 5, 0, 5000},
        {"EditGiriMin", 6, 200, 4000},     {"EditFuoriGiri", 7, 3000, 8000},
        {"EditEmOnde", 8, 1, 254},         {"EditEmBasso", 9, 0, 5000},
        {"EditEmAlto", 10, 0, 5000},       {"EditEmTri", 11, 0, 1300},
        {"EditIsteresi", 12, 0, 5},        {"EditRif1", 13, 1, 254},
        {"EditRif4", 16, 1, 254},          {"EditGiriACF", 17, 1300, 7000},
        {"EditGiriUCF", 18, 1300, 7000},   {"EditRitCutoff", 19, 0, 2000},
        {"EditFattiInst3", 22, -7, 7},     {"EditMinCumulo", 24, 0, 100},
        {"EditGApMin", 25, 1, 4},          {"EditGChMin", 26, 1, 4},
        {"EditMaxErrInteg", 27, 0, 50},    {"EditMinErrInteg", 28, -50, 0},
        {"EditMaxErrIntegMin", 29, 0, 50}, {"EditMinErrIntegMin", 30, -50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        const FieldLimits* limits = f->LimitsOf(Child<QLineEdit>(*f, c.edit));
        ASSERT_NE(limits, nullptr);
        EXPECT_EQ(limits->field, c.field);
        EXPECT_EQ(limits->minimum, c.minimum);
        EXPECT_EQ(limits->maximum, c.maximum);
    }
    // Edits the installer does not type into carry none.
    for (const char* name : {"EditPosCutoff", "EditPassiTps", "EditArrMin", "EditMaxInst1", "Editem1"})
        EXPECT_EQ(f->LimitsOf(Child<QLineEdit>(*f, name)), nullptr) << name;
}

TEST(ModificaCheck, AValueEqualToTheModelsIsAcceptedOutsideTheLimits) {
    EditorBench b;
    b.Car().SetValue(6, 9000);  // over-rev at 9003 rpm (period 833), above the 8000 limit
    b.Car().CILINDRATA = 100;   // below the 500 limit
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageCambio);
    TypeAndLeave(f->EditFuoriGiri, Q("9003"), f->EditTMin);
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_EQ(f->EditFuoriGiri->text(), Q("9003"));
    TypeAndLeave(f->EditFuoriGiri, Q("9004"), f->EditTMin);
    EXPECT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(f->EditFuoriGiri->text(), Q("3000"));
    b.prompter.shown.clear();
    // A model value outside the limits is not put back: the lowest allowed value is.
    f->PageControl1->setCurrentWidget(f->PageGenerale);
    TypeAndLeave(f->EditCilindrata, Q("6000"), f->EditIstTps);
    EXPECT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(f->EditCilindrata->text(), Q("500"));
}

TEST(ModificaCheck, AStoreWithoutLeavingTheEditStillChecksIt) {
    // The button's accelerator or the close question's Yes store while the edit keeps the focus.
    EditorBench b;
    auto f = b.Open();
    f->EditCilindrata->setFocus(Qt::TabFocusReason);
    f->EditCilindrata->setText(Q("99999"));
    f->ButtonModificaClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessFuoriRange", 70) + " (500 , 5000)");
    EXPECT_EQ(f->EditCilindrata->text(), Q("1600"));
    EXPECT_TRUE(WrittenVars(b.ecu).empty());
    EXPECT_TRUE(f->ValuesChanged());
}

// --- dependent controls --------------------------------------------------------------------------

TEST(ModificaDependent, TheEmulationTypeFillsItsFixedValues) {
    struct Case {
        int type;
        const char *waves, *low, *high, *tristate;
        bool enabled;
    };
    const Case cases[] = {
        {0, "1", "360", "0", "0", false},
        {1, "1", "0", "0", "1", false},
        {2, "1", "200", "200", "0.2", true},  // "Onda Costruita" keeps the times, one wave
        {3, "255", "360", "360", "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EditorBench b({}, false);
        b.Car().DEF_NUMERO_ONDE_EMULAZIONE = 6;
        b.Car().DEF_TEMPO_DI_EMULAZIONE_ALTO = 200;
        b.Car().DEF_TEMPO_DI_EMULAZIONE_BASSO = 200;
        b.Car().DEF_TEMPO_DI_EMULAZIONE_TRISTATE = 200;
        auto f = b.Open();
        ASSERT_EQ(f->ComboTipoEm->currentIndex(), 2);
        Choose(f->ComboTipoEm, c.type);
        EXPECT_EQ(f->EditEmOnde->text(), Q(c.waves));
        EXPECT_EQ(f->EditEmBasso->text(), Q(c.low));
        EXPECT_EQ(f->EditEmAlto->text(), Q(c.high));
        EXPECT_EQ(f->EditEmTri->text(), Q(c.tristate));
        EXPECT_EQ(f->EditEmOnde->isEnabled(), c.enabled);
        EXPECT_EQ(f->LabelMs2->isEnabled(), c.enabled);
        EXPECT_TRUE(f->ValuesChanged());
    }
}

TEST(ModificaDependent, TheLevelSensorTypeFillsItsPresets) {
    struct Case {
        int type;
        const char* refs[4];
        const char* hysteresis;
        bool enabled;
    };
    const Case cases[] = {
        {0, {"19", "36", "56", "69"}, "4", true},  // the first standard sensor's references
        {1, {"200", "141", "94", "40"}, "4", true},  {2, {"19", "36", "56", "69"}, "3", false},
        {3, {"200", "141", "94", "40"}, "5", false}, {4, {"17", "44", "77", "100"}, "4", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EditorBench b({}, false);
        b.Car().TIPO_DI_SENSORE = 0;
        b.Car().ISTERESI_LIVELLO = 4;
        b.Car().RIF_SENS[0] = 1;
        auto f = b.Open();
        Choose(f->ComboSens, c.type);
        QLineEdit* refs[4] = {f->EditRif1, f->EditRif2, f->EditRif3, f->EditRif4};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(refs[i]->text(), Q(c.refs[i])) << i;
        EXPECT_EQ(f->EditIsteresi->text(), Q(c.hysteresis));
        EXPECT_EQ(f->EditRif3->isEnabled(), c.enabled);
        EXPECT_EQ(f->LabelRif2_4->isEnabled(), c.enabled);
        EXPECT_TRUE(f->ValuesChanged());
    }
}

TEST(ModificaDependent, TotalAndPartialCutoffKeepsThePartialEndAboveTheTotalOne) {
    struct Case {
        const char* ucf;
        const char* acf;
        const char* ucfAfter;
        const char* acfAfter;
    };
    const Case cases[] = {
        {"3000", "2500", "3000", "4000"}, {"6500", "2500", "6500", "7000"},  // U + 1000, but at most 7000
        {"3000", "5000", "3000", "5000"},                                    // already above: kept
        {"3000", "9000", "3000", "4000"},                                    // above 8500 stands for none
        {"9000", "5000", "2500", "5000"},  // a switched-off end speed starts again from 2500
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ucf << " / " << c.acf);
        EditorBench b({}, false);
        auto f = b.Open();
        f->PageControl1->setCurrentWidget(f->PageCutoff);
        f->EditGiriUCF->setText(Q(c.ucf));
        f->EditGiriACF->setText(Q(c.acf));
        f->GroupTipoCutoffItems[2]->click();
        EXPECT_EQ(f->CutoffType(), 2);
        EXPECT_EQ(f->EditGiriUCF->text(), Q(c.ucfAfter));
        EXPECT_EQ(f->EditGiriACF->text(), Q(c.acfAfter));
        // The higher speed ends the total cutoff, the lower one the partial.
        EXPECT_EQ(f->LabelGiriACF->text(), b.Dict("LabelGiriUCF", 45));
        EXPECT_EQ(f->LabelGiriUCF->text(), b.Dict("LabelGiriACF", 45));
        EXPECT_TRUE(f->EditGiriACF->isVisible());
        EXPECT_TRUE(f->UpDownCutOff->isVisible());
    }
}

TEST(ModificaDependent, TheOtherCutoffTypesSetTheirSpeedsAndRows) {
    EditorBench b({}, false);
    b.Car().SetValue(22, 2000);
    b.Car().PERIODO_X_APRIRE_ELETTROVALVOLA_IN_CUTOFF = 4000;
    b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE |= 0x20;
    b.Car().VERSIONE_CENTRALINA = 208;
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageCutoff);
    ASSERT_EQ(f->CutoffType(), 2);
    ASSERT_TRUE(f->CheckCutoffBenzina->isChecked());

    f->GroupTipoCutoffItems[1]->click();
    EXPECT_EQ(f->EditGiriACF->text(), Q("10000"));
    EXPECT_EQ(f->LabelGiriUCF->text(), b.Dict("LabelGiriACF", 45));
    EXPECT_FALSE(f->EditGiriACF->isVisible());
    EXPECT_TRUE(f->EditPosCutoff->isVisible());

    f->GroupTipoCutoffItems[0]->click();
    EXPECT_EQ(f->EditGiriACF->text(), Q("1000"));
    EXPECT_EQ(f->LabelGiriUCF->text(), b.Dict("LabelGiriUCF", 45));
    EXPECT_FALSE(f->EditPosCutoff->isVisible());
    EXPECT_TRUE(f->EditRitCutoff->isVisible());

    f->GroupTipoCutoffItems[3]->click();
    EXPECT_EQ(f->EditGiriUCF->text(), Q("10000"));
    EXPECT_FALSE(f->CheckCutoffBenzina->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{f->EditGiriUCF, f->EditGiriACF, f->EditPosCutoff,
                                                      f->EditRitCutoff, f->CheckCutoffBenzina, f->LabelRitCF})
        EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

TEST(ModificaDependent, TheOpeningUpDownShowsPercentAndTheOpenLoopBoxGreysTheGains) {
    EditorBench b({}, false);
    b.Car().COEFF16_APERTURA_CUTOFF = 3;  // below the up-down's range
    auto f = b.Open();
    // What is shown is what will be stored.
    EXPECT_EQ(f->UpDownCutOff->Position(), 8);
    EXPECT_EQ(f->EditPosCutoff->text(), Q("50%"));
    f->UpDownCutOff->Up()->click();
    EXPECT_EQ(f->EditPosCutoff->text(), Q("56%"));
    EXPECT_TRUE(f->ValuesChanged());
    for (int i = 0; i < 10; ++i) f->UpDownCutOff->Up()->click();
    EXPECT_EQ(f->UpDownCutOff->Position(), 16);
    EXPECT_EQ(f->EditPosCutoff->text(), Q("100%"));

    EXPECT_TRUE(f->EditGApMin->isEnabled());
    f->CheckOpenLoop->click();
    EXPECT_FALSE(f->EditGApMin->isEnabled());
    EXPECT_FALSE(f->EditGChMin->isEnabled());
    f->CheckOpenLoop->click();
    EXPECT_TRUE(f->EditGChMin->isEnabled());
}

// --- keys ----------------------------------------------------------------------------------------

TEST(ModificaKeys, EnterAndTheArrowsMoveWithinThePageOnly) {
    EditorBench b({}, false);
    auto f = b.Open();
    f->ComboLambda->setFocus(Qt::TabFocusReason);
    const int lambda = f->ComboLambda->currentIndex();
    QTest::keyClick(f->ComboLambda, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboCilindri);
    EXPECT_EQ(f->ComboLambda->currentIndex(), lambda);  // the arrow does not change the selection
    QTest::keyClick(f->ComboCilindri, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboLambda);
    QTest::keyClick(f->ComboLambda, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboCilindri);
    // The last control of the page: the focus stays on the page.
    f->EditIstTps->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f->EditIstTps, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), f->EditIstTps);
    // The first: ComboAlim is greyed, so nothing comes before ComboLambda.
    f->ComboLambda->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f->ComboLambda, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), f->ComboLambda);
}

TEST(ModificaKeys, PageKeysTurnThePagesAndPassTheMapPage) {
    EditorBench b({}, false);
    auto f = b.Open();
    QTabWidget* tabs = f->PageControl1;
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        return tabs->currentWidget();
    };
    f->EditCilindrata->setFocus();
    EXPECT_EQ(press(Qt::Key_PageDown), f->PageCambio);
    EXPECT_EQ(press(Qt::Key_PageUp), f->PageGenerale);
    EXPECT_EQ(press(Qt::Key_PageUp), f->PageEmissioni);  // round
    EXPECT_EQ(press(Qt::Key_PageUp), f->PageTps);
    EXPECT_EQ(press(Qt::Key_PageUp), f->PageAdattativita);  // past the map page
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), f->PageEmissioni);
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), f->PageGenerale);
    EXPECT_EQ(f->ReturnPage(), f->PageGenerale);
}

// A prompter that looks at the window while its box is open.
struct WatchingPrompter : ScriptedPrompter {
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        if (onAsk) onAsk();
        return ScriptedPrompter::Ask(text, caption, icon, buttons);
    }
    std::function<void()> onAsk;
};

TEST(ModificaLiveTimer, RunsOnlyOnItsPageAndStopsUnderEveryBox) {
    EditorBench b({}, false);
    WatchingPrompter watching;
    AppContext ctx(b.clock, watching, b.opener, b.settings.path(),
                   QFile::encodeName(b.runtimeDir).toStdString());
    TFormModifica f(ctx, b.Dictionary());
    f.show();
    f.activateWindow();
    QApplication::processEvents();
    EnrichmentPage* page = f.EnrichmentMap();
    f.PageControl1->setCurrentWidget(f.PageTps);
    ASSERT_TRUE(page->LiveTimerActive());
    std::vector<bool> runningUnderBox;
    watching.onAsk = [&] { runningUnderBox.push_back(page->LiveTimerActive()); };

    // A refused value, refused level references and the close question.
    f.EditMinCumulo->setFocus(Qt::TabFocusReason);
    f.EditMinCumulo->setText(Q("500"));
    f.ButtonModificaClick();
    f.EditRif2->setText(f.EditRif1->text());
    f.ButtonModificaClick();
    watching.answers = {PromptAnswer::Cancel};
    f.reject();
    EXPECT_EQ(runningUnderBox, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(page->LiveTimerActive());
    EXPECT_TRUE(f.isVisible());

    f.PageControl1->setCurrentWidget(f.PageEmissioni);
    EXPECT_FALSE(page->LiveTimerActive());
}

// --- closing -------------------------------------------------------------------------------------

TEST(ModificaClose, UnsavedValuesAreAskedAboutYesNoCancel) {
    struct Case {
        bool connect;
        bool change;
        bool badReferences;
        PromptAnswer answer;
        bool asks;
        bool closes;
        bool stored;
    };
    const Case cases[] = {
        {true, false, false, PromptAnswer::Yes, false, true, false},
        {true, true, false, PromptAnswer::Cancel, true, false, false},
        {true, true, false, PromptAnswer::No, true, true, false},
        {true, true, false, PromptAnswer::Yes, true, true, true},
        {false, true, false, PromptAnswer::Yes, true, true, true},
        {true, true, true, PromptAnswer::Yes, true, false, false},  // references refused: stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "connected " << c.connect << " change " << c.change << " answer "
                                        << int(c.answer) << " bad " << c.badReferences);
        EditorBench b({}, c.connect);
        auto f = b.Open();
        if (c.change) f->EditCilindrata->setText(Q("1450"));
        if (c.badReferences) f->EditRif2->setText(f->EditRif1->text());
        b.prompter.answers = {c.answer};
        f->ButtonEsci->click();
        EXPECT_EQ(!f->isVisible(), c.closes);
        EXPECT_EQ(b.Car().CILINDRATA == 1450, c.stored);
        if (!c.asks) {
            EXPECT_TRUE(b.prompter.shown.empty());
            continue;
        }
        ASSERT_FALSE(b.prompter.shown.empty());
        const auto& question = b.prompter.shown[0];
        EXPECT_EQ(question.text, b.DictCp("MessValoriCambiati", 70) + "\n" +
                                     b.DictCp(c.connect ? "MessScaricaValori" : "MessMemorizzaValori", 70));
        EXPECT_EQ(question.icon, PromptIcon::Question);
        EXPECT_EQ(question.buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(question.caption, ToCp1252(f->windowTitle()));
    }
}

TEST(ModificaClose, EscapeClosesThroughTheSameQuestion) {
    EditorBench b({}, false);
    auto f = b.Open();
    f->EditCilindrata->setText(Q("1450"));
    b.prompter.answers = {PromptAnswer::Cancel};
    QTest::keyClick(f->EditCilindrata, Qt::Key_Escape);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(b.prompter.shown.size(), 1u);
    b.prompter.answers = {PromptAnswer::No};
    QTest::keyClick(f->EditCilindrata, Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace zov::test
