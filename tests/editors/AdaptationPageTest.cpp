// The self-adaptation page of the parameter editor on four-zone and eight-zone ECUs: layout,
// filling, the re-read on entry, enabling and resetting at once, the two up-downs, the store.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <functional>

#include "EditorSupport.h"
#include "TUpDown.h"

namespace zov::test {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

std::vector<QString> Texts(const std::array<QLineEdit*, 4>& edits) {
    std::vector<QString> out;
    for (QLineEdit* e : edits) out.push_back(e->text());
    return out;
}

std::vector<QString> Strings(std::initializer_list<const char*> texts) {
    std::vector<QString> out;
    for (const char* t : texts) out.push_back(Q(t));
    return out;
}

TEST(AdaptationLayout, FourZonesShowMaximaStepsAndMeanErrorsWithTheInstallerStepsEditable) {
    EditorBench b;
    ASSERT_EQ(b.Car().ADATTATIVITA_ESTESA, 0);
    b.Car().MAX_STEPV[1] = 9;
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageAdattativita);
    // Without a change on the ECU the page shows what the ECU holds: the simulator's factory
    // content, re-read on entry.
    EXPECT_EQ(Texts(f->PageAdattativita->EditMaxInst), Strings({"15", "15", "15", "15"}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditMaxAut), Strings({"40", "40", "40", "40"}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditFattiInst), Strings({"2", "-1", "0", "3"}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditFattiAut), Strings({"4", "-2", "1", "0"}));
    const QString nd = b.Dict("MessND", 5);
    EXPECT_EQ(Texts(f->PageAdattativita->Editem), (std::vector<QString>{nd, nd, nd, nd}));
    for (QLineEdit* e : f->PageAdattativita->EditFattiInst) EXPECT_FALSE(e->isReadOnly());
    for (QLineEdit* e : f->PageAdattativita->Editem) EXPECT_TRUE(e->isReadOnly());
    EXPECT_TRUE(f->PageAdattativita->LabInst1->isVisible());
    EXPECT_LT(f->PageAdattativita->LabMaxPassi->y(), f->PageAdattativita->LabPassiFatti->y());
    EXPECT_LT(f->PageAdattativita->LabPassiFatti->y(), f->PageAdattativita->LabErrMedio->y());
    EXPECT_EQ(QApplication::focusWidget(), f->PageAdattativita->EditFattiInst[0]);
    // Zone limits: the midpoint of a column and the next, down to a multiple of 100 rpm
    // (columns 4/5: 950 and 1150; 9/10: 2150 and 2450; 13/14: 3500 and 3900).
    EXPECT_EQ(f->PageAdattativita->LabelFascia[0]->text(), Q("1000"));
    EXPECT_EQ(f->PageAdattativita->LabelFascia[1]->text(), Q("2300"));
    EXPECT_EQ(f->PageAdattativita->LabelFascia[2]->text(), Q("3700"));
    EXPECT_EQ(f->PageAdattativita->LabStatoAdat->text(), b.Dict("MessAttiva", 25));
    EXPECT_EQ(f->PageAdattativita->ButtonAbilita->text(), b.Dict("ButtonDisabilitaAd", 30));
    // The limits of the installer steps are the maxima held when the window was built.
    EXPECT_EQ(f->LimitsOf(f->PageAdattativita->EditFattiInst[1])->maximum, 9);
    EXPECT_EQ(f->LimitsOf(f->PageAdattativita->EditFattiInst[1])->minimum, -9);
    EXPECT_EQ(f->LimitsOf(f->PageAdattativita->Editem[0]), nullptr);
}

