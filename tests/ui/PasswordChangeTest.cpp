// Changing the application password: every locker is written anew under the
// new password, locker to locker, with the counter, Stop, the failure
// outcomes and the change finished later; and what the hide and restore
// operations do without a password.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "ui/MainWindowFixture.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <map>
#include <utility>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

const QString CrLf = QStringLiteral("\r\n");

// Runs a step at the first progress report of each item of a run: the item
// has started, and nothing of it is on the disk under a final name yet. A
// kill at that instant leaves the disk exactly as the step finds it.
class ObservedMainWindow : public CountingMainWindow {
public:
    using CountingMainWindow::CountingMainWindow;
    std::function<void()> AtItemStart;
    // Runs instead of the first settings save when set (then cleared).
    std::function<void()> AtNextSave;

    void LockerProgress(const std::string& path, std::int64_t done, std::int64_t total) override {
        if (FCurrentItemIndex != FLastItem) {
            FLastItem = FCurrentItemIndex;
            if (AtItemStart)
                AtItemStart();
        }
        CountingMainWindow::LockerProgress(path, done, total);
    }
    void SaveSettings() override {
        if (AtNextSave) {
            const std::function<void()> step = std::exchange(AtNextSave, nullptr);
            step();
            return;
        }
        CountingMainWindow::SaveSettings();
    }

private:
    int FLastItem = -1;
};

class PasswordChangeTest : public MainWindowTest {
protected:
    ObservedMainWindow& OpenObservedWindow() {
        auto observed = std::make_unique<ObservedMainWindow>(settings, prompts);
        ObservedMainWindow& result = *observed;
        window = std::move(observed);
        return result;
    }
    // Lists the paths and hides those named in hide with password; the
    // settings file then holds "old" and the list.
    void ListAndHide(const QStringList& paths, const QStringList& hide, const std::string& password = "old") {
        CountingMainWindow& main = window ? *window : OpenWindow();
        for (const QString& path : paths)
            main.AddPath(path);
        settings.GeneralPassword = password;
        for (const QString& path : hide) {
            QString message;
            ASSERT_TRUE(main.HidePathIntoLocker(path, message)) << message.toStdString();
        }
        settings.GeneralPassword = "old";
        main.RefreshAllStatuses();
        main.SaveSettings();
        main.Saves = 0;
        main.Refreshes = 0;
        main.FNewRecoveryCodes.clear(); // the hides' codes; a change's come after
    }
    // Answers the set-password dialog with text and runs the change.
    void ChangeTo(const QString& text) {
        prompts.NewPasswordAnswers.push_back(text);
        window->btnChangePasswordClick();
    }
    static bool Opens(const QString& path, const std::string& password) {
        std::string reason;
        return VerifyLocker(TfrmMain::GetLockerPath(path).toStdString(), password, reason);
    }
    static bool LockerOf(const QString& path) { return fs::exists(TfrmMain::GetLockerPath(path).toStdString()); }
    // The password among those these tests use that opens the settings file.
    std::string SavedPassword() const {
        for (const std::string& candidate :
             {settings.GeneralPassword, std::string("old"), std::string("new"), std::string("OLD")}) {
            SettingsStore reader;
            if (reader.LoadSettings(candidate) && reader.GeneralPassword == candidate)
                return candidate;
        }
        return {};
    }
    std::string SettingsBytes() const { return ReadFile(settings.SettingsFilePath()); }
    QString MakeFolder(const std::string& name) {
        WriteFile(temp / name / "inner" / "deep.txt", "deep");
        WriteFile(temp / name / "top.txt", "top");
        return ToQ(temp / name);
    }
    // What a restart would find for each path: "readable" (the item with its
    // content), "opens" (a locker that opens with the saved password) or what
    // is wrong. content maps each path to a file in it (or itself) and its
    // text. The path under work, if any, is left to the hide and restore tests.
    std::vector<std::string> AfterARestart(const std::map<QString, std::pair<fs::path, std::string>>& content,
                                           const QString& underWork = {}) const {
        const std::string saved = SavedPassword();
        std::vector<std::string> found;
        for (const auto& [path, expected] : content) {
            const fs::path file = expected.first.empty() ? ToPath(path) : ToPath(path) / expected.first;
            if (path == underWork)
                found.push_back("under work");
            else if (fs::exists(path.toStdString()))
                found.push_back(fs::exists(file) && ReadFile(file) == expected.second ? "readable" : "partial");
            else if (!LockerOf(path))
                found.push_back("neither");
            else
                found.push_back(Opens(path, saved) ? "opens" : "needs another password");
        }
        return found;
    }
};

