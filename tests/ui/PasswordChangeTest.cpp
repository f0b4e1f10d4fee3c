// Changing the application password: every locker is restored with the old
// password and hidden again with the new one, with the counter, Stop and the
// failure outcomes; and what the hide and restore operations do without one.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "ui/MainWindowFixture.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

const QString CrLf = QStringLiteral("\r\n");

class PasswordChangeTest : public MainWindowTest {
protected:
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
    std::string SavedPassword() const {
        SettingsStore reader;
        reader.LoadSettings();
        return reader.GeneralPassword;
    }
    std::string SettingsBytes() const { return ReadFile(settings.SettingsFilePath()); }
    QString MakeFolder(const std::string& name) {
        WriteFile(temp / name / "inner" / "deep.txt", "deep");
        WriteFile(temp / name / "top.txt", "top");
        return ToQ(temp / name);
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

TEST_F(PasswordChangeTest, EveryLockerIsRewrittenUnderTheNewPassword) {
    const QString file = MakeFile("file.txt");
    const QString visible = MakeFile("visible.txt");
    const QString folder = MakeFolder("folder");
    ListAndHide({file, visible, folder}, {file, folder});
    CountingMainWindow& main = *window;

    // The counter as it reads whenever an item's progress moves.
    QStringList counter;
    QObject::connect(main.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && (counter.isEmpty() || counter.back() != main.lblStatus->text()))
            counter << main.lblStatus->text();
    });
    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(counter, (QStringList{QStringLiteral("1/4"), QStringLiteral("2/4"), QStringLiteral("3/4"),
                                    QStringLiteral("4/4")}));
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    for (const QString& hidden : {file, folder}) {
        EXPECT_FALSE(fs::exists(hidden.toStdString())) << hidden.toStdString();
        EXPECT_TRUE(Opens(hidden, "new")) << hidden.toStdString();
        EXPECT_FALSE(Opens(hidden, "old")) << hidden.toStdString();
    }
    EXPECT_EQ(ReadFile(temp / "visible.txt"), "content");
    EXPECT_FALSE(LockerOf(visible));
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_EQ(SavedPassword(), "new");
    EXPECT_EQ(SavedPaths(),
              (std::vector<std::string>{file.toStdString(), visible.toStdString(), folder.toStdString()}));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Visible"));
    EXPECT_FALSE(main.FBusy);
    EXPECT_TRUE(main.btnChangePassword->isEnabled());

    // The program's password now restores the folder with its content.
    QString message;
    ASSERT_TRUE(main.RestorePathFromLocker(folder, message)) << message.toStdString();
    EXPECT_EQ(ReadFile(temp / "folder" / "inner" / "deep.txt"), "deep");
}

// ---- Failures and Stop in pass 1: the old password stays in force ---------

TEST_F(PasswordChangeTest, ALockerTheOldPasswordCannotOpenEndsThePassword) {
    const QString first = MakeFile("first.txt");
    const QString foreign = MakeFile("foreign.txt");
    ListAndHide({first}, {first});
    ListAndHide({foreign}, {foreign}, "other");

    ChangeTo(QStringLiteral("new"));

    const QStringList messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Password change failed.") + CrLf +
                                       QStringLiteral("Error decrypting: ") + foreign + CrLf))
        << messages[0].toStdString();
    EXPECT_EQ(prompts.AskedOf(ScriptedPrompts::Kind::Message)[0].icon, Prompts::Icon::None);
    // The path restored before the failure is readable; nothing is under the new password.
    EXPECT_EQ(ReadFile(temp / "first.txt"), "content");
    EXPECT_FALSE(LockerOf(first));
    EXPECT_TRUE(Opens(foreign, "other"));
    EXPECT_FALSE(Opens(foreign, "new"));
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_EQ(SavedPassword(), "old");
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
    EXPECT_FALSE(window->FBusy);
}

// The conflict box of a restore is the one point between items at which a
// test can press Stop: the restore itself then goes on as answered.
TEST_F(PasswordChangeTest, StopBetweenItemsOfThePassWritesNothing) {
    const QString first = MakeFile("first.txt");
    const QString second = MakeFile("second.txt");
    ListAndHide({first, second}, {first, second});
    WriteFile(temp / "first.txt", "kept"); // item and locker both exist: the conflict box
    const std::string before = SettingsBytes();
    prompts.YesNoCancelAnswers = {Prompts::Answer::No}; // keep the item, drop the locker
    prompts.OnAsk = [&](const ScriptedPrompts::Question& question) {
        if (question.kind == ScriptedPrompts::Kind::AskYesNoCancel)
            window->btnStopClick();
    };

    ChangeTo(QStringLiteral("new"));

    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_EQ(SettingsBytes(), before);
    EXPECT_EQ(window->Saves, 0);
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_EQ(ReadFile(temp / "first.txt"), "kept");
    EXPECT_FALSE(LockerOf(first));
    EXPECT_TRUE(Opens(second, "old"));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
    EXPECT_FALSE(window->FBusy);
    EXPECT_FALSE(window->FStopRequested);
}

