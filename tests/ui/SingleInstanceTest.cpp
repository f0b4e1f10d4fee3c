// Only one copy of the program runs per user: a later start asks the running
// copy to come forward and ends; a copy that was killed leaves a socket that
// the next start takes over.

#include "ui/SingleInstance.h"
#include "support/QtTestApp.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>

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
    EXPECT_TRUE(asked.wait(5000));
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
    EXPECT_TRUE(asked.wait(5000));
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

} // namespace
} // namespace vk::test
