// The start-up sequence, the built-in style and the end of the program.

#include "ui/StartUp.h"
#include "platform/uPlatform.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/uSettings.h"
#include "support/QtTestApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/LanguageChoice.h"
#include "ui/UnitMain.h"
#include "ui/VisualStyle.h"

#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

// The version check never leaves the machine in these tests: no update is offered.
bool NoUpdateOffered(Prompts&) {
    return true;
}

TEST(StartUpTest, TheBuiltInStyleIsFusionWithTheProgramsStyleSheet) {
    QApplication& application = QtTestApp();
    ASSERT_TRUE(ApplyBuiltInStyle(application));
    // The style sheet wraps the base style, which the application owns.
    const auto* style = application.findChild<QStyle*>(QString::fromUtf8(BuiltInStyleName));
    ASSERT_NE(style, nullptr);
    EXPECT_STREQ(style->metaObject()->className(), "QFusionStyle");
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0x2f, 0x5d, 0x8a));
    EXPECT_TRUE(application.styleSheet().contains(QStringLiteral("ListViewPaths")));
}

TEST(StartUpTest, StartsWithTheStoredPathsAndClosingWritesNothing) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    WriteFile(temp / "kept.txt", "k");
    {
        SettingsStore seed;
        seed.GeneralPassword = "pw";
        seed.StoredPaths = {(temp / "kept.txt").string(), (temp / "gone.txt").string()};
        seed.WriteSettingsFile();
    }
    SettingsStore settings;
    const std::string before = ReadFile(settings.SettingsFilePath());

    ScriptedPrompts prompts;
    prompts.ApplicationPasswordAnswers = {QStringLiteral("pw")};
    QStringList rowsSeen;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* main = qobject_cast<TfrmMain*>(widget); main && main->isVisible()) {
                rowsSeen = main->ListedPaths();
                main->Exit1Click();
            }
    });
    EXPECT_EQ(RunProgram(application, settings, prompts, NoUpdateOffered), 0);

    EXPECT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::AskApplicationPassword), QStringList{QStringLiteral("pw")});
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Orvan Veilkeep"));
    // A path whose item and locker are both absent stays listed (its row reads
    // "Not found"): its drive may only be unplugged.
    EXPECT_EQ(rowsSeen, (QStringList{QString::fromStdString((temp / "kept.txt").string()),
                                     QString::fromStdString((temp / "gone.txt").string())}));
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_EQ(ReadFile(settings.SettingsFilePath()), before);
}

TEST(StartUpTest, AFirstStartWithoutSettingsLeavesNoSettingsFile) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    SettingsStore settings;
    ScriptedPrompts prompts;
    QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
    EXPECT_EQ(RunProgram(application, settings, prompts, NoUpdateOffered), 0);
    EXPECT_FALSE(fs::exists(settings.SettingsFilePath()));
}

TfrmMain* VisibleMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(widget); main && main->isVisible())
            return main;
    return nullptr;
}

// After a host rename a settings file of the version-2 layout no longer opens:
// it is moved aside (never overwritten), the user is told why and where, and
// the program starts as on a first run.
TEST(StartUpTest, OlderSettingsFromBeforeAHostRenameAreMovedAsideAndTheUserIsTold) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    SettingsStore beforeRename(ApplicationTitle, "host-before-rename", platform::UserName());
    const fs::path file = beforeRename.SettingsFilePath();
    const Bytes image = SealSettingsPayload(WriteSettingsPayload("pw", true, {(temp / "kept.txt").string()}),
                                            beforeRename.SettingsPassphrase());
    WriteFile(file, std::string(image.begin(), image.end()));
    const std::string original = ReadFile(file);

    SettingsStore settings;
    ScriptedPrompts prompts;
    prompts.NewPasswordAnswers = {QStringLiteral("fresh")};
    QTimer::singleShot(0, [&] {
        if (WaitUntil([&] { return VisibleMainWindow() != nullptr && settings.GeneralPassword == "fresh"; }))
            VisibleMainWindow()->Exit1Click();
        QApplication::closeAllWindows();
    });
    EXPECT_EQ(RunProgram(application, settings, prompts, NoUpdateOffered), 0);

    std::vector<fs::path> setAside;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().starts_with("settings.unreadable-"))
            setAside.push_back(entry.path());
    ASSERT_EQ(setAside.size(), 1u);
    EXPECT_EQ(ReadFile(setAside[0]), original);
    const QString crLf = QStringLiteral("\r\n");
    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("The settings file cannot be opened here:") + crLf +
                          QStringLiteral("Settings integrity check failed.") + crLf +
                          QStringLiteral("It may come from another computer or user name, or it is damaged. It was "
                                         "moved to:") +
                          crLf + QString::fromStdString(setAside[0].string()) + crLf +
                          QStringLiteral("The program starts as on its first run. Lockers made before open with "
                                         "their own password through Import Locker.")});
    EXPECT_EQ(prompts.AskedOf(ScriptedPrompts::Kind::Message)[0].icon, Prompts::Icon::Warning);
    EXPECT_TRUE(prompts.AskedOf(ScriptedPrompts::Kind::AskApplicationPassword).empty());
    // The first save made a new file beside the one set aside.
    SettingsStore reader;
    ASSERT_TRUE(reader.LoadSettings("fresh"));
    EXPECT_EQ(reader.GeneralPassword, "fresh");
    EXPECT_TRUE(reader.StoredPaths.empty());
}

