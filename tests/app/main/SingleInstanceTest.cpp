// One copy of the program per user: the guard in-process, and the real program started twice.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstring>

#include "MainWindowSupport.h"
#include "SingleInstance.h"

namespace zov::test {
namespace {

QString UniqueName(const char* what) {
    return QStringLiteral("ZovTest-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(what));
}

// What a copy that crashed leaves behind: the socket file with nobody listening on it.
void LeaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(size_t(name.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
}

TEST(SingleInstanceGuard, SecondCopyAsksTheFirstToComeForward) {
    const QString name = UniqueName("pair");
    SingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &SingleInstance::activationRequested);

    SingleInstance second(name);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(raised.wait(5000));
    EXPECT_EQ(raised.count(), 1);

    // Each later copy asks again.
    SingleInstance third(name);
    EXPECT_FALSE(third.Claim());
    EXPECT_TRUE(raised.wait(5000));
    EXPECT_EQ(raised.count(), 2);
}

TEST(SingleInstanceGuard, SocketLeftByACrashedCopyIsTakenOver) {
    const QString name = UniqueName("stale");
    LeaveStaleSocket(SingleInstance::SocketPath(name));
    SingleInstance first(name);
    EXPECT_TRUE(first.Claim());
    // And it really guards now.
    SingleInstance second(name);
    EXPECT_FALSE(second.Claim());
}

TEST(SingleInstanceGuard, NamesAreIndependent) {
    SingleInstance a(UniqueName("a"));
    SingleInstance b(UniqueName("b"));
    EXPECT_TRUE(a.Claim());
    EXPECT_TRUE(b.Claim());
}

// The real program, twice, in a private runtime directory so nothing else on the machine interferes.
TEST(SingleInstanceProgram, SecondStartRaisesTheFirstAndEndsWithoutAWindow) {
    QTemporaryDir runtime;  // created private to the user, as a runtime directory must be
    QTemporaryDir settingsFirst;
    QTemporaryDir settingsSecond;
    WriteSettings(settingsFirst.path(), {});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess first;
    QProcessEnvironment firstEnv = env;
    firstEnv.insert(QStringLiteral("ZOV_SETTINGS_DIR"), settingsFirst.path());
    first.setProcessEnvironment(firstEnv);
    first.start(QStringLiteral(ZOV_ZOVQBR), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = QDir(runtime.path()).filePath(QStringLiteral("MutexZOV"));
    // Ready when its socket answers (a connection that says nothing asks for nothing).
    QDeadlineTimer deadline(20000);
    bool listening = false;
    while (!listening && !deadline.hasExpired() && first.state() == QProcess::Running) {
        QLocalSocket probe;
        probe.connectToServer(socket);
        listening = probe.waitForConnected(200);
        if (!listening) first.waitForFinished(50);
    }
    ASSERT_TRUE(listening) << first.readAllStandardError().toStdString();

    QProcess second;
    QProcessEnvironment secondEnv = env;
    secondEnv.insert(QStringLiteral("ZOV_SETTINGS_DIR"), settingsSecond.path());
    second.setProcessEnvironment(secondEnv);
    second.start(QStringLiteral(ZOV_ZOVQBR), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // It never created the program's objects: no settings were read or written.
    EXPECT_TRUE(QDir(settingsSecond.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    // The first copy runs on.
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(10000);
}

}  // namespace
}  // namespace zov::test
