// "Confronta configurazione..." of the main window against the ECU simulator: the differences
// between the ECU and a chosen saved configuration in a table, nothing written anywhere.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <array>

#include "ComparisonNames.h"
#include "Packaging.h"
#include "QtText.h"
#include "ShellFunctionSupport.h"
#include "TFormConfronta.h"
#include "TFormSceltaBackup.h"

namespace zov::test {
namespace {

using Row = std::array<QString, 3>;

// The table of the comparison window that `trigger` opens, read and closed; empty when none opened.
struct Seen {
    QString summary;
    QStringList headers;
    std::vector<Row> rows;
    bool shown = false;
};

Seen RunComparison(TFormMainInst& form) {
    Seen seen;
    ModalWatcher watch([&seen](QWidget& w) {
        auto* window = qobject_cast<TFormConfronta*>(&w);
        if (window == nullptr) {
            w.close();
            return;
        }
        seen.shown = true;
        seen.summary = window->Riepilogo->text();
        for (int c = 0; c < 3; ++c) seen.headers << window->Tabella->horizontalHeaderItem(c)->text();
        for (int r = 0; r < window->Tabella->rowCount(); ++r)
            seen.rows.push_back({window->Tabella->item(r, 0)->text(), window->Tabella->item(r, 1)->text(),
                                 window->Tabella->item(r, 2)->text()});
        window->OKButton->click();
    });
    form.MenuConfrontaConf->trigger();
    return seen;
}

// Repacks a saved configuration with KEY's line of its map file set to `value`.
void SetMapDefinition(const std::string& zvf, const std::string& key, const std::string& value) {
    testing::ScratchDir dir;
    const auto files = ConfigurationModel::DefinitionFiles::In(dir.Path().string());
    ConfigurationHeaderText header;
    ASSERT_TRUE(UnpackConfiguration(zvf, files.car, files.map, files.param, &header));
    std::string text = testing::ReadFile(files.map);
    const std::string start = "#define " + key + "  ";
    const size_t at = text.find(start);
    ASSERT_NE(at, std::string::npos);
    const size_t end = text.find("\r\n", at);
    text.replace(at + start.size(), end - at - start.size(), value);
    testing::WriteFile(files.map, text);
    ASSERT_TRUE(PackConfiguration(header.vehicle, files.car, files.map, files.param, zvf));
}

TEST(ConfrontaConfigurazione, ShowsWhatAChosenFileChangesAgainstTheEcuAndWritesNothing) {
    PrivateTemp temp;
    QTemporaryDir files;
    Bench b;
    TFormMainInst& f = *b.form;
    EXPECT_FALSE(f.MenuConfrontaConf->isEnabled()) << "no session: no ECU to compare";
    StartConnected(b);
    EXPECT_TRUE(f.MenuConfrontaConf->isEnabled());
    const QString path = files.filePath(QStringLiteral("punto.zvf"));
    QString dialogTitle;
    f.SetFileChooser([&path, &dialogTitle](QFileDialog& dialog) {
        dialogTitle = dialog.windowTitle();
        return path;
    });
    f.MenuSalvaConf->trigger();
    const std::vector<std::vector<uint8_t>> memory = EcuMemory(b.ecu);

    const Seen equal = RunComparison(f);
    ASSERT_TRUE(equal.shown);
    EXPECT_EQ(dialogTitle, b.Dict("FinestraConfrontaFile", 50)) << "not the load's title";
    EXPECT_EQ(equal.summary, QStringLiteral("Nessuna differenza con punto.zvf"));
    EXPECT_EQ(equal.headers, (QStringList{"Campo", "Centralina", "punto.zvf"}));
    EXPECT_TRUE(equal.rows.empty());

    const int32_t cell = b.ecu.Value(50, 3 * 20 + 5);
    const QString changed = cell == 123 ? QStringLiteral("124") : QStringLiteral("123");
    SetMapDefinition(QFile::encodeName(path).toStdString(), "CL_5_3", changed.toStdString());
    const Seen differs = RunComparison(f);
    ASSERT_TRUE(differs.shown);
    EXPECT_EQ(differs.summary, QStringLiteral("1 differenze con punto.zvf"));
    // The cell by its map, row and column as the installer counts them (the key is CL_<column>_<row>).
    EXPECT_EQ(differs.rows,
              (std::vector<Row>{{"Mappa principale, riga 4, colonna 6", QString::number(cell), changed}}));

    const size_t messages = b.prompter.shown.size();
    QFile::resize(path, 40);
    EXPECT_FALSE(RunComparison(f).shown) << "a damaged file is refused";
    ASSERT_EQ(b.prompter.shown.size(), messages + 1);
    EXPECT_EQ(b.prompter.shown.back().text,
              b.DictCp("MessErrCaricaConf", 70) + "\n" + b.DictCp("MessCheckRight", 70));
    EXPECT_EQ(EcuMemory(b.ecu), memory) << "comparing writes nothing to the ECU";
}

// In German the compare window, its file dialog and the restore list speak German: none of their
// texts is the built-in Italian.
TEST(ConfrontaConfigurazione, TheCompareAndRestoreWindowsSpeakTheInstallersLanguage) {
    PrivateTemp temp;
    QTemporaryDir files;
    StoredSettings german;
    german.language = 2;
    Bench b({}, german);
    StartConnected(b);
    TFormMainInst& f = *b.form;
    const QString path = files.filePath(QStringLiteral("punto.zvf"));
    QString dialogTitle;
    f.SetFileChooser([&](QFileDialog& dialog) {
        dialogTitle = dialog.windowTitle();
        return path;
    });
    f.MenuSalvaConf->trigger();
    QString compareTitle;
    Seen seen;
    {
        ModalWatcher watch([&](QWidget& w) {
            auto* window = qobject_cast<TFormConfronta*>(&w);
            ASSERT_NE(window, nullptr);
            compareTitle = window->windowTitle();
            seen.summary = window->Riepilogo->text();
            for (int c = 0; c < 2; ++c) seen.headers << window->Tabella->horizontalHeaderItem(c)->text();
            window->OKButton->click();
        });
        f.MenuConfrontaConf->trigger();
    }
    EXPECT_EQ(dialogTitle, b.Dict("FinestraConfrontaFile", 50));
    EXPECT_EQ(compareTitle, b.Dict("FinestraConfronta", 50));
    EXPECT_EQ(seen.summary, b.Dict("MessNessunaDiff", 50).arg(QStringLiteral("punto.zvf")));
    EXPECT_EQ(seen.headers, (QStringList{b.Dict("LabelCampo", 50), b.Dict("LabelCentralina", 50)}));

    QStringList restore;
    f.SetBackupChooser([&](TFormSceltaBackup& d) {
        restore << d.windowTitle();
        for (int c = 0; c < 3; ++c) restore << d.ListaBackup->headerItem()->text(c);
        restore << d.ButtonOK->text() << d.ButtonAnnulla->text();
        return int(QDialog::Rejected);
    });
    f.MenuRipristinaBackup->trigger();
    EXPECT_EQ(restore,
              (QStringList{StripAccelerator(b.Dict("MenuRipristinaBackup", 40)),
                           b.Dict("LabelDataBackup", 50), b.Dict("LabelModAuto", 12), b.Dict("LabelProg", 16),
                           b.Dict("ButtonOK", 15), b.Dict("ButtonAnnulla", 15)}));
    EXPECT_NE(restore.value(0), QStringLiteral("Ripristina backup"));
}

// The window opens wide enough for its longest names and values (no sideways scrolling), and never
// wider than the screen, however long they are.
TEST(ConfrontaConfigurazione, TheWindowOpensWideEnoughForItsColumns) {
    TFormConfronta::Texts texts;
    texts.names.mainMapCell = QStringLiteral("Mappa principale, riga %1, colonna %2");
    texts.names.editMark = QStringLiteral("(segno di modifica)");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    using Differences = std::vector<ConfigurationDiff::Difference>;
    struct Case {
        Differences rows;
        bool fits;  // on the test screen
    };
    const Case cases[] = {
        {{{"CILINDRATA", "1242", "1368"}}, true},
        {{{"CL_19_15_MOD", "0", "1"}}, true},
        {{{"CILINDRATA", "1242", "1368"},
          {"MAX_ERRORE_LAMBDA", "40", "35"},
          {"CL_4_2", "312", "330"},
          {"CL_4_2_MOD", "0", "1"}},
         true},
        {{{"DESCRIZIONE", std::string(25, 'A'), std::string(25, 'B')}}, true},
        {{{"DESCRIZIONE", std::string(250, 'A'), std::string(250, 'B')}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.back().key + " " + std::to_string(c.rows.size()));
        TFormConfronta window(c.rows, QStringLiteral("punto_1_2_8v_gpl.zvf"), texts);
        window.show();
        QApplication::processEvents();
        EXPECT_LE(window.frameGeometry().width(), screen.width());
        if (c.fits) {
            EXPECT_EQ(window.Tabella->horizontalScrollBar()->maximum(), 0);
        }
    }
}

// Every map field by its map and place, in the installer's language; other keys as they are.
TEST(ComparisonNames, MapFieldsByTheirPlaceOtherKeysAsTheyAre) {
    ComparisonNames english;
    english.mainMapCell = QStringLiteral("Main map, row %1, column %2");
    english.editMark = QStringLiteral("(edit mark)");
    const struct {
        const char* key;
        const char* name;
    } cases[] = {
        {"CL_0_0", "Main map, row 1, column 1"},
        {"CL_19_15", "Main map, row 16, column 20"},
        {"CL_0_1_MOD", "Main map, row 2, column 1 (edit mark)"},
        {"MB_2_3", "Mappa B, riga 4, colonna 3"},
        {"CG_0", "Asse dei giri, punto 1"},
        {"CM_15", "Asse della pressione, punto 16"},
        {"CGB_1", "CGB_1"},
        {"CL_X_1", "CL_X_1"},
        {"CL_1", "CL_1"},
        {"CILINDRATA", "CILINDRATA"},
        {"RIF_LAMBDA_0", "RIF_LAMBDA_0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(english.Of(QString::fromLatin1(c.key)).toStdString(), c.name) << c.key;
}

}  // namespace
}  // namespace zov::test
