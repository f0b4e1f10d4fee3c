#include "LocalHttpServer.h"
#include "support/QtTestApp.h"
#include "support/ScopedVariable.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "update/NewVersionDialog.h"
#include "update/UpdateAtStartup.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace vk {
namespace {

using test::HttpResponse;
using test::LocalHttpServer;

const QString FailedText = QStringLiteral("Failed to download update. Please download manually on website.\n\n");
const QString CancelledText = QStringLiteral("Download is cancelled. Please download manually.");

UpdateOffer Offer(bool forced) {
    return UpdateOffer{"The new version 2.5 is available\r\n\r\nWhat's new:\r\n", forced};
}

QByteArray Installer() {
    QByteArray bytes;
    for (int i = 0; i < 64 * 1024; ++i)
        bytes += static_cast<char>(i * 7);
    return bytes;
}

HttpResponse InstallerResponse(HttpResponse::Framing framing) {
    HttpResponse response;
    response.Body = Installer();
    response.BodyFraming = framing;
    response.Pieces = 4;
    response.PieceDelayMs = 30;
    return response;
}

// The dialog against a local site, with the temporary folder inside the test's
// own folder and a shell that records what it is asked to open.
class UpdateDialog : public ::testing::Test {
protected:
    test::TempFolder FFolder;
    test::ScopedVariable FTempDir{"TMPDIR", FFolder.path().c_str()};
    LocalHttpServer FServer;
    test::ScriptedPrompts FPrompts;
    QList<QUrl> FOpened;

    std::unique_ptr<TfrmNewVersion> MakeDialog(bool forced) {
        return std::make_unique<TfrmNewVersion>(Offer(forced), FPrompts, UpdateSite{FServer.BaseUrl(), 500},
                                                [this](const QUrl& url) { FOpened << url; });
    }
    // A name the download used to take in the shared temporary folder.
    std::filesystem::path FixedName() const { return FFolder / DownloadedInstallerName; }
    QUrl HomePage() const { return QUrl(FServer.BaseUrl()); }

    static QPushButton* Button(TfrmNewVersion& dialog, const char* name) {
        return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static QProgressBar* Bar(TfrmNewVersion& dialog) {
        return dialog.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    }
};

struct LeaveCase {
    const char* name;
    bool forced;
    bool byCloseBox;
    UpdateOutcome outcome;
};

// Test names show the case's name, not its bytes.
void PrintTo(const LeaveCase& c, std::ostream* out) {
    *out << c.name;
}

class LeavingTheOffer : public UpdateDialog, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeavingTheOffer, ContinuesOnlyWhenTheUpdateIsOptional) {
    const LeaveCase& c = GetParam();
    const auto dialog = MakeDialog(c.forced);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral(" Orvan Veilkeep"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
              QStringLiteral("The new version 2.5 is available\n\nWhat's new:\n"));
    EXPECT_EQ(Button(*dialog, "btUpdateNow")->text(), QStringLiteral("Update Now"));
    EXPECT_EQ(Button(*dialog, "btCancel")->text(), c.forced ? QStringLiteral("Exit") : QStringLiteral("Skip"));
    EXPECT_FALSE(Bar(*dialog)->isVisible());
    EXPECT_FALSE(dialog->findChild<QLabel*>(QStringLiteral("VirtualImage1"))->pixmap().isNull());

