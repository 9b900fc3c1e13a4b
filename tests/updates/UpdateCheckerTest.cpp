#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "support/LocalHttpServer.h"
#include "updates/UpdateChecker.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const char* kPath = "/v1/app/version";

QByteArray document(qint64 latest, qint64 min = 3, const char* version = "2.0")
{
    return QStringLiteral(R"({"latest_version": "%1", "latest_build": %2, "min_build": %3, "minimum_macos": "13",
        "download_url": "https://example.com/q-%2", "notes": {"en": "New things", "ar": "أشياء جديدة"}})")
        .arg(QString::fromLatin1(version))
        .arg(latest)
        .arg(min)
        .toUtf8();
}

const QString kNetworkMessage = QString::fromUtf8("Couldn’t reach the server. Check your internet connection and try again.");
const QString kBadResponseMessage = QStringLiteral("The server sent an unexpected response. Please try again later.");

// Lets queued work run (the launch check, activation and language tasks) and waits for any
// request in flight to end.
void drain(const UpdateChecker& checker)
{
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return !checker.isChecking(); }));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void becomeActive()
{
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
}

class CheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(dir.isValid());
        openPreferences();
        prefs->setValue(APIClient::kServerURLKey, server.url().toString());
        answer(HttpAnswer::json(document(7)));
    }

    void openPreferences()
    {
        checker.reset();
        language.reset();
        prefs = std::make_unique<Preferences>(dir.filePath("preferences.json"));
        language = std::make_unique<LanguageManager>(*prefs, [] { return QStringList{"en"}; });
    }

    void answer(HttpAnswer a) { server.setAnswer(kPath, std::move(a)); }
    void answerHeld(HttpAnswer a)
    {
        a.hold = true;
        answer(std::move(a));
    }

    UpdateChecker& start(std::optional<qint64> installedBuild = 5)
    {
        UpdateCheckerDependencies d;
        d.preferences = prefs.get();
        d.language = language.get();
        d.clock = [this] { return now; };
        d.opener = [this](const QUrl& url) { opened << url; };
        d.installedBuild = installedBuild;
        checker = std::make_unique<UpdateChecker>(std::move(d));
        return *checker;
    }

    void advance(qint64 seconds) { now = now.addSecs(seconds); }
    qsizetype requests() const { return server.requestCount(kPath); }

    LocalHttpServer server;
    QTemporaryDir dir;
    std::unique_ptr<Preferences> prefs;
    std::unique_ptr<LanguageManager> language;
    std::unique_ptr<UpdateChecker> checker;
    QDateTime now{QDate(2025, 3, 1), QTime(12, 0), QTimeZone::utc()};
    QList<QUrl> opened;
};

TEST_F(CheckerTest, LaunchAndActivationSendOneRequest)
{
    UpdateChecker& c = start();
    EXPECT_EQ(c.state(), UpdateState::unknown());
    EXPECT_FALSE(c.lastChecked());
    becomeActive();  // the application also becomes active while launching
    drain(c);
    becomeActive();  // and again right after the check
    drain(c);

    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(c.state(), UpdateState::available("2.0", "New things", QUrl("https://example.com/q-7")));
    EXPECT_EQ(c.latestBuild(), 7);
    EXPECT_EQ(c.lastChecked(), now);
    EXPECT_EQ(prefs->dateValue(UpdateChecker::kLastCheckedKey), now);
    EXPECT_TRUE(c.showsBanner());
    EXPECT_FALSE(c.alert());
    EXPECT_FALSE(c.lastError());
}

TEST_F(CheckerTest, HeldChecksWaitForTheReleaseThenTheLaunchCheckAsksOnce)
{
    // A success a minute ago throttles activations, never the launch check.
    prefs->setValue(UpdateChecker::kLastCheckedKey, now.addSecs(-60));
    UpdateChecker& c = start();
    c.holdAutomaticChecks();
    EXPECT_TRUE(c.holdsAutomaticChecks());
    drain(c);
    advance(7 * 24 * 3600);  // far past every throttle: activations would ask now
    becomeActive();
    drain(c);
    EXPECT_EQ(requests(), 0);
    EXPECT_FALSE(c.isChecking());
    EXPECT_FALSE(c.latestBuild());

    c.releaseAutomaticChecks();
    EXPECT_FALSE(c.holdsAutomaticChecks());
    drain(c);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(c.latestBuild(), 7);
    // Released once: a second release, and an activation right after the check, ask nothing.
    c.releaseAutomaticChecks();
    becomeActive();
    drain(c);
    EXPECT_EQ(requests(), 1);
}

