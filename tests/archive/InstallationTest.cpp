// F1 and F3 of the main window: the archive in its two modes, and the installation's reconnection
// after a programming, against the ECU simulator on the virtual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>

#include "ArchiveWindowSupport.h"
#include "ConfigurationBackup.h"
#include "TFormAttesaFile.h"
#include "TFormClienti.h"
#include "TFormVetture.h"

namespace zov::test {
namespace {

// Picks a vehicle in the archive window and presses one of its buttons once the window runs.
void Choose(TFormVetture& w, const QString& brand, const QString& vehicle,
            QPushButton* TFormVetture::*button) {
    QTreeWidgetItem* root = w.TreeViewVetture->topLevelItem(0);
    QTreeWidgetItem* item = Child(*w.TreeViewVetture, Child(*w.TreeViewVetture, root, brand), vehicle);
    ASSERT_NE(item, nullptr);
    w.TreeViewVetture->setCurrentItem(item);
    QPushButton* b = w.*button;
    QTimer::singleShot(0, b, [b, &w] {
        b->click();
        // A button that left the window open (a failed programming) must not hang the test.
        if (w.isVisible()) w.reject();
    });
}

TEST(Installation, F1ProgramsTheVehicleThenConnectsAgainAndShowsTheNewEcu) {
    Runtime runtime;
    Bench b({}, {}, runtime.dir.path());
    StartConnected(b);
    bool archiveShown = false;
    EveryModal modal([&](QWidget& w) {
        if (auto* archive = qobject_cast<TFormVetture*>(&w)) {
            archiveShown = true;
            EXPECT_FALSE(archive->ButtonProgramma->isHidden());
            EXPECT_TRUE(archive->ButtonAggiorna->isHidden());
            Choose(*archive, "Fiat", "PANDA 1.1  (0B2)", &TFormVetture::ButtonProgramma);
        } else if (auto* dati = qobject_cast<TFormDati*>(&w)) {
            QTimer::singleShot(0, dati->Button2, &QPushButton::click);
        }
    });
    // The installation ends in the customer archive, in installation mode.
    std::vector<bool> customerArchive;
    b.form->SetCustomerRunner([&](TFormClienti& window) {
        customerArchive.push_back(window.InstallationMode());
        return int(QDialog::Rejected);
    });
    // Through the programming the progress window stands over the archive, the modal window that
    // started it, not over the main window behind the archive.
    int progressSeen = 0;
    b.clock.onSleep = [&](int64_t) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TFormAttesaFile*>(top);
            if (progress == nullptr || !progress->isVisible()) continue;
            ++progressSeen;
            EXPECT_EQ(progress->windowHandle()->transientParent(), modal->windowHandle());
        }
    };
    b.form->BitBtn1->click();
    b.clock.onSleep = nullptr;
    ASSERT_TRUE(archiveShown);
    EXPECT_GT(progressSeen, 0);
    const std::vector<std::string> shown = ShownSince(b.prompter);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Programmazione centralina completata."), shown.end());
    EXPECT_EQ(customerArchive, std::vector<bool>{true});
    // After the archive: a new session on the new program, its identification shown.
    EXPECT_EQ(modal.seen.back(), "FormDati");
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_EQ(b.context->car.MODELLO, "Fiat PANDA 1.1");
    EXPECT_EQ(b.form->PanelText(1), "PANDA_1.1_0B2");
    EXPECT_TRUE(b.form->Timer1->isActive());
    EXPECT_EQ(b.form->Timer1->interval(), TFormMainInst::kFirstTickMs);
    const std::vector<BackupEntry> backups =
        ConfigurationBackup(ConfigurationBackup::FolderIn(runtime.Path())).List();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].model, "FIAT PUNTO 1.2 8V");
}

TEST(Installation, F1LeftWithEsciDoesNotTouchTheSessionAndProseguiConnectsAgain) {
    for (const bool goOn : {false, true}) {
        SCOPED_TRACE(goOn ? "Prosegui" : "Esci");
        Runtime runtime;
        Bench b({}, {}, runtime.dir.path());
        StartConnected(b);
        const int loads = b.CountReads(46);
        EveryModal modal([&](QWidget& w) {
            if (auto* archive = qobject_cast<TFormVetture*>(&w)) {
                QPushButton* button = goOn ? archive->ButtonProsegui : archive->ButtonEsci;
                QTimer::singleShot(0, button, &QPushButton::click);
            } else if (auto* dati = qobject_cast<TFormDati*>(&w)) {
                QTimer::singleShot(0, dati->Button2, &QPushButton::click);
            }
        });
        b.form->MenuInstall->trigger();
        EXPECT_EQ(modal.seen.front(), "FormVetture");
        EXPECT_EQ(modal.seen.size(), goOn ? 2u : 1u);
        EXPECT_TRUE(b.context->link.IsConnected());
        EXPECT_EQ(b.CountReads(46) > loads, goOn) << "a new session loads the ECU again";
        EXPECT_EQ(b.ecu.Value(46), 200) << "nothing programmed";
    }
}

TEST(Installation, F3OpensTheArchiveToBrowse) {
    Runtime runtime;
    Bench b({}, {}, runtime.dir.path());
    ASSERT_TRUE(b.form->Start());
    bool browsing = false;
    EveryModal modal([&](QWidget& w) {
        if (auto* archive = qobject_cast<TFormVetture*>(&w)) {
            browsing = archive->ButtonProgramma->isHidden() && !archive->ButtonAggiorna->isHidden();
            QTimer::singleShot(0, archive, &QDialog::reject);
        }
    });
    b.form->MenuAuto->trigger();
    EXPECT_TRUE(browsing);
    EXPECT_EQ(modal.seen, std::vector<QString>{"FormVetture"});
}

}  // namespace
}  // namespace zov::test
