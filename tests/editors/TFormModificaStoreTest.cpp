// The parameter editor's store against the ECU simulator: the order of what is sent under the
// progress window, the model without a session, fallbacks, the level references' order, the
// lambda presets, the register bits, the TPS type, open loop and codes the combos cannot show.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>

#include "EditorSupport.h"
#include "TFormAttesaFile.h"

namespace zov::test {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

int IndexOf(const std::vector<int>& vars, int var) {
    const auto it = std::find(vars.begin(), vars.end(), var);
    return it == vars.end() ? -1 : int(it - vars.begin());
}

TEST(ModificaStore, SendsTheConfigurationThenTheAdaptationThenTheParametersUnderTheProgressWindow) {
    EditorBench b;
    auto f = b.Open();
    f->EditCilindrata->setText(Q("1398"));
    f->EditIstTps->setText(Q("0.29"));
    f->PageControl1->setCurrentWidget(f->PageCambio);
    f->EditGiriMin->setText(Q("2500"));
    f->RadioCambioAcc->click();
    f->PageAdattativita->EditFattiInst[0]->setText(Q("-3"));
    f->PageAdattativita->EditPassiTps->setText(Q("-2"));
    f->PageAdattativita->EditArrMin->setText(Q("7"));
    f->EditGApMin->setText(Q("4"));
    f->EditGChMin->setText(Q("2"));
    EXPECT_TRUE(f->ValuesChanged());

    // The link waits at every answer: the windows can be looked at meanwhile.
    b.ecu.MutableFaults().latencyUs = 1000;
    QString progressTitle, progressMessage;
    b.clock.onSleep = [&](int64_t) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TFormAttesaFile*>(w); p != nullptr && p->isVisible()) {
                progressTitle = p->windowTitle();
                progressMessage = p->Label1->text();
            }
    };
    b.Store(*f);
    b.clock.onSleep = nullptr;
    EXPECT_EQ(progressTitle, b.Dict("FinestraScaricaCpu", 50));
    EXPECT_EQ(progressMessage, b.Dict("MessAggiornaCpu", 50));
    EXPECT_FALSE(f->ValuesChanged());
    EXPECT_TRUE(b.prompter.shown.empty());

    const std::vector<int> written = WrittenVars(b.ecu);
    // The whole configuration, then the adaptation group, then the scalars and the gains.
    const int configuration = IndexOf(written, 0);
    const int cylinders = IndexOf(written, 40);
    const int adaptation = IndexOf(written, 34);
    const int installerSteps = IndexOf(written, 114);
    const int variation = IndexOf(written, 17);
    const int idle = IndexOf(written, 54);
    const int gains = IndexOf(written, 100);
    EXPECT_EQ(configuration, 0);
    EXPECT_LT(configuration, cylinders);
    EXPECT_LT(cylinders, adaptation);
    EXPECT_LT(adaptation, installerSteps);
    EXPECT_LT(installerSteps, variation);
    EXPECT_LT(variation, idle);
    EXPECT_LT(idle, gains);
    EXPECT_EQ(std::count(written.begin(), written.end(), 100), 12);
    EXPECT_EQ(written.back(), 100);

    EXPECT_EQ(b.ecu.Value(40), 1398);
    EXPECT_EQ(b.ecu.Value(27), 15);                     // 0.29 V; 0.28 V would be byte 14
    EXPECT_EQ(b.ecu.Value(20), (7500000 / 2500) & ~1);  // in acceleration
    EXPECT_EQ(b.ecu.Value(114, 0), -3);
    EXPECT_EQ(b.ecu.Value(17), -2);
    EXPECT_EQ(b.ecu.Value(54), 7);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.ecu.Value(100, i), 0x42) << i;
    EXPECT_EQ(b.ecu.Value(100, 6), 33);
    EXPECT_EQ(b.Car().CILINDRATA, 1398);
    EXPECT_EQ(b.Param().VARIABILE_17, -2);
}

TEST(ModificaStore, WithoutASessionTheModelTakesEverythingAndNothingIsSent) {
    EditorBench b({}, false);
    auto f = b.Open();
    f->EditCilindrata->setText(Q("1200"));
    f->EditEmTri->setText(Q("0.57"));
    f->EditMaxErrInteg->setText(Q("33"));
    b.Store(*f);
    EXPECT_EQ(b.Car().CILINDRATA, 1200);
    EXPECT_EQ(b.Car().DEF_TEMPO_DI_EMULAZIONE_TRISTATE, 570);
    EXPECT_EQ(b.Car().MAX_ERRORE_LAMBDA, 33);
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_FALSE(f->ValuesChanged());
}

