// The functional diagnosis window offscreen against the simulated ECU: the ten rows from the
// diagnosis words, the invalid-effect warnings, clearing, sending and the close question.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTest>

#include "DiagnosisSupport.h"
#include "DictionaryMessages.h"
#include "TFormDiagnFunz.h"

namespace zov::test {
namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

std::unique_ptr<TFormDiagnFunz> Open(DiagnosisBench& b, TModuloLingua* dictionary = nullptr) {
    auto form = std::make_unique<TFormDiagnFunz>(*b.context, dictionary ? *dictionary : *b.dictionary);
    form->show();
    QApplication::processEvents();
    return form;
}

// The colour of an enabled label; a disabled one shows greyed whatever it is given.
QColor ColourOf(const QLabel* label) {
    return label->palette().color(QPalette::Active, QPalette::WindowText);
}

TEST(TFormDiagnFunz, RowsShowTheChecksOfTheEcu) {
    DiagnosisBench b;
    // The simulated ECU enables checks 1 to 9; checks 1 and 10 have tripped.
    b.ecu.SetValue(90, 0, 0x201);
    auto form = Open(b);
    EXPECT_TRUE(form->Localized());
    EXPECT_EQ(form->windowTitle(), b.Dict("FinestraDiagnosi", 70));
    EXPECT_EQ(form->CheckBox[0]->text(), b.Dict("LabelReleInc", 35));
    EXPECT_EQ(form->CheckBox[9]->text(), b.Dict("LabelProbMAP", 35));
    EXPECT_EQ(form->ButtonResetta->text(), b.Dict("ButtonResetta", 15));

    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(form->CheckBox[size_t(i)]->isChecked(), i < 9);
        EXPECT_EQ(form->LabelE[size_t(i)]->isEnabled(), i < 9);
        EXPECT_EQ(form->LabelS[size_t(i)]->isEnabled(), i < 9);
    }
    // F = 7, P = 767, O = 256 in the simulated ECU.
    EXPECT_EQ(form->LabelE[0]->text(), b.Dict("LabelEffetto2", 25));
    EXPECT_EQ(form->LabelE[3]->text(), b.Dict("LabelEffetto1", 25));
    EXPECT_EQ(form->LabelE[8]->text(), b.Dict("LabelEffetto3", 25));
    EXPECT_EQ(form->LabelS[0]->text(), b.Dict("LabelStatoErrore", 10));
    EXPECT_EQ(ColourOf(form->LabelS[0]), kRed);
    EXPECT_EQ(form->LabelS[1]->text(), b.Dict("LabelStatoOK", 10));
    EXPECT_EQ(ColourOf(form->LabelS[1]), kGreen);
    EXPECT_EQ(form->LabelS[9]->text(), b.Dict("LabelStatoErrore", 10));

    // 512 and 37 units of 20 minutes on gas and on petrol.
    EXPECT_EQ(form->LabelTGas->text(), QStringLiteral("170 ore, 40 minuti"));
    EXPECT_EQ(form->LabelTBenza->text(), QStringLiteral("12 ore, 20 minuti"));
    EXPECT_FALSE(form->Changed());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormDiagnFunz, AnInvalidEffectLeavesItsRowEmptyAndWarnsWithItsNumber) {
    DiagnosisBench b;
    // Check 4: F without P or O. Check 9: F, P and O together.
    b.ecu.SetValue(92, 0, 0x007 | 0x008 | 0x100);
    b.ecu.SetValue(91, 0, (767 | 0x100) & ~0x008);
    auto form = Open(b);
    ASSERT_EQ(b.prompter.shown.size(), 2u);
    const std::string riprog = b.DictCp("MessRiprogCpu", 70);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessErrDiagnosi", 70) + " 4 \n" + riprog);
    EXPECT_EQ(b.prompter.shown[1].text, b.DictCp("MessErrDiagnosi", 70) + " 9 \n" + riprog);
    for (const auto& box : b.prompter.shown) {
        EXPECT_EQ(box.icon, PromptIcon::Warning);
        EXPECT_EQ(box.caption, b.DictCp("FinestraDiagnosi", 70));
    }
    EXPECT_TRUE(form->LabelE[3]->text().isEmpty());
    EXPECT_TRUE(form->LabelE[8]->text().isEmpty());
    EXPECT_EQ(form->LabelE[4]->text(), b.Dict("LabelEffetto1", 25));
}