TEST_F(CheckerTest, ReleasedBeforeTheLaunchCheckRanItAsksOnce)
{
    UpdateChecker& c = start();
    c.holdAutomaticChecks();
    c.releaseAutomaticChecks();  // before the queued launch check had its turn
    drain(c);
    EXPECT_EQ(requests(), 1);
}

TEST_F(CheckerTest, ACheckTheUserAsksForIsNeverHeld)
{
    UpdateChecker& c = start();
    c.holdAutomaticChecks();
    drain(c);
    std::optional<UpdateChecker::Result> result;
    c.checkNow(true, [&](const UpdateChecker::Result& r) { result = r; });
    drain(c);
    EXPECT_EQ(requests(), 1);
    ASSERT_TRUE(result);
    EXPECT_TRUE(std::holds_alternative<UpdateState>(*result));
    EXPECT_TRUE(c.holdsAutomaticChecks());
}

TEST_F(CheckerTest, ActivationDuringTheLaunchRequestJoinsNothing)
{
    answerHeld(HttpAnswer::json(document(7)));
    UpdateChecker& c = start();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == 1; }));
    EXPECT_TRUE(c.isChecking());
    advance(3600);  // even long after: a running fetch is never doubled
    becomeActive();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    server.releaseHeld();
    drain(c);
    EXPECT_EQ(requests(), 1);
    EXPECT_FALSE(c.isChecking());
}

struct ThrottleCase {
    const char* name;
    std::optional<qint64> storedSuccessAgo;  // seconds before launch; negative: in the future
    bool launchSucceeds;
    qint64 activationAfter;  // seconds after launch
    bool expectsRequest;
};

void PrintTo(const ThrottleCase& c, std::ostream* os) { *os << c.name; }

class ThrottleTest : public CheckerTest, public ::testing::WithParamInterface<ThrottleCase> {};

TEST_P(ThrottleTest, ActivationChecksOnlyPastBothIntervals)
{
    const ThrottleCase& t = GetParam();
    if (t.storedSuccessAgo) prefs->setValue(UpdateChecker::kLastCheckedKey, now.addSecs(-*t.storedSuccessAgo));
    if (!t.launchSucceeds) answer(HttpAnswer::json("", 500));
    UpdateChecker& c = start();
    drain(c);
    ASSERT_EQ(requests(), 1);

    advance(t.activationAfter);
    becomeActive();
    drain(c);
    EXPECT_EQ(requests(), t.expectsRequest ? 2 : 1);
}

constexpr qint64 minutes = 60;
constexpr qint64 hours = 3600;

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ThrottleTest,
    ::testing::Values(ThrottleCase{"tenMinutesAfterFailure", std::nullopt, false, 10 * minutes, false},
                      ThrottleCase{"justBeforeAttemptInterval", std::nullopt, false, 15 * minutes - 1, false},
                      ThrottleCase{"atAttemptInterval", std::nullopt, false, 15 * minutes, true},
                      ThrottleCase{"sixteenMinutesSuccessSevenHoursAgo", 7 * hours, false, 16 * minutes, true},
                      ThrottleCase{"earlierRunSuccessTwoHoursAgo", 2 * hours, false, 20 * minutes, false},
                      ThrottleCase{"storedSuccessInTheFuture", -1 * hours, false, 20 * minutes, false},
                      ThrottleCase{"justBeforeSuccessInterval", std::nullopt, true, 6 * hours - 1, false},
                      ThrottleCase{"atSuccessInterval", std::nullopt, true, 6 * hours, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, NothingRunsAfterTheCheckerIsGone)
{
    answerHeld(HttpAnswer::json(document(7)));
    UpdateChecker& c = start();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == 1; }));
    bool completed = false;
    c.checkNow(true, [&](const UpdateChecker::Result&) { completed = true; });
    c.checkFromMenu();
    becomeActive();
    language->select(QStringLiteral("ar"));
    checker.reset();  // quitting with the request still out and tasks still queued
    server.releaseHeld();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
    EXPECT_EQ(requests(), 1);
}

