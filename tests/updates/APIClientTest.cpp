#include "platform/Preferences.h"
#include "platform/i18n/Localization.h"
#include "updates/APIClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

TEST(APIClient, BuiltInAddressIsAnAbsoluteWebAddress)
{
    const QUrl& url = APIClient::defaultBaseURL();
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "https");
    EXPECT_FALSE(url.host().isEmpty());
    // An origin: the version request and the download page sit right below it.
    EXPECT_TRUE(url.path().isEmpty() || url.path() == "/") << url.toString().toStdString();
    EXPECT_EQ(APIClient::appendingPathComponent(url, "v1/app/version").path(), "/v1/app/version");
}

TEST(APIClient, ServerOverride)
{
    const QUrl builtIn = APIClient::defaultBaseURL();
    // nullptr: the built-in address is expected.
    const std::pair<const char*, const char*> cases[] = {
        {"https://updates.example.com", "https://updates.example.com"},
        {" \thttps://updates.example.com\u3000 ", "https://updates.example.com"},  // spaces, tabs, ideographic space
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"https://updates.example.com/api/", "https://updates.example.com/api/"},
        {"https://updates.example.com/api", "https://updates.example.com/api"},
        {"https://updates.example.com\n", nullptr},  // line breaks are not trimmed
        {"", nullptr},
        {"   ", nullptr},
        {"ftp://updates.example.com", nullptr},
        {"updates.example.com", nullptr},
        {"updates.example.com:443", nullptr},
        {"https://", nullptr},
        {"https:///path", nullptr},
        {"https:updates", nullptr},
        {"HTTPS://updates.example.com", nullptr},  // the scheme is compared as written
        {"Http://updates.example.com", nullptr},
        {"https://exa mple.com", nullptr},
        {"file:///etc/passwd", nullptr},
    };
    for (const auto& [text, expected] : cases) {
        Preferences prefs;
        prefs.setValue(APIClient::kServerURLKey, QString::fromUtf8(text));
        EXPECT_EQ(APIClient::configuredBaseURL(prefs), expected ? QUrl(expected) : builtIn) << text;
    }
}

TEST(APIClient, ServerOverrideOfAnotherTypeOrAbsent)
{
    Preferences prefs;
    EXPECT_EQ(APIClient::configuredBaseURL(prefs), APIClient::defaultBaseURL());
    prefs.setValue(APIClient::kServerURLKey, qint64(42));
    EXPECT_EQ(APIClient::configuredBaseURL(prefs), APIClient::defaultBaseURL());
    // Read afresh each time: a change applies to the next request.
    prefs.setValue(APIClient::kServerURLKey, QStringLiteral("https://a.example.com"));
    EXPECT_EQ(APIClient::configuredBaseURL(prefs), QUrl("https://a.example.com"));
    prefs.setValue(APIClient::kServerURLKey, QStringLiteral("https://b.example.com"));
    EXPECT_EQ(APIClient::configuredBaseURL(prefs), QUrl("https://b.example.com"));
}

TEST(APIClient, AppendingPathComponent)
{
    const std::pair<const char*, const char*> cases[] = {
        {"https://h.example.com", "https://h.example.com/v1/app/version"},
        {"https://h.example.com/", "https://h.example.com/v1/app/version"},
        {"https://h.example.com/api", "https://h.example.com/api/v1/app/version"},
        {"https://h.example.com/api/", "https://h.example.com/api/v1/app/version"},
        {"http://127.0.0.1:9/a/b?x=1", "http://127.0.0.1:9/a/b/v1/app/version?x=1"},
        // An escaped slash in the base stays one segment; an escaped space stays escaped.
        {"https://h.example.com/a%2Fb", "https://h.example.com/a%2Fb/v1/app/version"},
        {"https://h.example.com/a%20b/", "https://h.example.com/a%20b/v1/app/version"},
    };
    for (const auto& [base, expected] : cases)
        EXPECT_EQ(APIClient::appendingPathComponent(QUrl(base), "v1/app/version").toString(QUrl::FullyEncoded).toStdString(),
                  expected);
}

