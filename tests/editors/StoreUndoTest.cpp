// What a store of the parameter editor changes is listed before anything is sent, and the last
// store can be put back, from the editor or the main window's menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "ConfigurationFields.h"
#include "DetachedConfiguration.h"
#include "EditorSupport.h"

namespace zov::test {
namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// Every field as a fresh read of the ECU gives it, through model objects of their own.
std::vector<ConfigurationField> EcuFields(EditorBench& b) {
    const auto fresh = std::make_unique<DetachedConfiguration>(b.context->link);
    fresh->model.ReadFromEcu();
    std::vector<ConfigurationField> fields;
    EXPECT_TRUE(ConfigurationFields::Of(fresh->model, fields));
    return fields;
}

void ChangeFiveFields(TFormModifica& f) {
    f.EditCilindrata->setText(Q("1398"));
    f.EditRitMax->setText(Q("140"));
    f.EditRitMin->setText(Q("12"));
    f.EditMinCumulo->setText(Q("6"));
    f.EditGApMin->setText(Q("4"));
}

TEST(StorePreview, ListsEachChangedFieldWithOldAndNewAndNoSendsNothing) {
    EditorBench b;
    auto f = b.Open();
    const std::vector<ConfigurationField> before = EcuFields(b);
    const int32_t oldDisplacement = b.Car().CILINDRATA;
    f->EditCilindrata->setText(Q("1398"));
    f->EditMinCumulo->setText(Q("6"));
    b.ecu.ClearRequests();
    b.prompter.answers = {PromptAnswer::No};
    f->ButtonModifica->click();

    ASSERT_EQ(b.prompter.shown.size(), 1u);
    const std::string& question = b.prompter.shown[0].text;
    EXPECT_EQ(question.rfind(b.DictCp("MessValoriInScrittura", 70) + "\n", 0), 0u) << question;
    // Each field by its caption and in the edit's unit; nothing by its file key.
    EXPECT_NE(question.find(b.DictCp("LabelCilindrata", 40) + ": " + std::to_string(oldDisplacement) +
                            " -> 1398\n"),
              std::string::npos)
        << question;
    EXPECT_NE(question.find(b.DictCp("LabelMinCum", 30) + ": "), std::string::npos) << question;
    EXPECT_EQ(question.find(b.DictCp("LabelMaxRit", 40)), std::string::npos) << question;  // unchanged
    for (const char* key : {"CILINDRATA", "MINIMO_CUMULO_TPS_PER_ARR", "DEF_GIRI_PER_CUTOFF"})
        EXPECT_EQ(question.find(key), std::string::npos) << key << "\n" << question;
    // The ECU's cut-off ends at 9003 rpm, above 8500: the editor shows the type "none", which
    // stores 10000 rpm; the question says so rather than leaving it unexplained.
    EXPECT_NE(question.find(b.DictCp("LabelGiriUCF", 45) + ": 9003 -> 10000 " + b.DictCp("LabelRpm", 30) +
                            " " + b.DictCp("MessCutoffSpento", 70)),
              std::string::npos)
        << question;
    EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);

    // No: not a byte written, the model and the edits as they were.
    EXPECT_TRUE(WrittenVars(b.ecu).empty());
    EXPECT_EQ(b.Car().CILINDRATA, oldDisplacement);
    EXPECT_EQ(f->EditCilindrata->text(), Q("1398"));
    EXPECT_TRUE(f->ValuesChanged());
    EXPECT_EQ(EcuFields(b), before);
    EXPECT_FALSE(f->ButtonAnnullaScrittura->isEnabled());
}

