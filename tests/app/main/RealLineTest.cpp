// The program's own seams (terminal device, event-processing clock) against zovsim on a
// pseudo-terminal: the path the demo and a workshop take.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "AppContext.h"
#include "MainWindowSupport.h"
#include "TFormMainInst.h"
#include "TermiosSerial.h"
#include "UiClock.h"

namespace zov::test {
namespace {

TEST(MainWindowOnARealLine, ConnectsToZovsimThroughAPseudoTerminal) {
    QProcess zovsim;
    zovsim.start(QStringLiteral(ZOV_ZOVSIM),
                 {QStringLiteral("--no-pacing"), QStringLiteral("--model"),
                  QStringLiteral("LANCIA YPSILON 1.2"), QStringLiteral("--year"), QStringLiteral("2011")});
    ASSERT_TRUE(zovsim.waitForStarted(10000));
    ASSERT_TRUE(zovsim.waitForReadyRead(10000));
    const QString device = QString::fromLocal8Bit(zovsim.readLine()).trimmed();
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();

    QTemporaryDir settings;
    WriteSettings(settings.path(), {});
    {
        QSettings store(settings.path() + QStringLiteral("/Ovalix srl/Install.ini"), QSettings::IniFormat);
        store.setValue(QStringLiteral("Ports/COM1"), device);
    }
    UiClock clock;
    ScriptedPrompter prompter;
    TermiosOpener opener;
    {
        AppContext context(clock, prompter, opener, settings.path(),
                           QFile::encodeName(DistDir()).toStdString());
        TFormMainInst form(context);
        ASSERT_TRUE(form.Start());
        form.interactive = false;
        form.MenuConnettiClick();
        EXPECT_TRUE(context.link.IsConnected());
        EXPECT_EQ(context.car.MODELLO, "LANCIA YPSILON 1.2");
        EXPECT_EQ(context.car.ANNO_VETTURA, 2011);
        EXPECT_EQ(form.PanelText(0), form.Text("MessConnesso"));

        prompter.answers = {PromptAnswer::Yes};
        form.MenuDisconnettiClick();
        EXPECT_FALSE(context.link.IsConnected());
        EXPECT_FALSE(context.link.isOpen);
        EXPECT_TRUE(prompter.shown.size() == 1 && prompter.shown[0].buttons == PromptButtons::YesNo);
    }
    zovsim.terminate();
    EXPECT_TRUE(zovsim.waitForFinished(10000));
}

}  // namespace
}  // namespace zov::test
