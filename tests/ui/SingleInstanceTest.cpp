// Only one copy of the program runs per user: a later start asks the running
// copy to come forward and ends; a copy that was killed leaves a socket that
// the next start takes over; the channel carries versioned requests and
// refuses anything else without effect, and only this user can reach it.

#include "ui/SingleInstance.h"
#include "settings/uSettings.h"
#include "support/QtTestApp.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/stat.h>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

// The test program itself plays the other copy: started with this variable
// set, it runs only SingleInstanceChild below.
constexpr const char* ChildServerVariable = "VK_SINGLE_INSTANCE_CHILD_SERVER";
const QString ClaimedLine = QStringLiteral("claimed");
const QString AskedForwardLine = QStringLiteral("asked forward");

// Another copy of the program, as a child process: claims the server path,
// says so, and ends once a later start has asked it forward (or after a while).
TEST(SingleInstanceChild, HoldsTheClaimUntilAskedForward) {
    const char* serverPath = std::getenv(ChildServerVariable);
    if (serverPath == nullptr)
        GTEST_SKIP() << "runs only as the other copy of SingleInstanceTest";
    QtTestApp();
    SingleInstance instance(QString::fromUtf8(serverPath));
    QSignalSpy asked(&instance, &SingleInstance::ActivationRequested);
    ASSERT_TRUE(instance.ClaimOrHandOver());
    std::cout << ClaimedLine.toStdString() << std::endl;
    if (asked.wait(20000))
        std::cout << AskedForwardLine.toStdString() << std::endl;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { QtTestApp(); }

    // Starts the other copy and waits until it has claimed the server path.
    void StartOtherCopy(QProcess& child) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromUtf8(ChildServerVariable), ServerPath());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SingleInstanceChild.*")});
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(WaitUntil([&] { return ChildSaid(child, ClaimedLine); }, 10000));
    }
    bool ChildSaid(QProcess& child, const QString& line) {
        FChildOutput += QString::fromUtf8(child.readAllStandardOutput());
        return FChildOutput.split(u'\n').contains(line);
    }
    QString ServerPath() const { return QString::fromStdString((temp / "instance").string()); }

    TempFolder temp;
    QString FChildOutput;
};

TEST_F(SingleInstanceTest, ALaterStartInTheSameProcessHandsOver) {
    SingleInstance first(ServerPath());
    QSignalSpy asked(&first, &SingleInstance::ActivationRequested);
    ASSERT_TRUE(first.ClaimOrHandOver());

    SingleInstance second(ServerPath());
    EXPECT_FALSE(second.ClaimOrHandOver());
    // The answer came while the later start waited for it.
    EXPECT_TRUE(WaitUntil([&] { return asked.count() == 1; }));
    EXPECT_EQ(asked.count(), 1);
}

TEST_F(SingleInstanceTest, ALaterStartAsksTheRunningCopyForwardAndEnds) {
    QProcess other;
    StartOtherCopy(other);

    SingleInstance later(ServerPath());
    EXPECT_FALSE(later.ClaimOrHandOver());
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_TRUE(ChildSaid(other, AskedForwardLine)) << FChildOutput.toStdString();
}

TEST_F(SingleInstanceTest, TheSocketOfAKilledCopyIsTakenOver) {
    QProcess killed;
    StartOtherCopy(killed);
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    ASSERT_TRUE(fs::exists(ServerPath().toStdString())); // left behind: nobody answers on it

    SingleInstance next(ServerPath());
    QSignalSpy asked(&next, &SingleInstance::ActivationRequested);
    ASSERT_TRUE(next.ClaimOrHandOver());
    // And it answers the start after it.
    SingleInstance later(ServerPath());
    EXPECT_FALSE(later.ClaimOrHandOver());
    EXPECT_TRUE(WaitUntil([&] { return asked.count() == 1; }));
}

