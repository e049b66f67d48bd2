#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

#include "ConnectionCheck.h"
#include "TFormConnessione.h"
#include "WindowSupport.h"

namespace zov::test {
namespace {

// The customer window's bench, and an empty database on the test server.
class ConnectionWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bench.space.Ready()) << bench.space.Error().toStdString();
        ASSERT_TRUE(server.Ready()) << server.Error().toStdString();
    }

    std::unique_ptr<TFormConnessione> Dialog() {
        auto dialog =
            std::make_unique<TFormConnessione>(*bench.context, *bench.dictionary, bench.space.Bench());
        dialog->show();
        return dialog;
    }
    // Fills the fields with the server's database as a person would.
    static void ChooseServer(TFormConnessione& dialog, const ArchiveLocation& where) {
        dialog.ComboTipo->setCurrentIndex(1);
        dialog.EditServer->setText(where.host);
        dialog.EditPorta->setValue(where.port);
        dialog.EditDatabase->setText(where.database);
        dialog.EditUtente->setText(where.user);
    }
    QString Text(const char* identifier, int length) {
        return bench.dictionary->Lookup(QString::fromLatin1(identifier), length).value_or("<missing>");
    }

    CustomerBench bench;
    ArchiveSpace server{Backend::Postgres};
};

TEST_F(ConnectionWindowTest, TryingSaysWhatFailedInTheDictionarysWordsAndOffersToMakeTheArchive) {
    const auto dialog = Dialog();
    EXPECT_TRUE(dialog->Localized());
    EXPECT_EQ(dialog->windowTitle(), Text("FinestraConnessione", 50));
    EXPECT_FALSE(dialog->EditServer->isEnabled());
    ChooseServer(*dialog, server.Bench());
    EXPECT_TRUE(dialog->EditServer->isEnabled());

    const struct {
        const char* what;
        std::function<void()> change;
        const char* message;
    } cases[] = {
        {"wrong port", [&] { dialog->EditPorta->setValue(server.Bench().port + 1); }, "MessArchServer"},
        {"unknown user", [&] { dialog->EditUtente->setText("bench9"); }, "MessArchAutenticazione"},
        {"no such database", [&] { dialog->EditDatabase->setText("nothere"); }, "MessArchDatabase"},
        {"no driver", [&] { dialog->SetDriverName("QNOSUCHDRIVER"); }, "MessArchDriver"},
        {"an empty database", [] {}, "MessArchMancante"},
    };
    for (const auto& c : cases) {
        ChooseServer(*dialog, server.Bench());
        dialog->SetDriverName({});
        c.change();
        dialog->ButtonProva->click();
        EXPECT_EQ(dialog->LabelEsito->text(), Text(c.message, 100)) << c.what;
        EXPECT_EQ(dialog->ButtonCrea->isEnabled(), std::string(c.message) == "MessArchMancante") << c.what;
    }
    dialog->ButtonCrea->click();
    EXPECT_EQ(dialog->LabelEsito->text(), Text("MessArchPronto", 100));
    EXPECT_FALSE(dialog->ButtonCrea->isEnabled());
    EXPECT_EQ(ConnectionCheck::Probe(server.Bench()).problem, ConnectionProblem::None);
    EXPECT_TRUE(bench.Shown().empty());
}

TEST_F(ConnectionWindowTest, SavingWritesTheLocationTheProgramReadsAndNoPassword) {
    const auto dialog = Dialog();
    ArchiveLocation where = server.Bench();
    where.port = 6543;
    ChooseServer(*dialog, where);
    dialog->ComboSsl->setCurrentText("require");
    for (const QLineEdit* edit : dialog->findChildren<QLineEdit*>())
        EXPECT_NE(edit->echoMode(), QLineEdit::Password);
    dialog->ButtonSalva->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);

    const ArchiveLocation read = ArchiveLocation::FromSettings(bench.context->settingsDirectory, "/runtime");
    EXPECT_EQ(read.kind, ArchiveLocation::Kind::Postgres);
    EXPECT_EQ(read.host, where.host);
    EXPECT_EQ(read.port, 6543);
    EXPECT_EQ(read.database, where.database);
    EXPECT_EQ(read.user, "zov");
    EXPECT_EQ(read.sslMode, "require");
    QSettings store(bench.context->settingsDirectory + "/Ovalix srl/Install.ini", QSettings::IniFormat);
    for (const QString& key : store.allKeys()) EXPECT_FALSE(key.contains("password", Qt::CaseInsensitive));
}

