#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"
#include "CustomerFilter.h"

namespace zov::test {
namespace {

class ArchiveTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override { ASSERT_TRUE(space.Ready()) << space.Error().toStdString(); }

    // An archive holding `surnames` (city and serial per entry), applied.
    std::unique_ptr<CustomerArchive> Filled(const std::vector<CustomerRecord>& records) {
        auto archive = std::make_unique<CustomerArchive>(space.Bench());
        EXPECT_EQ(archive->Open(true).status, CustomerArchive::OpenStatus::Opened);
        for (const CustomerRecord& r : records) EXPECT_TRUE(archive->Post(r, true).posted);
        EXPECT_EQ(archive->Apply().status, CustomerArchive::ApplyStatus::Applied);
        return archive;
    }

    static std::vector<CustomerRecord> Workshop() {
        return {Customer("Rossi", "Milano"), Customer("bianchi", "Roma"), Customer("Verdi", "Mirandola"),
                Customer("Ferri", "Ami"), Customer("Ross", "Torino")};
    }

    ArchiveSpace space{GetParam()};
};

TEST_P(ArchiveTest, FirstOpenAsksBeforeMakingTheArchiveWithItsThreeIndexes) {
    CustomerArchive archive(space.Bench());
    EXPECT_EQ(archive.Open(false).status, CustomerArchive::OpenStatus::NoArchive);
    EXPECT_FALSE(archive.IsOpen());
    if (GetParam() == Backend::Sqlite) {
        EXPECT_FALSE(QFileInfo::exists(space.Bench().SqlitePath()));
    }

    const auto opened = archive.Open(true);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
    EXPECT_EQ(archive.Count(), 0);
    EXPECT_EQ(archive.Position(), -1);
    EXPECT_FALSE(opened.import.attempted);
    archive.Close();

    // The table's layout: the key, the fields in their order, the row version, the search keys.
    QStringList columns;
    ASSERT_TRUE(RunSql(space.Bench(),
                       GetParam() == Backend::Sqlite
                           ? "SELECT name FROM pragma_table_info('dbcli') ORDER BY cid"
                           : "SELECT column_name FROM information_schema.columns WHERE table_name = 'dbcli' "
                             "ORDER BY ordinal_position",
                       &columns));
    EXPECT_EQ(
        columns.join(' ').toUpper(),
        "ID COGNOME NOME INDIRIZZO CITTA PROVINCIA TELEFONO AUTO CILINDRATA ANNO_AUTO PROGRAMMA VERSIONE "
        "DATA_PROG DATA_INST N_SERIE TARGA ROW_VERSION COGNOME_K NOME_K INDIRIZZO_K CITTA_K PROVINCIA_K "
        "TELEFONO_K AUTO_K PROGRAMMA_K VERSIONE_K N_SERIE_K TARGA_K");
}

TEST_P(ArchiveTest, RecordsComeInSurnameOrderWithUpperCaseFieldsAndSurviveReopening) {
    CustomerRecord r = Customer("rossi", "Milano");
    r.values[kProvincia] = "mi";
    r.values[kTarga] = "ab 123 cd";
    r.values[kCilindrata] = 1598;
    r.values[kDataProg] = QDate(2001, 12, 24);
    Filled({Customer("Verdi"), r, Customer("Bianchi"), Customer("Rossi")})->Close();

    CustomerArchive archive(space.Bench());
    ASSERT_EQ(archive.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Bianchi", "rossi", "Rossi", "Verdi"}));
    const CustomerRecord stored = archive.At(1);
    EXPECT_EQ(stored.Text(kProvincia), "MI");
    EXPECT_EQ(stored.Text(kTarga), "AB 123 CD");
    EXPECT_EQ(stored.values[kCilindrata].toInt(), 1598);
    EXPECT_EQ(stored.Date(kDataProg), QDate(2001, 12, 24));
    EXPECT_EQ(stored.Date(kDataInst), QDate(2002, 3, 1));
    EXPECT_EQ(stored.Display(kDataProg, "d/M/yyyy"), "24/12/2001");

    EXPECT_TRUE(archive.AtBeginning());
    archive.Next();
    archive.Next();
    EXPECT_EQ(archive.Current().Text(kCognome), "Rossi");
    archive.Last();
    EXPECT_TRUE(archive.AtEnd());
    archive.Next();
    EXPECT_EQ(archive.Position(), 3);
    archive.Prior();
    EXPECT_EQ(archive.Current().Text(kCognome), "Rossi");
    archive.First();
    archive.Prior();
    EXPECT_EQ(archive.Position(), 0);
}

TEST_P(ArchiveTest, ARecordWithoutARequiredFieldIsNotPosted) {
    struct Case {
        int field;
    };
    auto archive = Filled({Customer("Rossi")});
    for (const Case c : {Case{kCognome}, Case{kDataInst}, Case{kNSerie}}) {
        CustomerRecord r = Customer("Neri");
        r.values[size_t(c.field)] = c.field == kDataInst ? QVariant() : QVariant(QString("  "));
        const auto posted = archive->Post(r, true);
        EXPECT_FALSE(posted.posted) << FieldInfo(c.field).name;
        EXPECT_EQ(posted.missingField, c.field) << FieldInfo(c.field).name;
    }
    EXPECT_FALSE(archive->HasCachedChanges());
    EXPECT_EQ(archive->Count(), 1);

    CustomerRecord tooLong = Customer(QString(31, 'x'));
    EXPECT_FALSE(archive->Post(tooLong, true).posted);
    CustomerRecord badNumber = Customer("Neri");
    badNumber.values[kAnnoAuto] = 70000;
    EXPECT_FALSE(archive->Post(badNumber, true).posted);
    EXPECT_EQ(archive->Count(), 1);
}

TEST_P(ArchiveTest, CancellingDropsEveryCachedChangeIncludingDeletions) {
    auto archive = Filled(Workshop());
    archive->First();
    ASSERT_TRUE(archive->DeleteCurrent());  // bianchi
    ASSERT_TRUE(archive->LocateSurname("verdi"));
    CustomerRecord changed = archive->Current();
    changed.values[kCitta] = "Modena";
    ASSERT_TRUE(archive->Post(changed, false).posted);
    ASSERT_TRUE(archive->Post(Customer("Neri"), true).posted);
    EXPECT_EQ(Surnames(*archive), (std::vector<QString>{"Ferri", "Neri", "Ross", "Rossi", "Verdi"}));
    EXPECT_TRUE(archive->HasCachedChanges());

    archive->CancelCached();
    EXPECT_FALSE(archive->HasCachedChanges());
    EXPECT_EQ(Surnames(*archive), (std::vector<QString>{"bianchi", "Ferri", "Ross", "Rossi", "Verdi"}));
    ASSERT_TRUE(archive->LocateSurname("verdi"));
    EXPECT_EQ(archive->Current().Text(kCitta), "Mirandola");

    // Nothing reached the database either.
    archive->Close();
    CustomerArchive again(space.Bench());
    ASSERT_EQ(again.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(again.Count(), 5);
}

TEST_P(ArchiveTest, ApplyWritesDeletionsEditsAndNewRecordsTogether) {
    auto archive = Filled(Workshop());
    ASSERT_TRUE(archive->LocateSurname("ferri"));
    ASSERT_TRUE(archive->DeleteCurrent());
    EXPECT_EQ(archive->Current().Text(kCognome), "Ross");  // the next record takes its place
    CustomerRecord changed = archive->Current();
    changed.values[kTelefono] = "051 123456";
    ASSERT_TRUE(archive->Post(changed, false).posted);
    ASSERT_TRUE(archive->Post(Customer("Neri"), true).posted);
    EXPECT_EQ(archive->Current().Text(kCognome), "Neri");
    ASSERT_EQ(archive->Apply().status, CustomerArchive::ApplyStatus::Applied);
    EXPECT_EQ(archive->Current().Text(kCognome), "Neri");
    archive->Close();

    CustomerArchive again(space.Bench());
    ASSERT_EQ(again.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(Surnames(again), (std::vector<QString>{"bianchi", "Neri", "Ross", "Rossi", "Verdi"}));
    ASSERT_TRUE(again.LocateSurname("ross"));
    EXPECT_EQ(again.Current().Text(kTelefono), "051 123456");
}

TEST_P(ArchiveTest, LocateFindsTheFirstSurnameBeginningWithTheValue) {
    auto archive = Filled(Workshop());
    archive->Last();
    EXPECT_TRUE(archive->LocateSurname("ros"));
    EXPECT_EQ(archive->Current().Text(kCognome), "Ross");
    EXPECT_TRUE(archive->LocateSurname("ROSSI"));
    EXPECT_EQ(archive->Current().Text(kCognome), "Rossi");
    EXPECT_FALSE(archive->LocateSurname("zz"));
    EXPECT_EQ(archive->Current().Text(kCognome), "Rossi");
}

TEST_P(ArchiveTest, FiltersKeepTheRecordsTheyAcceptAndSwitchOff) {
    std::vector<CustomerRecord> records = Workshop();
    records[0].values[kDataInst] = QDate(2002, 3, 2);
    records[2].values[kDataInst] = QDate(2002, 2, 28);
    auto archive = Filled(records);

    archive->SetFilter(PrefixFilter{kCitta, "mi"});
    EXPECT_EQ(Surnames(*archive), (std::vector<QString>{"Rossi", "Verdi"}));
    EXPECT_TRUE(archive->FilterActive());

    struct Case {
        DateComparison comparison;
        std::vector<QString> kept;
    };
    for (const Case& c : {Case{DateComparison::After, {"Rossi"}}, Case{DateComparison::Before, {"Verdi"}},
                          Case{DateComparison::Equal, {"bianchi", "Ferri", "Ross"}}}) {
        archive->SetFilter(DateFilter{kDataInst, c.comparison, QDate(2002, 3, 1)});
        EXPECT_EQ(Surnames(*archive), c.kept);
    }
    // A date filter followed by a surname filter keeps only the surname test.
    archive->SetFilter(std::nullopt);
    archive->SetFilter(PrefixFilter{kCognome, "ROS"});
    EXPECT_EQ(Surnames(*archive), (std::vector<QString>{"Ross", "Rossi"}));
    archive->SetFilter(std::nullopt);
    EXPECT_EQ(archive->Count(), 5);
    EXPECT_FALSE(archive->FilterActive());
}

TEST_P(ArchiveTest, HostileSearchValuesAreRefusedOrMatchedAsPlainText) {
    std::vector<CustomerRecord> records = Workshop();
    records.push_back(Customer("D'Angelo; DROP"));
    auto archive = Filled(records);
    const QString hostile[] = {"1/3/2002' OR '1'='1", "1/3/2002; DROP TABLE dbcli", QString(10240, '9'),
                               "'; DELETE FROM dbcli; --", ""};
    for (const QString& value : hostile) {
        EXPECT_EQ(BuildFilter({kDataInst, ">", value}, "d/M/yyyy").refusal, SearchRefusal::NotADate)
            << value.left(40).toStdString();
        EXPECT_FALSE(ParseDateCondition("DATA_INST>" + value, "d/M/yyyy")) << value.left(40).toStdString();
    }
    EXPECT_EQ(BuildFilter({kCognome, "=", QString(10240, 'a')}, "d/M/yyyy").refusal, SearchRefusal::TooLong);

    const SearchOutcome quoted = BuildFilter({kCognome, "=", "d'angelo;"}, "d/M/yyyy");
    ASSERT_TRUE(quoted.filter);
    archive->SetFilter(quoted.filter);
    EXPECT_EQ(Surnames(*archive), (std::vector<QString>{"D'Angelo; DROP"}));
    archive->SetFilter(std::nullopt);
    archive->Close();

    CustomerArchive again(space.Bench());
    ASSERT_EQ(again.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(again.Count(), 6);
}

TEST_P(ArchiveTest, ASecondUserOnThisComputerIsToldTheArchiveIsInUse) {
    auto first = Filled({Customer("Rossi")});
    CustomerArchive second(space.Bench());
    const auto refused = second.Open(true);
    EXPECT_EQ(refused.status, CustomerArchive::OpenStatus::InUse);
    EXPECT_TRUE(refused.error.contains("archive in use")) << refused.error.toStdString();
    EXPECT_EQ(first->Count(), 1);

    first->Close();
    ASSERT_EQ(second.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(second.Count(), 1);
}

TEST_P(ArchiveTest, AMissingIndexIsRebuiltWithoutAMessage) {
    Filled({Customer("Rossi")})->Close();
    // Dropped behind the archive's back, as a lost index file would be.
    ASSERT_TRUE(RunSql(space.Bench(), "DROP INDEX ICOGNOME"));
    CustomerArchive archive(space.Bench());
    const auto opened = archive.Open(false);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
    QStringList names;
    ASSERT_TRUE(RunSql(space.Bench(),
                       GetParam() == Backend::Sqlite
                           ? "SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'dbcli'"
                           : "SELECT indexname FROM pg_indexes WHERE tablename = 'dbcli'",
                       &names));
    for (const char* name : {"ICOGNOME", "IVETTURA", "IDATA_INST"})
        EXPECT_TRUE(names.contains(name, Qt::CaseInsensitive)) << name;
    EXPECT_TRUE(archive.Pack());
    EXPECT_EQ(archive.Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

}  // namespace
}  // namespace zov::test
