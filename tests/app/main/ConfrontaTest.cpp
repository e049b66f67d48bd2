// "Confronta configurazione..." of the main window against the ECU simulator: the differences
// between the ECU and a chosen saved configuration in a table, nothing written anywhere.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTableWidget>
#include <array>

#include "Packaging.h"
#include "ShellFunctionSupport.h"
#include "TFormConfronta.h"

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
    f.SetFileChooser([&path](QFileDialog&) { return path; });
    f.MenuSalvaConf->trigger();
    const std::vector<std::vector<uint8_t>> memory = EcuMemory(b.ecu);

    const Seen equal = RunComparison(f);
    ASSERT_TRUE(equal.shown);
    EXPECT_EQ(equal.summary, QStringLiteral("Nessuna differenza con punto.zvf"));
    EXPECT_EQ(equal.headers, (QStringList{"Campo", "Centralina", "punto.zvf"}));
    EXPECT_TRUE(equal.rows.empty());

    const int32_t cell = b.ecu.Value(50, 3 * 20 + 5);
    const QString changed = cell == 123 ? QStringLiteral("124") : QStringLiteral("123");
    SetMapDefinition(QFile::encodeName(path).toStdString(), "CL_5_3", changed.toStdString());
    const Seen differs = RunComparison(f);
    ASSERT_TRUE(differs.shown);
    EXPECT_EQ(differs.summary, QStringLiteral("1 differenze con punto.zvf"));
    EXPECT_EQ(differs.rows, (std::vector<Row>{{"CL_5_3", QString::number(cell), changed}}));

    const size_t messages = b.prompter.shown.size();
    QFile::resize(path, 40);
    EXPECT_FALSE(RunComparison(f).shown) << "a damaged file is refused";
    ASSERT_EQ(b.prompter.shown.size(), messages + 1);
    EXPECT_EQ(b.prompter.shown.back().text,
              b.DictCp("MessErrCaricaConf", 70) + "\n" + b.DictCp("MessCheckRight", 70));
    EXPECT_EQ(EcuMemory(b.ecu), memory) << "comparing writes nothing to the ECU";
}

}  // namespace
}  // namespace zov::test
