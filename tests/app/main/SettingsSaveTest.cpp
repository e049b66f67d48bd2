// The main window's settings reach the store as they change, and a store that refuses them is
// said in the installer's language.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <string>

#include "MainWindowSupport.h"

namespace zov::test {
namespace {

TEST(MainWindowSettings, APortChoiceIsStoredAtOnceAndARefusedSaveIsSaidInTheChosenLanguage) {
    for (const int32_t language : {0, 1, 2}) {
        SCOPED_TRACE(language);
        StoredSettings stored;
        stored.language = language;
        Bench b({}, stored);
        ASSERT_TRUE(b.form->Start());
        const QString folder = b.settings.path() + QStringLiteral("/Ovalix srl");
        const QString ini = folder + QStringLiteral("/Install.ini");

        b.form->MenuCom2->trigger();
        EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("ComPort")).toInt(), 2)
            << "stored before the program ends";
        ASSERT_TRUE(b.prompter.shown.empty());

        // Something else takes the store's folder: the next save cannot be made.
        ASSERT_TRUE(QDir().rename(folder, b.settings.path() + QStringLiteral("/aside")));
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        b.form->MenuCom1->trigger();

        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessImpNonSalvate", 70) + "\n" + ini.toStdString());
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_FALSE(b.context->global.LastSaveSucceeded());

        ASSERT_TRUE(QFile::remove(folder));
        ASSERT_TRUE(QDir().rename(b.settings.path() + QStringLiteral("/aside"), folder));
        b.form->MenuCom2->trigger();
        EXPECT_TRUE(b.context->global.LastSaveSucceeded());
        EXPECT_EQ(b.prompter.shown.size(), 1u);
    }
}

}  // namespace
}  // namespace zov::test