    if (c.byCloseBox)
        dialog->close();
    else
        Button(*dialog, "btCancel")->click();

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->Outcome(), c.outcome);
    EXPECT_EQ(dialog->result(), static_cast<int>(c.outcome)) << "what exec() returns";
    EXPECT_TRUE(FOpened.isEmpty());
    EXPECT_TRUE(FServer.RequestedPaths.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingTheOffer,
                         ::testing::Values(LeaveCase{"skip", false, false, UpdateOutcome::Continue},
                                           LeaveCase{"close_box_optional", false, true, UpdateOutcome::Continue},
                                           LeaveCase{"exit", true, false, UpdateOutcome::Exit},
                                           LeaveCase{"close_box_required", true, true, UpdateOutcome::Exit}),
                         [](const ::testing::TestParamInfo<LeaveCase>& info) { return std::string(info.param.name); });

struct DownloadCase {
    const char* name;
    HttpResponse::Framing framing;
    bool barMoves;
};

// Test names show the case's name, not its bytes.
void PrintTo(const DownloadCase& c, std::ostream* out) {
    *out << c.name;
}

class SuccessfulDownload : public UpdateDialog, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(SuccessfulDownload, WritesTheInstallerStartsItAndEnds) {
    FServer.Serve(InstallerPath, InstallerResponse(GetParam().framing));
    // A link planted under the name the download once took in the shared folder.
    std::filesystem::create_symlink(FFolder / "victim", FixedName());
    const auto dialog = MakeDialog(false);
    dialog->show();
    QList<int> barValues;
    QObject::connect(Bar(*dialog), &QProgressBar::valueChanged, [&](int value) {
        barValues << value;
        EXPECT_EQ(Button(*dialog, "btCancel")->text(), QStringLiteral("Abort"));
        EXPECT_FALSE(Button(*dialog, "btUpdateNow")->isEnabled());
    });

    Button(*dialog, "btUpdateNow")->click();