TEST(AdaptationLayout, EightZonesShowMeanErrorsAndAutomaticStepsWithTheMaximumEditable) {
    EditorBench b(EcuWith(200, true));
    ASSERT_EQ(b.Car().ADATTATIVITA_ESTESA, 1);
    b.ecu.SetValues(130, {7, 100, 3, 0, 2, 100, 1, 5});
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageAdattativita);
    const QString nd = b.Dict("MessND", 5);
    EXPECT_EQ(Texts(f->PageAdattativita->EditMaxInst), (std::vector<QString>{Q("7"), nd, Q("3"), Q("0")}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditMaxAut), (std::vector<QString>{Q("2"), nd, Q("1"), Q("5")}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditFattiInst), Strings({"3", "-1", "0", "2"}));
    EXPECT_EQ(Texts(f->PageAdattativita->EditFattiAut), Strings({"5", "-4", "1", "0"}));
    EXPECT_EQ(f->PageAdattativita->Editem[0]->text(), Q("40"));
    EXPECT_FALSE(f->PageAdattativita->Editem[0]->isReadOnly());
    for (size_t i = 1; i < 4; ++i) EXPECT_FALSE(f->PageAdattativita->Editem[i]->isVisible());
    for (QLabel* l : {f->PageAdattativita->LabInst1, f->PageAdattativita->LabAut1,
                      f->PageAdattativita->LabInst2, f->PageAdattativita->LabAut2})
        EXPECT_FALSE(l->isVisible());
    for (QLineEdit* e : f->PageAdattativita->EditFattiInst) {
        EXPECT_TRUE(e->isReadOnly());
        EXPECT_EQ(f->LimitsOf(e), nullptr);
    }
    // The mean errors now head the grid and the maximum closes it.
    EXPECT_LT(f->PageAdattativita->LabErrMedio->y(), f->PageAdattativita->LabPassiFatti->y());
    EXPECT_LT(f->PageAdattativita->LabPassiFatti->y(), f->PageAdattativita->LabMaxPassi->y());
    EXPECT_EQ(QApplication::focusWidget(), f->PageAdattativita->Editem[0]);
    EXPECT_EQ(f->LimitsOf(f->PageAdattativita->Editem[0])->maximum, 50);
}

TEST(AdaptationCheck, InstallerStepsAndTheAutomaticMaximumKeepToTheirLimits) {
    struct Case {
        bool eightZones;
        const char* typed;
        const char* limits;  // empty: accepted
        const char* after;
    };
    const Case cases[] = {
        {false, "20", " (-15 , 15)", "2"},
        {false, "-15", "", "-15"},
        {true, "51", " (0 , 50)", "40"},
        {true, "12", "", "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.eightZones << " " << c.typed);
        EditorBench b(EcuWith(200, c.eightZones));
        auto f = b.Open();
        f->PageControl1->setCurrentWidget(f->PageAdattativita);
        QLineEdit* edit =
            c.eightZones ? f->PageAdattativita->Editem[0] : f->PageAdattativita->EditFattiInst[0];
        TypeAndLeave(edit, Q(c.typed), f->PageAdattativita->EditArrMin);
        EXPECT_EQ(edit->text(), Q(c.after));
        if (*c.limits == 0) {
            EXPECT_TRUE(b.prompter.shown.empty());
        } else {
            ASSERT_EQ(b.prompter.shown.size(), 1u);
            EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessFuoriRange", 70) + c.limits);
        }
    }
}

TEST(AdaptationEntry, ReReadsTheEcuKeepingTypedStepsAndTheChangedFlag) {
    for (bool changedBefore : {false, true}) {
        SCOPED_TRACE(changedBefore);
        EditorBench b;
        auto f = b.Open();
        if (changedBefore) f->EditCilindrata->setText(Q("1500"));
        // The ECU learns meanwhile.
        b.ecu.SetValues(115, {9, 8, 7, 6});
        b.ecu.SetValues(116, {1, 2, 100, 4});
        f->PageControl1->setCurrentWidget(f->PageAdattativita);
        EXPECT_EQ(Texts(f->PageAdattativita->EditFattiAut), Strings({"9", "8", "7", "6"}));
        EXPECT_EQ(f->PageAdattativita->Editem[2]->text(), b.Dict("MessND", 5));
        EXPECT_EQ(f->ValuesChanged(), changedBefore);

        // A step typed and not stored survives a second entry.
        f->PageAdattativita->EditFattiInst[3]->setText(Q("-7"));
        f->PageControl1->setCurrentWidget(f->PageCutoff);
        b.ecu.SetValues(115, {1, 1, 1, 1});
        f->PageControl1->setCurrentWidget(f->PageAdattativita);
        EXPECT_EQ(f->PageAdattativita->EditFattiInst[3]->text(), Q("-7"));
        EXPECT_EQ(f->PageAdattativita->EditFattiInst[0]->text(), Q("2"));
        EXPECT_EQ(Texts(f->PageAdattativita->EditFattiAut), Strings({"1", "1", "1", "1"}));
        EXPECT_TRUE(f->ValuesChanged());
    }
}

TEST(AdaptationEntry, WithoutASessionThePageShowsTheModel) {
    EditorBench b({}, false);
    b.Car().PASSI_FATTI_AUTOMATICI[1] = 6;
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageAdattativita);
    EXPECT_EQ(f->PageAdattativita->EditFattiAut[1]->text(), Q("6"));
    EXPECT_FALSE(f->ValuesChanged());
    EXPECT_TRUE(b.ecu.Requests().empty());
}