TEST_F(PasswordChangeTest, StopDuringARestoreFailsTheChangeAndSavesTheOldPassword) {
    const QString first = MakeFile("first.txt");
    const QString second = MakeFile("second.txt");
    ListAndHide({first, second}, {first, second});
    WriteFile(temp / "second.txt", "stale"); // the conflict box comes up inside the second restore
    prompts.YesNoCancelAnswers = {Prompts::Answer::Yes};
    prompts.OnAsk = [&](const ScriptedPrompts::Question& question) {
        if (question.kind == ScriptedPrompts::Kind::AskYesNoCancel)
            window->btnStopClick();
    };

    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("Password change failed.") + CrLf + QStringLiteral("Error decrypting: ") +
                          second + CrLf + QStringLiteral("Operation cancelled by user.")});
    EXPECT_EQ(ReadFile(temp / "first.txt"), "content"); // restored before the stop, stays readable
    EXPECT_FALSE(LockerOf(first));
    EXPECT_EQ(ReadFile(temp / "second.txt"), "stale"); // the stop came before anything was replaced
    EXPECT_TRUE(Opens(second, "old"));
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_EQ(SavedPassword(), "old");
    EXPECT_FALSE(window->FBusy);
}

// A conflict answered "skip" keeps a locker under the old password; the change
// must not go on to put the new password in force.
TEST_F(PasswordChangeTest, ALockerKeptByTheConflictBoxEndsThePass) {
    const QString first = MakeFile("first.txt");
    ListAndHide({first}, {first});
    WriteFile(temp / "first.txt", "other copy");
    prompts.YesNoCancelAnswers = {Prompts::Answer::Cancel};

    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("Password change failed.") + CrLf + QStringLiteral("Error decrypting: ") +
                          first + CrLf + QStringLiteral("Locker already exists: ") + TfrmMain::GetLockerPath(first)});
    EXPECT_TRUE(Opens(first, "old"));
    EXPECT_EQ(ReadFile(temp / "first.txt"), "other copy");
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_EQ(SavedPassword(), "old");
}

// ---- Failure in pass 2: the new password stays in force -------------------

// Once pass 1 is through, no locker under the old password is left and every
// locker written since needs the new one, so the new password is kept and saved.
TEST_F(PasswordChangeTest, AFailureInTheSecondPassKeepsAndSavesTheNewPassword) {
    const QString first = MakeFile("first.txt");
    const QString moved = MakeFile("moved.txt");
    ListAndHide({first}, {first, moved});
    // A locker renamed by hand to a name no locker can store: it comes back
    // under that name, and hiding it again is refused.
    const QString renamed = ToQ(temp / "back\\slash.txt");
    platform::RenameFile(TfrmMain::GetLockerPath(moved).toStdString(), TfrmMain::GetLockerPath(renamed).toStdString());
    window->AddPath(renamed);
    window->SaveSettings();

    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("Password change failed.") + CrLf + QStringLiteral("Error encrypting: ") +
                          renamed + CrLf +
                          QStringLiteral("Cannot store the name \"back\\slash.txt\": it contains a backslash.")});
    EXPECT_TRUE(Opens(first, "new"));
    EXPECT_EQ(ReadFile(temp / "back\\slash.txt"), "content");
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_EQ(SavedPassword(), "new");
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Visible"));
    EXPECT_FALSE(window->FBusy);

    // The program's own password opens the locker written in pass 2.
    QString message;
    EXPECT_TRUE(window->RestorePathFromLocker(first, message)) << message.toStdString();
    EXPECT_EQ(ReadFile(temp / "first.txt"), "content");
}

TEST_F(PasswordChangeTest, StopDuringTheSecondPassKeepsAndSavesTheNewPassword) {
    const QString first = MakeFile("first.txt");
    const QString second = MakeFile("second.txt");
    ListAndHide({first, second}, {first, second});
    // Stop is pressed while the last locker is being written.
    QObject::connect(window->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && window->lblStatus->text() == QStringLiteral("4/4"))
            window->btnStopClick();
    });

    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("Password change failed.") + CrLf + QStringLiteral("Error encrypting: ") +
                          second + CrLf + QStringLiteral("Operation cancelled by user.")});
    EXPECT_TRUE(Opens(first, "new"));
    EXPECT_EQ(ReadFile(temp / "second.txt"), "content");
    EXPECT_FALSE(LockerOf(second));
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_EQ(SavedPassword(), "new");
    EXPECT_FALSE(window->FBusy);
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
