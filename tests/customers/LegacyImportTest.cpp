#include <gtest/gtest.h>
#include <shapefil.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"

namespace zov::test {
namespace {

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A dBASE table as an older installation left it: fields in its own order (one foreign), texts
// in Windows-1252, dates as YYYYMMDD, one record marked deleted.
void WriteLegacyTable(const QString& path) {
    DBFHandle dbf = DBFCreate(path.toLocal8Bit().constData());
    ASSERT_NE(dbf, nullptr);
    const int surname = DBFAddField(dbf, "COGNOME", FTString, 30, 0);
    const int city = DBFAddField(dbf, "CITTA", FTString, 20, 0);
    const int note = DBFAddField(dbf, "NOTE", FTString, 10, 0);
    const int cc = DBFAddField(dbf, "CILINDRATA", FTInteger, 5, 0);
    const int installed = DBFAddNativeFieldType(dbf, "DATA_INST", 'D', 8, 0);
    const int serial = DBFAddField(dbf, "N_SERIE", FTString, 15, 0);
    const int plate = DBFAddField(dbf, "TARGA", FTString, 15, 0);
    struct Row {
        const char* surname;
        const char* city;
        int cc;
        int date;  // YYYYMMDD
        const char* plate;
    };
    const Row rows[] = {{"Nicol\xF2", "Forl\xEC", 1598, 20020301, "ab123cd"},
                        {"Cancellato", "Roma", 1200, 20010101, ""},
                        {"Bianchi", "Milano", 999, 19991231, "MI 12345"}};
    for (int r = 0; r < 3; ++r) {
        DBFWriteStringAttribute(dbf, r, surname, rows[r].surname);
        DBFWriteStringAttribute(dbf, r, city, rows[r].city);
        DBFWriteStringAttribute(dbf, r, note, "x");
        DBFWriteIntegerAttribute(dbf, r, cc, rows[r].cc);
        // shapelib writes a date field as the number YYYYMMDD, as dBASE stores it.
        DBFWriteIntegerAttribute(dbf, r, installed, rows[r].date);
        DBFWriteStringAttribute(dbf, r, serial, "S1");
        DBFWriteStringAttribute(dbf, r, plate, rows[r].plate);
    }
    DBFMarkRecordDeleted(dbf, 1, 1);
    DBFClose(dbf);
}

class LegacyImportTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
        ASSERT_TRUE(QDir().mkpath(space.Bench().Folder()));
        // shapelib names what it writes in lower case; an older installation may have used any case.
        table = space.Bench().Folder() + "/dbcli.dbf";
    }
    ArchiveSpace space{GetParam()};
    QString table;
};

TEST_P(LegacyImportTest, TheOlderTableIsImportedOnceOnTheFirstOpenAndKeptUntouched) {
    WriteLegacyTable(table);
    const QByteArray before = Digest(table);
    {
        CustomerArchive archive(space.Bench());
        const auto opened = archive.Open(true);
        ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
        EXPECT_TRUE(opened.import.attempted);
        EXPECT_TRUE(opened.import.ok) << opened.import.error.toStdString();
        EXPECT_EQ(opened.import.records, 2);
        EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Bianchi", QString::fromUtf8("Nicolò")}));
        const CustomerRecord r = archive.At(1);
        EXPECT_EQ(r.Text(kCitta), QString::fromUtf8("Forlì"));
        EXPECT_EQ(r.values[kCilindrata].toInt(), 1598);
        EXPECT_EQ(r.Date(kDataInst), QDate(2002, 3, 1));
        EXPECT_EQ(r.Text(kTarga), "AB123CD");
        EXPECT_TRUE(r.values[kNome].isNull());
    }
    EXPECT_EQ(Digest(table), before);

    CustomerArchive again(space.Bench());
    const auto reopened = again.Open(false);
    ASSERT_EQ(reopened.status, CustomerArchive::OpenStatus::Opened);
    EXPECT_FALSE(reopened.import.attempted);
    EXPECT_EQ(again.Count(), 2);
}

TEST_P(LegacyImportTest, ADamagedTableIsReportedAndTheArchiveStillOpens) {
    WriteLegacyTable(table);
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() - 40);  // the last record cut short
    f.close();
    const QByteArray before = Digest(table);

    CustomerArchive archive(space.Bench());
    const auto opened = archive.Open(true);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened);
    EXPECT_TRUE(opened.import.attempted);
    EXPECT_FALSE(opened.import.ok);
    EXPECT_TRUE(opened.import.error.contains("dbcli.dbf")) << opened.import.error.toStdString();
    EXPECT_EQ(archive.Count(), 0);
    EXPECT_EQ(Digest(table), before);
}

