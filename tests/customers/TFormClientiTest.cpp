#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <map>

#include "QtText.h"
#include "WindowSupport.h"

namespace zov::test {
namespace {

std::vector<CustomerRecord> Workshop() {
    return {Customer("Rossi", "Milano"), Customer("Bianchi", "Roma"), Customer("Verdi", "Mirandola"),
            Customer("Ferri", "Ami")};
}

class CustomerWindowTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bench.space.Ready()) << bench.space.Error().toStdString(); }

    std::string DiscardQuestion() {
        return bench.Dict("MessMancaCampo", 70) + "\n" + bench.Dict("MessScartaCliente", 70);
    }
    std::string SaveQuestion() {
        return bench.Dict("MessClientMod", 50) + "\n" + bench.Dict("MessSaveChange", 50);
    }

    CustomerBench bench;
};

TEST_F(CustomerWindowTest, FirstStartAsksAndYesMakesAnEmptyArchive) {
    bench.prompter.answers = {PromptAnswer::Yes};
    auto window = bench.Window();
    window->show();
    ASSERT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict("MessNoArchivio", 70)});
    EXPECT_EQ(bench.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(bench.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(bench.prompter.shown[0].caption, bench.Dict("FinestraClienti", 70));
    ASSERT_NE(window->Archive(), nullptr);
    EXPECT_FALSE(window->GroupCliente->isEnabled());
    EXPECT_FALSE(window->GroupProg->isEnabled());
    EXPECT_FALSE(window->ButtonDel->isEnabled());
    EXPECT_EQ(window->focusWidget(), window->ButtonEsci);
    EXPECT_EQ(window->LabelCont->text(), bench.dictionary->Lookup(u"LabelCont", 20).value() + " 0");
    EXPECT_TRUE(QFileInfo::exists(bench.space.Bench().SqlitePath()));
}

TEST_F(CustomerWindowTest, FirstStartAnsweredNoClosesTheWindowAndMakesNothing) {
    bench.prompter.answers = {PromptAnswer::No};
    auto window = bench.Window();
    window->show();
    QTRY_VERIFY(!window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(QFileInfo::exists(bench.space.Bench().SqlitePath()));
}

TEST_F(CustomerWindowTest, ASecondUserIsToldTheArchiveIsInUseAndTheWindowCloses) {
    bench.Store(Workshop());
    CustomerArchive holder(bench.space.Bench());
    ASSERT_EQ(holder.Open(false).status, CustomerArchive::OpenStatus::Opened);
    auto window = bench.Window();
    window->show();
    ASSERT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict("MessArchivioInUso", 70)});
    EXPECT_EQ(bench.prompter.shown[0].icon, PromptIcon::Error);
    QTRY_VERIFY(!window->isVisible());
    EXPECT_EQ(holder.Count(), 4);
}

TEST_F(CustomerWindowTest, BrowsingGoesInSurnameOrderAndGreysTheEnds) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    EXPECT_TRUE(bench.Shown().empty());
    EXPECT_EQ(window->DBEditCognome->text(), "Bianchi");
    EXPECT_FALSE(window->ButtonFirst->isEnabled());
    EXPECT_FALSE(window->ButtonPrev->isEnabled());
    EXPECT_TRUE(window->ButtonNext->isEnabled());
    EXPECT_EQ(window->DBEditDataInst->text(), "1/3/2002");
    EXPECT_EQ(window->LabelCont->text(), bench.dictionary->Lookup(u"LabelCont", 20).value() + " 4");
    window->ButtonNext->click();
    EXPECT_EQ(window->DBEditCognome->text(), "Ferri");
    window->ButtonLast->click();
    EXPECT_EQ(window->DBEditCognome->text(), "Verdi");
    EXPECT_FALSE(window->ButtonNext->isEnabled());
    EXPECT_FALSE(window->ButtonLast->isEnabled());
    EXPECT_TRUE(window->ButtonPrev->isEnabled());
    // Nothing was changed, so nothing was asked.
    EXPECT_TRUE(bench.Shown().empty());
}

