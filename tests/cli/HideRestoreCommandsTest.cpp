#include "cli/Shell.h"

#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace vk::cli {
namespace {

namespace fs = std::filesystem;

class HideRestoreCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(FTemp / "Docs" / "a.txt", "alpha");
        test::WriteFile(FTemp / "Docs" / "Sub" / "b.txt", std::string(70000, 'b'));
        fs::create_directories(FTemp / "Docs" / "Empty");
    }

    std::string P(const std::string& name) const { return (FTemp / name).string(); }

    // The names in the temporary folder, its list of hidden names and the
    // test's home aside: staging or temporary leftovers show up here.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(FTemp.path()))
            if (entry.path().filename() != ".hidden" && entry.path().filename() != "home")
                names.insert(entry.path().filename().string());
        return names;
    }

    test::TempFolder FTemp;
};

TEST_F(HideRestoreCommandsTest, HideThenRestoreWithThePasswordOrTheRecoveryCode) {
    const auto docs = Snapshot(FTemp / "Docs");
    Shell shell("correct horse");

    ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});
    EXPECT_NE(platform::GetFileAttributes(FTemp / "Docs.vklocker") & platform::FILE_ATTRIBUTE_HIDDEN, 0u);
    const std::string code = RecoveryCodeIn(shell.Out);
    ASSERT_FALSE(code.empty()) << shell.Out;
    // Hiding again finds the job done: no item, a locker that opens.
    ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_NE(shell.Out.find("made by an earlier run"), std::string::npos) << shell.Out;
    Shell otherPassword("another");
    EXPECT_EQ(otherPassword.Run({"hide", P("Docs")}), ExitFailure);
    EXPECT_EQ(otherPassword.Err, "vklocker: Locker already exists: " + P("Docs.vklocker") + "\n");

    ASSERT_EQ(shell.Run({"restore", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_EQ(Names(), std::set<std::string>{"Docs"});
    EXPECT_EQ(Snapshot(FTemp / "Docs"), docs);

    ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
    test::WriteFile(FTemp / "code.txt", RecoveryCodeIn(shell.Out) + "\n");
    Shell byCode;
    ASSERT_EQ(byCode.Run({"restore", "--password-file", P("code.txt"), P("Docs")}), ExitSuccess) << byCode.Err;
    EXPECT_EQ(Snapshot(FTemp / "Docs"), docs);
}

TEST_F(HideRestoreCommandsTest, OnConflictDecidesWhenBothTheItemAndItsLockerExist) {
    const auto docs = Snapshot(FTemp / "Docs");
    const struct {
        std::vector<std::string> Option;
        int Status;
        bool LockersItemInPlace; // else the existing item stays
        bool LockerStays;
    } cases[] = {
        {{}, ExitFailure, false, true},
        {{"--on-conflict=cancel"}, ExitFailure, false, true},
        {{"--on-conflict=keep"}, ExitSuccess, false, false},
        {{"--on-conflict=replace"}, ExitSuccess, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Option.empty() ? "no option" : c.Option[0]);
        Shell shell("pw");
        ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
        test::WriteFile(FTemp / "Docs" / "new.txt", "written after the hide");
        const auto existing = Snapshot(FTemp / "Docs");

        std::vector<std::string> args{"restore"};
        args.insert(args.end(), c.Option.begin(), c.Option.end());
        args.push_back(P("Docs"));
        EXPECT_EQ(shell.Run(args), c.Status) << shell.Err;
        EXPECT_EQ(Snapshot(FTemp / "Docs"), c.LockersItemInPlace ? docs : existing);
        EXPECT_EQ(fs::exists(FTemp / "Docs.vklocker"), c.LockerStays);
        if (c.Status == ExitFailure) {
            EXPECT_NE(shell.Err.find("--on-conflict=replace"), std::string::npos) << shell.Err;
        }

        fs::remove(FTemp / "Docs.vklocker");
        fs::remove_all(FTemp / "Docs");
        WriteSnapshot(FTemp / "Docs", docs);
        EXPECT_EQ(Names(), std::set<std::string>{"Docs"});
    }
}

TEST_F(HideRestoreCommandsTest, FailuresLeaveTheItemOrItsLockerAsTheyWere) {
    Shell shell("right");
    EXPECT_EQ(shell.Run({"restore", P("missing")}), ExitFailure);
    EXPECT_EQ(shell.Err, "vklocker: Locker file not found: " + P("missing.vklocker") + "\n");
    // A visible item without a locker is where a restore ends: a repeated
    // restore after an interrupted one finds it so.
    EXPECT_EQ(shell.Run({"restore", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_EQ(shell.Out, "Nothing to restore: " + P("Docs") + " is in place and has no locker.\n");
    EXPECT_EQ(shell.Run({"hide", P("missing")}), ExitFailure);
    EXPECT_EQ(shell.Err, "vklocker: Path not found: " + P("missing") + "\n");

    fs::create_symlink(FTemp / "Docs", FTemp / "link");
    EXPECT_EQ(shell.Run({"hide", P("link")}), ExitFailure);
    EXPECT_TRUE(fs::is_symlink(FTemp / "link"));
    EXPECT_FALSE(fs::exists(FTemp / "link.vklocker"));
    fs::remove(FTemp / "link");

    ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
    Shell wrong("wrong");
    EXPECT_EQ(wrong.Run({"restore", P("Docs")}), ExitFailure);
    EXPECT_EQ(wrong.Err, "vklocker: Invalid password or recovery code.\n");
    EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});
    EXPECT_NE(platform::GetFileAttributes(FTemp / "Docs.vklocker") & platform::FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(HideRestoreCommandsTest, AHideThatCannotDeleteAllOfTheItemExitsOneWithTheCodeAndTheNextRunFinishes) {
    Shell shell("pw");
    platform::faults::FailAt(platform::faults::Op::Delete, 1);
    EXPECT_EQ(shell.Run({"hide", P("Docs")}), ExitFailure);
    platform::faults::Clear();
    EXPECT_NE(shell.Err.find("part of the item could not be deleted: "), std::string::npos) << shell.Err;
    EXPECT_NE(shell.Err.find(".Docs.vkdelete-"), std::string::npos) << shell.Err;
    const std::string code = RecoveryCodeIn(shell.Out);
    EXPECT_FALSE(code.empty()) << shell.Out;
    EXPECT_EQ(shell.Out.find("Hidden:"), std::string::npos) << shell.Out;

    ASSERT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
    EXPECT_NE(shell.Out.find("made by an earlier run"), std::string::npos) << shell.Out;
    EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});
    test::WriteFile(FTemp / "code.txt", code + "\n");
    Shell byCode;
    ASSERT_EQ(byCode.Run({"restore", "--password-file", P("code.txt"), P("Docs")}), ExitSuccess) << byCode.Err;
}

TEST_F(HideRestoreCommandsTest, SecretIsNotAskedForAMissingItem) {
    Shell shell{std::nullopt, {"pw", "pw"}};
    EXPECT_EQ(shell.Run({"hide", P("missing")}), ExitFailure);
    EXPECT_EQ(shell.Run({"restore", P("missing")}), ExitFailure);
    EXPECT_TRUE(shell.Prompts.empty());
}

} // namespace
} // namespace vk::cli
