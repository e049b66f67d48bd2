// The update over the internet against a real HTTPS server started by the test, with keys made by
// the test: what a good publication installs, and every refusal or failure leaving the runtime
// directory exactly as it was.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QSettings>
#include <memory>

#include "CliSupport.h"
#include "EcuWorkLock.h"
#include "Ed25519.h"
#include "HttpsFetcher.h"
#include "InternetUpdate.h"
#include "UpdateFixture.h"
#include "UpdatePublisher.h"
#include "UpdateServer.h"

namespace zov::test {
namespace {

namespace fs = std::filesystem;
using zov::testing::ReadFile;

constexpr int64_t kNow = 1'800'000'000;

struct Attempt {
    PreparedUpdate prepared;
    UpdateOutcome outcome;
    std::string error;  // the first refusal or failure
    std::vector<std::string> Installed(const std::string& runtime) const {
        std::vector<std::string> files;
        for (const std::string& f : outcome.copied) files.push_back(fs::relative(f, runtime).string());
        return files;
    }
};

class InternetUpdateTest : public ::testing::Test, public UpdateFixture {
  public:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "archive_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        server = new UpdateServer;
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

  protected:
    void SetUp() override {
        ASSERT_EQ(server->error, "");
        key = *Ed25519::Generate();
        server->ClearLog();
    }
    std::string Served(const std::string& name) const { return server->Root() + "/" + name; }
    std::string Publish(const std::string& name) const {
        const UpdatePublisher::Result r =
            UpdatePublisher::Publish(Path("medium"), Served(name), key.secretKey, kNow);
        EXPECT_EQ(r.error, "");
        return Served(name);
    }
    Attempt Run(const std::string& name, std::vector<std::string> trusted = {}) const {
        if (trusted.empty()) trusted.push_back(key.publicKey);
        HttpsFetcher fetcher(server->url + name, server->Certificate());
        const InternetUpdate update({Runtime(), trusted, downloads.Path().string()}, fetcher);
        Attempt a;
        a.prepared = update.Prepare();
        a.error = a.prepared.plan.error;
        if (!a.error.empty()) return a;
        a.outcome = update.Download(a.prepared);
        if (a.outcome.Complete()) a.outcome = update.Install(a.prepared);
        a.error = a.outcome.error;
        return a;
    }
    // The requests of files under ZOV/ the server saw.
    std::vector<std::string> FileRequests() const {
        std::vector<std::string> files;
        for (const std::string& r : server->Requests())
            if (r.find("/ZOV/") != std::string::npos) files.push_back(r);
        return files;
    }