TEST(ModificaStore, UnreadableTextsStoreTheirFallbacks) {
    EditorBench b({}, false);
    auto f = b.Open();
    struct Case {
        QLineEdit* edit;
        const char* fallback;
    };
    const Case cases[] = {{f->EditCilindrata, "1000"}, {f->EditTMin, "100"},  {f->EditEmOnde, "6"},
                          {f->EditGiriUCF, "2500"},    {f->EditEmTri, "200"}, {f->EditMinErrInteg, "-50"}};
    for (const Case& c : cases) c.edit->setText(Q("abc"));
    b.Store(*f);
    for (const Case& c : cases)
        EXPECT_EQ(c.edit->text(), Q(c.fallback)) << c.edit->objectName().toStdString();
    EXPECT_EQ(b.Car().CILINDRATA, 1000);
    EXPECT_EQ(b.Car().DEF_NUMERO_ONDE_EMULAZIONE, 6);
    EXPECT_EQ(b.Car().DEF_TEMPO_DI_EMULAZIONE_TRISTATE, 200000);
    EXPECT_EQ(b.Car().MIN_ERRORE_LAMBDA, -50);
}

TEST(ModificaStore, LevelReferencesMustRunInTheSensorsDirection) {
    struct Case {
        int sensor;
        int32_t refs[4];
        bool accepted;
        int32_t stored[4];
    };
    const Case cases[] = {
        {0, {19, 36, 36, 69}, false, {}},
        {0, {19, 36, 56, 69}, true, {19, 36, 56, 69}},
        {2, {69, 56, 36, 19}, false, {}},
        {1, {200, 141, 94, 40}, true, {55, 114, 161, 215}},
        {3, {200, 141, 94, 40}, true, {55, 114, 161, 215}},
        {3, {40, 94, 141, 200}, false, {}},
        {1, {200, 200, 94, 40}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sensor " << c.sensor << ", " << c.refs[0] << " " << c.refs[1]
                                        << " " << c.refs[2] << " " << c.refs[3]);
        EditorBench b;
        auto f = b.Open();
        Choose(f->ComboSens, c.sensor);
        QLineEdit* edits[4] = {f->EditRif1, f->EditRif2, f->EditRif3, f->EditRif4};
        for (int i = 0; i < 4; ++i) edits[i]->setText(QString::number(c.refs[i]));
        b.Store(*f);
        if (!c.accepted) {
            ASSERT_EQ(b.prompter.shown.size(), 1u);
            EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessErroreSens", 70));
            EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
            EXPECT_TRUE(b.ecu.Requests().empty());
            EXPECT_TRUE(f->ValuesChanged());
            continue;
        }
        EXPECT_TRUE(b.prompter.shown.empty());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(b.Car().RIF_SENS[i], c.stored[i]) << i;
            EXPECT_EQ(b.ecu.Value(109, i), c.stored[i]) << i;
        }
        EXPECT_EQ(b.Car().TIPO_DI_SENSORE, c.sensor);
    }
}

TEST(ModificaStore, ANewLambdaTypePresetsTheReferencesOnce) {
    EditorBench b;
    auto f = b.Open();
    ASSERT_EQ(f->ComboLambda->currentIndex(), 0);
    f->ComboLambda->setCurrentIndex(4);  // 5 - 0 V 'A': an inverted probe
    b.Store(*f);
    EXPECT_EQ(b.Car().GetValue(76), 4);
    // 2.50, 3.00 and 2.00 V on an inverted probe: the bytes of 500 - v hundredths.
    EXPECT_EQ(b.Car().RIF_LAMBDA[0], 128);
    EXPECT_EQ(b.Car().RIF_LAMBDA[19], 128);
    EXPECT_EQ(b.Car().RIF_INF_LAMBDA_FREDDA, 102);
    EXPECT_EQ(b.Car().RIF_SUP_LAMBDA_FREDDA, 153);
    EXPECT_EQ(b.Car().RIF_LAMBDA_PER_CAMBIO, 0);
    EXPECT_EQ(b.ecu.Value(76), 25);
    EXPECT_EQ(b.ecu.Value(99), 128);
    EXPECT_EQ(b.ecu.Value(25), 102);
    EXPECT_EQ(f->LambdaTypeAtLoad(), 4);

    // Storing again without a new type leaves references the installer set meanwhile.
    b.Car().SetValue(99, 120);
    b.Car().SetValue(25, 150);
    f->EditCilindrata->setText(Q("1500"));
    b.Store(*f);
    EXPECT_EQ(b.Car().RIF_LAMBDA[0], 194);          // 1.20 V inverted
    EXPECT_EQ(b.Car().RIF_INF_LAMBDA_FREDDA, 179);  // 1.50 V inverted
}