TEST_F(CustomerWindowTest, ANewRecordWithoutSerialNumberIsNotSavedAndStaysInEdit) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    window->ButtonNew->click();
    EXPECT_EQ(window->LabelCont->text(), bench.dictionary->Lookup(u"LabelNuovoCli", 20).value());
    EXPECT_EQ(window->DBEditDataInst->text(), QDate::currentDate().toString("d/M/yyyy"));
    EXPECT_TRUE(window->ButtonConfermaMod->isEnabled());
    Type(window->DBEditCognome, "Neri");
    window->ButtonConfermaMod->click();
    ASSERT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict("MessMancaCampo", 70)});
    EXPECT_EQ(bench.prompter.shown[0].icon, PromptIcon::Error);
    EXPECT_EQ(window->DBEditCognome->text(), "Neri");
    EXPECT_TRUE(window->ButtonConfermaMod->isEnabled());
    EXPECT_EQ(window->Archive()->Count(), 4);

    // Completed, it is saved without a question.
    Type(window->DBEditNSerie, "R-77");
    Type(window->DBEditTarga, "ab123cd");
    EXPECT_EQ(window->DBEditTarga->text(), "AB123CD");
    window->ButtonConfermaMod->click();
    EXPECT_EQ(bench.Shown().size(), 1u);
    EXPECT_FALSE(window->ButtonConfermaMod->isEnabled());
    window->ButtonEsci->click();
    const std::vector<CustomerRecord> stored = bench.Stored();
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored[2].Text(kCognome), "Neri");
    EXPECT_EQ(stored[2].Text(kNSerie), "R-77");
    EXPECT_EQ(stored[2].Text(kTarga), "AB123CD");
    EXPECT_EQ(stored[2].Date(kDataInst), QDate::currentDate());
}

TEST_F(CustomerWindowTest, NoToTheSaveQuestionCancelsEveryCachedChangeIncludingDeletions) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    bench.prompter.answers = {PromptAnswer::Yes, PromptAnswer::No};
    window->ButtonDelClick();  // Bianchi, into the cache
    EXPECT_EQ(window->DBEditCognome->text(), "Ferri");
    EXPECT_EQ(window->Archive()->Count(), 3);
    Type(window->DBEditCitta, "Ancona");
    EXPECT_TRUE(window->ButtonAnnullaMod->isEnabled());
    window->ButtonNext->click();  // posts Ferri and asks
    ASSERT_EQ(bench.Shown(), (std::vector<std::string>{bench.Dict("MessClientDel", 50), SaveQuestion()}));
    EXPECT_EQ(window->Archive()->Count(), 4);
    window->ButtonFirst->click();
    EXPECT_EQ(window->DBEditCognome->text(), "Bianchi");
    window->ButtonEsci->click();
    const std::vector<CustomerRecord> stored = bench.Stored();
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[1].Text(kCitta), "Ami");
}

TEST_F(CustomerWindowTest, EscapeUndoesTheEditAndYesSavesOnLeaving) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    Type(window->DBEditNome, "Anna");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(window->DBEditNome->text(), "");
    EXPECT_FALSE(window->ButtonAnnullaMod->isEnabled());
    EXPECT_TRUE(window->isVisible());

    Type(window->DBEditNome, "Bruna");
    bench.prompter.answers = {PromptAnswer::Yes};
    QTest::keyClick(window.get(), Qt::Key_Escape);  // undo
    Type(window->DBEditNome, "Bruna");
    window->ButtonEsci->click();
    EXPECT_EQ(bench.Shown(), std::vector<std::string>{SaveQuestion()});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(bench.Stored()[0].Text(kNome), "Bruna");
}

// Runs the search dialog with `act`, which fills it and presses OK or Cancel.
TFormClienti::SearchRunner Search(std::function<void(TFormRicerca&)> act) {
    return [act](TFormRicerca& dialog) {
        dialog.show();
        act(dialog);
        return dialog.result();
    };
}

TEST_F(CustomerWindowTest, LocateFindsASurnameByItsBeginningOrSaysItIsNotThere) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    bool valueOnly = false;
    window->SetSearchRunner(Search([&](TFormRicerca& d) {
        valueOnly = d.ComboCampi->isHidden() && d.ComboCondizione->isHidden() && d.EditValore->x() == 88 &&
                    d.EditValore->width() == 250;
        EXPECT_EQ(d.windowTitle(), StripAccelerator(window->ButtonVai->text()));
        EXPECT_EQ(d.LabelIstruzioni->text(), bench.dictionary->Lookup(u"LabelPosCli", 70).value());
        d.EditValore->setText("ros");
        d.ButtonOK->click();
    }));
    window->ButtonVai->click();
    EXPECT_TRUE(valueOnly);
    EXPECT_EQ(window->DBEditCognome->text(), "Rossi");

    window->SetSearchRunner(Search([](TFormRicerca& d) {
        d.EditValore->setText("zz");
        d.ButtonOK->click();
    }));
    window->ButtonVai->click();
    EXPECT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict("MessNoFound", 30)});
    EXPECT_EQ(window->DBEditCognome->text(), "Rossi");
}