TEST_F(CheckerTest, MenuCheckJoinsTheRunningBackgroundCheck)
{
    answerHeld(HttpAnswer::json(document(7)));
    UpdateChecker& c = start();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == 1; }));
    c.checkFromMenu();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(c.alert());
    server.releaseHeld();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return c.alert().has_value(); }));
    drain(c);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(*c.alert(), UpdateAlert::available("2.0", "New things", QUrl("https://example.com/q-7")));
    EXPECT_FALSE(c.isChecking());
}

TEST_F(CheckerTest, JoinedCallersEachHandleTheSharedFailure)
{
    answerHeld(HttpAnswer::json("", 404));
    UpdateChecker& c = start();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return requests() == 1; }));
    std::optional<UpdateChecker::Result> joined;
    c.checkNow(true, [&](const UpdateChecker::Result& r) { joined = r; });
    server.releaseHeld();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return joined.has_value(); }));
    drain(c);
    EXPECT_EQ(requests(), 1);
    ASSERT_TRUE(std::holds_alternative<APIError>(*joined));
    EXPECT_EQ(std::get<APIError>(*joined), (APIError{APIError::Code::badResponse, kBadResponseMessage, std::nullopt}));
    // The joined call was the user's: its failure is recorded although the launch check's is not.
    EXPECT_EQ(c.lastError(), kBadResponseMessage);
    EXPECT_EQ(c.state(), UpdateState::unknown());
}

TEST_F(CheckerTest, MenuCheckWithoutNetworkThenBackgroundSuccess)
{
    prefs->setValue(APIClient::kServerURLKey,
                    QStringLiteral("http://127.0.0.1:") + QString::number(LocalHttpServer::refusedPort()));
    UpdateChecker& c = start();
    drain(c);
    // A background failure is silent.
    EXPECT_FALSE(c.lastError());
    EXPECT_FALSE(c.alert());

    c.checkFromMenu();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return c.alert().has_value(); }));
    EXPECT_EQ(*c.alert(), UpdateAlert::failed(kNetworkMessage));
    EXPECT_EQ(c.lastError(), kNetworkMessage);
    EXPECT_EQ(c.state(), UpdateState::unknown());
    c.dismissAlert();
    EXPECT_FALSE(c.alert());

    prefs->setValue(APIClient::kServerURLKey, server.url().toString());
    advance(16 * minutes);
    becomeActive();
    drain(c);
    EXPECT_EQ(requests(), 1);
    EXPECT_FALSE(c.lastError());
    EXPECT_TRUE(c.state().isAvailable());
    EXPECT_FALSE(c.alert());
}

TEST_F(CheckerTest, FailedCheckKeepsTheLastGoodState)
{
    UpdateChecker& c = start();
    drain(c);
    const UpdateState before = c.state();
    const auto checked = c.lastChecked();
    answer(HttpAnswer::json(kBadResponseMessage.toUtf8(), 500));
    advance(60);
    c.checkFromMenu();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return c.alert().has_value(); }));
    EXPECT_EQ(*c.alert(), UpdateAlert::failed(kBadResponseMessage));
    EXPECT_EQ(c.state(), before);
    EXPECT_EQ(c.latestBuild(), 7);
    EXPECT_EQ(c.lastChecked(), checked);
}

struct MenuAlertCase {
    const char* name;
    qint64 installed;
    std::optional<UpdateAlert::Kind> alert;
};

void PrintTo(const MenuAlertCase& c, std::ostream* os) { *os << c.name; }

class MenuAlertTest : public CheckerTest, public ::testing::WithParamInterface<MenuAlertCase> {};

