// The application password at start-up, run end to end on the offscreen
// platform with the real password dialogs: the first run sets the password in
// front of the main window, every later start asks for it once.

#include "settings/uSettings.h"
#include "support/QtTestApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/StartUp.h"
#include "ui/UnitMain.h"
#include "ui/UnitPassword.h"
#include "ui/uPasswordSet.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

// Scripted prompts whose two password dialogs are the real ones; their
// message boxes are recorded like every other.
class RealPasswordDialogs : public ScriptedPrompts {
public:
    PasswordOutcome AskApplicationPassword(const PasswordCheck& opens) override {
        return TfrmPassword::Execute(opens, *this);
    }
    void ChangePassword(const QString& currentPassword, QString& newPassword) override {
        ++SetPasswordShowings;
        if (!FPasswordSet)
            FPasswordSet = std::make_unique<TfrmPasswordSet>(*this);
        FPasswordSet->ChangePassword(currentPassword, newPassword);
    }

    int SetPasswordShowings = 0;

private:
    std::unique_ptr<TfrmPasswordSet> FPasswordSet;
};

// Polls the event loop until condition holds, then runs action once. After
// ten seconds it gives up and closes every window, so a failing test ends.
void When(std::function<bool()> condition, std::function<void()> action) {
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        const bool ready = condition();
        if (!ready && started->elapsed() < 10000)
            return;
        timer->stop();
        timer->deleteLater();
        if (ready) {
            action();
            return;
        }
        ADD_FAILURE() << "the awaited state never came";
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QApplication::closeAllWindows();
    });
    timer->start(10);
}

template <typename Dialog> Dialog* ShownDialog() {
    return qobject_cast<Dialog*>(QApplication::activeModalWidget());
}

TfrmMain* VisibleMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TfrmMain*>(widget); main && main->isVisible())
            return main;
    return nullptr;
}

// Counts the showings of the main window.
class MainWindowShowings : public QObject {
public:
    MainWindowShowings() { QApplication::instance()->installEventFilter(this); }
    ~MainWindowShowings() override { QApplication::instance()->removeEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<TfrmMain*>(watched) != nullptr)
            ++Count;
        return false;
    }
};

class ApplicationPasswordStartUpTest : public ::testing::Test {
protected:
    void SetUp() override { QtTestApp(); }

    // One start of the program; steps drive it while it runs.
    int Start(RealPasswordDialogs& prompts) {
        SettingsStore settings;
        return RunProgram(QtTestApp(), settings, prompts);
    }
    fs::path SettingsFile() const { return SettingsStore().SettingsFilePath(); }

    TempFolder temp;
};

TEST_F(ApplicationPasswordStartUpTest, FirstRunCancelledEndsTheProgramAndLeavesNoSettingsFile) {
    RealPasswordDialogs prompts;
    bool mainWindowBehind = false;
    When([] { return ShownDialog<TfrmPasswordSet>() != nullptr; },
         [&] {
             mainWindowBehind = VisibleMainWindow() != nullptr;
             ShownDialog<TfrmPasswordSet>()->CancelButton()->click();
         });
    EXPECT_EQ(Start(prompts), 0);

    EXPECT_TRUE(mainWindowBehind);
    EXPECT_EQ(prompts.SetPasswordShowings, 1);
    EXPECT_EQ(VisibleMainWindow(), nullptr);
    EXPECT_FALSE(fs::exists(SettingsFile()));
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_TRUE(prompts.AskedOf(ScriptedPrompts::Kind::AskApplicationPassword).empty());
}

TEST_F(ApplicationPasswordStartUpTest, FirstRunSetsThePasswordAndTheNextStartAsksForIt) {
    {
        RealPasswordDialogs prompts;
        When([] { return ShownDialog<TfrmPasswordSet>() != nullptr; },
             [] {
                 TfrmPasswordSet& dialog = *ShownDialog<TfrmPasswordSet>();
                 EXPECT_TRUE(dialog.PasswordEntry()->text().isEmpty());
                 TypeText(dialog.PasswordEntry(), QStringLiteral("  Secret9 "));
                 TypeText(dialog.ConfirmEntry(), QStringLiteral("Secret9"));
                 dialog.OkButton()->click();
             });
        // Once the dialog has gone the main window stays; File, Exit ends the run.
        When(
            [this] {
                return ShownDialog<QDialog>() == nullptr && VisibleMainWindow() != nullptr &&
                       fs::exists(SettingsFile());
            },
            [] { VisibleMainWindow()->Exit1Click(); });
        EXPECT_EQ(Start(prompts), 0);
        EXPECT_TRUE(prompts.Messages().isEmpty());
        EXPECT_EQ(prompts.SetPasswordShowings, 1);
    }
    SettingsStore saved;
    ASSERT_TRUE(saved.LoadSettings("Secret9"));
    EXPECT_EQ(saved.GeneralPassword, "Secret9");
    EXPECT_TRUE(saved.StoredPaths.empty());
    const std::string afterFirstRun = ReadFile(SettingsFile());

    // Second start, wrong password: the error box, and the main window never shows.
    {
        RealPasswordDialogs prompts;
        MainWindowShowings showings;
        When([] { return ShownDialog<TfrmPassword>() != nullptr; },
             [&] {
                 TfrmPassword& prompt = *ShownDialog<TfrmPassword>();
                 EXPECT_EQ(VisibleMainWindow(), nullptr);
                 TypeText(prompt.PasswordEntry(), QStringLiteral("Secret8"));
                 QTest::keyClick(prompt.PasswordEntry(), Qt::Key_Return);
             });
        EXPECT_EQ(Start(prompts), 0);
        EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Invalid password.")});
        EXPECT_EQ(showings.Count, 0);
        EXPECT_EQ(ReadFile(SettingsFile()), afterFirstRun);
    }

    // Third start, the right password: the main window, without a second question.
    {
        RealPasswordDialogs prompts;
        MainWindowShowings showings;
        When([] { return ShownDialog<TfrmPassword>() != nullptr; },
             [] {
                 TfrmPassword& prompt = *ShownDialog<TfrmPassword>();
                 TypeText(prompt.PasswordEntry(), QStringLiteral("Secret9"));
                 prompt.OkButton()->click();
             });
        When([] { return ShownDialog<QDialog>() == nullptr && VisibleMainWindow() != nullptr; },
             [] { VisibleMainWindow()->Exit1Click(); });
        EXPECT_EQ(Start(prompts), 0);
        EXPECT_TRUE(prompts.Messages().isEmpty());
        EXPECT_EQ(showings.Count, 1);
        EXPECT_EQ(ReadFile(SettingsFile()), afterFirstRun);
    }
}

} // namespace
} // namespace vk::test