    // The installer lies in a new folder of its own, owner-only, and is what
    // the desktop is asked to open; nothing went through the planted link.
    ASSERT_EQ(FOpened.size(), 1);
    const std::filesystem::path installer = FOpened.first().toLocalFile().toStdString();
    EXPECT_EQ(installer.filename(), DownloadedInstallerName);
    EXPECT_EQ(installer.parent_path().parent_path(), FFolder.path());
    EXPECT_EQ(std::filesystem::status(installer.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(test::ReadFile(installer), Installer().toStdString());
    EXPECT_FALSE(std::filesystem::exists(FFolder / "victim"));
    EXPECT_TRUE(FPrompts.Messages().isEmpty()) << FPrompts.Messages().join(u'|').toStdString();
    EXPECT_EQ(dialog->Outcome(), UpdateOutcome::Exit);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(FServer.UserAgents, QList<QByteArray>{"Mozilla/4.0 (compatible; MyApp)"});
    ASSERT_FALSE(barValues.isEmpty());
    EXPECT_EQ(barValues.first(), 0);
    if (GetParam().barMoves) {
        EXPECT_TRUE(std::any_of(barValues.begin(), barValues.end(), [](int v) { return v > 0 && v < 100; }));
        EXPECT_EQ(barValues.last(), 100);
    } else {
        EXPECT_EQ(barValues, QList<int>{0});
    }
}

INSTANTIATE_TEST_SUITE_P(Framings, SuccessfulDownload,
                         ::testing::Values(DownloadCase{"content_length", HttpResponse::Framing::ContentLength, true},
                                           DownloadCase{"chunked", HttpResponse::Framing::Chunked, false},
                                           DownloadCase{"no_length", HttpResponse::Framing::UntilClose, false}),
                         [](const ::testing::TestParamInfo<DownloadCase>& info) {
                             return std::string(info.param.name);
                         });

class AbortedDownload : public UpdateDialog, public ::testing::WithParamInterface<int> {};

TEST_P(AbortedDownload, ShowsTheCancellationOpensTheHomePageAndEnds) {
    HttpResponse stalling = InstallerResponse(HttpResponse::Framing::ContentLength);
    stalling.StallAfterFirstPiece = true;
    FServer.Serve(InstallerPath, stalling);
    const auto dialog = MakeDialog(false);
    dialog->show();
    // Abort once the first quarter has arrived and the server has gone quiet.
    QObject::connect(Bar(*dialog), &QProgressBar::valueChanged, [&](int value) {
        if (value == 0)
            return;
        dialog->close(); // held back while the download runs
        EXPECT_TRUE(dialog->isVisible());
        for (int press = 0; press < GetParam(); ++press)
            Button(*dialog, "btCancel")->click();
    });

    // Should the bar never move, the test fails instead of waiting for ever.
    QTimer::singleShot(10000, dialog.get(), [&] {
        ADD_FAILURE() << "the bar did not move";
        Button(*dialog, "btCancel")->click();
    });

    Button(*dialog, "btUpdateNow")->click();

    EXPECT_EQ(FPrompts.Messages(), QStringList{FailedText + CancelledText});
    EXPECT_EQ(FOpened, QList<QUrl>{HomePage()});
    EXPECT_EQ(dialog->Outcome(), UpdateOutcome::Exit);
    EXPECT_FALSE(dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Presses, AbortedDownload, ::testing::Values(1, 2));

struct FailureCase {
    const char* name;
    std::function<void(LocalHttpServer&, const std::filesystem::path& tempFolder)> arrange;
    QString cause; // the start of the text after the two line breaks
};

// Test names show the case's name, not its bytes.
void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedDownload : public UpdateDialog, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedDownload, ShowsTheCauseOpensTheHomePageAndEnds) {
    GetParam().arrange(FServer, FFolder.path());
    const auto dialog = MakeDialog(false);
    dialog->show();

    Button(*dialog, "btUpdateNow")->click();

    ASSERT_EQ(FPrompts.Messages().size(), 1);
    EXPECT_TRUE(FPrompts.Messages().first().startsWith(FailedText + GetParam().cause))
        << FPrompts.Messages().first().toStdString();
    EXPECT_EQ(FPrompts.Asked.front().icon, Prompts::Icon::Error);
    EXPECT_EQ(FOpened, QList<QUrl>{HomePage()});
    EXPECT_EQ(dialog->Outcome(), UpdateOutcome::Exit);
    EXPECT_FALSE(dialog->isVisible());
}

void NothingServed(LocalHttpServer&, const std::filesystem::path&) {}

void InstallerBehindRedirect(LocalHttpServer& server, const std::filesystem::path&) {
    server.ServeAfterRedirects(InstallerPath, 1, InstallerResponse(HttpResponse::Framing::ContentLength));
}

// The temporary folder is a file: no private download folder can be made in it.
void NoPrivateFolderPossible(LocalHttpServer& server, const std::filesystem::path& temp) {
    server.Serve(InstallerPath, InstallerResponse(HttpResponse::Framing::ContentLength));
    test::WriteFile(temp / "not-a-folder", "x");
    qputenv("TMPDIR", QByteArray::fromStdString((temp / "not-a-folder").string()));
}

void ConnectionClosedEarly(LocalHttpServer& server, const std::filesystem::path&) {
    HttpResponse cut = InstallerResponse(HttpResponse::Framing::ContentLength);
    cut.DeclaredLength = cut.Body.size() + 1000;
    server.Serve(InstallerPath, cut);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedDownload,
    ::testing::Values(
        FailureCase{"not_found", NothingServed, QStringLiteral("HTTP/1.1 404 Not Found")},
        FailureCase{"redirect_not_followed", InstallerBehindRedirect, QStringLiteral("HTTP/1.1 302 Found")},
        FailureCase{"no_private_folder_possible", NoPrivateFolderPossible, QString()},
        FailureCase{"connection_closed_early", ConnectionClosedEarly, QStringLiteral("Connection closed")}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(UpdateDialogSite, UnreachableSiteShowsTheNetworkError) {
    test::TempFolder folder;
    test::ScopedVariable tempDir("TMPDIR", folder.path().c_str());
    test::ScriptedPrompts prompts;
    QList<QUrl> opened;
    const QString base = test::UnreachableBaseUrl();
    TfrmNewVersion dialog(Offer(true), prompts, UpdateSite{base, 500}, [&](const QUrl& url) { opened << url; });
    dialog.show();
    dialog.findChild<QPushButton*>(QStringLiteral("btUpdateNow"))->click();
    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages().first().contains(QStringLiteral("refused"), Qt::CaseInsensitive))
        << prompts.Messages().first().toStdString();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(base)});
}

} // namespace
} // namespace vk
