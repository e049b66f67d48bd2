// The ECU management menu: its texts, its keys and the background it shares with the main window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "DictionaryMessages.h"
#include "EditorSupport.h"
#include "TFormDiagnFunz.h"
#include "TFormGestione.h"

namespace zov::test {
namespace {

std::unique_ptr<TFormGestione> OpenMenu(EditorBench& b, TModuloLingua* dictionary = nullptr) {
    auto menu = std::make_unique<TFormGestione>(*b.context, dictionary ? *dictionary : b.Dictionary());
    menu->show();
    menu->activateWindow();
    QApplication::processEvents();
    return menu;
}

TEST(Gestione, TextsComeFromTheDictionary) {
    EditorBench b({}, false);
    auto menu = OpenMenu(b);
    EXPECT_TRUE(menu->Localized());
    EXPECT_EQ(menu->windowTitle(), b.Dict("FinestraGestione", 50));
    const std::pair<QLabel*, int> labels[] = {{menu->LabelModPar, 30},
                                              {menu->LabelVisPar, 30},
                                              {menu->LabelDiagnosi, 30},
                                              {menu->LabelMenu, 30},
                                              {menu->LabelOpzioniGest, 50}};
    for (const auto& [label, length] : labels) {
        EXPECT_EQ(label->text(), b.Dict(label->objectName().toLatin1().constData(), length));
        // The whole text is on view.
        EXPECT_LE(label->x() + label->sizeHint().width(), menu->width()) << label->objectName().toStdString();
    }
    EXPECT_TRUE(b.prompter.shown.empty());

    QTemporaryDir empty;
    TModuloLingua broken(empty.path());
    for (int run = 0; run < 2; ++run) {
        auto plain = OpenMenu(b, &broken);
        EXPECT_FALSE(plain->Localized());
        EXPECT_EQ(plain->LabelModPar->text(), QStringLiteral("Modifiche Parametri"));
    }
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, dictionary_messages::kEcuManagement);
    EXPECT_EQ(b.prompter.shown[0].caption, AppContext::kTitle);
}

TEST(Gestione, F1OpensTheLiveDataWindow) {
    EditorBench b;
    auto menu = OpenMenu(b);
    EXPECT_TRUE(menu->BitBtn1->isEnabled());
    QString title;
    ModalWatcher watcher([&](QWidget& w) {
        title = w.windowTitle();
        if (auto* dialog = qobject_cast<QDialog*>(&w)) dialog->reject();
    });
    QTest::keyClick(menu.get(), Qt::Key_F1);
    EXPECT_EQ(watcher.seen, QStringLiteral("FormVisualizza"));
    EXPECT_EQ(title, b.Dict("FinestraVerifica", 70));
    EXPECT_TRUE(menu->isVisible());
}

TEST(Gestione, F3OpensTheParameterEditorAndEscapeReturns) {
    EditorBench b;
    auto menu = OpenMenu(b);
    EXPECT_TRUE(menu->isVisible());

    QString opened;
    bool normalMode = false;
    ModalWatcher watcher([&](QWidget& w) {
        opened = w.objectName();
        if (auto* editor = qobject_cast<TFormModifica*>(&w)) {
            normalMode = !editor->OutOfArchive() && editor->windowTitle() == b.Dict("FinestraModifica", 50);
            editor->ButtonEsci->click();
        }
    });
    QTest::keyClick(menu.get(), Qt::Key_F3);
    EXPECT_EQ(opened, QStringLiteral("FormModifica"));
    EXPECT_TRUE(normalMode);
    EXPECT_TRUE(menu->isVisible());
    // Nothing was changed in the editor, so it closed without a question.
    EXPECT_TRUE(b.prompter.shown.empty());

    QTest::keyClick(menu.get(), Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(menu->result(), QDialog::Rejected);
}

TEST(Gestione, F2OpensTheFunctionalDiagnosis) {
    EditorBench b;
    auto menu = OpenMenu(b);
    EXPECT_TRUE(menu->BitBtn2->isEnabled());
    QString title;
    ModalWatcher watcher([&](QWidget& w) {
        title = w.windowTitle();
        if (auto* diagnosis = qobject_cast<TFormDiagnFunz*>(&w)) diagnosis->ButtonEsci->click();
    });
    QTest::keyClick(menu.get(), Qt::Key_F2);
    EXPECT_EQ(watcher.seen, QStringLiteral("FormDiagnFunz"));
    EXPECT_EQ(title, b.Dict("FinestraDiagnosi", 70));
    EXPECT_TRUE(menu->isVisible());
    // It read the diagnosis words of the ECU as it opened.
    EXPECT_GE(b.CountReads(89), 1);
}

TEST(Gestione, ReleasingTheMouseOverAFunctionsTextClicksItsButton) {
    EditorBench b({}, false);
    auto menu = OpenMenu(b);
    auto* area = Child<QLabel>(*menu, "Label4");
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, area->rect().center());
    EXPECT_FALSE(menu->isVisible());
}

TEST(Gestione, TheBackgroundIsOptionalAndSitsWhereTheMainWindowDrawsIts) {
    EditorBench b({}, false);
    {
        auto menu = OpenMenu(b);
        EXPECT_TRUE(menu->HasBackground());
        EXPECT_EQ(menu->BackgroundPosition(), QPoint(0, 0));
        const QPoint origin = menu->mapToGlobal(QPoint(0, 0));
        menu->AlignBackground(origin - QPoint(25, 40), QSize(900, 700));
        EXPECT_EQ(menu->BackgroundPosition(), QPoint(-25, -40));
        menu->grab();  // paints it
    }
    QTemporaryDir runtime;  // a runtime folder without the picture
    auto menu = std::make_unique<TFormGestione>(*b.context, b.Dictionary());
    EXPECT_EQ(menu->backgroundPath, QDir(DistDir()).filePath(QStringLiteral("immagini/Sfondo2.bmp")));
    menu->backgroundPath = runtime.filePath(QString::fromLatin1(TFormGestione::kBackgroundFile));
    menu->show();
    menu->grab();
    EXPECT_FALSE(menu->HasBackground());
    EXPECT_TRUE(b.prompter.shown.empty());
}

}  // namespace
}  // namespace zov::test
