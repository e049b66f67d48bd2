#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <vector>

#include "DictionaryMessages.h"
#include "Localizer.h"
#include "Prompter.h"
#include "TModuloLingua.h"
#include "UiTestSupport.h"

namespace zov {
namespace {

using test::MakeDictionary;
using test::ReadFile;
using test::RunTool;
using test::WriteFile;

class DictionaryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const test::ToolRun run = MakeDictionary(dir_.path(), test::kThreeLanguages);
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }

    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    QTemporaryDir dir_;
};

TEST_F(DictionaryTest, ThreeLanguageColumnsGiveThreeMenuItemsAndThreeFlagButtons) {
    QDir(dir_.path()).mkdir(QStringLiteral("immagini"));
    QImage flag(48, 32, QImage::Format_RGB32);
    flag.fill(Qt::green);
    ASSERT_TRUE(flag.save(Path(QStringLiteral("immagini/flag_it.bmp"))));

    TModuloLingua lingua(dir_.path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    EXPECT_EQ(lingua.LanguageKeys(), QStringList({QStringLiteral("ITALIANO"), QStringLiteral("ENGLISH"),
                                                  QStringLiteral("DEUTSCH")}));

    const QList<QAction*> items = lingua.PopupMenuLingue()->actions();
    ASSERT_EQ(items.size(), 3);
    // The language's own name, cut to 12 characters.
    const char* captions[] = {"&Italiano", "English (Uni", "Deutsch"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->objectName(), lingua.LanguageKey(i));
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(captions[i]));
        EXPECT_TRUE(items[i]->isCheckable());
        ASSERT_NE(items[i]->actionGroup(), nullptr);
        EXPECT_TRUE(items[i]->actionGroup()->isExclusive());
        EXPECT_EQ(items[i]->actionGroup(), items[0]->actionGroup());
    }
    EXPECT_EQ(lingua.FlagFile(1), QStringLiteral("flag_en.bmp"));

    QWidget panel;
    panel.resize(64, 300);
    panel.show();
    const std::vector<QToolButton*> buttons = lingua.BuildLanguageButtons(&panel);
    ASSERT_EQ(buttons.size(), 3u);
    // n = 3, H = 300: g = (300 - 156) / 4 = 36; tops 36, 124, 212; centred in 64 px.
    const int tops[] = {36, 124, 212};
    const char* names[] = {"ITALIANO0", "ENGLISH1", "DEUTSCH2"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(buttons[i]->objectName(), QString::fromLatin1(names[i]));
        EXPECT_EQ(panel.findChild<QToolButton*>(QString::fromLatin1(names[i])), buttons[i]);
        EXPECT_EQ(buttons[i]->geometry(), QRect(6, tops[i], 52, 52));
        EXPECT_TRUE(buttons[i]->text().isEmpty());
    }
    EXPECT_EQ(buttons[0]->toolTip(), QStringLiteral("Italiano"));
    EXPECT_FALSE(buttons[0]->icon().isNull());
    EXPECT_TRUE(buttons[1]->icon().isNull());  // its picture is missing: a plain button, no failure

    std::vector<int> chosen;
    QObject::connect(&lingua, &TModuloLingua::LanguageChosen,
                     [&chosen](int index) { chosen.push_back(index); });
    buttons[2]->click();
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_EQ(lingua.CurrentLanguage(), QStringLiteral("DEUTSCH"));
    EXPECT_TRUE(items[2]->isChecked());

    // The panel grows with the window: the buttons keep to the formula.
    panel.resize(80, 400);
    EXPECT_EQ(buttons[0]->geometry(), QRect(14, 61, 52, 52));   // g = (400 - 156) / 4 = 61
    EXPECT_EQ(buttons[2]->geometry(), QRect(14, 287, 52, 52));  // (61 + 52) * 2 + 61

    // Building again replaces the buttons instead of stacking a second set.
    lingua.BuildLanguageButtons(&panel);
    EXPECT_EQ(panel.findChildren<QToolButton*>().size(), 3);
}

