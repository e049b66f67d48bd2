#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

#include "QtPrompter.h"
#include "QtTranslations.h"
#include "TModuloLingua.h"
#include "UiTestSupport.h"

// The shipped data: the dictionary, its help pages and its pictures, checked through the same
// tools and reader the build and the program use.
namespace zov {
namespace {

const QString kData = QStringLiteral(ZOV_DATA_DIR);

class ShippedDictionary : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir();
        const test::ToolRun run = test::RunTool(
            QStringLiteral(ZOV_MKDICT), {QDir(kData).filePath(QStringLiteral("dictionary.tsv")),
                                         QDir(dir_->path()).filePath(QStringLiteral("Dizionario.dbf"))});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static QTemporaryDir* dir_;
};

QTemporaryDir* ShippedDictionary::dir_ = nullptr;

// Qt's own buttons follow the language chosen in the dictionary: a question box says "Sì" in
// Italian and "Ja" in German, not "Yes" in every language.
TEST_F(ShippedDictionary, QtsOwnButtonsSpeakTheChosenLanguage) {
    TModuloLingua lingua(dir_->path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    const auto yesOf = [] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return box.button(QMessageBox::Yes)->text() + QLatin1Char('|') +
               box.button(QMessageBox::Cancel)->text();
    };
    const struct {
        const char* column;
        const char* buttons;
    } cases[] = {
        {"ITALIANO", "&S\xC3\xAC|Annulla"},
        {"DEUTSCH", "&Ja|Abbrechen"},
        {"ENGLISH", "&Yes|Cancel"},
    };
    for (const auto& c : cases) {
        const int index = int(lingua.LanguageKeys().indexOf(QString::fromLatin1(c.column)));
        ASSERT_GE(index, 0) << c.column;
        ASSERT_TRUE(lingua.SelectLanguage(index));
        EXPECT_EQ(yesOf().toStdString(), c.buttons) << c.column << ": is qt6-translations-l10n installed?";
    }
}

// The shipped dictionary names the question boxes' buttons in every language.
TEST_F(ShippedDictionary, QuestionBoxesSayTheDictionarysButtonWords) {
    TModuloLingua lingua(dir_->path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    QStringList seen;
    QtPrompter prompter(nullptr, [&seen](QMessageBox& box) {
        QStringList words;
        for (QAbstractButton* button : box.buttons()) words << button->text();
        words.sort();
        seen << words.join(QLatin1Char('|'));
        return int(QMessageBox::No);
    });
    prompter.UseDictionary(&lingua);
    const struct {
        const char* column;
        const char* yesNoCancel;
        const char* okCancel;
    } cases[] = {
        {"ITALIANO", "&No|&S\xC3\xAC|Annulla", "Annulla|OK"},
        {"ENGLISH", "&No|&Yes|Cancel", "Cancel|OK"},
        {"DEUTSCH", "&Ja|&Nein|Abbrechen", "Abbrechen|OK"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(lingua.SelectLanguage(int(lingua.LanguageKeys().indexOf(QString::fromLatin1(c.column)))));
        seen.clear();
        EXPECT_EQ(prompter.Ask("?", "ZOV Qbr", PromptIcon::Question, PromptButtons::YesNoCancel),
                  PromptAnswer::No);
        prompter.Ask("?", "ZOV Qbr", PromptIcon::Warning, PromptButtons::OkCancel);
        ASSERT_EQ(seen.size(), 2);
        EXPECT_EQ(seen[0].toStdString(), c.yesNoCancel) << c.column;
        EXPECT_EQ(seen[1].toStdString(), c.okCancel) << c.column;
    }
}

TEST(QtTranslations, KnownColumnsHaveCodesAndAMissingCatalogueLeavesEnglish) {
    EXPECT_EQ(QtTranslations::CodeOf(QStringLiteral("ITALIANO")), QStringLiteral("it"));
    EXPECT_EQ(QtTranslations::CodeOf(QStringLiteral(" deutsch ")), QStringLiteral("de"));
    EXPECT_EQ(QtTranslations::CodeOf(QStringLiteral("KLINGON")), std::nullopt);
    QtTranslations translations;
    const QTemporaryDir empty;
    EXPECT_FALSE(translations.Use(QStringLiteral("ITALIANO"), empty.path()));
    EXPECT_FALSE(translations.Use(QStringLiteral("KLINGON")));
    EXPECT_TRUE(translations.Use(QStringLiteral("ENGLISH"), empty.path())) << "English needs no catalogue";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
}

TEST_F(ShippedDictionary, EveryIdentifierOfTheShellHasATextInEveryLanguageWithinItsLength) {
    TModuloLingua lingua(dir_->path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    ASSERT_GE(lingua.LanguageCount(), 2);

    // identifier -> the shortest length any of its users cuts it to
    QMap<QString, int> limits;
    const QStringList lines =
        QString::fromUtf8(test::ReadFile(QDir(kData).filePath(QStringLiteral("shell_identifiers.tsv"))))
            .split(u'\n');
    ASSERT_EQ(lines.value(0), QStringLiteral("IDENTIF\tLENGTH\tUSED_BY"));
    for (const QString& line : lines.mid(1)) {
        if (line.isEmpty()) continue;
        const QStringList cells = line.split(u'\t');
        ASSERT_EQ(cells.size(), 3) << line.toStdString();
        bool number = false;
        const int length = cells[1].toInt(&number);
        ASSERT_TRUE(number && length > 0) << line.toStdString();
        limits[cells[0]] = limits.contains(cells[0]) ? std::min(limits[cells[0]], length) : length;
    }
    ASSERT_GT(limits.size(), 80);

    QStringList problems;
    for (const QString& language : lingua.LanguageKeys()) {
        for (auto it = limits.cbegin(); it != limits.cend(); ++it) {
            const std::optional<QString> text = lingua.LookupIn(language, it.key(), 1000);
            if (!text) {
                problems << language + QStringLiteral(" ") + it.key() + QStringLiteral(": missing");
            } else if (text->isEmpty()) {
                problems << language + QStringLiteral(" ") + it.key() + QStringLiteral(": empty");
            } else if (text->size() > it.value()) {
                problems << QStringLiteral("%1 %2: %3 characters, cut to %4")
                                .arg(language, it.key())
                                .arg(text->size())
                                .arg(it.value());
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
}

TEST_F(ShippedDictionary, EveryLanguageHasAHelpPageWithTheMainTopicAndAFlag) {
    TModuloLingua lingua(dir_->path());
    ASSERT_TRUE(lingua.IsOpen());
    QTemporaryDir pictures;
    const test::ToolRun run =
        test::RunTool(QStringLiteral(ZOV_MKIMAGES),
                      {QDir(kData).filePath(QStringLiteral("dictionary.tsv")), pictures.path()});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const QRegularExpression mainAnchor(QStringLiteral("<a name=\"Main\" id=\"Main\">"));
    for (int i = 0; i < lingua.LanguageCount(); ++i) {
        const QString key = lingua.LanguageKey(i);
        SCOPED_TRACE(key.toStdString());
        const QString page = QString::fromUtf8(test::ReadFile(
            QDir(kData).filePath(QStringLiteral("help/Zov_") + key + QStringLiteral(".html"))));
        EXPECT_TRUE(page.contains(mainAnchor));
        const QImage flag(QDir(pictures.path()).filePath(lingua.FlagFile(i)));
        EXPECT_EQ(flag.size(), QSize(TModuloLingua::kFlagWidth, TModuloLingua::kFlagHeight));
    }
    struct Picture {
        const char* name;
        QSize size;
    };
    for (const Picture& p : {Picture{"Sfondo1.bmp", {800, 600}}, Picture{"Sfondo2.bmp", {800, 600}},
                             Picture{"Logo.bmp", {240, 80}}, Picture{"Splash.bmp", {480, 300}}}) {
        EXPECT_EQ(QImage(QDir(pictures.path()).filePath(QString::fromLatin1(p.name))).size(), p.size)
            << p.name;
    }
}

TEST(Mkimages, RefusesAFlagItCannotDraw) {
    QTemporaryDir dir;
    const QString tsv = QDir(dir.path()).filePath(QStringLiteral("d.tsv"));
    test::WriteFile(
        tsv, "IDENTIF\tITALIANO\tKLINGON\nMenuLingua\tItaliano\tKlingon\nFlag\tflag_it.bmp\tflag_tlh.bmp\n");
    const test::ToolRun run =
        test::RunTool(QStringLiteral(ZOV_MKIMAGES), {tsv, QDir(dir.path()).filePath(QStringLiteral("out"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("flag_tlh.bmp"))) << run.errors.toStdString();
}

}  // namespace
}  // namespace zov
