// The fuel choice dialog on its own: texts in every language, the built-in texts and the
// once-per-run message when the dictionary cannot serve it, the preset, OK, Cancel and Esc.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "DictionaryMessages.h"
#include "MainWindowSupport.h"
#include "TFormSceltaCarb.h"
#include "TModuloLingua.h"

namespace zov::test {
namespace {

QStringList Items(const TFormSceltaCarb& d) {
    QStringList items;
    for (int i = 0; i < d.ComboAlim->count(); ++i) items << d.ComboAlim->itemText(i);
    return items;
}

TEST(TFormSceltaCarb, TakesItsTextsFromTheDictionaryInEveryLanguage) {
    TModuloLingua dictionary(DistDir());
    ASSERT_TRUE(dictionary.IsOpen());
    ScriptedPrompter prompter;
    auto text = [&](const char* id, int length) {
        return dictionary.Lookup(QString::fromLatin1(id), length).value_or(QStringLiteral("<missing>"));
    };
    for (int language = 0; language < dictionary.LanguageCount(); ++language) {
        SCOPED_TRACE(dictionary.LanguageKey(language).toStdString());
        ASSERT_TRUE(dictionary.SelectLanguage(language));
        TFormSceltaCarb d(dictionary, prompter);
        EXPECT_TRUE(d.Localized());
        EXPECT_EQ(d.windowTitle(), text("FinestraSceltaCarb", 50));
        EXPECT_EQ(d.LabelAlim->text(), text("LabelAlim", 30));
        EXPECT_EQ(d.ButtonOK->text(), text("ButtonOK", 15));
        EXPECT_EQ(d.ButtonAnnulla->text(), text("ButtonAnnulla", 15));
        EXPECT_EQ(Items(d), (QStringList{text("LabelGpl", 30), text("LabelMetano", 30)}));
        EXPECT_TRUE(d.ButtonOK->isDefault());
        // The texts are shown whole.
        d.show();
        for (QWidget* w : std::initializer_list<QWidget*>{d.LabelAlim, d.ButtonOK, d.ButtonAnnulla})
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GT(d.width(), d.fontMetrics().horizontalAdvance(d.windowTitle())) << "room for the caption";
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(TFormSceltaCarb, KeepsItsBuiltInTextsAndSaysSoOncePerRunWhenTheDictionaryFails) {
    QTemporaryDir empty;
    struct Case {
        const char* what;
        QString directory;
    };
    const Case cases[] = {
        {"no dictionary table", empty.path()},
        {"no language chosen", DistDir()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TModuloLingua dictionary(c.directory);  // one per run
        ScriptedPrompter prompter;
        for (int opening = 0; opening < 2; ++opening) {
            TFormSceltaCarb d(dictionary, prompter);
            EXPECT_FALSE(d.Localized());
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Scegliere il tipo di carburante della vettura"));
            EXPECT_EQ(d.LabelAlim->text(), QStringLiteral("Tipo di carburante"));
            EXPECT_EQ(d.ButtonOK->text(), QStringLiteral("&OK"));
            EXPECT_EQ(d.ButtonAnnulla->text(), QStringLiteral("&Annulla"));
            EXPECT_EQ(Items(d), (QStringList{QStringLiteral("GPL"), QStringLiteral("METANO")}));
        }
        ASSERT_EQ(prompter.shown.size(), 1u) << "once per run, not once per opening";
        EXPECT_EQ(prompter.shown[0].text, "Problemi col database multilingua (Codice 20).");
        EXPECT_EQ(prompter.shown[0].text, dictionary_messages::kFuelChoice);
        EXPECT_EQ(prompter.shown[0].caption, AppContext::kTitle);
        EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
    }
}

TEST(TFormSceltaCarb, PresetOkCancelAndEscape) {
    TModuloLingua dictionary(DistDir());
    ASSERT_TRUE(dictionary.SelectLanguage(0));
    ScriptedPrompter prompter;
    struct Case {
        int preset;  // TIPO_DI_CARBURANTE
        int shown;   // the item selected when it opens
        int chosen;  // the item the user picks
        enum { Ok, Cancel, Escape, Enter } close;
        int result;
    };
    const Case cases[] = {
        {0, 0, 1, Case::Ok, QDialog::Accepted},     {1, 1, 0, Case::Ok, QDialog::Accepted},
        {1, 1, 1, Case::Escape, QDialog::Rejected}, {0, 0, 0, Case::Cancel, QDialog::Rejected},
        {2, 1, 1, Case::Enter, QDialog::Accepted},  // any fuel other than 0 is Metano
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "preset " << c.preset << " close " << int(c.close));
        TFormSceltaCarb d(dictionary, prompter);
        d.SetFuel(c.preset);
        int shown = -1;
        QTimer::singleShot(0, &d, [&] {
            shown = d.ComboAlim->currentIndex();
            d.ComboAlim->setCurrentIndex(c.chosen);
            switch (c.close) {
                case Case::Ok:
                    d.ButtonOK->click();
                    break;
                case Case::Cancel:
                    d.ButtonAnnulla->click();
                    break;
                case Case::Escape:
                    QTest::keyClick(&d, Qt::Key_Escape);
                    break;
                case Case::Enter:
                    QTest::keyClick(&d, Qt::Key_Return);
                    break;
            }
        });
        EXPECT_EQ(d.exec(), c.result);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(d.Fuel(), c.chosen);
    }
}

}  // namespace
}  // namespace zov::test