// A DOS table (code page 437) with what an older program let through: numbers out of range or
// not numbers, an impossible date, a memo field, a record without its serial number, and a plate
// that upper-casing makes longer than its field.
void WriteDosTable(const QString& path) {
    DBFHandle dbf = DBFCreateEx(path.toLocal8Bit().constData(), "LDID/1");
    ASSERT_NE(dbf, nullptr);
    const int surname = DBFAddField(dbf, "COGNOME", FTString, 30, 0);
    const int memo = DBFAddNativeFieldType(dbf, "NOME", 'M', 10, 0);
    const int cc = DBFAddField(dbf, "CILINDRATA", FTString, 6, 0);
    const int year = DBFAddField(dbf, "ANNO_AUTO", FTString, 6, 0);
    const int programmed = DBFAddNativeFieldType(dbf, "DATA_PROG", 'D', 8, 0);
    const int installed = DBFAddNativeFieldType(dbf, "DATA_INST", 'D', 8, 0);
    const int serial = DBFAddField(dbf, "N_SERIE", FTString, 15, 0);
    const int plate = DBFAddField(dbf, "TARGA", FTString, 15, 0);
    struct Row {
        const char* surname;
        const char* memo;
        const char* cc;
        const char* year;
        int programmed;  // YYYYMMDD
        const char* serial;
        const char* plate;
    };
    const Row rows[] = {
        {"M\x81ller", "12", "99999", "-5", 20020230, "S1", ""},
        {"Rossi", "", "abc", "1999", 0, "", ""},
        {"Bianchi", "", "1598", "2001", 20011224, "S3", "\xE1\xE1\xE1\xE1\xE1\xE1\xE1\xE1\xE1\xE1"}};
    for (int r = 0; r < 3; ++r) {
        DBFWriteStringAttribute(dbf, r, surname, rows[r].surname);
        DBFWriteStringAttribute(dbf, r, memo, rows[r].memo);
        DBFWriteStringAttribute(dbf, r, cc, rows[r].cc);
        DBFWriteStringAttribute(dbf, r, year, rows[r].year);
        if (rows[r].programmed > 0)
            DBFWriteIntegerAttribute(dbf, r, programmed, rows[r].programmed);
        else
            DBFWriteNULLAttribute(dbf, r, programmed);
        DBFWriteIntegerAttribute(dbf, r, installed, 20020301);
        DBFWriteStringAttribute(dbf, r, serial, rows[r].serial);
        DBFWriteStringAttribute(dbf, r, plate, rows[r].plate);
    }
    DBFClose(dbf);
}

TEST_P(LegacyImportTest, EveryValueNotTakenIsReportedByRecordAndFieldAndTheRestIsImported) {
    WriteDosTable(table);
    CustomerArchive archive(space.Bench());
    const auto opened = archive.Open(true);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
    ASSERT_TRUE(opened.import.ok) << opened.import.error.toStdString();
    EXPECT_EQ(opened.import.records, 2);
    std::vector<std::string> problems;
    for (const ImportProblem& p : opened.import.problems)
        problems.push_back(std::to_string(p.record) + " " + p.field.toStdString() + " '" +
                           p.value.toStdString() + "'" + (p.recordLeftOut ? " left out" : ""));
    EXPECT_EQ(problems,
              (std::vector<std::string>{"1 NOME '12'", "1 CILINDRATA '99999'", "1 ANNO_AUTO '-5'",
                                        "1 DATA_PROG '20020230'", "2 CILINDRATA 'abc'",
                                        "2 N_SERIE '' left out", "3 TARGA 'SSSSSSSSSSSSSSSSSSSS'"}));
    EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Bianchi", QString::fromUtf8("Müller")}));
    const CustomerRecord bianchi = archive.At(0);
    EXPECT_EQ(bianchi.Text(kTarga), QString(15, 'S'));
    EXPECT_EQ(bianchi.values[kCilindrata].toInt(), 1598);
    const CustomerRecord mueller = archive.At(1);
    EXPECT_TRUE(mueller.values[kNome].isNull());
    EXPECT_TRUE(mueller.values[kCilindrata].isNull());
    EXPECT_TRUE(mueller.values[kAnnoAuto].isNull());
    EXPECT_TRUE(mueller.values[kDataProg].isNull());
}

TEST(CodePageTest, TheLanguageDriverByteNamesTheTablesCodePage) {
    EXPECT_EQ(CodePageOfDriverByte(0x01), "IBM437");
    EXPECT_EQ(CodePageOfDriverByte(0x26), "IBM866");
    EXPECT_EQ(CodePageOfDriverByte(0x65), "IBM866");
    EXPECT_EQ(CodePageOfDriverByte(0x57), "windows-1252");
    EXPECT_EQ(CodePageOfDriverByte(0x00), "windows-1252");
    EXPECT_EQ(CodePageOfDriverByte(0xF0), "");
}

INSTANTIATE_TEST_SUITE_P(Backends, LegacyImportTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

}  // namespace
}  // namespace zov::test
