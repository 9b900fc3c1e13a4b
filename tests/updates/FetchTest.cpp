#include "support/LocalHttpServer.h"
#include "updates/UpdateChecker.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QByteArray kDocument = R"({"latest_version": "2.0", "latest_build": 7, "min_build": 3, "minimum_macos": "13",
  "download_url": "https://example.com/q", "notes": {"en": "New", "ar": "جديد"}})";

enum class Outcome { success, network, badResponse, none };

Outcome outcomeOf(const UpdateChecker::FetchResult& r)
{
    if (std::holds_alternative<AppVersionInfo>(r)) return Outcome::success;
    return std::get<UpdateChecker::FetchFailure>(r) == UpdateChecker::FetchFailure::network ? Outcome::network
                                                                                          : Outcome::badResponse;
}

std::ostream& operator<<(std::ostream& os, Outcome o)
{
    const char* names[] = {"success", "network", "badResponse", "none"};
    return os << names[int(o)];
}

// One fetch against `url`; waits for its end.
Outcome fetchOnce(const QUrl& url, APISession::Settings settings = {})
{
    APISession session(settings);
    Outcome outcome = Outcome::none;
    UpdateChecker::fetch(url, session, [&](const UpdateChecker::FetchResult& r) { outcome = outcomeOf(r); });
    EXPECT_TRUE(LocalHttpServer::waitUntil([&] { return outcome != Outcome::none; }));
    return outcome;
}

QByteArray padded(const QByteArray& json, qint64 size)
{
    QByteArray out = json;
    out.insert(1, QByteArray(size - json.size(), ' '));
    return out;
}

struct AnswerCase {
    const char* name;
    std::function<HttpAnswer()> answer;
    Outcome expected;
    APISession::Settings settings = {};
};

APISession::Settings quickIdle()
{
    APISession::Settings s;
    s.idleTimeout = 300ms;
    return s;
}

APISession::Settings quickWhole()
{
    APISession::Settings s;
    s.idleTimeout = 30s;
    s.transferTimeout = 300ms;
    return s;
}

APISession::Settings smallBodies()
{
    APISession::Settings s;
    s.maxBodyBytes = 1000;
    return s;
}