TEST(AdaptationButtons, EnablingWritesTheRegisterAtOnceAndLeavesTheChangedFlag) {
    EditorBench b;
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageAdattativita);
    ASSERT_EQ(b.ecu.Value(39) & 1, 1);
    b.ecu.ClearRequests();
    f->PageAdattativita->ButtonAbilita->click();
    EXPECT_EQ(WrittenVars(b.ecu), std::vector<int>{39});
    EXPECT_EQ(b.ecu.Value(39) & 1, 0);
    EXPECT_EQ(b.Car().DEFAULT_REGISTRO_CONFIGURAZIONE & 1, 0);
    EXPECT_EQ(f->PageAdattativita->LabStatoAdat->text(), b.Dict("MessInattiva", 25));
    EXPECT_EQ(f->PageAdattativita->ButtonAbilita->text(), b.Dict("ButtonAbilitaAd", 30));
    EXPECT_FALSE(f->ValuesChanged());
    f->PageAdattativita->ButtonAbilita->click();
    EXPECT_EQ(b.ecu.Value(39) & 1, 1);
    EXPECT_EQ(f->PageAdattativita->LabStatoAdat->text(), b.Dict("MessAttiva", 25));
    // Nothing else was changed: closing asks nothing.
    f->ButtonEsci->click();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(AdaptationButtons, ResetZeroesTheStepsInTheEcuAtOnce) {
    struct Case {
        bool eightZones;
        std::vector<int> written;
        bool marksChanged;
    };
    const Case cases[] = {
        {false, {114, 115}, true},  // the installer steps' edits change
        {true, {129}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eightZones);
        EditorBench b(EcuWith(200, c.eightZones));
        auto f = b.Open();
        f->PageControl1->setCurrentWidget(f->PageAdattativita);
        b.ecu.ClearRequests();
        f->PageAdattativita->ButtonAzzera->click();
        EXPECT_EQ(WrittenVars(b.ecu), c.written);
        EXPECT_EQ(Texts(f->PageAdattativita->EditFattiInst), Strings({"0", "0", "0", "0"}));
        EXPECT_EQ(Texts(f->PageAdattativita->EditFattiAut), Strings({"0", "0", "0", "0"}));
        for (int i = 0; i < 8; ++i) EXPECT_EQ(b.Car().PASSI_FATTI_AUTOMATICI[i], 0);
        const int automatic = c.eightZones ? 129 : 115;
        for (int i = 0; i < (c.eightZones ? 8 : 4); ++i) EXPECT_EQ(b.ecu.Value(automatic, i), 0) << i;
        EXPECT_EQ(f->ValuesChanged(), c.marksChanged);
    }
}