TEST_P(MenuAlertTest, AlertFollowsTheVerdict)
{
    const MenuAlertCase& m = GetParam();
    UpdateChecker& c = start(m.installed);
    drain(c);
    bool alertPublished = false;
    QObject::connect(&c, &UpdateChecker::alertChanged, [&] { alertPublished = true; });
    c.checkFromMenu();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return alertPublished; }));
    ASSERT_EQ(c.alert().has_value(), m.alert.has_value());
    if (m.alert) {
        EXPECT_EQ(c.alert()->kind, *m.alert);
    }
}

INSTANTIATE_TEST_SUITE_P(Verdicts, MenuAlertTest,
                         ::testing::Values(MenuAlertCase{"required", 2, std::nullopt},
                                           MenuAlertCase{"available", 5, UpdateAlert::Kind::available},
                                           MenuAlertCase{"upToDate", 7, UpdateAlert::Kind::upToDate}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckerTest, LaterAndSkipWithANewerBuild)
{
    UpdateChecker& c = start();
    drain(c);
    ASSERT_TRUE(c.showsBanner());

    c.later();
    EXPECT_EQ(c.dismissedBuild(), 7);
    EXPECT_FALSE(c.showsBanner());
    EXPECT_FALSE(prefs->contains(UpdateChecker::kSkippedBuildKey));

    answer(HttpAnswer::json(document(8, 3, "2.1")));
    c.checkNow(true);
    drain(c);
    EXPECT_EQ(c.latestBuild(), 8);
    EXPECT_TRUE(c.showsBanner());

    c.skip();
    EXPECT_EQ(c.skippedBuild(), 8);
    EXPECT_EQ(prefs->intValue(UpdateChecker::kSkippedBuildKey), 8);
    EXPECT_FALSE(c.showsBanner());

    // Asked from the menu, a skipped build is still announced; the banner stays hidden.
    c.checkFromMenu();
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return c.alert().has_value(); }));
    EXPECT_EQ(c.alert()->kind, UpdateAlert::Kind::available);
    EXPECT_EQ(c.alert()->id(), "available-2.1");
    EXPECT_FALSE(c.showsBanner());

    answer(HttpAnswer::json(document(9, 3, "2.2")));
    c.checkNow(false);
    drain(c);
    EXPECT_TRUE(c.showsBanner());
}

TEST_F(CheckerTest, SkipAndLaterBeforeAnySuccessChangeNothing)
{
    answer(HttpAnswer::json("", 500));
    UpdateChecker& c = start();
    drain(c);
    c.skip();
    c.later();
    EXPECT_FALSE(c.skippedBuild());
    EXPECT_FALSE(c.dismissedBuild());
    EXPECT_FALSE(prefs->contains(UpdateChecker::kSkippedBuildKey));
    EXPECT_FALSE(c.showsBanner());
}

TEST_F(CheckerTest, StateSurvivesIntoTheNextLaunch)
{
    {
        UpdateChecker& c = start();
        drain(c);
        c.skip();
    }
    const QDateTime firstSuccess = now;
    advance(1 * hours);
    openPreferences();  // a new run: the same file read afresh
    UpdateChecker& c = start();
    EXPECT_EQ(c.lastChecked(), firstSuccess);
    EXPECT_EQ(c.skippedBuild(), 7);
    drain(c);
    EXPECT_EQ(requests(), 2);  // the launch check is never throttled
    EXPECT_TRUE(c.state().isAvailable());
    EXPECT_FALSE(c.showsBanner());

    // The earlier run's success, an hour old, still holds activations back.
    advance(20 * minutes);
    becomeActive();
    drain(c);
    EXPECT_EQ(requests(), 2);
}

TEST_F(CheckerTest, StoredValuesOfAnotherTypeAreIgnored)
{
    prefs->setValue(UpdateChecker::kLastCheckedKey, QStringLiteral("2025-03-01T10:00:00Z"));
    prefs->setValue(UpdateChecker::kSkippedBuildKey, QStringLiteral("7"));
    answer(HttpAnswer::json("", 500));
    UpdateChecker& c = start();
    EXPECT_FALSE(c.lastChecked());
    EXPECT_FALSE(c.skippedBuild());
}