TEST_F(CustomerWindowTest, FilteringOnTheCityKeepsTheTownsBeginningWithTheValue) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    QStringList fields;
    bool conditionLocked = false;
    window->SetSearchRunner(Search([&](TFormRicerca& d) {
        for (int i = 0; i < d.ComboCampi->count(); ++i) fields << d.ComboCampi->itemText(i);
        d.ComboCampi->setCurrentIndex(kCitta);
        conditionLocked = !d.ComboCondizione->isEnabled() && d.ComboCondizione->currentText() == "=";
        d.EditValore->setText("mi");
        d.ButtonOK->click();
    }));
    window->ButtonCerca->click();
    ASSERT_EQ(fields.size(), 15);
    EXPECT_EQ(fields[kCitta], window->LabelCitta->text());
    EXPECT_EQ(fields[kDataInst], window->LabelData->text());
    EXPECT_EQ(fields[kDataProg], window->LabelDataCreaz->text());
    EXPECT_TRUE(conditionLocked);
    EXPECT_EQ(window->Archive()->Count(), 2);
    EXPECT_EQ(window->DBEditCitta->text(), "Milano");
    window->ButtonNext->click();
    EXPECT_EQ(window->DBEditCitta->text(), "Mirandola");
    EXPECT_FALSE(window->LabelRicerca->isHidden());
    EXPECT_TRUE(window->LabelCont->isHidden());
    EXPECT_FALSE(window->ButtonNew->isEnabled());
    EXPECT_FALSE(window->ButtonDel->isEnabled());
    EXPECT_EQ(window->ButtonCerca->text(), bench.dictionary->Lookup(u"ButtonEndRic", 25).value());

    window->ButtonCerca->click();  // off
    EXPECT_EQ(window->Archive()->Count(), 4);
    EXPECT_TRUE(window->LabelRicerca->isHidden());
    EXPECT_TRUE(window->ButtonNew->isEnabled());
    EXPECT_TRUE(window->ButtonDel->isEnabled());
    EXPECT_EQ(window->ButtonCerca->text(), bench.dictionary->Lookup(u"ButtonStartRic", 25).value());
}

TEST_F(CustomerWindowTest, ValuesThatAreNotNumbersOrDatesAreRefusedAndTheDialogStaysOpen) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    struct Case {
        int field;
        QString value;
        const char* message;
    };
    for (const Case& c :
         {Case{kCilindrata, "16a", "MessNumNoValido"}, Case{kAnnoAuto, "-1", "MessNumNoValido"},
          Case{kDataInst, "1/3/2002' OR '1'='1", "MessDataNoValida"},
          Case{kDataProg, "31/2/2002", "MessDataNoValida"}}) {
        bench.prompter.shown.clear();
        bool stayed = false;
        QString left;
        window->SetSearchRunner(Search([&](TFormRicerca& d) {
            d.ComboCampi->setCurrentIndex(c.field);
            d.EditValore->setText(c.value);
            d.ButtonOK->click();
            stayed = d.isVisible();
            left = d.EditValore->text();
            d.ButtonAnnulla->click();
        }));
        window->ButtonCerca->click();
        EXPECT_TRUE(stayed) << c.value.toStdString();
        EXPECT_EQ(left, "") << c.value.toStdString();
        EXPECT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict(c.message, 70)})
            << c.value.toStdString();
        EXPECT_FALSE(window->Archive()->FilterActive());
        EXPECT_EQ(window->Archive()->Count(), 4);
    }
}

TEST_F(CustomerWindowTest, ADateFilterThenASurnameFilterKeepsOnlyTheSurnameTest) {
    std::vector<CustomerRecord> records = Workshop();
    records[0].values[kDataInst] = QDate(2003, 5, 6);  // Rossi
    bench.Store(records);
    auto window = bench.Window();
    window->show();
    bool conditionOpen = false;
    window->SetSearchRunner(Search([&](TFormRicerca& d) {
        d.ComboCampi->setCurrentIndex(kDataInst);
        conditionOpen = d.ComboCondizione->isEnabled();
        d.ComboCondizione->setCurrentText(">");
        d.EditValore->setText("1/3/2002");
        d.ButtonOK->click();
    }));
    window->ButtonCerca->click();
    EXPECT_TRUE(conditionOpen);
    EXPECT_EQ(Surnames(*window->Archive()), std::vector<QString>{"Rossi"});
    window->ButtonCerca->click();
    window->SetSearchRunner(Search([](TFormRicerca& d) {
        d.ComboCampi->setCurrentIndex(kCognome);
        d.EditValore->setText("f");
        d.ButtonOK->click();
    }));
    window->ButtonCerca->click();
    EXPECT_EQ(Surnames(*window->Archive()), std::vector<QString>{"Ferri"});
}