TEST(APIClient, MessagesInTheLanguageInUse)
{
    const Localization english = Localization::english();
    EXPECT_EQ(APIClient::message(APIError::Code::network, english),
              QString::fromUtf8("Couldn’t reach the server. Check your internet connection and try again."));
    EXPECT_EQ(APIClient::message(APIError::Code::badResponse, english),
              "The server sent an unexpected response. Please try again later.");

    static const StringTable table = StringTable::fromJson(QString::fromUtf8(R"({
        "Couldn’t reach the server. Check your internet connection and try again.": "Serveur injoignable.",
        "The server sent an unexpected response. Please try again later.": "Réponse inattendue."
    })").toUtf8());
    Localization french = Localization::forCode("fr", "fr_FR");
    french.table = &table;
    EXPECT_EQ(APIClient::message(APIError::Code::network, french), QString::fromUtf8("Serveur injoignable."));
    EXPECT_EQ(APIClient::message(APIError::Code::badResponse, french), QString::fromUtf8("Réponse inattendue."));
}

TEST(APISession, TellsTransportFailuresFromStatusErrors)
{
    using E = QNetworkReply::NetworkError;
    const std::tuple<E, bool, bool> cases[] = {
        {QNetworkReply::NoError, true, false},
        {QNetworkReply::ContentNotFoundError, true, false},         // 404
        {QNetworkReply::InternalServerError, true, false},          // 500
        {QNetworkReply::ServiceUnavailableError, true, false},      // 503
        {QNetworkReply::ContentAccessDenied, true, false},          // 403
        {QNetworkReply::AuthenticationRequiredError, true, false},  // 401
        {QNetworkReply::ProtocolInvalidOperationError, true, false},// 400
        {QNetworkReply::UnknownContentError, true, false},
        {QNetworkReply::ProxyAuthenticationRequiredError, true, false},  // 407 from the server
        {QNetworkReply::ProxyConnectionRefusedError, false, true},
        {QNetworkReply::ConnectionRefusedError, false, true},
        {QNetworkReply::RemoteHostClosedError, false, true},
        {QNetworkReply::RemoteHostClosedError, true, true},  // the body broke off
        {QNetworkReply::OperationCanceledError, true, true},
        {QNetworkReply::TimeoutError, false, true},
        {QNetworkReply::TooManyRedirectsError, true, true},
        {QNetworkReply::InsecureRedirectError, true, true},
        {QNetworkReply::SslHandshakeFailedError, false, true},
        {QNetworkReply::HostNotFoundError, false, true},
        {QNetworkReply::ProtocolFailure, false, true},
        {QNetworkReply::ContentNotFoundError, false, true},  // no HTTP answer at all
    };
    for (const auto& [error, hasStatus, transport] : cases)
        EXPECT_EQ(APISession::isTransportFailure(error, hasStatus), transport) << int(error) << ' ' << hasStatus;
}

}  // namespace

TEST(APISession, FindsItsTransportModuleFromTheBuildTree)
{
    // Test programs run from a folder of their own: the build tree's module is among the places
    // looked in, after the executable's folder and the installed location beside it.
    const QStringList dirs = APISession::transportSearchPaths();
    ASSERT_GE(dirs.size(), 2);
    EXPECT_EQ(dirs.first(), QCoreApplication::applicationDirPath());
    EXPECT_TRUE(dirs[1].endsWith(QStringLiteral("/quorlent"))) << dirs[1].toStdString();
    const bool found = std::any_of(dirs.begin(), dirs.end(), [](const QString& dir) {
        return QFileInfo::exists(QDir(dir).filePath(APISession::transportFileName()));
    });
    EXPECT_TRUE(found) << dirs.join(' ').toStdString();
}
