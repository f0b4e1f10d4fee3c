// The update offer as a step of the start-up: an exit outcome ends the program
// before the settings are read and before any window or password prompt.

#include "LocalHttpServer.h"
#include "settings/uSettings.h"
#include "support/QtTestApp.h"
#include "support/ScopedVariable.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/StartUp.h"
#include "ui/UnitMain.h"
#include "update/UpdateAtStartup.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vk {
namespace {

using test::HttpResponse;
using test::LocalHttpServer;
using test::ScriptedPrompts;

HttpResponse Document(const QByteArray& body) {
    HttpResponse response;
    response.Body = body;
    return response;
}

class UpdateAtStartUp : public ::testing::Test {
protected:
    void SetUp() override {
        // A stored password: reading the settings would set it, and the
        // prompt would ask for it.
        SettingsStore seed;
        seed.GeneralPassword = "pw";
        seed.WriteSettingsFile();
        FServer.Serve(ChangesDocumentPath, Document("Faster hiding\r\n"));
    }

    // The real update step against the local site: the dialog runs modally and
    // the given button is pressed once it is up.
    UpdateStep PressingInDialog(const char* button) {
        return [this, button](Prompts& prompts) {
            return OfferUpdateAtStartup(
                prompts, UpdateSite{FServer.BaseUrl(), 500}, [this](const QUrl& url) { FOpened << url; },
                [this, button](TfrmNewVersion& dialog) {
                    test::WhenModalShown([this, button](QDialog& shown) {
                        FShownMessage = shown.findChild<QLabel*>(QStringLiteral("Label1"))->text();
                        shown.findChild<QPushButton*>(QString::fromLatin1(button))->click();
                    });
                    dialog.exec();
                });
        };
    }

    std::unique_ptr<TfrmMain> StartUp(const UpdateStep& step) {
        return StartUpToMainWindow(test::QtTestApp(), FSettings, FPrompts, step);
    }

    test::TempFolder FFolder;
    test::ScopedVariable FTempDir{"TMPDIR", FFolder.path().c_str()};
    LocalHttpServer FServer;
    SettingsStore FSettings;
    ScriptedPrompts FPrompts;
    QList<QUrl> FOpened;
    QString FShownMessage;
};

TEST_F(UpdateAtStartUp, RequiredUpdateLeftByExitEndsBeforeTheSettingsAreRead) {
    FServer.Serve(VersionDocumentPath, Document("25/25"));
    EXPECT_EQ(StartUp(PressingInDialog("btCancel")), nullptr);
    EXPECT_TRUE(FShownMessage.startsWith(QStringLiteral("This version of the software is out of date.")));
    EXPECT_TRUE(FSettings.GeneralPassword.empty());
    EXPECT_TRUE(FPrompts.Asked.empty());
    EXPECT_TRUE(FOpened.isEmpty());
}

TEST_F(UpdateAtStartUp, SkippedOptionalUpdateGoesOnToThePasswordPrompt) {
    FServer.Serve(VersionDocumentPath, Document("25/20"));
    FPrompts.ApplicationPasswordAnswers = {QStringLiteral("pw")};
    const std::unique_ptr<TfrmMain> mainWindow = StartUp(PressingInDialog("btCancel"));
    EXPECT_NE(mainWindow, nullptr);
    EXPECT_EQ(FPrompts.TextsOf(ScriptedPrompts::Kind::AskApplicationPassword), QStringList{QStringLiteral("pw")});
    EXPECT_EQ(FShownMessage, QStringLiteral("The new version 2.5 is available\n\nWhat's new:\nFaster hiding\n"));
    EXPECT_EQ(FSettings.GeneralPassword, "pw");
}

TEST_F(UpdateAtStartUp, StartedInstallerEndsTheProgramBeforeThePasswordPrompt) {
    FServer.Serve(VersionDocumentPath, Document("25/20"));
    HttpResponse installer = Document("installer bytes");
    FServer.Serve(InstallerPath, installer);
    EXPECT_EQ(StartUp(PressingInDialog("btUpdateNow")), nullptr);
    ASSERT_EQ(FOpened.size(), 1);
    EXPECT_EQ(test::ReadFile(FOpened.first().toLocalFile().toStdString()), "installer bytes");
    EXPECT_TRUE(FSettings.GeneralPassword.empty());
    EXPECT_TRUE(FPrompts.Asked.empty());
}

TEST_F(UpdateAtStartUp, UnreachableSiteStartsNormallyWithoutADialog) {
    bool dialogShown = false;
    const UpdateStep step = [&](Prompts& prompts) {
        return OfferUpdateAtStartup(prompts, UpdateSite{test::UnreachableBaseUrl(), 500}, DesktopShellOpen(),
                                    [&](TfrmNewVersion&) { dialogShown = true; });
    };
    FPrompts.ApplicationPasswordAnswers = {QStringLiteral("pw")};
    EXPECT_NE(StartUp(step), nullptr);
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(FPrompts.TextsOf(ScriptedPrompts::Kind::AskApplicationPassword), QStringList{QStringLiteral("pw")});
    EXPECT_EQ(FSettings.GeneralPassword, "pw");
}

} // namespace
} // namespace vk
