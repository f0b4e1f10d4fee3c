// The start-up sequence, the built-in style and the end of the program.

#include "ui/StartUp.h"
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
