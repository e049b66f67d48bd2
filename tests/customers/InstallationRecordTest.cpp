#include <gtest/gtest.h>

#include <QLocale>

#include "InstallationRecord.h"

namespace zov::test {
namespace {

TEST(InstallationRecord, VersionIsHighByteDotLowByte) {
    struct Case {
        int version;
        const char* text;
    };
    for (const Case c :
         {Case{0x0102, "1.2"}, Case{200, "0.200"}, Case{0x0A00, "10.0"}, Case{0xFFFF, "255.255"}})
        EXPECT_EQ(VersionText(c.version), c.text) << c.version;
}

TEST(InstallationRecord, DateOrderFollowsTheSystemsShortDate) {
    struct Case {
        QLocale::Language language;
        QLocale::Territory territory;
        const char* format;
    };
    for (const Case c : {Case{QLocale::Italian, QLocale::Italy, "d/M/yyyy"},
                         Case{QLocale::English, QLocale::UnitedStates, "M/d/yyyy"},
                         Case{QLocale::Japanese, QLocale::Japan, "yyyy/M/d"},
                         Case{QLocale::German, QLocale::Germany, "d/M/yyyy"}})
        EXPECT_EQ(DateOrderFormat(QLocale(c.language, c.territory)), c.format) << c.format;
}

}  // namespace
}  // namespace zov::test
