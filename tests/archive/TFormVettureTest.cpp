// The archive window offscreen on the build's sample archive: the tree, the selection rules, the
// keys, the instructions with the language choice, and programming a vehicle against the ECU
// simulator.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "ArchiveWindowSupport.h"
#include "ConfigurationBackup.h"
#include "FormProgrammingHost.h"
#include "TFormSceltaLingua.h"
#include "TFormSchema.h"
#include "TFormVetture.h"

namespace zov::test {
namespace {

// The archive window over a started main window of its own runtime folder.
struct ArchiveBench {
    explicit ArchiveBench(ArchiveMode mode, sim::EcuConfig config = {})
        : bench(std::move(config), {}, runtime.dir.path()), host(bench.form.get(), {}) {
        EXPECT_TRUE(bench.form->Start());
        // The main window's keep-alive is off while the archive runs, as F1 and F3 have it.
        bench.form->Timer1->stop();
        window = std::make_unique<TFormVetture>(*bench.context, bench.Dictionary(), mode, host);
    }
    QTreeWidgetItem* Item(const QString& fuel, const QString& brand = {}, const QString& vehicle = {}) {
        QTreeWidgetItem* item = Child(*window->TreeViewVetture, nullptr, fuel);
        if (item && !brand.isEmpty()) item = Child(*window->TreeViewVetture, item, brand);
        if (item && !vehicle.isEmpty()) item = Child(*window->TreeViewVetture, item, vehicle);
        EXPECT_NE(item, nullptr) << fuel.toStdString() << "/" << brand.toStdString() << "/"
                                 << vehicle.toStdString();
        return item;
    }
    void Select(QTreeWidgetItem* item) { window->TreeViewVetture->setCurrentItem(item); }

    Runtime runtime;
    Bench bench;
    FormProgrammingHost host;
    std::unique_ptr<TFormVetture> window;
};

const QString kGpl = QStringLiteral("Archivio GPL");
const QString kMetano = QStringLiteral("Archivio Metano");

TEST(TFormVetture, TheTreeShowsFuelsBrandsAndVehiclesWithTheirPictures) {
    ArchiveBench a(ArchiveMode::Browsing);
    TFormVetture& w = *a.window;
    EXPECT_TRUE(w.Localized());
    EXPECT_EQ(w.windowTitle(), "Archivio Vetture");
    QTreeWidget& tree = *w.TreeViewVetture;
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), kGpl);
    EXPECT_EQ(tree.topLevelItem(1)->text(0), kMetano);
    EXPECT_EQ(Children(tree.topLevelItem(0)), (QStringList{"Fiat", "Opel", "Volkswagen"}));
    EXPECT_EQ(Children(tree.topLevelItem(1)), (QStringList{"Fiat", "Renault"}));
    EXPECT_EQ(Children(a.Item(kGpl, "Fiat")),
              (QStringList{"PUNTO 1.2 8V  (0A1)", "DOBLO 1.6 16V  (0C1)", "PANDA 1.1  (0B2)"}));
    EXPECT_EQ(a.Item(kGpl, "Fiat", "PUNTO 1.2 8V  (0A1)")->toolTip(0), "PUNTO_1.2_8V_0A1.s19");
    for (QTreeWidgetItem* item :
         {tree.topLevelItem(0), a.Item(kGpl, "Opel"), a.Item(kMetano, "Renault", "KANGOO 1.6  (0F1)")})
        EXPECT_FALSE(item->icon(0).isNull()) << item->text(0).toStdString();

    // Browsing: no programming, the archive update offered.
    EXPECT_TRUE(w.ButtonProgramma->isHidden());
    EXPECT_TRUE(w.ButtonProsegui->isHidden());
    EXPECT_FALSE(w.ButtonAggiorna->isHidden());
    EXPECT_TRUE(w.ButtonAggiorna->isEnabled());
    EXPECT_TRUE(w.ButtonIstGen->isEnabled());
    EXPECT_EQ(w.ButtonIstVett->text(), "Istruzioni &Vettura");
}