TEST(ModificaStore, TheRegisterBitsFollowTheBoxesAndThePetrolCutoffNeedsVersion208) {
    struct Case {
        int version;
        bool petrolChecked;
        bool coldChecked;
        int32_t bits;  // of 0x22 after the store
    };
    const Case cases[] = {
        {207, true, true, 0x02},  // cleared below 208 whatever it held
        {207, false, false, 0x00},
        {208, true, false, 0x20},
        {208, false, true, 0x02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.version << " petrol " << c.petrolChecked << " cold " << c.coldChecked);
        EditorBench b(EcuWith(c.version));
        b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE = 0x23;
        b.Car().SetValue(22, 2500);  // a total cutoff: the box is on view
        auto f = b.Open();
        if (f->CheckCutoffBenzina->isEnabled()) f->CheckCutoffBenzina->setChecked(c.petrolChecked);
        f->CheckBoxCambioFreddo->setChecked(c.coldChecked);
        b.Store(*f);
        EXPECT_EQ(b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE & 0x22, c.bits);
        EXPECT_EQ(b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE & 0x01, 0x01);
        EXPECT_EQ(b.ecu.Value(39) & 0x22, c.bits);
    }
}

TEST(ModificaStore, TpsTypeKeepsTheMonoBoschBitAndOpenLoopSetsTheFirstSixEntries) {
    EditorBench b({}, false);
    b.Car().TIPO_DI_TPS = 0x02 | 0x30;  // MonoBosch, and bits above 3
    b.Car().OPENLOOP[6] = 0x0F;
    auto f = b.Open();
    f->ComboTps->setCurrentIndex(1);
    f->ComboTpsSwitch->setCurrentIndex(1);
    f->CheckOpenLoop->setChecked(true);
    b.Store(*f);
    EXPECT_EQ(b.Car().TIPO_DI_TPS, 0x02 | 0x01 | (1 << 2));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(b.Car().GetOpenLoop(i, 0), 13) << i;
        EXPECT_EQ(b.Car().GetOpenLoop(i, 1), 3) << i;
    }
    EXPECT_EQ(b.Car().OPENLOOP[6], 0x0F);

    f->CheckOpenLoop->setChecked(false);
    b.Store(*f);
    EXPECT_EQ(b.Car().GetOpenLoop(5, 0), 0);
    EXPECT_EQ(b.Car().GetOpenLoop(5, 1), 0);
}

TEST(ModificaStore, CodesTheCombosCannotShowAreKept) {
    EditorBench b({}, false);
    b.Car().TIPO_ACCENSIONE = 1;   // index 6, "Bibibina": no item
    b.Car().TIPO_DI_TPS = 3 << 2;  // switch field 3: no item
    b.Car().TIPO_DI_SENSORE = 5;
    b.Car().TIPO_DI_CARBURANTE = 2;
    auto f = b.Open();
    EXPECT_EQ(f->ComboCilindri->currentIndex(), -1);
    EXPECT_EQ(f->ComboTpsSwitch->currentIndex(), -1);
    EXPECT_EQ(f->ComboSens->currentIndex(), -1);
    EXPECT_EQ(f->ComboAlim->currentIndex(), 1);
    b.Store(*f);
    EXPECT_EQ(b.Car().TIPO_ACCENSIONE, 1);
    EXPECT_EQ((b.Car().TIPO_DI_TPS >> 2) & 3, 3);
    EXPECT_EQ(b.Car().TIPO_DI_SENSORE, 5);
    EXPECT_EQ(b.Car().TIPO_DI_CARBURANTE, 2);
}

}  // namespace
}  // namespace zov::test
