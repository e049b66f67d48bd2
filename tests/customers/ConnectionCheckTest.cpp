#include <gtest/gtest.h>

#include <QFileInfo>
#include <functional>

#include "ArchiveSupport.h"
#include "ConnectionCheck.h"

namespace zov::test {
namespace {

// The user the test server asks a password of (tests/customers/pg-server.sh).
constexpr const char* kPasswordUser = "zov_pw";
constexpr const char* kPassword = "zov-secret";

TEST(ConnectionCheck, ClassifiesTheDriversAndTheServersMessages) {
    const struct {
        const char* message;
        ConnectionProblem problem;
    } cases[] = {
        {"Driver not loaded Driver not loaded", ConnectionProblem::DriverMissing},
        {"connection to server on socket \"/tmp/pg/.s.PGSQL.5433\" failed: No such file or directory\n\tIs "
         "the "
         "server running locally and accepting connections on that socket?",
         ConnectionProblem::HostUnreachable},
        {"connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the server running "
         "on "
         "that host and accepting TCP/IP connections?",
         ConnectionProblem::HostUnreachable},
        {"could not translate host name \"db.workshop.lan\" to address: Name or service not known",
         ConnectionProblem::HostUnreachable},
        {"connection to server at \"10.0.0.9\", port 5432 failed: timeout expired",
         ConnectionProblem::HostUnreachable},
        {"connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: FATAL:  password authentication "
         "failed "
         "for user \"bench1\"",
         ConnectionProblem::Authentication},
        {"connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: fe_sendauth: no password supplied",
         ConnectionProblem::Authentication},
        {"connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: FATAL:  role \"bench9\" does not "
         "exist",
         ConnectionProblem::Authentication},
        {"connection to server at \"10.0.0.9\", port 5432 failed: FATAL:  no pg_hba.conf entry for host "
         "\"10.0.0.7\", user \"bench1\", database \"zov\", no encryption",
         ConnectionProblem::Authentication},
        {"connection to server on socket \"/tmp/pg/.s.PGSQL.5432\" failed: FATAL:  database \"zov\" does not "
         "exist",
         ConnectionProblem::DatabaseMissing},
        {"connection to server at \"10.0.0.9\", port 5432 failed: server does not support SSL, but SSL was "
         "required",
         ConnectionProblem::Ssl},
        // Words of the server's name are not its reason.
        {"connection to server on socket \"/srv/ssl/database \"x\"/.s.PGSQL.5432\" failed: No such file or "
         "directory",
         ConnectionProblem::HostUnreachable},
        {"connection to server at \"10.0.0.9\", port 5432 failed: FATAL:  sorry, too many clients already",
         ConnectionProblem::Other},
        {"connessione al server su socket \"/tmp/pg/.s.PGSQL.5432\" non riuscita: Connessione rifiutata",
         ConnectionProblem::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionCheck::Classify(QString::fromUtf8(c.message)), c.problem) << c.message;
}

// Sets PGPASSWORD for one try, and takes it back.
class PasswordFromEnvironment {
  public:
    explicit PasswordFromEnvironment(const char* password) : had_(qEnvironmentVariableIsSet("PGPASSWORD")) {
        saved_ = qgetenv("PGPASSWORD");
        if (password)
            qputenv("PGPASSWORD", password);
        else
            qunsetenv("PGPASSWORD");
    }
    ~PasswordFromEnvironment() {
        if (had_)
            qputenv("PGPASSWORD", saved_);
        else
            qunsetenv("PGPASSWORD");
    }

  private:
    bool had_;
    QByteArray saved_;
};

// Each way a bench's settings can be wrong, tried on the server the tests started.
TEST(ConnectionCheck, SaysWhatStandsBetweenTheBenchAndTheServer) {
    ArchiveSpace space(Backend::Postgres);
    ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
    const struct {
        const char* what;
        std::function<void(ArchiveLocation&)> change;
        const char* password;
        ConnectionProblem problem;
    } cases[] = {
        {"an empty database", [](ArchiveLocation&) {}, nullptr, ConnectionProblem::SchemaMissing},
        {"the wrong port", [](ArchiveLocation& l) { l.port += 1; }, nullptr,
         ConnectionProblem::HostUnreachable},
        {"no server on that address",
         [](ArchiveLocation& l) {
             l.host = "127.0.0.1";
             l.port = 1;
         },
         nullptr, ConnectionProblem::HostUnreachable},
        {"a user the server does not know", [](ArchiveLocation& l) { l.user = "bench9"; }, nullptr,
         ConnectionProblem::Authentication},
        {"a wrong password", [](ArchiveLocation& l) { l.user = kPasswordUser; }, "wrong",
         ConnectionProblem::Authentication},
        {"no password", [](ArchiveLocation& l) { l.user = kPasswordUser; }, nullptr,
         ConnectionProblem::Authentication},
        {"the right password", [](ArchiveLocation& l) { l.user = kPasswordUser; }, kPassword,
         ConnectionProblem::SchemaMissing},
        {"a database the server does not have", [](ArchiveLocation& l) { l.database = "nothere"; }, nullptr,
         ConnectionProblem::DatabaseMissing},
    };
    for (const auto& c : cases) {
        ArchiveLocation location = space.Bench();
        c.change(location);
        const PasswordFromEnvironment password(c.password);
        const ConnectionReport report = ConnectionCheck::Probe(location);
        EXPECT_EQ(report.problem, c.problem) << c.what << ": " << report.detail.toStdString();
    }
    EXPECT_EQ(ConnectionCheck::Probe(space.Bench(), "QNOSUCHDRIVER").problem,
              ConnectionProblem::DriverMissing);
}

TEST(ConnectionCheck, AMissingOrOlderArchiveIsMadeOnceAndThenReady) {
    for (const Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        ArchiveSpace space(backend);
        ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
        const ArchiveLocation location = space.Bench();
        EXPECT_EQ(ConnectionCheck::Probe(location).problem, ConnectionProblem::SchemaMissing);
        // A look makes no file.
        EXPECT_FALSE(QFileInfo::exists(location.SqlitePath()));
        QString why;
        ASSERT_TRUE(ConnectionCheck::MakeArchive(location, why)) << why.toStdString();
        EXPECT_EQ(ConnectionCheck::Probe(location).problem, ConnectionProblem::None);

        ASSERT_TRUE(RunSql(location, "UPDATE dbcli_info SET VALUE = '99' WHERE NAME = 'schema_version'"));
        EXPECT_EQ(ConnectionCheck::Probe(location).problem, ConnectionProblem::SchemaNewer);
        EXPECT_FALSE(ConnectionCheck::MakeArchive(location, why));
        // The table alone is the first version's archive.
        ASSERT_TRUE(RunSql(location, "DROP TABLE dbcli_info"));
        EXPECT_EQ(ConnectionCheck::Probe(location).problem, ConnectionProblem::SchemaOlder);
    }
}

}  // namespace
}  // namespace zov::test