// ---- Outcomes that touch no locker ---------------------------------------

TEST_F(PasswordChangeTest, DialogOutcomesWithoutLockers) {
    struct Case {
        const char* name;
        std::string stored;            // GeneralPassword before
        std::optional<QString> dialog; // nothing: cancelled
        std::string after;             // GeneralPassword after
        bool written;                  // settings file written
    };
    const Case cases[] = {
        {"first run cancelled", "", std::nullopt, "", false},
        {"first password set", "", QStringLiteral("first"), "first", true},
        {"cancelled with a password set", "old", std::nullopt, "old", true},
        {"same password confirmed", "old", QStringLiteral("old"), "old", true},
        {"letter case counts as a new password", "old", QStringLiteral("OLD"), "OLD", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(settings.SettingsFilePath());
        CountingMainWindow& main = OpenWindow();
        main.AddPath(MakeFile("visible.txt"));
        settings.GeneralPassword = c.stored;
        prompts.Asked.clear();
        prompts.NewPasswordAnswers = {c.dialog};
        main.btnChangePasswordClick();

        // The dialog opens with both entries holding the current password.
        ASSERT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::ChangePassword),
                  QStringList{QString::fromStdString(c.stored)});
        EXPECT_EQ(settings.GeneralPassword, c.after);
        EXPECT_EQ(fs::exists(settings.SettingsFilePath()), c.written);
        if (c.written) {
            EXPECT_EQ(SavedPassword(), c.after);
            EXPECT_EQ(SavedPaths(), std::vector<std::string>{(temp / "visible.txt").string()});
        }
        EXPECT_TRUE(prompts.Messages().isEmpty());
        EXPECT_EQ(ReadFile(temp / "visible.txt"), "content");
        EXPECT_FALSE(LockerOf(ToQ(temp / "visible.txt")));
    }
}

// ---- A complete change -----------------------------------------------------

// Every hidden path's locker is written anew locker to locker: at the start of
// each item (an instant a crash may hit) no hidden path is readable, nothing
// but the lockers and the visible item lies in the folder besides the one
// private file being written, and every locker opens with a saved password.
TEST_F(PasswordChangeTest, EveryLockerIsRewrittenUnderTheNewPasswordWithoutLayingAnItemOpen) {
    const QString file = MakeFile("file.txt");
    const QString visible = MakeFile("visible.txt");
    const QString folder = MakeFolder("folder");
    ObservedMainWindow& main = OpenObservedWindow();
    ListAndHide({file, visible, folder}, {file, folder});

    QStringList counter;
    QObject::connect(main.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && (counter.isEmpty() || counter.back() != main.lblStatus->text()))
            counter << main.lblStatus->text();
    });
    int starts = 0;
    main.AtItemStart = [&] {
        ++starts;
        EXPECT_FALSE(fs::exists(file.toStdString()));
        EXPECT_FALSE(fs::exists(folder.toStdString()));
        EXPECT_EQ(settings.GeneralPassword, "new");
        EXPECT_TRUE(settings.PasswordChangeInProgress);
        EXPECT_EQ(settings.PreviousPasswords, std::vector<std::string>{"old"});
        for (const QString& hidden : {file, folder})
            EXPECT_TRUE(Opens(hidden, "old") || Opens(hidden, "new")) << hidden.toStdString();
    };
    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(starts, 2);
    EXPECT_EQ(counter, (QStringList{QStringLiteral("1/2"), QStringLiteral("2/2")}));
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    for (const QString& hidden : {file, folder}) {
        EXPECT_FALSE(fs::exists(hidden.toStdString())) << hidden.toStdString();
        EXPECT_TRUE(Opens(hidden, "new")) << hidden.toStdString();
        EXPECT_FALSE(Opens(hidden, "old")) << hidden.toStdString();
    }
    EXPECT_EQ(ReadFile(temp / "visible.txt"), "content");
    EXPECT_FALSE(LockerOf(visible));
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_FALSE(settings.PasswordChangeInProgress);
    EXPECT_TRUE(settings.PreviousPasswords.empty());
    EXPECT_EQ(SavedPaths(),
              (std::vector<std::string>{file.toStdString(), visible.toStdString(), folder.toStdString()}));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Visible"));
    EXPECT_FALSE(main.FBusy);
    // Both lockers' new codes go to the recovery-sheet offer.
    ASSERT_EQ(main.FNewRecoveryCodes.size(), 2u);
    EXPECT_EQ(main.FNewRecoveryCodes[0].ItemPath, file);

    // The program's password now restores the folder with its content.
    main.AtItemStart = nullptr;
    QString message;
    ASSERT_TRUE(main.RestorePathFromLocker(folder, message)) << message.toStdString();
    EXPECT_EQ(ReadFile(temp / "folder" / "inner" / "deep.txt"), "deep");
}

