// The first run: the set-password dialog comes once the main window is on
// screen, whether or not a window manager ever activates it, and cancelling
// it ends the program without writing anything.

#include "ui/MainWindowFixture.h"

namespace vk::test {
namespace {

using Kind = ScriptedPrompts::Kind;

// A desktop without a window manager: the window is shown but never activated.
class NoActivation : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowActivate; }
};

class FirstRunTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        settings.GeneralPassword.clear();
    }
    void ShowWithoutActivation(TfrmMain& main) {
        main.installEventFilter(&noActivation);
        main.show();
        QCoreApplication::processEvents();
    }
    NoActivation noActivation;
};

TEST_F(FirstRunTest, TheDialogComesWhenTheWindowIsShownWithoutActivation) {
    prompts.NewPasswordAnswers = {QStringLiteral("first one")};
    TfrmMain& main = OpenWindow();
    ShowWithoutActivation(main);
    EXPECT_EQ(prompts.AskedOf(Kind::ChangePassword).size(), 1U);
    EXPECT_EQ(settings.GeneralPassword, "first one");
    SettingsStore reader;
    ASSERT_TRUE(reader.LoadSettings("first one"));
    EXPECT_EQ(reader.GeneralPassword, "first one");
}

// Shown and then activated by a window manager, the dialog still comes once.
TEST_F(FirstRunTest, ShowAndActivationAskOnce) {
    prompts.NewPasswordAnswers = {QStringLiteral("first one")};
    TfrmMain& main = OpenWindow();
    main.show();
    main.activateWindow();
    QCoreApplication::processEvents();
    QEvent activated(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&main, &activated);
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.AskedOf(Kind::ChangePassword).size(), 1U);
}

TEST_F(FirstRunTest, CancellingEndsTheProgramAndWritesNothing) {
    TfrmMain& main = OpenWindow();
    ShowWithoutActivation(main);
    EXPECT_EQ(prompts.AskedOf(Kind::ChangePassword).size(), 1U);
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(settings.GeneralPassword.empty());
    EXPECT_FALSE(std::filesystem::exists(settings.SettingsFilePath()));
}

} // namespace
} // namespace vk::test
