#include "LocalHttpServer.h"
#include "update/uNewVersionCheck.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>

namespace vk {
namespace {

using test::HttpResponse;
using test::LocalHttpServer;

const QByteArray VersionPath = VersionDocumentPath;
const QByteArray ChangesPath = ChangesDocumentPath;

HttpResponse Document(const QByteArray& body) {
    HttpResponse response;
    response.Body = body;
    return response;
}

HttpResponse ErrorStatus() {
    HttpResponse response;
    response.Status = 500;
    response.Reason = "Internal Server Error";
    response.Body = "25/20";
    return response;
}

std::optional<UpdateOffer> Check(const LocalHttpServer& server) {
    return CheckForNewVersion(UpdateSite{server.BaseUrl(), 500});
}

// The version line as the server sends it decides the outcome.
struct VersionLineCase {
    const char* name;
    QByteArray versionLine;
    bool offered;
    bool forced;
    QString headlineStart;
};

// Test names show the case's name, not its bytes.
void PrintTo(const VersionLineCase& c, std::ostream* out) {
    *out << c.name;
}

class VersionLineOverHttp : public ::testing::TestWithParam<VersionLineCase> {};

TEST_P(VersionLineOverHttp, DecidesTheOffer) {
    const VersionLineCase& c = GetParam();
    LocalHttpServer server;
    server.Serve(VersionPath, Document(c.versionLine + "\r\n"));
    server.Serve(ChangesPath, Document("Faster hiding\r\n"));

    const auto offer = Check(server);
    ASSERT_EQ(offer.has_value(), c.offered);
    if (!c.offered)
        return;
    EXPECT_EQ(offer->ForceExit, c.forced);
    EXPECT_TRUE(QString::fromStdString(offer->UpdateMessage).startsWith(c.headlineStart)) << offer->UpdateMessage;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, VersionLineOverHttp,
    ::testing::Values(
        VersionLineCase{"running_version", "24/20", false, false, {}},
        VersionLineCase{"optional", "25/20", true, false, QStringLiteral("The new version 2.5 is available\r\n")},
        VersionLineCase{"required", "25/25", true, true,
                        QStringLiteral("This version of the software is out of date. You must download the current "
                                       "version 2.5 to continue")},
        VersionLineCase{"required_older_latest", "20/25", true, true,
                        QStringLiteral("This version of the software is out of date. You must download the current "
                                       "version 2.0 to continue")},
        VersionLineCase{"newer_minimum_running", "30/24", true, false,
                        QStringLiteral("The new version 3.0 is available\r\n")},
        VersionLineCase{"no_slash", "25", false, false, {}},
        VersionLineCase{"trailing_space", "25/20 ", false, false, {}},
        VersionLineCase{"dotted", "2.5/2.0", false, false, {}}),
    [](const ::testing::TestParamInfo<VersionLineCase>& info) { return std::string(info.param.name); });

TEST(CheckForNewVersion, SendsBothRequestsInOrderWithTheUserAgentAndComposesTheMessage) {
    LocalHttpServer server;
    server.Serve(VersionPath, Document("\xEF\xBB\xBF"
                                       "25/20\r\nignored\r\n"));
    server.Serve(ChangesPath, Document("New icons\r\n\r\nFaster hiding\r\n\r\n"));

    const auto offer = Check(server);
    ASSERT_TRUE(offer);
    EXPECT_FALSE(offer->ForceExit);
    EXPECT_EQ(offer->UpdateMessage,
              "The new version 2.5 is available\r\n\r\nWhat's new:\r\nNew icons\r\nFaster hiding\r\n");
    EXPECT_EQ(server.RequestedPaths, (QList<QByteArray>{VersionPath, ChangesPath}));
    EXPECT_EQ(server.UserAgents,
              (QList<QByteArray>{"Mozilla/4.0 (compatible; MyApp)", "Mozilla/4.0 (compatible; MyApp)"}));
}

// How the site answers; every one of these but the first two ends in no offer.
struct SiteCase {
    const char* name;
    std::function<void(LocalHttpServer&)> serve;
    bool offered;
    std::string messageEnd = "What's new:\r\nentry\r\n";
};

// Test names show the case's name, not its bytes.
void PrintTo(const SiteCase& c, std::ostream* out) {
    *out << c.name;
}

class SiteAnswers : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteAnswers, OfferOnlyWhenBothDocumentsArrive) {
    LocalHttpServer server;
    GetParam().serve(server);
    const auto offer = Check(server);
    ASSERT_EQ(offer.has_value(), GetParam().offered);
    if (offer) {
        EXPECT_TRUE(offer->UpdateMessage.ends_with(GetParam().messageEnd)) << offer->UpdateMessage;
    }
}

// Serves the version document (behind redirects when asked) and the changes document.
std::function<void(LocalHttpServer&)> Site(HttpResponse version, std::optional<HttpResponse> changes,
                                           int redirects = 0) {
    return [=](LocalHttpServer& server) {
        server.ServeAfterRedirects(VersionPath, redirects, version);
        if (changes)
            server.Serve(ChangesPath, *changes);
    };
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SiteAnswers,
    ::testing::Values(SiteCase{"empty_changes_document", Site(Document("25/20"), Document("")), true,
                               "What's new:\r\n"},
                      SiteCase{"ten_redirects_followed", Site(Document("25/20"), Document("entry"), 10), true},
                      SiteCase{"eleven_redirects", Site(Document("25/20"), Document("entry"), 11), false},
                      SiteCase{"missing_changes_document", Site(Document("25/20"), std::nullopt), false},
                      SiteCase{"error_status_on_version", Site(ErrorStatus(), Document("entry")), false},
                      SiteCase{"error_status_on_changes", Site(Document("25/20"), ErrorStatus()), false},
                      SiteCase{"empty_version_document", Site(Document(""), Document("entry")), false},
                      SiteCase{"oversized_version_document",
                               Site(Document("25/20\r\n" + QByteArray(2 << 20, 'x')), Document("entry")), false}),
    [](const ::testing::TestParamInfo<SiteCase>& info) { return std::string(info.param.name); });

TEST(CheckForNewVersion, ServerThatSendsNothingFailsAfterTheReadTimeOut) {
    LocalHttpServer server;
    HttpResponse silent;
    silent.Silent = true;
    server.Serve(VersionPath, silent);

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(CheckForNewVersion(UpdateSite{server.BaseUrl(), 300}));
    EXPECT_GE(clock.elapsed(), 250) << "ended by the time-out, not by a refusal";
    EXPECT_EQ(server.RequestedPaths, QList<QByteArray>{VersionPath});
}

// A site that accepts the connection and never answers holds start-up for a
// few seconds at most with the check as shipped.
TEST(CheckForNewVersion, SilentSiteHoldsStartUpForAFewSecondsAtMost) {
    LocalHttpServer server;
    HttpResponse silent;
    silent.Silent = true;
    server.Serve(VersionPath, silent);
    UpdateSite site{server.BaseUrl()};
    EXPECT_LE(site.TimeoutMs, 5000);

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(CheckForNewVersion(site));
    EXPECT_LT(clock.elapsed(), site.TimeoutMs + 2000);
}

// Data that keeps arriving, slowly, cannot stretch the wait past the time-out
// either: it bounds the whole check, not a stall.
TEST(CheckForNewVersion, SlowTrickleOfDataEndsAtTheTimeOut) {
    LocalHttpServer server;
    HttpResponse trickle = Document("25/20\r\n" + QByteArray(40, 'x'));
    trickle.Pieces = 8;
    trickle.PieceDelayMs = 150; // 1050 ms in all, never 150 ms without data
    server.Serve(VersionPath, trickle);
    server.Serve(ChangesPath, Document("entry"));

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(CheckForNewVersion(UpdateSite{server.BaseUrl(), 500}));
    EXPECT_LT(clock.elapsed(), 1000) << "ended by the time-out, not by the last piece";
    EXPECT_EQ(server.RequestedPaths, QList<QByteArray>{VersionPath});
}

TEST(CheckForNewVersion, UnreachableSiteGivesNoOffer) {
    EXPECT_FALSE(CheckForNewVersion(UpdateSite{test::UnreachableBaseUrl(), 500}));
}

} // namespace
} // namespace vk