std::vector<fs::path> FilesSetAside(const fs::path& folder) {
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("settings.unreadable-"))
            aside.push_back(entry.path());
    return aside;
}

const QString CrLf = QStringLiteral("\r\n");
const QString MigrationNotice =
    QStringLiteral("The settings file is now protected by the application password.") + CrLf +
    QStringLiteral("Copies of the settings folder made before (backups, synchronised folders) can still reveal the old "
                   "password to anyone who has them. Change the password now?");

// A golden version-2 file: the exact password opens it (another letter case
// does not), that start replaces it by the layout keyed by the password, the
// user is told once and may take up the password change.
TEST(StartUpTest, AVersion2FileOpensWithItsExactPasswordAndIsReplacedAtThatStart) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    SettingsStore settings(ApplicationTitle, "golden-host", "golden-user");
    const fs::path file = settings.SettingsFilePath();
    fs::copy_file(fs::path(VEILKEEP_TEST_DATA) / "settings" / "current-v2.dt", file);
    const std::string original = ReadFile(file);
    {
        ScriptedPrompts prompts;
        prompts.ApplicationPasswordAnswers = {QStringLiteral("grüne tür 7")};
        EXPECT_EQ(StartUpToMainWindow(application, settings, prompts, NoUpdateOffered), nullptr);
        EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Invalid password.")});
        EXPECT_EQ(ReadFile(file), original);
    }
    for (const bool changeNow : {false, true}) {
        SCOPED_TRACE(changeNow);
        fs::remove(file);
        fs::copy_file(fs::path(VEILKEEP_TEST_DATA) / "settings" / "current-v2.dt", file);
        SettingsStore store(ApplicationTitle, "golden-host", "golden-user");
        ScriptedPrompts prompts;
        prompts.ApplicationPasswordAnswers = {QStringLiteral("Grüne Tür 7")};
        prompts.OkCancelAnswers = {changeNow};
        prompts.NewPasswordAnswers = {QStringLiteral("Neu-1")};
        const std::unique_ptr<TfrmMain> window = StartUpToMainWindow(application, store, prompts, NoUpdateOffered);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::ConfirmOkCancel), QStringList{MigrationNotice});
        // Replaced before the window came: keyed by the password, the names read nothing.
        SettingsStore byNames(ApplicationTitle, "golden-host", "golden-user");
        ASSERT_TRUE(byNames.LoadSettings());
        EXPECT_FALSE(byNames.ReadFromOlderLayout());
        EXPECT_FALSE(byNames.OpenWithPassword(byNames.SettingsPassphrase()));
        EXPECT_EQ(ReadFile(file).find("Grüne Tür 7"), std::string::npos);
        EXPECT_TRUE(FilesSetAside(file.parent_path()).empty());

        QCoreApplication::processEvents(); // the accepted offer runs the change
        EXPECT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::ChangePassword),
                  changeNow ? QStringList{QStringLiteral("Grüne Tür 7")} : QStringList());
        SettingsStore reader(ApplicationTitle, "golden-host", "golden-user");
        EXPECT_TRUE(reader.LoadSettings(changeNow ? "Neu-1" : "Grüne Tür 7"));
        EXPECT_FALSE(reader.AwaitsPassword());
    }
}