TEST(StoreUndo, TheEditorPutsBackAStoreOfFiveFields) {
    EditorBench b;
    auto f = b.Open();
    const std::vector<ConfigurationField> before = EcuFields(b);
    const QString oldDisplacement = f->EditCilindrata->text();
    EXPECT_FALSE(f->ButtonAnnullaScrittura->isEnabled());
    ChangeFiveFields(*f);
    b.Store(*f);
    ASSERT_EQ(b.ecu.Value(40), 1398);
    ASSERT_NE(EcuFields(b), before);
    ASSERT_TRUE(f->ButtonAnnullaScrittura->isEnabled());

    b.prompter.answers = {PromptAnswer::Yes};
    f->ButtonAnnullaScrittura->click();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessAnnullaScrittura", 70));
    EXPECT_EQ(EcuFields(b), before);
    // The editor shows the values that are back in the ECU; there is nothing left to undo.
    EXPECT_EQ(f->EditCilindrata->text(), oldDisplacement);
    EXPECT_FALSE(f->ValuesChanged());
    EXPECT_FALSE(f->ButtonAnnullaScrittura->isEnabled());
}

// A vehicle outside the archive: the store brings the base map of its displacement into table 50
// and the axes, and the undo takes those back with the rest.
TEST(StoreUndo, TheUndoOfAStoreThatLoadedTheBaseMapPutsTheEarlierMapBack) {
    EditorBench b;
    auto f = b.Open(true);
    const std::vector<ConfigurationField> before = EcuFields(b);
    const std::vector<uint8_t> mapBefore = b.ecu.Bytes(50);
    f->EditCilindrata->setText(Q("1600"));
    b.Store(*f);
    ASSERT_NE(b.ecu.Bytes(50), mapBefore) << "the base map went in";

    b.prompter.answers = {PromptAnswer::Yes};
    f->ButtonAnnullaScrittura->click();
    EXPECT_EQ(b.ecu.Bytes(50), mapBefore);
    EXPECT_EQ(EcuFields(b), before);
    EXPECT_FALSE(f->ButtonAnnullaScrittura->isEnabled());
}

TEST(StoreUndo, TheCloseQuestionIsTheOnlyQuestionAndTheMenuUndoesAfterwards) {
    EditorBench b;
    const std::vector<ConfigurationField> before = EcuFields(b);
    {
        auto f = b.Open();
        ChangeFiveFields(*f);
        b.prompter.answers = {PromptAnswer::Yes};
        f->close();
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNoCancel);
        ASSERT_EQ(b.ecu.Value(40), 1398);
    }
    QAction* menu = b.form->MenuAnnullaScrittura;
    b.form->Timer1Timer();
    ASSERT_TRUE(menu->isEnabled());

    // Said no: nothing sent, still on offer.
    b.ecu.ClearRequests();
    b.prompter.answers = {PromptAnswer::No};
    menu->trigger();
    EXPECT_TRUE(WrittenVars(b.ecu).empty());
    EXPECT_TRUE(menu->isEnabled());

    b.prompter.answers = {PromptAnswer::Yes};
    menu->trigger();
    EXPECT_EQ(EcuFields(b), before);
    EXPECT_FALSE(menu->isEnabled());
}

TEST(StoreUndo, ANewSessionEndsTheOffer) {
    EditorBench b;
    auto f = b.Open();
    ChangeFiveFields(*f);
    b.Store(*f);
    f.reset();
    b.form->Timer1Timer();
    ASSERT_TRUE(b.form->MenuAnnullaScrittura->isEnabled());
    b.prompter.answers = {PromptAnswer::Yes};
    b.form->MenuDisconnettiClick();
    ASSERT_FALSE(b.context->link.IsConnected());
    b.form->Timer1Timer();
    EXPECT_FALSE(b.form->MenuAnnullaScrittura->isEnabled());
    b.form->interactive = false;
    b.form->MenuConnettiClick();
    ASSERT_TRUE(b.context->link.IsConnected());
    b.form->Timer1Timer();
    EXPECT_FALSE(b.form->MenuAnnullaScrittura->isEnabled());
    EXPECT_EQ(b.ecu.Value(40), 1398);
}

}  // namespace
}  // namespace zov::test