// ---- Stop, failures, and the change finished later -------------------------

// Stop during the second locker: the first opens with the new password, the
// second still with the old one, the record of the change stays, and the
// next start finishes it.
TEST_F(PasswordChangeTest, AStoppedChangeIsFinishedLater) {
    const QString first = MakeFile("first.txt");
    const QString second = MakeFolder("second");
    ObservedMainWindow& main = OpenObservedWindow();
    ListAndHide({first, second}, {first, second});
    main.AtItemStart = [&] {
        if (main.FCurrentItemIndex == 2)
            main.FStopRequested = true;
    };
    ChangeTo(QStringLiteral("new"));

    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages()[0].startsWith(QStringLiteral("Password change stopped.") + CrLf +
                                                 QStringLiteral("The new password is in force.")))
        << prompts.Messages()[0].toStdString();
    EXPECT_TRUE(Opens(first, "new"));
    EXPECT_TRUE(Opens(second, "old"));
    EXPECT_FALSE(fs::exists(second.toStdString()));
    EXPECT_TRUE(settings.PasswordChangeInProgress);
    EXPECT_EQ(settings.PreviousPasswords, std::vector<std::string>{"old"});
    EXPECT_EQ(SavedPassword(), "new");

    main.AtItemStart = nullptr;
    prompts.Asked.clear();
    main.FinishInterruptedPasswordChange();
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(Opens(first, "new"));
    EXPECT_TRUE(Opens(second, "new"));
    EXPECT_FALSE(settings.PasswordChangeInProgress);
    EXPECT_TRUE(settings.PreviousPasswords.empty());
}

// A locker the old password cannot open is reported and left as it is; the
// others are written anew, and the earlier password is kept for it.
TEST_F(PasswordChangeTest, ALockerTheOldPasswordCannotOpenIsReportedAndTheRestChange) {
    const QString foreign = MakeFile("foreign.txt");
    const QString mine = MakeFile("mine.txt");
    ListAndHide({foreign, mine}, {mine});
    ListAndHide({}, {foreign}, "someone else's");
    ChangeTo(QStringLiteral("new"));

    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_EQ(prompts.Messages()[0], QStringLiteral("Password change failed.") + CrLf + foreign +
                                         QStringLiteral(": Invalid password or recovery code.") + CrLf +
                                         QStringLiteral("The new password is in force."));
    EXPECT_TRUE(Opens(mine, "new"));
    EXPECT_TRUE(Opens(foreign, "someone else's"));
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_FALSE(settings.PasswordChangeInProgress);
    EXPECT_EQ(settings.PreviousPasswords, std::vector<std::string>{"old"});
}

