#include "cli/Shell.h"

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace vk::cli {
namespace {

namespace fs = std::filesystem;

class RekeyCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(FTemp / "Docs" / "a.txt", "alpha");
        test::WriteFile(FTemp / "Docs" / "Sub" / "b.txt", std::string(70000, 'b'));
        Docs = Snapshot(FTemp / "Docs");
        Shell hider("old secret");
        ASSERT_EQ(hider.Run({"hide", P("Docs")}), ExitSuccess) << hider.Err;
        OldCode = RecoveryCodeIn(hider.Out);
    }

    std::string P(const std::string& name) const { return (FTemp / name).string(); }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(FTemp.path()))
            if (entry.path().filename() != ".hidden" && entry.path().filename() != "home")
                names.insert(entry.path().filename().string());
        return names;
    }

    // Restores Docs with the secret and hides it again with it; true when it opened.
    bool OpensWith(const std::string& secret) {
        Shell shell(secret);
        if (shell.Run({"restore", P("Docs")}) != ExitSuccess)
            return false;
        EXPECT_EQ(Snapshot(FTemp / "Docs"), Docs);
        EXPECT_EQ(shell.Run({"hide", P("Docs")}), ExitSuccess) << shell.Err;
        return true;
    }

    test::TempFolder FTemp;
    std::map<std::string, std::string> Docs;
    std::string OldCode;
};

// Every source of the two secrets: the password file's two lines, the two
// variables, the terminal (current once, new twice), and the old recovery
// code as the current secret.
TEST_F(RekeyCommandTest, TakesBothSecretsFromEachSourceAndPrintsTheNewCode) {
    test::WriteFile(FTemp / "home" / "pw", "old secret\r\nfrom the file\n");
    Shell fromFile;
    ASSERT_EQ(fromFile.Run({"rekey", "--password-file", P("home/pw"), P("Docs.vklocker")}), ExitSuccess)
        << fromFile.Err;
    const std::string code = RecoveryCodeIn(fromFile.Out);
    ASSERT_FALSE(code.empty()) << fromFile.Out;
    EXPECT_NE(code, OldCode);
    EXPECT_TRUE(fromFile.Prompts.empty());
    EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});
    EXPECT_NE(platform::GetFileAttributes(FTemp / "Docs.vklocker") & platform::FILE_ATTRIBUTE_HIDDEN, 0u);

    Shell fromVariables("from the file");
    fromVariables.NewEnvironment = "from the variables";
    ASSERT_EQ(fromVariables.Run({"rekey", P("Docs.vklocker")}), ExitSuccess) << fromVariables.Err;

    Shell fromTerminal(std::nullopt, {RecoveryCodeIn(fromVariables.Out), "typed", "typed"});
    ASSERT_EQ(fromTerminal.Run({"rekey", P("Docs.vklocker")}), ExitSuccess) << fromTerminal.Err;
    EXPECT_EQ(fromTerminal.Prompts,
              (std::vector<std::string>{"Password or recovery code: ", "New password: ", "Repeat new password: "}));
    const std::string lastCode = RecoveryCodeIn(fromTerminal.Out);

    for (const std::string& stale : {std::string("old secret"), OldCode, code, std::string("from the variables")})
        EXPECT_FALSE(OpensWith(stale)) << stale;
    // Restoring and hiding again makes a new locker, so the code comes last.
    std::string reason;
    EXPECT_TRUE(VerifyLocker(P("Docs.vklocker"), "typed", reason)) << reason;
    EXPECT_TRUE(OpensWith(lastCode));
}

// A wrong secret, a password file without the second line, new passwords that
// differ and no new password at all: the locker stays as it was.
TEST_F(RekeyCommandTest, RefusesWithoutChangingTheLocker) {
    const std::string before = test::ReadFile(FTemp / "Docs.vklocker");
    test::WriteFile(FTemp / "home" / "one-line", "old secret\n");
    struct Case {
        const char* Name;
        Shell Runner;
        std::vector<std::string> Args;
        int Status;
        std::string Error;
    };
    Shell wrong("not it");
    wrong.NewEnvironment = "new";
    Shell differing(std::nullopt, {"old secret", "one", "two"});
    Shell noNew("old secret");
    std::vector<Case> cases{
        {"wrong secret", wrong, {"rekey", P("Docs.vklocker")}, ExitFailure, "Invalid password or recovery code."},
        {"one line",
         Shell(),
         {"rekey", "--password-file", P("home/one-line"), P("Docs.vklocker")},
         ExitFailure,
         "needs two lines here"},
        {"differing", differing, {"rekey", P("Docs.vklocker")}, ExitFailure, "The passwords do not match."},
        {"no new password", noNew, {"rekey", P("Docs.vklocker")}, ExitUsage, "VKLOCKER_NEW_PASSWORD"},
        {"no locker", Shell("old secret"), {"rekey", P("Missing.vklocker")}, ExitFailure, "does not exist"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Runner.Run(c.Args), c.Status) << c.Runner.Err;
        EXPECT_NE(c.Runner.Err.find(c.Error), std::string::npos) << c.Runner.Err;
        EXPECT_EQ(test::ReadFile(FTemp / "Docs.vklocker"), before);
        EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});
    }
    Shell help;
    EXPECT_EQ(help.Run({"rekey", "--help"}), ExitSuccess);
    EXPECT_NE(help.Out.find("VKLOCKER_NEW_PASSWORD"), std::string::npos);
}

// Ctrl-C during the re-encryption leaves the old locker; a repeat that finds
// the locker already under the new password succeeds.
TEST_F(RekeyCommandTest, CtrlCKeepsTheOldLockerAndARepeatAfterTheChangeSucceeds) {
    const std::string before = test::ReadFile(FTemp / "Docs.vklocker");
    Shell stopped("old secret");
    stopped.NewEnvironment = "new";
    stopped.CtrlC = true;
    EXPECT_EQ(stopped.Run({"rekey", P("Docs.vklocker")}), ExitFailure);
    EXPECT_EQ(test::ReadFile(FTemp / "Docs.vklocker"), before);
    EXPECT_EQ(Names(), std::set<std::string>{"Docs.vklocker"});

    Shell twice("old secret");
    twice.NewEnvironment = "new";
    ASSERT_EQ(twice.Run({"rekey", P("Docs.vklocker")}), ExitSuccess) << twice.Err;
    ASSERT_EQ(twice.Run({"rekey", P("Docs.vklocker")}), ExitSuccess) << twice.Err;
    EXPECT_NE(twice.Out.find("already opens with the new password"), std::string::npos) << twice.Out;
    EXPECT_TRUE(OpensWith("new"));
}

} // namespace
} // namespace vk::cli