TEST(FlagButtonLayout, FollowsTheGapFormula) {
    struct Case {
        int index, count, height, top;
    };
    const Case cases[] = {
        {0, 1, 200, 74},                                                      // g = (200 - 52) / 2
        {0, 3, 300, 36}, {1, 3, 300, 124}, {2, 3, 300, 212}, {0, 2, 100, 0},  // negative gap: buttons touch
        {1, 2, 100, 52}, {3, 4, 150, 156},  // panel too small: they run past its end rather than overlap
        {0, 3, 156, 0},                     // exactly full
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TModuloLingua::FlagButtonTop(c.index, c.count, c.height), c.top)
            << c.index << " of " << c.count << " in " << c.height;
    }
}

TEST_F(DictionaryTest, ChoosingALanguageByIndexOrMenuItem) {
    TModuloLingua lingua(dir_.path());
    ASSERT_TRUE(lingua.IsOpen());
    EXPECT_TRUE(lingua.CurrentLanguage().isEmpty());
    EXPECT_EQ(lingua.CurrentIndex(), -1);

    std::vector<int> chosen;
    QObject::connect(&lingua, &TModuloLingua::LanguageChosen,
                     [&chosen](int index) { chosen.push_back(index); });

    ASSERT_TRUE(lingua.SelectLanguage(2));  // the stored language index 2 is the third column
    EXPECT_EQ(lingua.CurrentLanguage(), QStringLiteral("DEUTSCH"));
    EXPECT_EQ(lingua.CurrentIndex(), 2);
    EXPECT_TRUE(lingua.LanguageAction(2)->isChecked());
    EXPECT_FALSE(lingua.LanguageAction(0)->isChecked());
    EXPECT_EQ(lingua.Lookup(u"LabGestione", 30), QString::fromUtf8("Steuerger\xC3\xA4teverwaltung"));

    lingua.LanguageAction(1)->trigger();  // the pop-up menu's item
    EXPECT_EQ(lingua.CurrentLanguage(), QStringLiteral("ENGLISH"));
    EXPECT_TRUE(lingua.LanguageAction(1)->isChecked());
    EXPECT_FALSE(lingua.LanguageAction(2)->isChecked());

    EXPECT_TRUE(lingua.SelectLanguageAction(lingua.LanguageAction(0)));
    EXPECT_EQ(chosen, (std::vector<int>{2, 1, 0}));

    for (int wrong : {-1, 3, 100}) {
        EXPECT_FALSE(lingua.SelectLanguage(wrong)) << wrong;
    }
    EXPECT_EQ(lingua.CurrentIndex(), 0);
    EXPECT_EQ(chosen.size(), 3u);
}

TEST_F(DictionaryTest, TextsAreCutToTheirLimitNeverRefused) {
    TModuloLingua lingua(dir_.path());
    ASSERT_TRUE(lingua.SelectLanguage(0));
    struct Case {
        const char* language;
        int maxLength;
        const char* text;  // UTF-8
    };
    const Case cases[] = {
        {"ITALIANO", 30, "Gestione centralina"},
        {"ITALIANO", 19, "Gestione centralina"},
        {"ITALIANO", 8, "Gestione"},
        {"ITALIANO", 0, ""},
        {"ITALIANO", -5, ""},
        // Characters, not UTF-8 bytes: the cut never splits a letter.
        {"DEUTSCH", 10, "Steuerger\xC3\xA4"},
        {"DEUTSCH", 12, "Steuerger\xC3\xA4te"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lingua.LookupIn(QString::fromLatin1(c.language), u"LabGestione", c.maxLength),
                  QString::fromUtf8(c.text))
            << c.language << " " << c.maxLength;
    }
    EXPECT_EQ(lingua.Lookup(u"LabGestione", 8), QStringLiteral("Gestione"));
    EXPECT_EQ(lingua.LookupCp1252("MessErrCk", 15), std::string("La centralina \xE8"));
}