// A wrong password leaves the file as it was; the way out of a forgotten
// password keeps it under a dated name and starts as on a first run.
TEST(StartUpTest, AWrongPasswordLeavesTheFileAndAForgottenOneSetsItAsideOnlyWhenConfirmed) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    {
        SettingsStore seed;
        seed.GeneralPassword = "Hunter2";
        seed.StoredPaths = {(temp / "kept.txt").string()};
        seed.WriteSettingsFile();
    }
    SettingsStore settings;
    const fs::path file = settings.SettingsFilePath();
    const std::string original = ReadFile(file);
    {
        ScriptedPrompts prompts;
        prompts.ApplicationPasswordAnswers = {QStringLiteral("hUNTER2")};
        EXPECT_EQ(StartUpToMainWindow(application, settings, prompts, NoUpdateOffered), nullptr);
        EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Invalid password.")});
    }
    {
        // Thought better of: the prompt comes again, and cancelling it ends the program.
        ScriptedPrompts prompts;
        prompts.ApplicationPasswordAnswers = {ScriptedPrompts::ForgottenPassword(), std::nullopt};
        prompts.OkCancelAnswers = {false};
        EXPECT_EQ(StartUpToMainWindow(application, settings, prompts, NoUpdateOffered), nullptr);
        EXPECT_EQ(prompts.AskedOf(ScriptedPrompts::Kind::AskApplicationPassword).size(), 2u);
    }
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_TRUE(FilesSetAside(file.parent_path()).empty());

    ScriptedPrompts prompts;
    prompts.ApplicationPasswordAnswers = {ScriptedPrompts::ForgottenPassword()};
    prompts.OkCancelAnswers = {true};
    const std::unique_ptr<TfrmMain> window = StartUpToMainWindow(application, settings, prompts, NoUpdateOffered);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(settings.GeneralPassword.empty());
    EXPECT_TRUE(window->ListedPaths().isEmpty());
    EXPECT_FALSE(fs::exists(file));
    const std::vector<fs::path> aside = FilesSetAside(file.parent_path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside[0]), original);
    EXPECT_EQ(prompts.TextsOf(ScriptedPrompts::Kind::ConfirmOkCancel),
              QStringList{QStringLiteral("Start afresh without the forgotten password?") + CrLf +
                          QStringLiteral("The settings file is kept under a new name and the list starts empty. "
                                         "Lockers made before open through Import Locker with their recovery codes.")});
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("The settings file was moved to:") + CrLf +
                                              QString::fromStdString(aside[0].string())});
}

// A second start while the program runs brings the running window forward
// and ends at once: it asks nothing and reads no settings.
TEST(StartUpTest, ASecondStartBringsTheRunningWindowForwardAndEnds) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    {
        SettingsStore seed;
        seed.GeneralPassword = "pw";
        seed.WriteSettingsFile();
    }
    SettingsStore settings;
    ScriptedPrompts prompts;
    prompts.ApplicationPasswordAnswers = {QStringLiteral("pw")};
    int secondExit = -1;
    bool broughtForward = false;
    ScriptedPrompts secondPrompts;
    QTimer::singleShot(0, [&] {
        if (WaitUntil([] { return VisibleMainWindow() != nullptr; })) {
            VisibleMainWindow()->showMinimized();
            SettingsStore secondSettings;
            secondExit = RunProgram(application, secondSettings, secondPrompts, NoUpdateOffered);
            broughtForward = WaitUntil([] { return !VisibleMainWindow()->isMinimized(); });
        }
        QApplication::closeAllWindows();
    });
    EXPECT_EQ(RunProgram(application, settings, prompts, NoUpdateOffered), 0);

    EXPECT_EQ(secondExit, 0);
    EXPECT_TRUE(broughtForward);
    EXPECT_TRUE(secondPrompts.Asked.empty());
    EXPECT_EQ(prompts.AskedOf(ScriptedPrompts::Kind::AskApplicationPassword).size(), 1u);
}

TEST(StartUpTest, TheLanguageChoiceIsKeptUnderTheApplicationTitle) {
    TempFolder temp;
    QtTestApp();
    // Qt fixes the user settings folder at its first use; point it here.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString((temp / "home" / ".config").string()));
    EXPECT_FALSE(ReadLanguageChoice().has_value());
    WriteLanguageChoice(QStringLiteral("de"));
    EXPECT_EQ(ReadLanguageChoice(), QStringLiteral("de"));
    EXPECT_TRUE(fs::exists(temp / "home" / ".config" / "Orvan Veilkeep.conf"));
}

} // namespace
} // namespace vk::test