TEST(AdaptationUpDowns, StepWithinTheirRangesFromWhatWasTyped) {
    EditorBench b;
    b.Param().VARIABILE_17 = 4;
    b.Param().DEF_PASSI_ARRICCHIMENTO_MINIMO = 19;
    auto f = b.Open();
    f->PageControl1->setCurrentWidget(f->PageAdattativita);
    EXPECT_EQ(f->PageAdattativita->EditPassiTps->text(), Q("4"));
    EXPECT_EQ(f->PageAdattativita->EditArrMin->text(), Q("19"));
    f->PageAdattativita->UpDownVarArr->Up()->click();
    f->PageAdattativita->UpDownVarArr->Up()->click();
    EXPECT_EQ(f->PageAdattativita->EditPassiTps->text(), Q("5"));
    EXPECT_EQ(QApplication::focusWidget(), f->PageAdattativita->EditPassiTps);
    EXPECT_TRUE(f->ValuesChanged());
    f->PageAdattativita->EditPassiTps->setText(Q("-4"));
    f->PageAdattativita->UpDownVarArr->Down()->click();
    f->PageAdattativita->UpDownVarArr->Down()->click();
    EXPECT_EQ(f->PageAdattativita->EditPassiTps->text(), Q("-5"));

    // Typed beyond the range: the nearest end when the edit is left.
    TypeAndLeave(f->PageAdattativita->EditArrMin, Q("35"), f->PageAdattativita->EditPassiTps);
    EXPECT_EQ(f->PageAdattativita->EditArrMin->text(), Q("20"));
    EXPECT_EQ(f->PageAdattativita->UpDownArrMin->Position(), 20);
    TypeAndLeave(f->PageAdattativita->EditArrMin, Q("x"), f->PageAdattativita->EditPassiTps);
    EXPECT_EQ(f->PageAdattativita->EditArrMin->text(), Q("20"));
    TypeAndLeave(f->PageAdattativita->EditPassiTps, Q("-9"), f->PageAdattativita->EditArrMin);
    EXPECT_EQ(f->PageAdattativita->EditPassiTps->text(), Q("-5"));

    b.Store(*f);
    EXPECT_EQ(b.ecu.Value(17), -5);
    EXPECT_EQ(b.ecu.Value(54), 20);
    EXPECT_EQ(b.Param().VARIABILE_17, -5);
}

TEST(AdaptationStore, EightZonesSetEveryAutomaticMaximumFromTheOneEdit) {
    EditorBench b(EcuWith(200, true));
    auto f = b.Open();
    f->PageAdattativita->Editem[0]->setText(Q("25"));
    b.Store(*f);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.Car().MAX_STEPL[i], 25);
    EXPECT_EQ(b.ecu.Value(128), 25);
    const std::vector<int> written = WrittenVars(b.ecu);
    EXPECT_EQ(std::count(written.begin(), written.end(), 114), 0);
}

TEST(AdaptationStore, FourZonesSendTheInstallerSteps) {
    EditorBench b;
    auto f = b.Open();
    f->PageAdattativita->EditFattiInst[2]->setText(Q("-6"));
    f->PageAdattativita->EditFattiInst[3]->setText(Q("x"));  // unreadable: 0
    b.Store(*f);
    EXPECT_EQ(b.ecu.Value(114, 2), -6);
    EXPECT_EQ(b.ecu.Value(114, 3), 0);
    EXPECT_EQ(b.Car().PASSI_FATTI_INSTALLATORE[0], 2);
}

TEST(AdaptationExchanges, EveryRequestOfThePageRunsInsideTheEditorsHook) {
    // The editor keeps its live timer still around each exchange through this hook: a request
    // outside it could interleave with a live read.
    EditorBench b;
    AdaptationPage page(*b.context);
    page.show();
    int exchanges = 0;
    size_t inside = 0;
    page.runExchange = [&](const std::function<void()>& exchange) {
        ++exchanges;
        const size_t before = b.ecu.Requests().size();
        exchange();
        inside += b.ecu.Requests().size() - before;
    };
    page.PageEntered();
    page.ButtonAbilita->click();
    page.ButtonAzzera->click();
    EXPECT_EQ(exchanges, 3);
    EXPECT_GT(inside, 3u);
    EXPECT_EQ(inside, b.ecu.Requests().size());
    EXPECT_EQ(WrittenVars(b.ecu), (std::vector<int>{39, 114, 115}));
}

}  // namespace
}  // namespace zov::test