TEST_F(DictionaryTest, EachLookupFailureIsReportedWithItsKind) {
    TModuloLingua lingua(dir_.path());
    LookupError error;

    EXPECT_FALSE(lingua.Lookup(u"LabGestione", 30, &error));
    EXPECT_EQ(error.kind, LookupFailure::NoLanguage);

    lingua.SelectLanguage(1);
    EXPECT_FALSE(lingua.Lookup(u"LabNonEsiste", 30, &error));
    EXPECT_EQ(error.kind, LookupFailure::NoRow);
    EXPECT_EQ(error.identifier, QStringLiteral("LabNonEsiste"));
    EXPECT_TRUE(error.Describe().contains(QStringLiteral("LabNonEsiste")));

    // Identifiers are matched exactly.
    EXPECT_FALSE(lingua.Lookup(u"labgestione", 30, &error));
    EXPECT_EQ(error.kind, LookupFailure::NoRow);

    EXPECT_FALSE(lingua.LookupIn(QStringLiteral("FRANCAIS"), u"LabGestione", 30, &error));
    EXPECT_EQ(error.kind, LookupFailure::NoColumn);
    EXPECT_EQ(error.language, QStringLiteral("FRANCAIS"));

    EXPECT_FALSE(lingua.LookupCp1252("LabNonEsiste", 30, &error));
    EXPECT_EQ(error.kind, LookupFailure::NoRow);
}