TEST_F(CustomerWindowTest, InstallationModeStartsANewRecordFromTheEcuAndEscapeSavesIt) {
    ASSERT_TRUE(bench.context->link.Connect());
    bench.context->car.ReadFromEcu();
    bench.Store(Workshop());
    auto window = bench.Window(true);
    window->show();
    for (QPushButton* hidden :
         {window->ButtonFirst, window->ButtonLast, window->ButtonNext, window->ButtonPrev, window->ButtonNew,
          window->ButtonDel, window->ButtonVai, window->ButtonCerca, window->ButtonConfermaMod,
          window->ButtonAnnullaMod, window->ButtonStorico})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_EQ(window->DBEditMod->text(), "FIAT PUNTO 1.2 8V");
    EXPECT_EQ(window->DBEditProg->text(), "PUNTO12.ZOV");
    EXPECT_EQ(window->DBEditCil->text(), "1600");
    EXPECT_EQ(window->DBEditAnno->text(), "2005");
    EXPECT_EQ(window->DBEditVer->text(), "0.200");
    EXPECT_EQ(window->DBEditDataCreaz->text(), "15/10/2024");
    EXPECT_EQ(window->DBEditDataInst->text(), QDate::currentDate().toString("d/M/yyyy"));
    EXPECT_EQ(window->DBEditCognome->text(), "");

    // Without a serial number Esc asks whether to leave the record; No keeps it for completing.
    Type(window->DBEditCognome, "Neri");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(bench.Shown(), std::vector<std::string>{DiscardQuestion()});
    EXPECT_EQ(bench.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->DBEditCognome->text(), "Neri");

    Type(window->DBEditNSerie, "R-9");
    bench.prompter.answers = {PromptAnswer::Yes};
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(bench.Shown().back(), SaveQuestion());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    const std::vector<CustomerRecord> stored = bench.Stored();
    ASSERT_EQ(stored.size(), 5u);
    const CustomerRecord& neri = stored[2];
    EXPECT_EQ(neri.Text(kCognome), "Neri");
    EXPECT_EQ(neri.Text(kAuto), "FIAT PUNTO 1.2 8V");
    EXPECT_EQ(neri.values[kCilindrata].toInt(), 1600);
    EXPECT_EQ(neri.values[kAnnoAuto].toInt(), 2005);
    EXPECT_EQ(neri.Text(kVersione), "0.200");
    EXPECT_EQ(neri.Date(kDataProg), QDate(2024, 10, 15));
}

TEST_F(CustomerWindowTest, TheWindowSpeaksTheChosenLanguage) {
    bench.Store(Workshop());
    bench.dictionary->SelectLanguage(1);
    auto window = bench.Window();
    window->show();
    EXPECT_TRUE(window->Localized());
    EXPECT_EQ(window->windowTitle(), "Customer archive");
    EXPECT_EQ(window->LabelNSerie->text(), "Reducer serial number");
    EXPECT_EQ(window->ButtonEsci->text(), "&Exit");
    EXPECT_EQ(window->LabelCont->text(), "Customers: 4");
}

}  // namespace
}  // namespace zov::test

