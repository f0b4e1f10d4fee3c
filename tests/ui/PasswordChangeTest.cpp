// Changing the application password: every locker is restored with the old
// password and hidden again with the new one, with the counter, Stop and the
// failure outcomes; and what the hide and restore operations do without one.

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
    EXPECT_TRUE(messages[0].endsWith(CrLf + QStringLiteral("The old password is still in force.")));
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
                          second + CrLf + QStringLiteral("Operation cancelled by user.") + CrLf +
                          QStringLiteral("The old password is still in force.")});
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
                          first + CrLf + QStringLiteral("Locker already exists: ") + TfrmMain::GetLockerPath(first) +
                          CrLf + QStringLiteral("The old password is still in force.")});
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
                          QStringLiteral("Cannot store the name \"back\\slash.txt\": it contains a backslash.") + CrLf +
                          QStringLiteral("The new password is in force.")});
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
                          second + CrLf + QStringLiteral("Operation cancelled by user.") + CrLf +
                          QStringLiteral("The new password is in force.")});
    EXPECT_TRUE(Opens(first, "new"));
    EXPECT_EQ(ReadFile(temp / "second.txt"), "content");
    EXPECT_FALSE(LockerOf(second));
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_EQ(SavedPassword(), "new");
    EXPECT_FALSE(window->FBusy);
}

// ---- The settings file and the lockers agree at every instant -------------

// At the start of every item (an instant a crash may hit) a restart finds each
// path readable or in a locker that the saved password opens; the new password
// reaches the file after the last restore and before the first hide.
TEST_F(PasswordChangeTest, ARestartAtAnyItemFindsEveryPathUnderTheSavedPassword) {
    ObservedMainWindow& main = OpenObservedWindow();
    const QString first = MakeFile("first.txt");
    const QString folder = MakeFolder("folder");
    const QString last = MakeFile("last.txt");
    ListAndHide({first, folder, last}, {first, folder, last});
    const std::map<QString, std::pair<fs::path, std::string>> content = {
        {first, {"", "content"}}, {folder, {fs::path("inner") / "deep.txt", "deep"}}, {last, {"", "content"}}};

    // Both passes take the rows in order.
    const QStringList order = {first, folder, last};
    std::vector<std::string> savedAtItem;
    main.AtItemStart = [&] {
        SCOPED_TRACE(main.lblStatus->text().toStdString());
        savedAtItem.push_back(SavedPassword());
        const QString underWork = order[(main.FCurrentItemIndex - 1) % order.size()];
        for (const std::string& state : AfterARestart(content, underWork))
            EXPECT_TRUE(state == "readable" || state == "opens" || state == "under work") << state;
    };
    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(savedAtItem, (std::vector<std::string>{"old", "old", "old", "new", "new", "new"}));
    EXPECT_EQ(AfterARestart(content), (std::vector<std::string>(3, "opens")));
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
}

// The new password cannot be saved once pass 1 is through: nothing is written
// under it, the old one stays in force, and every path is readable.
TEST_F(PasswordChangeTest, ANewPasswordThatCannotBeSavedIsNeverUsed) {
    ObservedMainWindow& main = OpenObservedWindow();
    const QString first = MakeFile("first.txt");
    const QString second = MakeFile("second.txt");
    ListAndHide({first, second}, {first, second});
    main.AtNextSave = [&] {
        platform::faults::FailWriteAfter(0);
        ScopeExit clear([] { platform::faults::Clear(); });
        main.CountingMainWindow::SaveSettings();
    };

    ChangeTo(QStringLiteral("new"));

    const QStringList messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Password change failed.") + CrLf)) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].endsWith(CrLf + QStringLiteral("The old password is still in force.")))
        << messages[0].toStdString();
    EXPECT_EQ(settings.GeneralPassword, "old");
    EXPECT_EQ(SavedPassword(), "old");
    for (const char* name : {"first.txt", "second.txt"}) {
        EXPECT_EQ(ReadFile(temp / name), "content") << name;
        EXPECT_FALSE(LockerOf(ToQ(temp / name))) << name;
    }
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
}

// Stop pressed while the new password is being saved is seen before the first
// hide: every path stays readable, and the message says the new password is
// the one in force (the user may expect the old one after a Stop).
TEST_F(PasswordChangeTest, AStopBeforeTheFirstHideSaysTheNewPasswordIsInForce) {
    ObservedMainWindow& main = OpenObservedWindow();
    const QString first = MakeFile("first.txt");
    const QString second = MakeFile("second.txt");
    ListAndHide({first, second}, {first, second});
    main.AtNextSave = [&] {
        main.CountingMainWindow::SaveSettings();
        main.btnStopClick();
    };

    ChangeTo(QStringLiteral("new"));

    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Password change stopped.") + CrLf +
                                              QStringLiteral("The new password is in force.")});
    EXPECT_EQ(settings.GeneralPassword, "new");
    EXPECT_EQ(SavedPassword(), "new");
    for (const char* name : {"first.txt", "second.txt"}) {
        EXPECT_EQ(ReadFile(temp / name), "content") << name;
        EXPECT_FALSE(LockerOf(ToQ(temp / name))) << name;
    }
    EXPECT_FALSE(main.FBusy);
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

// A hidden path inside a hidden folder comes back with the folder in pass 1;
// it is restored with the old password too and hidden again before the
// folder, so the new password opens every level.
TEST_F(PasswordChangeTest, HiddenPathsInsideHiddenFoldersAreRewrittenToo) {
    const fs::path outer = temp / "outer";
    WriteFile(outer / "middle" / "inner.txt", "inner");
    WriteFile(outer / "middle" / "beside.txt", "beside");
    WriteFile(outer / "top.txt", "top");
    const QString outerPath = ToQ(outer);
    const QString middlePath = ToQ(outer / "middle");
    const QString innerPath = ToQ(outer / "middle" / "inner.txt");
    // Listed outermost first; hidden innermost first, each into the next.
    ListAndHide({outerPath, middlePath, innerPath}, {innerPath, middlePath, outerPath});
    ASSERT_FALSE(LockerOf(middlePath)); // inside the outer locker

    QStringList counter;
    QObject::connect(window->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && (counter.isEmpty() || counter.back() != window->lblStatus->text()))
            counter << window->lblStatus->text();
    });
    ChangeTo(QStringLiteral("new"));

    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    // Each level is found when the one around it comes back.
    EXPECT_EQ(counter, (QStringList{QStringLiteral("1/2"), QStringLiteral("2/4"), QStringLiteral("3/6"),
                                    QStringLiteral("4/6"), QStringLiteral("5/6"), QStringLiteral("6/6")}));
    EXPECT_EQ(SavedPassword(), "new");
    EXPECT_FALSE(fs::exists(outer));
    for (const QString& level : {outerPath, middlePath, innerPath}) {
        SCOPED_TRACE(level.toStdString());
        EXPECT_TRUE(Opens(level, "new"));
        QString message;
        ASSERT_TRUE(window->RestorePathFromLocker(level, message)) << message.toStdString();
    }
    EXPECT_EQ(ReadFile(outer / "middle" / "inner.txt"), "inner");
    EXPECT_EQ(ReadFile(outer / "middle" / "beside.txt"), "beside");
    EXPECT_EQ(ReadFile(outer / "top.txt"), "top");
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