TEST_F(SingleInstanceTest, ASettingsFolderTooDeepForASocketAddressStillKeepsOneCopy) {
    const fs::path runtime = temp / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", runtime.c_str());
    const QString deep = QString::fromStdString((temp / std::string(120, 'd')).string());
    const QString path = SingleInstance::ServerPathIn(deep);
    EXPECT_LE(path.toUtf8().size(), 100);
    EXPECT_NE(path, SingleInstance::ServerPathIn(deep + QStringLiteral("2")));
    EXPECT_EQ(SingleInstance::ServerPathIn(QString::fromStdString(temp.path().string())), ServerPath());

    SingleInstance first(path);
    ASSERT_TRUE(first.ClaimOrHandOver());
    SingleInstance second(path);
    EXPECT_FALSE(second.ClaimOrHandOver());
}

TEST_F(SingleInstanceTest, OnlyThisUserCanReachTheSocket) {
    SingleInstance first(ServerPath());
    ASSERT_TRUE(first.ClaimOrHandOver());
    struct stat status {};
    ASSERT_EQ(::stat(ServerPath().toUtf8().constData(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 077, 0u) << std::oct << status.st_mode;
    EXPECT_EQ(status.st_uid, ::getuid());
}

TEST(InstanceRequestTest, RequestsSurviveTheirWireForm) {
    const std::vector<InstanceRequest> requests{
        {},
        {InstanceRequest::Command::Open, {QStringLiteral("/home/u/Notes"), QStringLiteral("/home/u/Bücher & Fotos")}},
        {InstanceRequest::Command::Open, {}},
    };
    for (const InstanceRequest& request : requests) {
        const QByteArray wire = EncodeInstanceRequest(request);
        InstanceRequest decoded{InstanceRequest::Command::Open, {QStringLiteral("stale")}};
        EXPECT_EQ(DecodeInstanceRequest(wire, decoded), DecodeResult::Complete);
        EXPECT_EQ(decoded, request);
        // Every proper prefix asks for more and decides nothing.
        for (qsizetype cut = 0; cut < wire.size(); ++cut)
            EXPECT_EQ(DecodeInstanceRequest(wire.first(cut), decoded), DecodeResult::Incomplete) << cut;
    }
    EXPECT_EQ(EncodeInstanceRequest({}), QByteArray("VKIR\x01\x00\x00\x00\x03\x01\x00\x00", 12));
}

// Bytes a later start (or anyone else of this user) might send that are no
// request of this format.
std::vector<std::pair<const char*, QByteArray>> MalformedRequests() {
    const QByteArray activate = EncodeInstanceRequest({});
    QByteArray wrongVersion = activate;
    wrongVersion[4] = 2;
    QByteArray oversized = activate.first(5);
    oversized.append("\x00\x01\x00\x01", 4); // a body of MaxRequestBody + 1 bytes announced
    QByteArray unknownCommand = activate;
    unknownCommand[9] = 7;
    QByteArray activateWithPath = EncodeInstanceRequest({InstanceRequest::Command::Open, {QStringLiteral("/a")}});
    activateWithPath[9] = 1;
    QByteArray pathPastTheEnd = EncodeInstanceRequest({InstanceRequest::Command::Open, {QStringLiteral("/a")}});
    pathPastTheEnd[15] = 9;
    QByteArray notUtf8 = EncodeInstanceRequest({InstanceRequest::Command::Open, {QStringLiteral("/a")}});
    notUtf8[17] = '\xff';
    return {
        {"the old line protocol", QByteArrayLiteral("activate\n")},
        {"wrong magic", QByteArrayLiteral("VKIX")},
        {"wrong version", wrongVersion},
        {"oversized body", oversized},
        {"unknown command", unknownCommand},
        {"activate with a path", activateWithPath},
        {"a path past the end", pathPastTheEnd},
        {"a path not in UTF-8", notUtf8},
        {"bytes after the request", activate + "x"},
    };
}

TEST(InstanceRequestTest, RefusesWhatIsNoRequest) {
    for (const auto& [name, bytes] : MalformedRequests()) {
        InstanceRequest decoded;
        EXPECT_EQ(DecodeInstanceRequest(bytes, decoded), DecodeResult::Malformed) << name;
    }
}

TEST_F(SingleInstanceTest, AMalformedRequestIsCutOffWithoutEffect) {
    SingleInstance first(ServerPath());
    QSignalSpy asked(&first, &SingleInstance::ActivationRequested);
    QSignalSpy opened(&first, &SingleInstance::OpenRequested);
    ASSERT_TRUE(first.ClaimOrHandOver());
    for (const auto& [name, bytes] : MalformedRequests()) {
        QLocalSocket socket;
        socket.connectToServer(ServerPath());
        ASSERT_TRUE(socket.waitForConnected(2000)) << name;
        socket.write(bytes);
        socket.flush();
        // The running copy cuts the connection off without an answer.
        EXPECT_TRUE(WaitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 7000)) << name;
        EXPECT_EQ(socket.readAll(), QByteArray()) << name;
    }
    EXPECT_EQ(asked.count(), 0);
    EXPECT_EQ(opened.count(), 0);
    // And it still answers a real request.
    SingleInstance later(ServerPath());
    EXPECT_FALSE(later.ClaimOrHandOver({InstanceRequest::Command::Open, {QStringLiteral("/x")}}));
    ASSERT_TRUE(WaitUntil([&] { return opened.count() == 1; }));
    EXPECT_EQ(opened.first().first().toStringList(), QStringList{QStringLiteral("/x")});
}

TEST_F(SingleInstanceTest, ACopyThatAcceptsButNeverAnswersKeepsItsSocket) {
    // Someone listens on the path but never reads: a later start must not
    // take that for a dead copy and listen beside it.
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(ServerPath()));
    SingleInstance later(ServerPath());
    EXPECT_THROW(later.ClaimOrHandOver(), std::exception);
    EXPECT_TRUE(fs::exists(ServerPath().toStdString()));
}

