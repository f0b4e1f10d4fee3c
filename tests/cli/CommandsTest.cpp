#include "cli/Shell.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk::cli {
namespace {

namespace fs = std::filesystem;

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(FTemp / "Docs" / "a.txt", "alpha");
        test::WriteFile(FTemp / "Docs" / "Sub" / "b.txt", std::string(70000, 'b'));
        test::WriteFile(FTemp / "Docs" / "Sub" / platform::PathFromUtf8("\xc3\xa9t\xc3\xa9.txt"), "");
        fs::create_directories(FTemp / "Docs" / "Empty");
    }

    std::string P(const std::string& name) const {
        return platform::Utf8FromPath(FTemp / platform::PathFromUtf8(name));
    }

    // No temporary locker, under its random name or the fixed one of old.
    bool NoTemporaryLocker() const {
        for (const auto& entry : fs::directory_iterator(FTemp.path()))
            if (entry.path().extension() == ".tmp")
                return false;
        return true;
    }

    test::TempFolder FTemp;
};

TEST_F(CommandsTest, CreateListVerifyAndExtractWithPasswordAndRecoveryCode) {
    const auto source = Snapshot(FTemp / "Docs");
    Shell shell("correct horse");

    ASSERT_EQ(shell.Run({"create", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_TRUE(fs::is_regular_file(FTemp / "Docs.vklocker")); // default: the source's full path + extension
    EXPECT_TRUE(NoTemporaryLocker());
    EXPECT_EQ(Snapshot(FTemp / "Docs"), source); // the source is never touched
    const std::string code = RecoveryCodeIn(shell.Out);
    ASSERT_FALSE(code.empty()) << shell.Out;
    EXPECT_NE(shell.Out.find("Keep this recovery code"), std::string::npos);

    ASSERT_EQ(shell.Run({"list", P("Docs.vklocker")}), ExitSuccess) << shell.Err;
    EXPECT_NE(shell.Out.find("Root: Docs\nKind: folder\nEntries: 5\n"), std::string::npos) << shell.Out;
    EXPECT_NE(shell.Out.find("70000  Sub/b.txt\n"), std::string::npos) << shell.Out;
    EXPECT_NE(shell.Out.find("folder ---D-"), std::string::npos) << shell.Out;
    EXPECT_EQ(Snapshot(FTemp.path()).count("Docs.vklocker.out"), 0u); // nothing written by list

    ASSERT_EQ(shell.Run({"verify", P("Docs.vklocker")}), ExitSuccess) << shell.Err;

    ASSERT_EQ(shell.Run({"extract", P("Docs.vklocker"), P("out")}), ExitSuccess) << shell.Err;
    EXPECT_EQ(Snapshot(FTemp / "out" / "Docs"), source);
    EXPECT_EQ(shell.Out.find("recovery code"), std::string::npos);

    // The recovery code from a password file opens the locker for extract and list.
    test::WriteFile(FTemp / "code.txt", code + "\n");
    Shell byCode;
    ASSERT_EQ(byCode.Run({"extract", "--password-file", P("code.txt"), P("Docs.vklocker"), P("out2")}), ExitSuccess)
        << byCode.Err;
    EXPECT_EQ(Snapshot(FTemp / "out2" / "Docs"), source);
    EXPECT_NE(byCode.Out.find("opened with its recovery code"), std::string::npos);
    ASSERT_EQ(byCode.Run({"list", "--password-file", P("code.txt"), P("Docs.vklocker")}), ExitSuccess) << byCode.Err;

    // Ctrl-C cancels cleanly where there is something to clean up, and ends
    // read-only commands at once.
    using M = InterruptMode;
    EXPECT_EQ(shell.Modes, (std::vector<M>{M::Cancel, M::Stop, M::Stop, M::CancelThenStop}));

    // Verify checks the password alone.
    EXPECT_EQ(byCode.Run({"verify", "--password-file", P("code.txt"), P("Docs.vklocker")}), ExitFailure);
    EXPECT_EQ(byCode.Err, "vklocker: Locker verification failed (MAC mismatch).\n");
}

TEST_F(CommandsTest, WrongSecretFailsWithTheMessageAndWritesNothing) {
    Shell shell("right");
    ASSERT_EQ(shell.Run({"create", P("Docs"), P("d.vklocker")}), ExitSuccess) << shell.Err;

    Shell wrong("wrong");
    EXPECT_EQ(wrong.Run({"extract", P("d.vklocker"), P("out")}), ExitFailure);
    EXPECT_EQ(wrong.Err, "vklocker: Invalid password or recovery code.\n");
    EXPECT_TRUE(wrong.Out.empty());
    EXPECT_TRUE(fs::is_empty(FTemp / "out"));

    EXPECT_EQ(wrong.Run({"list", P("d.vklocker")}), ExitFailure);
    EXPECT_EQ(wrong.Err, "vklocker: Invalid password or recovery code.\n");
    EXPECT_TRUE(wrong.Out.empty());

    EXPECT_EQ(wrong.Run({"verify", P("d.vklocker")}), ExitFailure);
    EXPECT_EQ(wrong.Err, "vklocker: Locker verification failed (MAC mismatch).\n");
}

TEST_F(CommandsTest, ExtractDefaultsToTheLockersOwnFolder) {
    fs::create_directories(FTemp / "moved");
    Shell shell("pw");
    ASSERT_EQ(shell.Run({"create", P("Docs/a.txt"), P("moved/a.vklocker")}), ExitSuccess) << shell.Err;
    ASSERT_EQ(shell.Run({"extract", P("moved/a.vklocker")}), ExitSuccess) << shell.Err;
    EXPECT_EQ(test::ReadFile(FTemp / "moved" / "a.txt"), "alpha");
}

TEST_F(CommandsTest, ExtractNeverReplacesAnExistingItemNorLeavesAPartialOne) {
    Shell shell("pw");
    ASSERT_EQ(shell.Run({"create", P("Docs"), P("d.vklocker")}), ExitSuccess) << shell.Err;
    test::WriteFile(FTemp / "out" / "Docs" / "a.txt", "newer");
    const auto before = Snapshot(FTemp / "out");
    EXPECT_EQ(shell.Run({"extract", P("d.vklocker"), P("out")}), ExitFailure);
    // Named as the system writes full paths.
    const std::string taken = platform::Utf8FromPath(platform::FullPath(FTemp / "out" / "Docs"));
    EXPECT_NE(shell.Err.find(taken), std::string::npos) << shell.Err;
    EXPECT_EQ(Snapshot(FTemp / "out"), before); // nothing replaced, no staging left

    Shell stopped("pw");
    stopped.CtrlC = true;
    EXPECT_EQ(stopped.Run({"extract", P("d.vklocker"), P("fresh")}), ExitFailure);
    EXPECT_TRUE(fs::is_empty(FTemp / "fresh")); // nothing under the real name
}

TEST_F(CommandsTest, TerminalPasswordIsAskedTwiceForCreateAndMustMatch) {
    Shell typed{std::nullopt, {"one", "two"}};
    EXPECT_EQ(typed.Run({"create", P("Docs")}), ExitFailure);
    EXPECT_EQ(typed.Err, "vklocker: The passwords do not match.\n");
    EXPECT_FALSE(fs::exists(FTemp / "Docs.vklocker"));

    Shell matching{std::nullopt, {"same", "same", "same"}};
    ASSERT_EQ(matching.Run({"create", P("Docs") + "/"}), ExitSuccess) << matching.Err; // same name as without "/"
    matching.Prompts.clear();
    matching.TerminalAnswers = {"same"};
    EXPECT_EQ(matching.Run({"verify", P("Docs.vklocker")}), ExitSuccess) << matching.Err;
    EXPECT_EQ(matching.Prompts, std::vector<std::string>{"Password: "});
}

TEST_F(CommandsTest, CreateRefusesBeforeAskingForTheSecret) {
    test::WriteFile(FTemp / "taken.vklocker", "precious");
    const struct {
        std::vector<std::string> Args;
        std::string Error;
    } cases[] = {
        {{"create", P("missing")}, "vklocker: Source path does not exist.\n"},
        {{"create", P("Docs"), P("taken.vklocker")},
         "vklocker: The locker \"" + P("taken.vklocker") + "\" already exists; it is not overwritten.\n"},
        {{"create", P("Docs"), P("Docs/Sub/inside.vklocker")},
         "vklocker: The locker cannot be placed inside the folder it locks.\n"},
        {{"verify", P("missing.vklocker")}, "vklocker: Locker file does not exist.\n"},
        {{"extract", P("missing.vklocker")}, "vklocker: Locker file does not exist.\n"},
    };
    for (const auto& c : cases) {
        Shell shell{std::nullopt, {"pw", "pw"}};
        EXPECT_EQ(shell.Run(c.Args), ExitFailure) << c.Args[1];
        EXPECT_EQ(shell.Err, c.Error);
        EXPECT_TRUE(shell.Prompts.empty());
    }
    EXPECT_EQ(test::ReadFile(FTemp / "taken.vklocker"), "precious");
    EXPECT_FALSE(fs::exists(FTemp / "Docs" / "Sub" / "inside.vklocker"));
}

TEST_F(CommandsTest, CtrlCDuringCreateLeavesNoLocker) {
    Shell shell("pw");
    shell.CtrlC = true;
    EXPECT_EQ(shell.Run({"create", P("Docs")}), ExitFailure);
    EXPECT_EQ(shell.Err, "vklocker: Operation cancelled by user.\n");
    EXPECT_TRUE(shell.Out.empty()); // no recovery code for a locker that does not exist
    EXPECT_FALSE(fs::exists(FTemp / "Docs.vklocker"));
    EXPECT_TRUE(NoTemporaryLocker());
}

TEST_F(CommandsTest, CreateNeverReplacesALockerThatAppearsWhileItIsWritten) {
    Shell shell("pw");
    // Just before the finished locker takes its name, another program puts a file there.
    platform::faults::RunAt(platform::faults::Op::Rename, 1,
                            [&] { test::WriteFile(FTemp / "Docs.vklocker", "someone else's"); });
    EXPECT_EQ(shell.Run({"create", P("Docs")}), ExitFailure);
    platform::faults::Clear();
    EXPECT_NE(shell.Err.find("appeared while this one was written"), std::string::npos) << shell.Err;
    EXPECT_EQ(test::ReadFile(FTemp / "Docs.vklocker"), "someone else's");
    EXPECT_TRUE(NoTemporaryLocker());
}

TEST_F(CommandsTest, UsageErrorsAndHelp) {
    Shell shell; // no environment password and no terminal
    EXPECT_EQ(shell.Run({}), ExitUsage);
    EXPECT_NE(shell.Err.find("no command given"), std::string::npos);
    EXPECT_EQ(shell.Run({"create"}), ExitUsage);
    EXPECT_NE(shell.Err.find("Usage: vklocker create"), std::string::npos);
    EXPECT_EQ(shell.Run({"verify", P("Docs")}), ExitFailure); // a folder is no locker file
    EXPECT_EQ(shell.Run({"create", P("Docs")}), ExitUsage);   // nowhere to read a password from
    EXPECT_NE(shell.Err.find("--password-file"), std::string::npos);
    EXPECT_FALSE(fs::exists(FTemp / "Docs.vklocker"));

    EXPECT_EQ(shell.Run({"list", "--help"}), ExitSuccess);
    EXPECT_EQ(shell.Out.rfind("Usage: vklocker list", 0), 0u);
    EXPECT_TRUE(shell.Err.empty());
}

} // namespace
} // namespace vk::cli