namespace zov::test {
namespace {

// Every way out of an installation's record that lacks a required field: Yes to the question
// leaves without that record and without touching the rest of the archive.
TEST_F(CustomerWindowTest, AnIncompleteInstallationRecordCanBeLeftWithoutSavingByEveryWayOut) {
    bench.Store(Workshop());
    const struct {
        const char* way;
        std::function<void(TFormClienti&)> leave;
    } ways[] = {
        {"Esci", [](TFormClienti& w) { w.ButtonEsci->click(); }},
        {"Escape", [](TFormClienti& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"close box", [](TFormClienti& w) { w.close(); }},
    };
    for (const auto& way : ways) {
        bench.prompter.shown.clear();
        bench.prompter.answers = {PromptAnswer::Yes};
        auto window = bench.Window(true);
        window->show();
        Type(window->DBEditCognome, "Neri");
        way.leave(*window);
        EXPECT_EQ(bench.Shown(), std::vector<std::string>{DiscardQuestion()}) << way.way;
        EXPECT_FALSE(window->isVisible()) << way.way;
        window.reset();
        const std::vector<CustomerRecord> stored = bench.Stored();
        ASSERT_EQ(stored.size(), Workshop().size()) << way.way;
        for (const CustomerRecord& r : stored) EXPECT_NE(r.Text(kCognome), "Neri") << way.way;
    }
}

// In browsing, an edit that empties a required field can be dropped on leaving, while a deletion
// made before it is still applied.
TEST_F(CustomerWindowTest, LeavingDropsOnlyTheIncompleteEditAndKeepsTheEarlierDeletion) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    bench.prompter.answers = {PromptAnswer::Yes};
    window->ButtonDelClick();
    const QString deleted = QStringLiteral("BIANCHI");
    window->DBEditNSerie->selectAll();
    QTest::keyClick(window->DBEditNSerie, Qt::Key_Backspace);
    ASSERT_TRUE(window->DBEditNSerie->text().isEmpty());
    bench.prompter.answers = {PromptAnswer::Yes};
    window->ButtonEsci->click();
    EXPECT_EQ(bench.Shown().back(), DiscardQuestion());
    EXPECT_FALSE(window->isVisible());
    window.reset();
    const std::vector<CustomerRecord> stored = bench.Stored();
    ASSERT_EQ(stored.size(), Workshop().size() - 1);
    for (const CustomerRecord& r : stored) {
        EXPECT_NE(r.Text(kCognome).toUpper(), deleted);
        EXPECT_FALSE(r.Text(kNSerie).isEmpty()) << r.Text(kCognome).toStdString();
    }
}

// No two buttons on view share an Alt key, in any language (Italian had Alt+R twice).
TEST_F(CustomerWindowTest, EveryButtonOnViewHasAnAltKeyOfItsOwn) {
    bench.Store(Workshop());
    for (int language = 0; language < bench.dictionary->LanguageCount(); ++language) {
        ASSERT_TRUE(bench.dictionary->SelectLanguage(language));
        auto window = bench.Window();
        window->show();
        std::map<QKeySequence, QString> keys;
        for (const QPushButton* button : window->findChildren<QPushButton*>()) {
            if (!button->isVisibleTo(window.get())) continue;
            const QKeySequence key = QKeySequence::mnemonic(button->text());
            if (key.isEmpty()) continue;
            const auto [at, fresh] = keys.emplace(key, button->text());
            EXPECT_TRUE(fresh) << bench.dictionary->LanguageKey(language).toStdString() << ": "
                               << at->second.toStdString() << " and " << button->text().toStdString();
        }
        window.reset();
    }
}

// The customer's and the vehicle's fields.
QList<QLineEdit*> DataEdits(const TFormClienti& window) {
    return window.GroupCliente->findChildren<QLineEdit*>() + window.GroupProg->findChildren<QLineEdit*>();
}

// The installation's window opens at a size that shows every field whole enough to read (the city
// was once 26 pixels wide beside the province), in every language.
TEST_F(CustomerWindowTest, TheInstallationWindowOpensShowingEveryField) {
    ASSERT_TRUE(bench.context->link.Connect());
    bench.context->car.ReadFromEcu();
    bench.Store(Workshop());
    for (int language = 0; language < bench.dictionary->LanguageCount(); ++language) {
        ASSERT_TRUE(bench.dictionary->SelectLanguage(language));
        SCOPED_TRACE(bench.dictionary->LanguageKey(language).toStdString());
        auto window = bench.Window(true);
        window->show();
        QApplication::processEvents();
        for (const QLineEdit* edit : DataEdits(*window)) {
            const int digit = edit->fontMetrics().horizontalAdvance(QLatin1Char('0'));
            ASSERT_TRUE(edit->isVisible()) << edit->objectName().toStdString();
            EXPECT_GE(edit->width(), digit * std::min(edit->maxLength(), 10))
                << edit->objectName().toStdString();
            EXPECT_TRUE(window->rect().contains(edit->mapTo(window.get(), edit->rect().bottomRight())))
                << edit->objectName().toStdString();
        }
    }
}

// The fields filled from the ECU look read-only and are passed over by Tab and Enter: typing lands
// only where it is taken.
TEST_F(CustomerWindowTest, ReadOnlyFieldsLookItAndTakeNoKeyboardFocus) {
    bench.Store(Workshop());
    auto window = bench.Window();
    window->show();
    const QColor editable = window->DBEditCognome->palette().color(QPalette::Base);
    for (QLineEdit* edit : DataEdits(*window)) {
        SCOPED_TRACE(edit->objectName().toStdString());
        const bool tabStop = (edit->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        EXPECT_EQ(tabStop, !edit->isReadOnly());
        EXPECT_EQ(edit->palette().color(QPalette::Base) == editable, !edit->isReadOnly());
    }
    // Enter walks the fields as the window takes them: never onto a read-only one.
    window->DBEditCognome->setFocus();
    for (int step = 0; step < 12; ++step) {
        ASSERT_NE(window->focusWidget(), nullptr);
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        const auto* edit = qobject_cast<QLineEdit*>(window->focusWidget());
        if (edit != nullptr) {
            EXPECT_FALSE(edit->isReadOnly()) << edit->objectName().toStdString();
        }
    }
}

// A shared archive that stops answering says so in one line and keeps what was typed on view
// and cached, to be saved once the server answers again; two benches saving one customer still
// end in the conflict message.
TEST_F(CustomerWindowTest, AnUnreachableArchiveSaysSoAndLosesNothingTyped) {
    ArchiveSpace shared(Backend::Postgres);
    ASSERT_TRUE(shared.Ready()) << shared.Error().toStdString();
    {
        CustomerArchive maker(shared.Bench(0));
        ASSERT_EQ(maker.Open(true).status, CustomerArchive::OpenStatus::Opened);
        QString why;
        ASSERT_TRUE(maker.AddRecords(Workshop(), why)) << why.toStdString();
    }
    const QString host = shared.Bench().host;
    const QString database = shared.Bench().database;
    QString why;
    auto window = bench.Window();
    window->SetLocation(shared.Bench(0));
    window->show();
    window->ButtonNew->click();
    Type(window->DBEditCognome, "Neri");
    Type(window->DBEditNSerie, "R-9");
    Type(window->DBEditCitta, "Carpi");
    // The server refuses the database and drops the window's connection.
    ASSERT_TRUE(PostgresAdmin(host, "ALTER DATABASE " + database + " ALLOW_CONNECTIONS false", why))
        << why.toStdString();
    ASSERT_TRUE(PostgresAdmin(
        host, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + database + "'",
        why))
        << why.toStdString();
    window->ButtonConfermaMod->click();
    EXPECT_EQ(bench.Shown(), std::vector<std::string>{bench.Dict("MessArchivioIrraggiungibile", 70)});
    EXPECT_EQ(window->DBEditCognome->text(), "Neri");
    EXPECT_EQ(window->DBEditNSerie->text(), "R-9");
    EXPECT_EQ(window->DBEditCitta->text(), "Carpi");
    EXPECT_TRUE(window->ButtonConfermaMod->isEnabled());
    // Leaving now would lose it: the window stays.
    window->ButtonEsci->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(bench.Shown().size(), 2u);
    EXPECT_EQ(bench.Shown().back(), bench.Dict("MessArchivioIrraggiungibile", 70));

    ASSERT_TRUE(PostgresAdmin(host, "ALTER DATABASE " + database + " ALLOW_CONNECTIONS true", why))
        << why.toStdString();
    window->ButtonConfermaMod->click();
    EXPECT_EQ(bench.Shown().size(), 2u) << bench.Shown().back();
    EXPECT_EQ(window->DBEditCognome->text(), "Neri");
    EXPECT_FALSE(window->ButtonConfermaMod->isEnabled());

    // Another bench changes the same customer first.
    {
        CustomerArchive other(shared.Bench(1));
        ASSERT_EQ(other.Open(false).status, CustomerArchive::OpenStatus::Opened);
        ASSERT_TRUE(other.LocateSurname("Neri"));
        CustomerRecord changed = other.Current();
        changed.values[kCitta] = "Modena";
        ASSERT_TRUE(other.Post(changed, false).posted);
        ASSERT_EQ(other.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }
    Type(window->DBEditCitta, "Reggio");
    window->ButtonConfermaMod->click();
    ASSERT_EQ(bench.Shown().size(), 3u);
    EXPECT_EQ(bench.Shown().back(), bench.Dict("MessClienteConflitto", 70) + " Neri");
    EXPECT_EQ(window->DBEditCitta->text(), "Reggio");
}

}  // namespace
}  // namespace zov::test