// The program itself, started twice under one user.
class TwoProgramsTest : public SingleInstanceTest {
protected:
    void StartProgram(QProcess& program) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("veilkeep.instance.debug=true"));
        program.setProcessEnvironment(environment);
        program.start(QString::fromUtf8(VEILKEEP_PROGRAM), {});
        ASSERT_TRUE(program.waitForStarted());
    }
    static QString ProgramServerPath() {
        SettingsStore settings;
        return SingleInstance::ServerPathFor(settings);
    }
    static bool Said(QProcess& program, QString& seen, const QString& text) {
        seen += QString::fromUtf8(program.readAllStandardError());
        return seen.contains(text);
    }
    static void End(QProcess& program) {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    }
};

TEST_F(TwoProgramsTest, TheSecondStartBringsTheFirstForwardAndEnds) {
    QProcess first;
    StartProgram(first);
    ASSERT_TRUE(WaitUntil([] { return fs::exists(ProgramServerPath().toStdString()); }, 20000));

    QProcess second;
    StartProgram(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    QString firstSaid;
    EXPECT_TRUE(WaitUntil([&] { return Said(first, firstSaid, QStringLiteral("brought forward:")); }, 10000))
        << firstSaid.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    End(first);
}

TEST_F(TwoProgramsTest, TwoStartedAtTheSameInstantLeaveExactlyOne) {
    QProcess one;
    QProcess other;
    StartProgram(one);
    StartProgram(other);
    const auto running = [&] {
        return (one.state() != QProcess::NotRunning ? 1 : 0) + (other.state() != QProcess::NotRunning ? 1 : 0);
    };
    ASSERT_TRUE(WaitUntil([&] { return running() == 1; }, 30000));
    // The one that ended handed over; the other stays.
    QProcess& ended = one.state() == QProcess::NotRunning ? one : other;
    EXPECT_EQ(ended.exitCode(), 0);
    QTest::qWait(1500);
    EXPECT_EQ(running(), 1);
    End(one);
    End(other);
}

} // namespace
} // namespace vk::test