TEST(TFormDiagnFunz, ClearingTakesEffectInTheEcuAtOnce) {
    DiagnosisBench b;
    b.ecu.SetValue(90, 0, 0x005);
    auto form = Open(b);
    b.ecu.ClearRequests();
    form->ButtonResetta->click();
    EXPECT_EQ(b.ecu.Value(90), 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(form->LabelS[size_t(i)]->text(), b.Dict("LabelStatoOK", 10));
        EXPECT_EQ(ColourOf(form->LabelS[size_t(i)]), kGreen);
    }
    // Nothing else was sent, and there is nothing left to ask about.
    EXPECT_EQ(b.ecu.Value(89), 511);
    EXPECT_FALSE(form->Changed());
    form->ButtonEsci->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(TFormDiagnFunz, SendingADisabledTrippedCheckClearsItInTheEcu) {
    DiagnosisBench b;
    b.ecu.SetValue(90, 0, 0x005);
    auto form = Open(b);
    form->CheckBox[2]->click();
    EXPECT_FALSE(form->LabelE[2]->isEnabled());
    EXPECT_TRUE(form->Changed());
    // Nothing goes to the ECU before the send.
    EXPECT_EQ(b.ecu.Value(89), 511);
    form->ButtonModifica->click();
    EXPECT_EQ(b.ecu.Value(89), 511 & ~0x004);
    EXPECT_EQ(b.ecu.Value(90), 0x001);
    EXPECT_EQ(form->LabelS[2]->text(), b.Dict("LabelStatoOK", 10));
    EXPECT_EQ(form->LabelS[0]->text(), b.Dict("LabelStatoErrore", 10));
    EXPECT_FALSE(form->Changed());
}

TEST(TFormDiagnFunz, ClosingWithUnsentChangesAsks) {
    const struct {
        const char* what;
        bool connected;
        PromptAnswer answer;
        bool closes;
        int32_t enabledAfter;
    } cases[] = {
        {"cancel", true, PromptAnswer::Cancel, false, 511},
        {"no", true, PromptAnswer::No, true, 511},
        {"yes", true, PromptAnswer::Yes, true, 511 | 0x200},
        {"yes without a session", false, PromptAnswer::Yes, true, 511 | 0x200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DiagnosisBench b({}, c.connected);
        auto form = Open(b);
        // Twice on the same box: back as it was, but still changed.
        form->CheckBox[9]->click();
        form->CheckBox[9]->click();
        form->CheckBox[9]->click();
        b.prompter.answers = {c.answer};
        QTest::keyClick(form.get(), Qt::Key_Escape);
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        const char* second = c.connected ? "MessScaricaValori" : "MessMemorizzaValori";
        EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessValoriCambiati", 70) + "\n" + b.DictCp(second, 70));
        EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNoCancel);
        EXPECT_EQ(form->isVisible(), !c.closes);
        if (c.connected)
            EXPECT_EQ(b.ecu.Value(89), c.enabledAfter);
        else
            EXPECT_EQ(b.Car().ABILITAZIONE_DIAGNOSI[0], c.enabledAfter);
    }
}

TEST(TFormDiagnFunz, ClickingABoxTwiceStillAsks) {
    DiagnosisBench b;
    auto form = Open(b);
    form->CheckBox[0]->click();
    form->CheckBox[0]->click();
    EXPECT_TRUE(form->CheckBox[0]->isChecked());
    EXPECT_TRUE(form->Changed());
    b.prompter.answers = {PromptAnswer::No};
    form->close();
    EXPECT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_FALSE(form->isVisible());
}

TEST(TFormDiagnFunz, WithoutTheDictionaryKeepsItsOwnTexts) {
    DiagnosisBench b;
    QTemporaryDir empty;
    TModuloLingua broken(empty.path());
    auto form = Open(b, &broken);
    EXPECT_FALSE(form->Localized());
    EXPECT_EQ(form->CheckBox[1]->text(), QStringLiteral("Elettrovalvola del Gas"));
    EXPECT_EQ(form->LabelE[0]->text(), QStringLiteral("Forzato benzina"));
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, dictionary_messages::kFunctionalDiagnosis);
}

}  // namespace
}  // namespace zov::test
