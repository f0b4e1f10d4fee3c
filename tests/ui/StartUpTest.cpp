// The start-up sequence, the built-in style and the end of the program.

#include "ui/StartUp.h"
#include "platform/uPlatform.h"
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
    prompts.ApplicationPasswordAnswers = {true};
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
    EXPECT_EQ(rowsSeen, QStringList{QString::fromStdString((temp / "kept.txt").string())});
    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Path does not exist:\n") +
                                              QString::fromStdString((temp / "gone.txt").string())});
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

// After a host rename the settings file no longer opens: it is moved aside
// (never overwritten), the user is told why and where, and the program starts
// as on a first run.
TEST(StartUpTest, SettingsFromBeforeAHostRenameAreMovedAsideAndTheUserIsTold) {
    TempFolder temp;
    QApplication& application = QtTestApp();
    SettingsStore beforeRename(ApplicationTitle, "host-before-rename", platform::UserName());
    beforeRename.GeneralPassword = "pw";
    beforeRename.StoredPaths = {(temp / "kept.txt").string()};
    beforeRename.WriteSettingsFile();
    const fs::path file = beforeRename.SettingsFilePath();
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
    ASSERT_TRUE(reader.LoadSettings());
    EXPECT_EQ(reader.GeneralPassword, "fresh");
    EXPECT_TRUE(reader.StoredPaths.empty());
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
    prompts.ApplicationPasswordAnswers = {true};
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