// A hidden path inside a hidden folder is out of the change's reach: the old
// password is kept, and restoring it once the folder is back writes it anew
// under the new password first.
TEST_F(PasswordChangeTest, AHiddenPathInsideAHiddenFolderOpensAfterTheChange) {
    const fs::path outer = temp / "outer";
    WriteFile(outer / "inner.txt", "inner");
    WriteFile(outer / "top.txt", "top");
    const QString outerPath = ToQ(outer);
    const QString innerPath = ToQ(outer / "inner.txt");
    ListAndHide({outerPath, innerPath}, {innerPath, outerPath});
    ASSERT_FALSE(LockerOf(innerPath)); // inside the outer locker
    ChangeTo(QStringLiteral("new"));

    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(Opens(outerPath, "new"));
    EXPECT_FALSE(settings.PasswordChangeInProgress);
    EXPECT_EQ(settings.PreviousPasswords, std::vector<std::string>{"old"});
    for (const QString& level : {outerPath, innerPath}) {
        SCOPED_TRACE(level.toStdString());
        QString message;
        ASSERT_TRUE(window->RestorePathFromLocker(level, message)) << message.toStdString();
    }
    EXPECT_EQ(ReadFile(outer / "inner.txt"), "inner");
    EXPECT_EQ(ReadFile(outer / "top.txt"), "top");
}

// A settings file that cannot take the new password leaves every locker
// under the old one.
TEST_F(PasswordChangeTest, ANewPasswordThatCannotBeSavedIsNeverUsed) {
    const QString file = MakeFile("file.txt");
    ListAndHide({file}, {file});
    const std::string before = SettingsBytes();
    platform::faults::FailAt(platform::faults::Op::Rename, 1);
    ScopeExit clear([] { platform::faults::Clear(); });
    ChangeTo(QStringLiteral("new"));

    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages()[0].endsWith(CrLf + QStringLiteral("The old password is still in force.")));
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_FALSE(settings.PasswordChangeInProgress);
    EXPECT_TRUE(Opens(file, "old"));
    EXPECT_EQ(SettingsBytes(), before);
}

// A first password, or a new one without lockers, that cannot be saved is not
// kept: on a first run no password is set, so the program ends.
TEST_F(PasswordChangeTest, APasswordThatCannotBeSavedIsNotKept) {
    struct Case {
        const char* name;
        std::string stored;
        QString lastLine;
    };
    const Case cases[] = {
        {"first run", "", QStringLiteral("No password is set; the program ends.")},
        {"no locker on disk", "old", QStringLiteral("The old password is still in force.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(settings.SettingsFilePath());
        CountingMainWindow& main = OpenWindow();
        settings.GeneralPassword = c.stored;
        prompts.Asked.clear();
        prompts.NewPasswordAnswers = {QStringLiteral("new")};
        platform::faults::FailAt(platform::faults::Op::Rename, 1);
        ScopeExit clear([] { platform::faults::Clear(); });
        main.show();
        if (c.stored.empty())
            main.FormActivate();
        else
            main.btnChangePasswordClick();

        EXPECT_EQ(settings.GeneralPassword, c.stored);
        EXPECT_FALSE(fs::exists(settings.SettingsFilePath()));
        const QStringList messages = prompts.Messages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Password change failed.") + CrLf))
            << messages[0].toStdString();
        EXPECT_TRUE(messages[0].endsWith(CrLf + c.lastLine)) << messages[0].toStdString();
        // A first run ends as when the dialog is cancelled: the window closes.
        EXPECT_EQ(main.isVisible(), !c.stored.empty());
    }
}

// ---- No password: hide and restore refuse before touching the disk --------

TEST_F(PasswordChangeTest, HideAndRestoreRefuseWithoutAPassword) {
    const QString visible = MakeFile("visible.txt");
    const QString hidden = MakeFile("hidden.txt");
    ListAndHide({visible, hidden}, {hidden});
    settings.GeneralPassword.clear();

    QString message;
    EXPECT_FALSE(window->HidePathIntoLocker(visible, message));
    EXPECT_EQ(message, QStringLiteral("General password is not set."));
    message.clear();
    EXPECT_FALSE(window->RestorePathFromLocker(hidden, message));
    EXPECT_EQ(message, QStringLiteral("General password is not set."));

    EXPECT_EQ(ReadFile(temp / "visible.txt"), "content");
    EXPECT_FALSE(LockerOf(visible));
    EXPECT_FALSE(fs::exists(temp / "hidden.txt"));
    EXPECT_TRUE(Opens(hidden, "old"));
}

} // namespace
} // namespace vk::test