TEST_F(CheckerTest, LanguageChangeRebuildsWithoutARequest)
{
    UpdateChecker& c = start();
    drain(c);
    ASSERT_EQ(c.state().notes, "New things");
    int published = 0;
    QObject::connect(&c, &UpdateChecker::stateChanged, [&] { ++published; });

    language->select(QStringLiteral("ar"));
    drain(c);
    EXPECT_EQ(c.state(), UpdateState::available("2.0", QString::fromUtf8("أشياء جديدة"), QUrl("https://example.com/q-7")));
    EXPECT_EQ(published, 1);
    EXPECT_EQ(requests(), 1);

    language->select(std::nullopt);  // back to the system's English
    drain(c);
    EXPECT_EQ(c.state().notes, "New things");
    EXPECT_EQ(published, 2);
    EXPECT_EQ(requests(), 1);
}

TEST_F(CheckerTest, LanguageChangeBeforeAnySuccessKeepsUnknown)
{
    answer(HttpAnswer::json("", 500));
    UpdateChecker& c = start();
    drain(c);
    int published = 0;
    QObject::connect(&c, &UpdateChecker::stateChanged, [&] { ++published; });
    language->select(QStringLiteral("ar"));
    drain(c);
    EXPECT_EQ(c.state(), UpdateState::unknown());
    EXPECT_EQ(published, 0);
}

TEST_F(CheckerTest, UnreadableInstalledBuildIsUpToDate)
{
    UpdateChecker& c = start(std::nullopt);
    drain(c);
    EXPECT_EQ(c.state(), UpdateState::upToDate());
    EXPECT_FALSE(c.showsBanner());
}

TEST_F(CheckerTest, DownloadOpensTheOfferOrTheServersPage)
{
    answer(HttpAnswer::json("", 500));
    UpdateChecker& c = start();
    drain(c);
    c.download();
    answer(HttpAnswer::json(document(7)));
    c.checkNow(true);
    drain(c);
    c.download();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], server.url("/download"));
    EXPECT_EQ(opened[1], QUrl("https://example.com/q-7"));
}

TEST_F(CheckerTest, RequiredUpdateDownloadsTheNewestRelease)
{
    UpdateChecker& c = start(2);
    drain(c);
    EXPECT_EQ(c.state(), UpdateState::required("2.0", "New things", QUrl("https://example.com/q-7")));
    EXPECT_FALSE(c.showsBanner());
    c.download();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl("https://example.com/q-7"));
}

TEST_F(CheckerTest, RequestPathFollowsTheBaseAddress)
{
    const std::pair<const char*, QByteArray> cases[] = {
        {"", "/v1/app/version"},
        {"/", "/v1/app/version"},
        {"/api", "/api/v1/app/version"},
        {"/api/", "/api/v1/app/version"},
        {"/deep/er/", "/deep/er/v1/app/version"},
    };
    for (const auto& [base, path] : cases) {
        prefs->setValue(APIClient::kServerURLKey, server.url(QString::fromLatin1(base)).toString());
        server.setAnswer(path, HttpAnswer::json(document(7)));
        UpdateChecker& c = start();
        drain(c);
        EXPECT_TRUE(c.state().isAvailable()) << base;
        ASSERT_FALSE(server.requests().isEmpty());
        EXPECT_EQ(server.requests().last().path, path) << base;
        EXPECT_EQ(server.requests().last().header("accept"), "application/json");
    }
}

TEST_F(CheckerTest, CompletionReportsTheStateAfterTheDecision)
{
    UpdateChecker& c = start();
    drain(c);
    std::optional<UpdateChecker::Result> result;
    c.checkNow(false, [&](const UpdateChecker::Result& r) { result = r; });
    EXPECT_TRUE(c.isChecking());
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return result.has_value(); }));
    ASSERT_TRUE(std::holds_alternative<UpdateState>(*result));
    EXPECT_EQ(std::get<UpdateState>(*result), c.state());
}

}  // namespace
