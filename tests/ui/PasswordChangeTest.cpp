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

} // namespace
} // namespace vk::test
