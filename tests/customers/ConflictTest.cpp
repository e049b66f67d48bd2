#include <gtest/gtest.h>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"

namespace zov::test {
namespace {

// Two benches of one workshop on one shared PostgreSQL archive, each with its own runtime
// directory (its own computer).
class TwoBenchTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
        ASSERT_EQ(a.Open(true).status, CustomerArchive::OpenStatus::Opened);
        ASSERT_TRUE(a.Post(Customer("Rossi", "Milano"), true).posted);
        ASSERT_TRUE(a.Post(Customer("Verdi", "Roma"), true).posted);
        ASSERT_EQ(a.Apply().status, CustomerArchive::ApplyStatus::Applied);
        ASSERT_EQ(b.Open(false).status, CustomerArchive::OpenStatus::Opened);
        ASSERT_EQ(b.Count(), 2);
    }

    static void ChangeCity(CustomerArchive& bench, const QString& city) {
        ASSERT_TRUE(bench.LocateSurname("rossi"));
        CustomerRecord r = bench.Current();
        r.values[kCitta] = city;
        ASSERT_TRUE(bench.Post(r, false).posted);
    }

    ArchiveSpace space{Backend::Postgres};
    CustomerArchive a{space.Bench(0)};
    CustomerArchive b{space.Bench(1)};
};

TEST_F(TwoBenchTest, TheSecondEditOfOneRecordEndsInAConflictAndNeitherEditIsLost) {
    ChangeCity(a, "Monza");
    ChangeCity(b, "Bergamo");
    ASSERT_TRUE(b.Post(Customer("Neri"), true).posted);
    ASSERT_EQ(a.Apply().status, CustomerArchive::ApplyStatus::Applied);

    const auto outcome = b.Apply();
    EXPECT_EQ(outcome.status, CustomerArchive::ApplyStatus::Conflict);
    EXPECT_EQ(outcome.conflictSurname, "Rossi");
    // Bench B still holds its edit; nothing of its apply reached the table.
    EXPECT_TRUE(b.HasCachedChanges());
    ASSERT_TRUE(b.LocateSurname("rossi"));
    EXPECT_EQ(b.Current().Text(kCitta), "Bergamo");

    CustomerArchive c(space.Bench(0));
    a.Close();
    ASSERT_EQ(c.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(Surnames(c), (std::vector<QString>{"Rossi", "Verdi"}));
    ASSERT_TRUE(c.LocateSurname("rossi"));
    EXPECT_EQ(c.Current().Text(kCitta), "Monza");

    // Once B looks again it sees A's edit and can make its own on top of it.
    b.CancelCached();
    ASSERT_TRUE(b.LocateSurname("rossi"));
    EXPECT_EQ(b.Current().Text(kCitta), "Monza");
    ChangeCity(b, "Bergamo");
    EXPECT_EQ(b.Apply().status, CustomerArchive::ApplyStatus::Applied);
}

TEST_F(TwoBenchTest, ARecordDeletedOnOneBenchCannotBeChangedOrDeletedOnTheOther) {
    // Bench B shows the record while bench A deletes it.
    ASSERT_TRUE(b.LocateSurname("verdi"));
    ASSERT_TRUE(a.LocateSurname("verdi"));
    ASSERT_TRUE(a.DeleteCurrent());
    ASSERT_EQ(a.Apply().status, CustomerArchive::ApplyStatus::Applied);

    ASSERT_TRUE(b.DeleteCurrent());
    EXPECT_EQ(b.Apply().status, CustomerArchive::ApplyStatus::Conflict);
    b.CancelCached();
    EXPECT_EQ(Surnames(b), (std::vector<QString>{"Rossi"}));
}

TEST_F(TwoBenchTest, EditsOfDifferentRecordsBothReachTheTable) {
    ChangeCity(a, "Monza");
    ASSERT_TRUE(b.LocateSurname("verdi"));
    CustomerRecord r = b.Current();
    r.values[kNome] = "Giuseppe";
    ASSERT_TRUE(b.Post(r, false).posted);
    ASSERT_EQ(a.Apply().status, CustomerArchive::ApplyStatus::Applied);
    ASSERT_EQ(b.Apply().status, CustomerArchive::ApplyStatus::Applied);
    // B's fresh look after its apply shows A's edit too.
    ASSERT_TRUE(b.LocateSurname("rossi"));
    EXPECT_EQ(b.Current().Text(kCitta), "Monza");
}

}  // namespace
}  // namespace zov::test
