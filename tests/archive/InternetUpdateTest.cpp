// The update over the internet against a real HTTPS server started by the test, with keys made by
// the test: what a good publication installs, and every refusal or failure leaving the runtime
// directory exactly as it was.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <memory>

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
        const UpdatePublisher::Result r = UpdatePublisher::Publish(Path("medium"), Served(name), key.secretKey, kNow);
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
         [](const std::string& dir) { zov::testing::WriteFile(dir + "/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "bad punto"); },
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
        {"wrong-key", [](const std::string&) {}, {stranger.publicKey},
         "the signature of ZOV.index does not verify with a trusted key", 0},
        {"outside", [&](const std::string& dir) { signedIndex(dir, "Software/../../Config/x.s19"); }, {},
         "ZOV.index line 4: the path \"Software/../../Config/x.s19\" lies outside Schede, Software and Map", 0},
        {"other-folder", [&](const std::string& dir) { signedIndex(dir, "Config/x.s19"); }, {},
         "ZOV.index line 4: the path \"Config/x.s19\" lies outside Schede, Software and Map", 0},
        {"no-signature", [](const std::string& dir) { fs::remove(dir + "/ZOV.index.sig"); }, {},
         "cannot read ZOV.index.sig: ", 0},
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

}  // namespace
}  // namespace zov::test