// From the customer window: the archive is let go, moved into the server's empty database, and
// the window goes on there. A second move into it is refused and changes nothing.
TEST_F(ConnectionWindowTest, TheCustomerWindowMovesItsArchiveToTheServerAndGoesOnThere) {
    bench.Store({Customer("Rossi"), Customer("Bianchi"), Customer("Verdi")});
    auto window = bench.Window();
    window->show();
    ASSERT_NE(window->Archive(), nullptr);
    ArchiveLocation target = server.Bench();
    target.runtimeDirectory = bench.space.RuntimeDirectory();
    bench.prompter.answers = {PromptAnswer::Yes};
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = window->findChild<TFormConnessione*>();
        ASSERT_NE(dialog, nullptr);
        ran = true;
        ChooseServer(*dialog, target);
        dialog->ButtonSposta->click();
    });
    window->ButtonConnessione->click();
    ASSERT_TRUE(ran);
    ASSERT_EQ(bench.prompter.shown.size(), 2u);
    EXPECT_EQ(bench.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(bench.prompter.shown[1].text, bench.Dict("MessArchSpostato", 100) + " 3, 0");
    ASSERT_NE(window->Archive(), nullptr);
    EXPECT_EQ(window->Archive()->Location().kind, ArchiveLocation::Kind::Postgres);
    EXPECT_EQ(window->Archive()->Count(), 3);
    EXPECT_EQ(window->DBEditCognome->text(), "Bianchi");
    EXPECT_EQ(ArchiveLocation::FromSettings(bench.context->settingsDirectory, {}).database, target.database);

    bench.prompter.answers = {PromptAnswer::Yes};
    QTimer::singleShot(0, [&] {
        auto* dialog = window->findChild<TFormConnessione*>();
        ASSERT_NE(dialog, nullptr);
        dialog->ComboTipo->setCurrentIndex(0);
        dialog->ButtonSposta->click();
        dialog->ButtonAnnulla->click();
    });
    window->ButtonConnessione->click();
    ASSERT_EQ(bench.prompter.shown.size(), 4u);
    EXPECT_EQ(bench.prompter.shown[3].text,
              bench.Dict("MessArchNonSpostato", 100) + "\n" + bench.Dict("MessArchDestPiena", 100));
    EXPECT_EQ(window->Archive()->Location().kind, ArchiveLocation::Kind::Postgres);
    EXPECT_EQ(window->Archive()->Count(), 3);
    window->ButtonEsci->click();
}

// A server the window cannot reach: the settings are offered at once, since the window never
// opens to show its button; corrected, the window opens on the server's (new) archive.
TEST_F(ConnectionWindowTest, AServerTheWindowCannotReachOffersTheSettings) {
    ArchiveLocation wrong = server.Bench();
    wrong.runtimeDirectory = bench.space.RuntimeDirectory();
    wrong.port += 1;
    auto window = bench.Window();
    window->SetLocation(wrong);
    bench.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    QTimer::singleShot(0, [&] {
        auto* dialog = window->findChild<TFormConnessione*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->EditPorta->value(), wrong.port);
        dialog->EditPorta->setValue(server.Bench().port);
        dialog->ButtonProva->click();
        EXPECT_EQ(dialog->LabelEsito->text(), Text("MessArchMancante", 100));
        dialog->ButtonSalva->click();
    });
    window->show();
    ASSERT_EQ(bench.Shown().size(), 2u);
    const std::string offer = bench.Shown()[0];
    EXPECT_EQ(offer.rfind(bench.Dict("MessProbArchivio", 70) + "\n", 0), 0u) << offer;
    EXPECT_EQ(offer.substr(offer.rfind('\n') + 1), bench.Dict("MessApriConnessione", 70));
    EXPECT_EQ(bench.Shown()[1], bench.Dict("MessNoArchivio", 70));
    ASSERT_NE(window->Archive(), nullptr);
    EXPECT_EQ(window->Archive()->Location().port, server.Bench().port);
    EXPECT_EQ(ArchiveLocation::FromSettings(bench.context->settingsDirectory, {}).port, server.Bench().port);
    window->ButtonEsci->click();
}

}  // namespace
}  // namespace zov::test
