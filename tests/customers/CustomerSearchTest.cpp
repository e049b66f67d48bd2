#include <gtest/gtest.h>

#include <algorithm>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"
#include "CustomerFilter.h"
#include "CustomerQuery.h"

namespace zov::test {
namespace {

// Names that trip a database search written as text or as LIKE: quotes, the LIKE wildcards, a
// backslash, letters whose case only Unicode knows, and surnames equal but for case (their order
// is the order of entry).
std::vector<CustomerRecord> Awkward() {
    struct Entry {
        const char* surname;
        const char* city;
        const char* plate;
        int cc;
        QDate installed;
        QDate programmed;
    };
    const Entry entries[] = {
        {"Rossi", "Milano", "AB123CD", 1598, {2002, 3, 1}, {2001, 12, 24}},
        {"rossi", "Mirandola", "", 999, {2002, 3, 2}, {}},
        {"D'Angelo", "L'Aquila", "AQ 1", 1200, {2001, 1, 1}, {2000, 6, 1}},
        {"d'angelo", "Roma", "", 0, {2002, 3, 1}, {}},
        {"50% Sconto", "Ami", "X%1", 15, {2003, 5, 5}, {2003, 5, 5}},
        {"5_0", "Ami_co", "X_1", 150, {1999, 12, 31}, {}},
        {"5x0", "Amico", "XA1", 1500, {2002, 3, 1}, {2002, 3, 1}},
        {"Àlvaro", "Àosta", "", 16, {2002, 3, 1}, {}},
        {"àlvaro", "aosta", "", 160, {2004, 1, 1}, {}},
        {"Élodie", "Évry", "É1", 1999, {2002, 3, 1}, {}},
        {"élan", "évian", "é2", 2000, {2002, 2, 28}, {}},
        {"Ölmez", "Öhringen", "", 1, {2002, 3, 1}, {}},
        {"Straße", "STRASSE", "SS", 65535, {2002, 3, 1}, {}},
        {"Ñandú", "ñuñoa", "", 12, {2002, 3, 1}, {}},
        {"Back\\slash", "C:\\", "", 3, {2002, 3, 1}, {}},
        {"Zeta", "", "", -1, {2002, 3, 1}, {}},
        {"ZETA", "Zurigo", "ZZ", 77, {2010, 10, 10}, {2010, 10, 9}},
        {"Ross", "Torino", "TO1", 1600, {2002, 3, 1}, {}},
    };
    std::vector<CustomerRecord> out;
    for (const Entry& e : entries) {
        CustomerRecord r =
            Customer(QString::fromUtf8(e.surname), QString::fromUtf8(e.city), "S-1", e.installed);
        if (*e.plate) r.values[kTarga] = QString::fromUtf8(e.plate);
        if (e.cc >= 0) r.values[kCilindrata] = e.cc;
        if (e.programmed.isValid()) r.values[kDataProg] = e.programmed;
        r.values[kNome] = r.Text(kCognome).left(3);
        out.push_back(Normalized(r));
    }
    return out;
}

// What the window showed before the database did the searching: every record, sorted by surname
// case ignored and then in order of entry, kept when the filter on the record accepts it.
std::vector<std::string> InMemory(std::vector<CustomerRecord> records,
                                  const std::optional<CustomerFilter>& filter) {
    std::stable_sort(records.begin(), records.end(), [](const CustomerRecord& a, const CustomerRecord& b) {
        return QString::compare(a.Text(kCognome), b.Text(kCognome), Qt::CaseInsensitive) < 0;
    });
    std::vector<std::string> kept;
    for (const CustomerRecord& r : records)
        if (!filter || Accepts(*filter, r))
            kept.push_back((r.Text(kCognome) + "|" + r.Text(kCitta)).toStdString());
    return kept;
}

std::vector<std::string> Shown(const CustomerArchive& archive) {
    std::vector<std::string> out;
    for (int i = 0; i < archive.Count(); ++i)
        out.push_back((archive.At(i).Text(kCognome) + "|" + archive.At(i).Text(kCitta)).toStdString());
    return out;
}

class CustomerSearchTest : public FilledArchiveTest {
  protected:
    CustomerSearchTest() : FilledArchiveTest(Awkward()) {}
};

TEST_P(CustomerSearchTest, EveryFilterOfTheWindowGivesTheRecordsAndOrderOfTheFilterOnTheRecords) {
    std::vector<std::optional<CustomerFilter>> filters{std::nullopt};
    const char* prefixes[] = {"",       "r",
                              "ROSS",   "d'",
                              "D'A",    "%",
                              "50%",    "_",
                              "5_",     "5",
                              "à",      "À",
                              "é",      "É",
                              "ö",      "strasse",
                              "straß",  "STRAẞ",
                              "ñ",      "\\",
                              "back\\", "z",
                              "x%",     "x_",
                              "'",      "a' OR '1'='1",
                              "ami_",   "\xF0\x9F\x9A\x97"};
    for (int f = 0; f < kCustomerFieldCount; ++f)
        if (FieldInfo(f).kind != FieldKind::Date)
            for (const char* p : prefixes) filters.emplace_back(PrefixFilter{f, QString::fromUtf8(p)});
    for (const char* digits : {"1", "15", "16", "0", "65535", "16a", "999"})
        filters.emplace_back(PrefixFilter{kCilindrata, digits});
    for (int f : {kDataInst, kDataProg})
        for (DateComparison c : {DateComparison::Equal, DateComparison::Before, DateComparison::After})
            for (QDate d : {QDate(2002, 3, 1), QDate(1999, 12, 31), QDate(2010, 10, 10), QDate(1900, 1, 1)})
                filters.emplace_back(DateFilter{f, c, d});

    for (const std::optional<CustomerFilter>& filter : filters) {
        archive.SetFilter(filter);
        const std::vector<std::string> expected = InMemory(records, filter);
        std::string what = "no filter";
        if (filter) {
            if (const auto* p = std::get_if<PrefixFilter>(&*filter))
                what =
                    std::string(FieldInfo(p->field).name) + " begins with '" + p->prefix.toStdString() + "'";
            else
                what = std::string(FieldInfo(std::get<DateFilter>(*filter).field).name) + " date " +
                       std::to_string(int(std::get<DateFilter>(*filter).comparison)) + " " +
                       std::get<DateFilter>(*filter).date.toString(Qt::ISODate).toStdString();
        }
        EXPECT_EQ(Shown(archive), expected) << what;
    }
}

TEST_P(CustomerSearchTest, LocateAndTheCacheAgreeWithTheOrderOfTheRecords) {
    // A record posted and not yet applied sits among the stored ones in the same order.
    ASSERT_TRUE(archive.Post(Customer("Rossetti", "Parma"), true).posted);
    ASSERT_TRUE(archive.Post(Customer("ROSSI", "Pavia"), true).posted);
    records.push_back(Normalized(Customer("Rossetti", "Parma")));
    records.push_back(Normalized(Customer("ROSSI", "Pavia")));
    EXPECT_EQ(archive.Current().Text(kCitta), "Pavia");
    EXPECT_EQ(Shown(archive), InMemory(records, std::nullopt));
    archive.SetFilter(PrefixFilter{kCognome, "ross"});
    EXPECT_EQ(Shown(archive), InMemory(records, PrefixFilter{kCognome, "ross"}));
    archive.SetFilter(std::nullopt);

    for (const char* prefix : {"rossi", "ROSSE", "àl", "ÉLO", "d'", "5_", "zz"}) {
        const QString p = QString::fromUtf8(prefix);
        const std::vector<std::string> order = InMemory(records, std::nullopt);
        const auto first = std::find_if(order.begin(), order.end(), [&](const std::string& s) {
            return QString::fromStdString(s).startsWith(p, Qt::CaseInsensitive);
        });
        archive.Last();
        EXPECT_EQ(archive.LocateSurname(p), first != order.end()) << prefix;
        if (first != order.end()) {
            EXPECT_EQ(archive.Position(), first - order.begin()) << prefix;
        }
    }
    ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    EXPECT_EQ(Shown(archive), InMemory(records, std::nullopt));
}

INSTANTIATE_TEST_SUITE_P(Backends, CustomerSearchTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

TEST(SearchKeyTest, APrefixBecomesAKeyRangeWithNothingAboveItLeftOut) {
    EXPECT_EQ(SearchKey("RoSSi"), "rossi");
    EXPECT_EQ(SearchKey(QString::fromUtf8("ÀÉÑ")), QString::fromUtf8("àéñ"));
    EXPECT_EQ(KeySuccessor("ros"), "rot");
    EXPECT_EQ(KeySuccessor(QString(QChar(0xD7FF))), QString(QChar(0xE000)));
    EXPECT_EQ(KeySuccessor(QString::fromUcs4(U"a\U0010FFFF")), "b");
    EXPECT_EQ(KeySuccessor(QString::fromUcs4(U"\U0010FFFF")), QString());
    const BoundSql quoted = FilterCondition(PrefixFilter{kCitta, "a' OR '1'='1"});
    EXPECT_FALSE(quoted.text.contains('\'')) << quoted.text.toStdString();
    EXPECT_EQ(quoted.values.size(), 2);
}

}  // namespace
}  // namespace zov::test