HttpAnswer with(HttpAnswer a, const std::function<void(HttpAnswer&)>& change)
{
    change(a);
    return a;
}

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class FetchAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(FetchAnswerTest, Classification)
{
    const AnswerCase& c = GetParam();
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setAnswer("/v1/app/version", c.answer());
    server.setAnswer("/elsewhere", HttpAnswer::json(kDocument));
    server.setAnswer("/missing", HttpAnswer::json("{}", 404));
    server.setAnswer("/loop", HttpAnswer::redirect(302, "/loop"));
    EXPECT_EQ(fetchOnce(server.url("/v1/app/version"), c.settings), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FetchAnswerTest,
    ::testing::Values(
        AnswerCase{"valid", [] { return HttpAnswer::json(kDocument); }, Outcome::success},
        AnswerCase{"validWithoutContentType", [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.headers.clear(); }); },
                   Outcome::success},
        AnswerCase{"validClosedDelimited",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.sendContentLength = false; }); },
                   Outcome::success},
        AnswerCase{"invalidDocument", [] { return HttpAnswer::json(R"({"latest_build": 0})"); }, Outcome::badResponse},
        AnswerCase{"notJson", [] { return HttpAnswer::json("<html>maintenance</html>"); }, Outcome::badResponse},
        AnswerCase{"emptyBody", [] { return HttpAnswer::json(""); }, Outcome::badResponse},
        // The connection breaks before the announced length: the transfer did not complete.
        AnswerCase{"truncatedWithLength",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.truncateBodyAt = 40; }); },
                   Outcome::network},
        // Without a length the server's close ends the body: what came is not a document.
        AnswerCase{"truncatedWithoutLength",
                   [] {
                       return with(HttpAnswer::json(kDocument.left(40)), [](auto& a) { a.sendContentLength = false; });
                   },
                   Outcome::badResponse},
        AnswerCase{"hugeAnnounced", [] { return HttpAnswer::json(padded(kDocument, 4000)); }, Outcome::badResponse,
                   smallBodies()},
        AnswerCase{"hugeUnannounced",
                   [] {
                       return with(HttpAnswer::json(padded(kDocument, 4000)), [](auto& a) { a.sendContentLength = false; });
                   },
                   Outcome::badResponse, smallBodies()},
        AnswerCase{"atTheSizeLimit", [] { return HttpAnswer::json(padded(kDocument, 1000)); }, Outcome::success,
                   smallBodies()},
        AnswerCase{"hugeByDefaultLimit", [] { return HttpAnswer::json(padded(kDocument, (1 << 20) + 1)); },
                   Outcome::badResponse},
        AnswerCase{"notModified", [] { return HttpAnswer::json("", 304); }, Outcome::badResponse},
        AnswerCase{"notFoundWithDocument", [] { return HttpAnswer::json(kDocument, 404); }, Outcome::badResponse},
        AnswerCase{"serverError", [] { return HttpAnswer::json(kDocument, 500); }, Outcome::badResponse},
        AnswerCase{"unavailable", [] { return HttpAnswer::json("", 503); }, Outcome::badResponse},
        AnswerCase{"created", [] { return HttpAnswer::json(kDocument, 201); }, Outcome::badResponse},
        AnswerCase{"unauthorized", [] { return HttpAnswer::json("", 401); }, Outcome::badResponse},
        // No proxy is in use: a 407 is the server's answer.
        AnswerCase{"proxyAuthenticationFromTheServer", [] { return HttpAnswer::json("", 407); }, Outcome::badResponse},
        AnswerCase{"teapot", [] { return HttpAnswer::json("", 418); }, Outcome::badResponse},
        AnswerCase{"badGateway", [] { return HttpAnswer::json("", 502); }, Outcome::badResponse},
        AnswerCase{"noContent", [] { return HttpAnswer::json("", 204); }, Outcome::badResponse},
        AnswerCase{"multipleChoicesWithoutLocation", [] { return HttpAnswer::json("", 300); }, Outcome::badResponse},
        AnswerCase{"redirectToDocument", [] { return HttpAnswer::redirect(302, "/elsewhere"); }, Outcome::success},
        AnswerCase{"permanentRedirectToDocument", [] { return HttpAnswer::redirect(301, "/elsewhere"); }, Outcome::success},
        AnswerCase{"redirectToMissing", [] { return HttpAnswer::redirect(307, "/missing"); }, Outcome::badResponse},
        AnswerCase{"redirectLoop", [] { return HttpAnswer::redirect(302, "/loop"); }, Outcome::network},
        AnswerCase{"redirectWithoutLocation", [] { return HttpAnswer::json("", 302); }, Outcome::badResponse},
        AnswerCase{"closeWithoutAnswer", [] { return with(HttpAnswer{}, [](auto& a) { a.closeWithoutAnswer = true; }); },
                   Outcome::network},
        AnswerCase{"delayBeyondIdle",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.delayBeforeHeadersMs = 5000; }); },
                   Outcome::network, quickIdle()},
        AnswerCase{"stallAfterHeaders",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.stallAfterBodyBytes = 0; }); },
                   Outcome::network, quickIdle()},
        AnswerCase{"stallInBody",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.stallAfterBodyBytes = 20; }); },
                   Outcome::network, quickIdle()},
        // The idle limit is generous here; the limit on the whole transfer ends it.
        AnswerCase{"stallBeyondWholeTransfer",
                   [] { return with(HttpAnswer::json(kDocument), [](auto& a) { a.stallAfterBodyBytes = 20; }); },
                   Outcome::network, quickWhole()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Fetch, RefusedConnectionIsANetworkFailure)
{
    const quint16 port = LocalHttpServer::refusedPort();
    EXPECT_EQ(fetchOnce(QUrl("http://127.0.0.1:" + QString::number(port) + "/v1/app/version")), Outcome::network);
}

TEST(Fetch, RequestCarriesTheHeadersAndNoCookies)
{
    LocalHttpServer server;
    HttpAnswer a = HttpAnswer::json(kDocument);
    a.headers.append(std::pair<QByteArray, QByteArray>("Set-Cookie", "session=abc; Path=/"));
    server.setAnswer("/v1/app/version", a);
    APISession session;
    for (int i = 0; i < 2; ++i) {
        bool done = false;
        UpdateChecker::fetch(server.url("/v1/app/version"), session, [&](const auto&) { done = true; });
        ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return done; }));
    }
    ASSERT_EQ(server.requests().size(), 2);
    for (const auto& r : server.requests()) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.header("Accept"), "application/json");
        EXPECT_TRUE(r.header("Cookie").isEmpty());
    }
}

TEST(Fetch, DecodesTheDocument)
{
    LocalHttpServer server;
    server.setAnswer("/v1/app/version", HttpAnswer::json(kDocument));
    APISession session;
    std::optional<UpdateChecker::FetchResult> result;
    UpdateChecker::fetch(server.url("/v1/app/version"), session, [&](const auto& r) { result = r; });
    ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return result.has_value(); }));
    const auto* info = std::get_if<AppVersionInfo>(&*result);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->latestBuild, 7);
    EXPECT_EQ(info->notes.ar, QString::fromUtf8("جديد"));
}

TEST(Fetch, DestroyingTheSessionDropsTheCompletion)
{
    LocalHttpServer server;
    HttpAnswer held = HttpAnswer::json(kDocument);
    held.hold = true;
    server.setAnswer("/v1/app/version", held);
    bool called = false;
    {
        APISession session;
        UpdateChecker::fetch(server.url("/v1/app/version"), session, [&](const auto&) { called = true; });
        ASSERT_TRUE(LocalHttpServer::waitUntil([&] { return server.requests().size() == 1; }));
    }
    server.releaseHeld();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}

}  // namespace