TEST(TFormVetture, SelectingAVehicleEnablesItsButtonsByModeAndDocument) {
    struct Case {
        ArchiveMode mode;
        QString brand, vehicle;
        std::string selected;
        bool program, programDefault, instructions, instructionsDefault;
    };
    const Case cases[] = {
        {ArchiveMode::Installation, "Fiat", "PUNTO 1.2 8V  (0A1)", "Gpl/Fiat/PUNTO_1.2_8V_0A1.s19", true,
         true, true, false},
        {ArchiveMode::Browsing, "Fiat", "PUNTO 1.2 8V  (0A1)", "Gpl/Fiat/PUNTO_1.2_8V_0A1.s19", true, false,
         true, true},
        {ArchiveMode::Browsing, "Volkswagen", "GOLF 1.6  (0D1)", "Gpl/Volkswagen/GOLF_1.6_0D1.zov", true,
         false, false, false},
        {ArchiveMode::Installation, "Opel", {}, "", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        ArchiveBench a(c.mode);
        TFormVetture& w = *a.window;
        EXPECT_FALSE(w.ButtonProgramma->isEnabled());
        EXPECT_FALSE(w.ButtonIstVett->isEnabled());
        a.Select(a.Item(kGpl, c.brand, c.vehicle));
        EXPECT_EQ(w.Selection().selectedFile, c.selected);
        EXPECT_EQ(w.ButtonProgramma->isEnabled(), c.program);
        EXPECT_EQ(w.ButtonProgramma->isDefault(), c.programDefault);
        EXPECT_EQ(w.ButtonIstVett->isEnabled(), c.instructions);
        EXPECT_EQ(w.ButtonIstVett->isDefault(), c.instructionsDefault);
        // Back to a root: nothing selected.
        a.Select(a.window->TreeViewVetture->topLevelItem(1));
        EXPECT_EQ(w.Selection().selectedFile, "");
        EXPECT_FALSE(w.ButtonProgramma->isEnabled());
        EXPECT_FALSE(w.ButtonIstVett->isEnabled());
    }
}

TEST(TFormVetture, EnterOpensAndClosesABrandEscapeAndTheButtonsCloseWithTheirResults) {
    ArchiveBench a(ArchiveMode::Installation);
    QTreeWidget& tree = *a.window->TreeViewVetture;
    QTreeWidgetItem* opel = a.Item(kGpl, "Opel");
    a.Select(opel);
    const bool before = opel->isExpanded();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&tree, &enter);
    EXPECT_NE(opel->isExpanded(), before);
    EXPECT_TRUE(enter.isAccepted());
    QApplication::sendEvent(&tree, &enter);
    EXPECT_EQ(opel->isExpanded(), before);

    const struct {
        const char* name;
        std::function<void(TFormVetture&)> act;
        int result;
    } closes[] = {
        {"Esc",
         [](TFormVetture& w) {
             QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(w.TreeViewVetture, &esc);
         },
         QDialog::Rejected},
        {"Esci", [](TFormVetture& w) { w.ButtonEsci->click(); }, QDialog::Rejected},
        {"Prosegui", [](TFormVetture& w) { w.ButtonProsegui->click(); }, TFormVetture::kIgnore},
    };
    for (const auto& c : closes) {
        SCOPED_TRACE(c.name);
        ArchiveBench b(ArchiveMode::Installation);
        QTimer::singleShot(0, b.window.get(), [&] { c.act(*b.window); });
        EXPECT_EQ(b.window->exec(), c.result);
    }
}

TEST(TFormVetture, AVehicleSheetOnlyInOtherLanguagesOffersJustThoseAndOpensTheChosenOne) {
    ArchiveBench a(ArchiveMode::Browsing);
    TFormVetture& w = *a.window;
    a.Select(a.Item(kGpl, "Fiat", "DOBLO 1.6 16V  (0C1)"));
    ASSERT_TRUE(w.ButtonIstVett->isEnabled());
    QStringList offered;
    w.languageRunner = [&](QDialog& d) {
        for (QRadioButton* r : d.findChildren<QRadioButton*>())
            offered << r->text() + (r->isChecked() ? QStringLiteral("*") : QString());
        d.accept();
        return int(QDialog::Accepted);
    };
    QString caption;
    int pages = 0;
    w.schemaRunner = [&](TFormSchema& s) {
        caption = s.windowTitle();
        pages = s.PageCount();
        return 1;
    };
    w.ButtonIstVett->click();
    EXPECT_EQ(offered, QStringList{"English*"});
    EXPECT_EQ(caption, "Istruzioni di montaggio  -  DOBLO_1.6_16V (001)");
    EXPECT_EQ(pages, 2);

    // The general sheet exists in the current language: no question.
    offered.clear();
    w.ButtonIstGen->click();
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_EQ(caption, "Istruzioni di montaggio  -  (001)");
}

TEST(TFormVetture, ASheetInNoLanguageSaysSoAndACancelledChoiceOpensNothing) {
    ArchiveBench a(ArchiveMode::Browsing);
    TFormVetture& w = *a.window;
    for (const char* language : {"ITALIANO", "ENGLISH"})
        std::filesystem::remove(a.runtime.Path() + "/Schede/" + language + "/IstruzioniKit_001.pdf");
    int viewers = 0;
    w.schemaRunner = [&](TFormSchema&) { return ++viewers; };
    w.ButtonIstruzioniKitClick();
    ASSERT_EQ(a.bench.prompter.shown.size(), 1u);
    EXPECT_EQ(a.bench.prompter.shown[0].text, "Istruzioni non disponibili in nessuna lingua.");
    EXPECT_EQ(a.bench.prompter.shown[0].icon, PromptIcon::Error);

    a.Select(a.Item(kGpl, "Fiat", "DOBLO 1.6 16V  (0C1)"));
    w.languageRunner = [](QDialog& d) {
        d.reject();
        return int(QDialog::Rejected);
    };
    w.ButtonIstVettClick();
    EXPECT_EQ(viewers, 0);
}

TEST(TFormVetture, ProgrammaProgramsTheChosenVehicleAfterABackupAndCloses) {
    ArchiveBench a(ArchiveMode::Installation);
    ASSERT_TRUE(a.bench.context->link.Connect());
    a.Select(a.Item(kGpl, "Opel", "ASTRA 1.6 16V  (0A3)"));
    QTimer::singleShot(0, a.window.get(), [&] {
        a.window->ButtonProgramma->click();
        // A failed programming leaves the window open: close it so the check below says so.
        if (a.window->isVisible()) a.window->reject();
    });
    EXPECT_EQ(a.window->exec(), QDialog::Accepted) << ::testing::PrintToString(ShownSince(a.bench.prompter));
    EXPECT_EQ(ShownSince(a.bench.prompter).back(), "Programmazione centralina completata.");
    const std::vector<BackupEntry> backups =
        ConfigurationBackup(ConfigurationBackup::FolderIn(a.runtime.Path())).List();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].model, "FIAT PUNTO 1.2 8V");
    a.bench.clock.SleepMs(2000);
    ASSERT_TRUE(a.bench.context->link.Connect());
    EXPECT_EQ(a.bench.ecu.Text(117), "Opel ASTRA 1.6 16V");
    EXPECT_EQ(a.bench.ecu.Text(118), "ASTRA_1.6_16V_0A3");
}

}  // namespace
}  // namespace zov::test