    static UpdateServer* server;
    Ed25519::KeyPair key;
    zov::testing::ScratchDir downloads;
};

UpdateServer* InternetUpdateTest::server = nullptr;

// The index is read whole or refused whole, naming the line at fault.
TEST(UpdateIndex, ReadsItsOwnTextBackAndRefusesEveryBrokenLine) {
    UpdateIndex index;
    index.sequence = 42;
    index.date = "2027-01-15T08:00:00Z";
    index.files = {{"Software/Gpl/Fiat Punto/Punto_0B0.s19", 3, std::string(64, 'b')},
                   {"Schede/ITALIANO/Generali_001.pdf", 0, std::string(64, 'c')}};
    std::string error;
    const std::optional<UpdateIndex> back = UpdateIndex::Parse(index.Text(), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Text(), index.Text());
    EXPECT_EQ(back->files[0].path, "Software/Gpl/Fiat Punto/Punto_0B0.s19");

    const std::string head = "ZOV-INDEX 1\nsequence 3\n";
    const std::string sha = std::string(64, 'a');
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"ZOV-INDEX 2\nsequence 3\n", "ZOV.index line 1: not an update index"},
        {"", "ZOV.index line 0: an empty index"},
        {"ZOV-INDEX 1\ndate 2027-01-15T08:00:00Z\n", "ZOV.index line 2: no sequence number"},
        {head + "sequence 4\n", "ZOV.index line 3: a bad or second sequence number"},
        {"ZOV-INDEX 1\nsequence -3\n", "ZOV.index line 2: a bad or second sequence number"},
        {head + "date 2027-1-15\n", "ZOV.index line 3: a bad date"},
        {head + "delete Map/x\n", "ZOV.index line 3: an unknown line"},
        {head + "file " + sha + " 3\n", "ZOV.index line 3: a file line needs a SHA-256, a size and a path"},
        {head + "file " + std::string(64, 'A') + " 3 Map/x", "ZOV.index line 3: a bad SHA-256"},
        {head + "file " + sha + " 3k Map/x", "ZOV.index line 3: a bad size"},
        {head + "file " + sha + " 3 Map/x\nfile " + sha + " 3 Map/x\n",
         "ZOV.index line 4: \"Map/x\" is listed twice"},
        {head + "file " + sha + " 3 Map",
         "ZOV.index line 3: the path \"Map\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 Map/",
         "ZOV.index line 3: the path \"Map/\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 /Map/x",
         "ZOV.index line 3: the path \"/Map/x\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 Map/./x",
         "ZOV.index line 3: the path \"Map/./x\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 Map//x",
         "ZOV.index line 3: the path \"Map//x\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 vetture/x",
         "ZOV.index line 3: the path \"vetture/x\" lies outside Schede, Software and Map"},
        {head + "file " + sha + " 3 Map\\..\\x",
         "ZOV.index line 3: the path \"Map\\..\\x\" holds a backslash"},
        {head + "file " + sha + " 3 Map/x\rREMOVED y", "ZOV.index line 3: a path holds a control character"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(UpdateIndex::Parse(c.text, why)) << c.text;
        EXPECT_EQ(why, c.error) << c.text;
    }
}

TEST_F(InternetUpdateTest, AGoodPublicationInstallsExactlyTheNewerFilesAndAnOlderOneIsThenRefused) {
    Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old");
    Put("run/Schede/ITALIANO/Generali_005.pdf", "installed");
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new");
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_09F.s19", "older");
    Put("medium/ZOV/Schede/ITALIANO/Generali_004.pdf", "not newer");
    Put("medium/ZOV/Map/GPL/StandardGpl_002.zov", "standard");
    const std::string served = Publish("good");
    const std::string firstIndex = ReadFile(served + "/ZOV.index");
    const std::string firstSignature = ReadFile(served + "/ZOV.index.sig");

    const Attempt first = Run("good");
    ASSERT_EQ(first.error, "");
    EXPECT_EQ(first.Installed(Runtime()),
              (std::vector<std::string>{"Vetture/Gpl/Fiat/Punto_0B0.s19", "Map/GPL/StandardGpl_002.zov"}));
    EXPECT_EQ(first.outcome.removed, std::vector<std::string>{Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19")});
    EXPECT_EQ(Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), "new");
    EXPECT_EQ(Read("run/Map/GPL/StandardGpl_002.zov"), "standard");
    EXPECT_FALSE(Exists("run/Vetture/Gpl/Fiat/Punto_09F.s19"));
    EXPECT_FALSE(Exists("run/Schede/ITALIANO/Generali_004.pdf"));
    // Only what is newer travels.
    EXPECT_EQ(FileRequests(), (std::vector<std::string>{"/good/ZOV/Software/Gpl/Fiat/Punto_0B0.s19 -",
                                                        "/good/ZOV/Map/GPL/StandardGpl_002.zov -"}));
    EXPECT_TRUE(downloads.Entries().empty());

    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0C0.s19", "newest");
    Publish("good");
    const Attempt second = Run("good");
    ASSERT_EQ(second.error, "");
    EXPECT_GT(second.prepared.index.sequence, first.prepared.index.sequence);
    EXPECT_EQ(second.Installed(Runtime()), std::vector<std::string>{"Vetture/Gpl/Fiat/Punto_0C0.s19"});

    // The first publication served again is an old update.
    zov::testing::WriteFile(served + "/ZOV.index", firstIndex);
    zov::testing::WriteFile(served + "/ZOV.index.sig", firstSignature);
    server->ClearLog();
    const auto before = Snapshot();
    const Attempt replay = Run("good");
    EXPECT_NE(replay.error.find("an old update served again"), std::string::npos) << replay.error;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(FileRequests().empty());
}

// Each way a publication can be wrong, against one installed archive.
TEST_F(InternetUpdateTest, ABadPublicationChangesNothingAndSaysWhy) {
    Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old");
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new punto");
    const Ed25519::KeyPair stranger = *Ed25519::Generate();
    auto signedIndex = [&](const std::string& dir, const std::string& path) {
        const std::string text = "ZOV-INDEX 1\nsequence 9\ndate 2027-01-15T08:00:00Z\nfile " +
                                 std::string(64, 'a') + " 3 " + path + "\n";
        zov::testing::WriteFile(dir + "/ZOV.index", text);
        zov::testing::WriteFile(dir + "/ZOV.index.sig",
                                "ZOV-ED25519-SIGNATURE " + *Ed25519::Sign(key.secretKey, text) + "\n");
    };
    const struct {
        const char* name;
        std::function<void(const std::string& dir)> spoil;
        std::vector<std::string> trusted;
        std::string reason;
        size_t fileRequests;
    } cases[] = {
        {"tampered-file",
         [](const std::string& dir) {
             zov::testing::WriteFile(dir + "/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "bad punto");
         },
         {},
         "Software/Gpl/Fiat/Punto_0B0.s19: the download does not match its listed size and SHA-256, twice",
         2},
        {"tampered-index",
         [](const std::string& dir) {
             std::string index = ReadFile(dir + "/ZOV.index");
             index.replace(index.find("sequence "), 9, "sequence 1");
             zov::testing::WriteFile(dir + "/ZOV.index", index);
         },
         {},
         "the signature of ZOV.index does not verify with a trusted key",
         0},
        {"wrong-key",
         [](const std::string&) {},
         {stranger.publicKey},
         "the signature of ZOV.index does not verify with a trusted key",
         0},
        {"outside",
         [&](const std::string& dir) { signedIndex(dir, "Software/../../Config/x.s19"); },
         {},
         "ZOV.index line 4: the path \"Software/../../Config/x.s19\" lies outside Schede, Software and Map",
         0},
        {"other-folder",
         [&](const std::string& dir) { signedIndex(dir, "Config/x.s19"); },
         {},
         "ZOV.index line 4: the path \"Config/x.s19\" lies outside Schede, Software and Map",
         0},
        {"no-signature",
         [](const std::string& dir) { fs::remove(dir + "/ZOV.index.sig"); },
         {},
         "cannot read ZOV.index.sig: ",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil(Publish(c.name));
        server->ClearLog();
        const auto before = Snapshot();
        const Attempt a = Run(c.name, c.trusted);
        EXPECT_EQ(a.error.substr(0, c.reason.size()), c.reason);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(FileRequests().size(), c.fileRequests);
        EXPECT_TRUE(downloads.Entries().empty());
    }
}

TEST_F(InternetUpdateTest, AnInterruptedDownloadResumesWithARangeAtTheNextAttempt) {
    const std::string big(200 * 1024, 'p');
    Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old");
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", big);
    Publish("cut");
    server->CutNext("/cut/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", 70 * 1024);
    const auto before = Snapshot();
    const Attempt cut = Run("cut");
    EXPECT_NE(cut.error.find("Software/Gpl/Fiat/Punto_0B0.s19: "), std::string::npos) << cut.error;
    EXPECT_EQ(Snapshot(), before);
    ASSERT_EQ(downloads.Entries().size(), 1u);
    const uint64_t kept = fs::file_size(downloads.Path() / downloads.Entries()[0]);
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 70u * 1024);

    server->ClearLog();
    const Attempt resumed = Run("cut");
    ASSERT_EQ(resumed.error, "");
    EXPECT_EQ(FileRequests(), std::vector<std::string>{"/cut/ZOV/Software/Gpl/Fiat/Punto_0B0.s19 bytes=" +
                                                       std::to_string(kept) + "-"});
    EXPECT_EQ(Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), big);
    EXPECT_FALSE(Exists("run/Vetture/Gpl/Fiat/Punto_0A0.s19"));
}

TEST_F(InternetUpdateTest, NothingRunsWhileTheEcuIsProgrammedOrAMappingIsOpen) {
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new");
    Publish("busy");
    const auto before = Snapshot();
    {
        const EcuWorkLock programming(EcuWorkLock::Kind::Shared, Runtime());
        ASSERT_TRUE(programming.Held());
        EXPECT_EQ(Run("busy").error, InternetUpdate::kBusy);
        EXPECT_TRUE(server->Requests().empty());
        EXPECT_EQ(Snapshot(), before);
    }
    EXPECT_EQ(Run("busy").error, "");
    EXPECT_EQ(Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), "new");
}

// zovctl keygen, publish and update --url end to end; a full disk (a file-size limit) while
// downloading installs nothing.
TEST_F(InternetUpdateTest, ZovctlMakesTheKeysPublishesAndUpdatesAndAFullDiskChangesNothing) {
    zov::testing::ScratchDir settings, keys, xdg;
    QSettings(QString::fromStdString(settings.File("Ovalix srl/Install.ini")), QSettings::IniFormat)
        .setValue(QStringLiteral("MainPath"), QString::fromStdString(Runtime()));
    // zovctl's downloads and locks go to a private folder of its own.
    const std::string savedXdg = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", xdg.Path().c_str(), 1);
    auto zovctl = [&](std::vector<std::string> args, rlim_t limit = RLIM_INFINITY) {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", settings.Path().string()});
        return clitest::RunProgram(args, limit);
    };
    const std::string pub = keys.File("PUBLIC.key"), sec = keys.File("SECRET.key");
    const auto made = zovctl({"keygen", pub, sec});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(fs::status(sec).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    const std::string secret = ReadFile(sec);
    EXPECT_EQ(zovctl({"keygen", pub, sec}).status, 4);
    EXPECT_EQ(ReadFile(sec), secret);

    Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old");
    Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", std::string(64 * 1024, 'p'));
    const auto published = zovctl({"publish", Path("medium"), Served("cli"), "--key", sec});
    EXPECT_EQ(published.status, 0) << published.err;
    const auto again = zovctl({"publish", Path("medium"), Served("cli"), "--key", sec});
    EXPECT_EQ(again.status, 0) << again.err;
    const auto sequenceOf = [](const std::string& out) { return std::stoull(out.substr(out.find('=') + 1)); };
    ASSERT_EQ(published.out.rfind("SEQUENCE=", 0), 0u);
    EXPECT_GT(sequenceOf(again.out), sequenceOf(published.out));
    EXPECT_NE(again.out.find("\nFILES=1\n"), std::string::npos);

    const std::vector<std::string> update{"update", "--url", server->url + "cli", "--ca",
                                          server->Certificate()};
    std::vector<std::string> withKey = update;
    withKey.insert(withKey.end(), {"--key", pub});
    const auto before = Snapshot();
    const auto full = zovctl(withKey, 16 * 1024);
    EXPECT_EQ(full.status, 4);
    EXPECT_NE(full.err.find("File too large; nothing was installed"), std::string::npos) << full.err;
    const auto untrusted = zovctl(update);
    EXPECT_EQ(untrusted.status, 4);
    EXPECT_EQ(untrusted.err,
              "zovctl: no publisher key is trusted (ChiaviAggiornamento.txt); nothing was downloaded\n");
    EXPECT_EQ(Snapshot(), before);

    const auto good = zovctl(withKey);
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, "COPIED Vetture/Gpl/Fiat/Punto_0B0.s19\nREMOVED Vetture/Gpl/Fiat/Punto_0A0.s19\n");
    setenv("XDG_RUNTIME_DIR", savedXdg.c_str(), 1);
}

}  // namespace
}  // namespace zov::test