// Byte surgery on a good table, each making one kind of damage.
TEST_F(DictionaryTest, DamagedOrMissingTablesAreRefusedWithAReason) {
    const QByteArray good = ReadFile(Path(QStringLiteral("Dizionario.dbf")));
    ASSERT_GT(good.size(), 200);
    const auto patched = [&](int at, QByteArray bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    struct Case {
        const char* name;
        std::optional<QByteArray> bytes;  // nothing: the file does not exist
        const char* reason;
    };
    const Case cases[] = {
        {"missing", std::nullopt, "No such file"},
        {"empty", QByteArray(), "too short"},
        {"text", QByteArray("IDENTIF;ITALIANO\nMenuLingua;Italiano\n").repeated(3), "not a dBASE"},
        {"truncated", good.left(good.size() - 40), "truncated"},
        {"huge record count", patched(4, QByteArray("\xFF\xFF\xFF\x00", 4)), "truncated"},
        {"header past the end", patched(8, QByteArray("\xFF\xFF", 2)), "impossible length"},
        {"header too short", patched(8, QByteArray("\x20\x00", 2)), "impossible length"},
        {"field wider than the record", patched(32 + 16, QByteArray("\xFE", 1)), "record length"},
        {"zero record length", patched(10, QByteArray("\x00\x00", 2)), "record length"},
        {"first column renamed", patched(32, QByteArray("IDENTX", 6)), "IDENTIF"},
        {"numeric column", patched(64 + 11, QByteArray("L", 1)), "not a character column"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir bad;
        if (c.bytes) WriteFile(QDir(bad.path()).filePath(QStringLiteral("Dizionario.dbf")), *c.bytes);
        TModuloLingua lingua(bad.path());
        EXPECT_FALSE(lingua.IsOpen());
        EXPECT_TRUE(lingua.OpenError().contains(QStringLiteral("Dizionario.dbf")))
            << lingua.OpenError().toStdString();
        EXPECT_TRUE(lingua.OpenError().contains(QString::fromLatin1(c.reason)))
            << lingua.OpenError().toStdString();
        EXPECT_EQ(lingua.LanguageCount(), 0);
        EXPECT_TRUE(lingua.PopupMenuLingue()->actions().isEmpty());
        EXPECT_FALSE(lingua.SelectLanguage(0));
        LookupError error;
        EXPECT_FALSE(lingua.Lookup(u"ButtonOK", 15, &error));
        EXPECT_EQ(error.kind, LookupFailure::NoTable);
        QWidget panel;
        EXPECT_TRUE(lingua.BuildLanguageButtons(&panel).empty());
    }
}

TEST(Mkdict, RoundTripKeepsEveryWindows1252Character) {
    QTemporaryDir dir;
    const QString accented = QString::fromUtf8(
        "\xC3\xA0\xC3\xA8\xC3\xA9\xC3\xAC\xC3\xB2\xC3\xB9 \xC3\x80\xC3\x88\xC3\x89 \xE2\x82\xAC \xE2\x80\x99 "
        "\xE2\x80\x9C\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\xA6 \xC3\x9F\xC3\xA4\xC3\xB6\xC3\xBC "
        "\xC3\xA7\xC3\xB1 "
        "\xC2\xA9 \xC5\x93 \xC5\xA0");
    const QByteArray tsv =
        "\xEF\xBB\xBFIDENTIF\tITALIANO\tENGLISH\r\n"  // a BOM and Windows line ends
        "MenuLingua\tItaliano\tEnglish\r\n"
        "Flag\tflag_it.bmp\tflag_en.bmp\r\n"
        "\r\n"
        "Accenti\t" +
        accented.toUtf8() +
        "\tplain\r\n"
        "DueRighe\tRiga 1\\nRiga 2\\tcol\\\\fine\tx\r\n";
    const test::ToolRun run = MakeDictionary(dir.path(), tsv);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    TModuloLingua lingua(dir.path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    ASSERT_TRUE(lingua.SelectLanguage(0));
    EXPECT_EQ(lingua.Lookup(u"Accenti", 254), accented);
    EXPECT_EQ(lingua.Lookup(u"DueRighe", 254), QStringLiteral("Riga 1\nRiga 2\tcol\\fine"));
    EXPECT_EQ(lingua.LookupCp1252("Accenti", 254)->substr(0, 3), std::string("\xE0\xE8\xE9"));
    EXPECT_EQ(lingua.LookupIn(QStringLiteral("ENGLISH"), u"Accenti", 254), QStringLiteral("plain"));

    // Each language column is as wide as its longest text (in Windows-1252 bytes), IDENTIF as its
    // longest identifier.
    const QByteArray dbf = ReadFile(QDir(dir.path()).filePath(QStringLiteral("Dizionario.dbf")));
    ASSERT_GT(dbf.size(), 32 * 4);
    EXPECT_EQ(static_cast<unsigned char>(dbf[32 + 16]), 10u);  // "MenuLingua"
    EXPECT_EQ(static_cast<unsigned char>(dbf[64 + 16]), static_cast<unsigned>(accented.size()));
    EXPECT_EQ(static_cast<unsigned char>(dbf[96 + 16]), 11u);  // "flag_en.bmp"
    EXPECT_EQ(static_cast<unsigned char>(dbf[29]), 87u);       // language driver: Windows ANSI
}

TEST(Mkdict, RefusesBadInputWithTheLineAndTheReason) {
    const QByteArray head =
        "IDENTIF\tITALIANO\tENGLISH\nMenuLingua\tItaliano\tEnglish\nFlag\tflag_it.bmp\tflag_en.bmp\n";
    struct Case {
        const char* name;
        QByteArray tsv;
        const char* message;
    };
    const Case cases[] = {
        {"empty file", "", "empty file"},
        {"first column", "ID\tITALIANO\n", ":1: the first column must be IDENTIF"},
        {"no language", "IDENTIF\n", ":1: there is no language column"},
        {"long column name", "IDENTIF\tITALIANOXXXX\n", "ITALIANOXXXX"},
        {"lower-case column", "IDENTIF\tItaliano\n", "upper-case"},
        {"column twice", "IDENTIF\tITALIANO\tITALIANO\n", "appears twice"},
        {"missing cell", head + "ButtonOK\tOK\n", ":4: 2 cells, the header has 3"},
        {"extra cell", head + "ButtonOK\tOK\tOK\tOK\n", ":4: 4 cells"},
        {"bad identifier", head + "Button OK\tOK\tOK\n", "not a valid identifier"},
        {"identifier twice", head + "ButtonOK\tOK\tOK\nButtonOK\tVa bene\tOK\n",
         ":5: \"ButtonOK\" was already defined on line 4"},
        {"outside Windows-1252", head + "Mess\t\xE6\x97\xA5\xE6\x9C\xAC\tx\n",
         ":4 (ITALIANO): not UTF-8, or a character outside"},
        {"not UTF-8", head + "Mess\tperch\xE8\tx\n", ":4 (ITALIANO): not UTF-8"},
        {"leading blank", head + "Mess\t x\tx\n", ":4 (ITALIANO): leading or trailing blanks"},
        {"trailing blank", head + "Mess\tx\tx \n", ":4 (ENGLISH): leading or trailing blanks"},
        {"too long", head + "Mess\t" + QByteArray(255, 'a') + "\tx\n", "255 characters, at most 254"},
        {"bad escape", head + "Mess\ta\\qb\tx\n", ":4 (ITALIANO): a backslash must start"},
        {"no MenuLingua", "IDENTIF\tITALIANO\nFlag\tflag_it.bmp\n", "\"MenuLingua\" is missing"},
        {"no Flag", "IDENTIF\tITALIANO\nMenuLingua\tItaliano\n", "\"Flag\" is missing"},
        {"empty flag", "IDENTIF\tITALIANO\tENGLISH\nMenuLingua\tItaliano\tEnglish\nFlag\tflag_it.bmp\t\n",
         "\"Flag\" has no text for ENGLISH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString output = QDir(dir.path()).filePath(QStringLiteral("Dizionario.dbf"));
        WriteFile(output, "previous table");
        const test::ToolRun run = MakeDictionary(dir.path(), c.tsv);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.errors.contains(QString::fromUtf8(c.message))) << run.errors.toStdString();
        // The table from before stays as it was and nothing half-written is left beside it.
        EXPECT_EQ(ReadFile(output), QByteArray("previous table"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    QTemporaryDir dir;
    const test::ToolRun missing =
        RunTool(QStringLiteral(ZOV_MKDICT), {QDir(dir.path()).filePath(QStringLiteral("none.tsv")),
                                             QDir(dir.path()).filePath(QStringLiteral("out.dbf"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.errors.contains(QStringLiteral("cannot be opened")));
    EXPECT_EQ(RunTool(QStringLiteral(ZOV_MKDICT), {QStringLiteral("only-one")}).exitCode, 2);
    EXPECT_EQ(
        RunTool(QStringLiteral(ZOV_MKDICT), {QStringLiteral("a.tsv"), QStringLiteral("out.txt")}).exitCode,
        2);
}

TEST_F(DictionaryTest, LocalizerAssignsEveryTextOrNone) {
    TModuloLingua lingua(dir_.path());
    lingua.SelectLanguage(1);

    QWidget window;
    window.setWindowTitle(QStringLiteral("built-in title"));
    auto* label = new QLabel(QStringLiteral("Gestione centralina"), &window);
    label->setObjectName(QStringLiteral("LabGestione"));
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    button->setObjectName(QStringLiteral("ButtonOK"));
    auto* group = new QGroupBox(&window);
    auto* tabs = new QTabWidget(&window);
    auto* page = new QWidget();
    tabs->addTab(page, QStringLiteral("built-in page"));
    QMenu menu;
    QAction* action = menu.addAction(QStringLiteral("built-in action"));
    QString message;
    std::string bytes;

    const std::optional<LookupError> ok = Localizer(lingua)
                                              .Caption(label, 30)
                                              .Caption(button, 15)
                                              .Caption(group, QStringLiteral("LabGestione"), 3)
                                              .Caption(page, QStringLiteral("ButtonOK"), 15)
                                              .Caption(action, QStringLiteral("LabGestione"), 30)
                                              .Caption(&menu, QStringLiteral("ButtonOK"), 15)
                                              .WindowTitle(&window, QStringLiteral("LabGestione"), 30)
                                              .Text(QStringLiteral("MessErrCk"), 70, message)
                                              .Run();
    EXPECT_FALSE(ok.has_value());
    EXPECT_EQ(label->text(), QStringLiteral("ECU management"));
    EXPECT_EQ(button->text(), QStringLiteral("OK"));
    EXPECT_EQ(group->title(), QStringLiteral("ECU"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("OK"));
    EXPECT_EQ(action->text(), QStringLiteral("ECU management"));
    EXPECT_EQ(menu.title(), QStringLiteral("OK"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ECU management"));
    EXPECT_EQ(message, QStringLiteral("The ECU was disconnected"));

    lingua.SelectLanguage(0);
    const std::optional<LookupError> failed = Localizer(lingua)
                                                  .Caption(label, 30)
                                                  .Text(QStringLiteral("MessErrCk"), 70, bytes)
                                                  .Text(QStringLiteral("MessNonEsiste"), 70, message)
                                                  .WindowTitle(&window, QStringLiteral("LabGestione"), 30)
                                                  .Run();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->kind, LookupFailure::NoRow);
    EXPECT_EQ(failed->identifier, QStringLiteral("MessNonEsiste"));
    // Nothing changed, not even the texts looked up before the missing one.
    EXPECT_EQ(label->text(), QStringLiteral("ECU management"));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ECU management"));

    ASSERT_FALSE(Localizer(lingua).Text(QStringLiteral("MessErrCk"), 70, bytes).Run().has_value());
    EXPECT_EQ(bytes, "La centralina \xE8 stata sconnessa");
}

TEST_F(DictionaryTest, AWindowThatCannotLocalizeShowsItsMessageOncePerRun) {
    TModuloLingua lingua(dir_.path());
    lingua.SelectLanguage(0);
    ScriptedPrompter prompter;
    QLabel label(QStringLiteral("Modifiche Parametri"));
    label.setObjectName(QStringLiteral("LabelModPar"));  // not in this dictionary

    for (int opening = 0; opening < 3; ++opening) {
        EXPECT_FALSE(Localizer(lingua)
                         .Caption(&label, 30)
                         .RunOrReport(prompter, dictionary_messages::kEcuManagement, "ZOV Qbr"));
        EXPECT_EQ(label.text(), QStringLiteral("Modifiche Parametri"));
    }
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Problemi col database multilingua (Codice 5).");
    EXPECT_EQ(prompter.shown[0].caption, "ZOV Qbr");
    EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
    EXPECT_EQ(prompter.shown[0].buttons, PromptButtons::Ok);

    // Another window has its own message, shown once as well.
    EXPECT_FALSE(
        Localizer(lingua).Caption(&label, 30).RunOrReport(prompter, dictionary_messages::kFuelChoice, "t"));
    EXPECT_FALSE(
        Localizer(lingua).Caption(&label, 30).RunOrReport(prompter, dictionary_messages::kFuelChoice, "t"));
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "Problemi col database multilingua (Codice 20).");

    QLabel known;
    known.setObjectName(QStringLiteral("LabGestione"));
    EXPECT_TRUE(
        Localizer(lingua).Caption(&known, 30).RunOrReport(prompter, dictionary_messages::kFuelChoice, "t"));
    EXPECT_EQ(known.text(), QStringLiteral("Gestione centralina"));
    EXPECT_EQ(prompter.shown.size(), 2u);

    // A module whose table is missing: the first window reports it.
    QTemporaryDir empty;
    TModuloLingua none(empty.path());
    ScriptedPrompter other;
    EXPECT_FALSE(Localizer(none).Caption(&known, 30).RunOrReport(other, dictionary_messages::kLiveData, "t"));
    ASSERT_EQ(other.shown.size(), 1u);
    EXPECT_EQ(other.shown[0].text, "Problemi col database multilingue (codice 6).");
}

}  // namespace
}  // namespace zov
