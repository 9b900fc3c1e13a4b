#include "updates/APIClient.h"

#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "platform/i18n/Localization.h"
#include "updates/VersionDocument.h"

#include "BuildConfig.h"

#include "updates/transport/ReplyErrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QTimer>

#include <algorithm>

// ---- APISession -------------------------------------------------------------------------------

namespace {
// The loaded module stays loaded, and its library object is never destroyed: transports made
// from it may live until the very end. The object is kept where it can be reached, not dropped.
QrlCreateHttpTransport transportFactory()
{
    struct Loaded {
        QLibrary* library = nullptr;
        QrlCreateHttpTransport factory = nullptr;
    };
    static const Loaded loaded = []() -> Loaded {
        for (const QString& dir : APISession::transportSearchPaths()) {
            const QString path = QDir(dir).filePath(APISession::transportFileName());
            if (!QFileInfo::exists(path)) continue;
            auto* library = new QLibrary(path);
            if (auto f = reinterpret_cast<QrlCreateHttpTransport>(library->resolve(kQrlCreateHttpTransportSymbol)))
                return Loaded{library, f};
            qWarning("Update transport %s: %s", qPrintable(path), qPrintable(library->errorString()));
            delete library;
        }
        qWarning("No update transport (%s) found: update checks cannot reach the server",
                 qPrintable(APISession::transportFileName()));
        return {};
    }();
    return loaded.factory;
}
}  // namespace

APISession::APISession(Settings settings, QObject* parent) : QObject(parent), settings_(settings) {}

APISession::~APISession() = default;

QString APISession::transportFileName() { return QStringLiteral(QRL_TRANSPORT_FILE_NAME); }

QStringList APISession::transportSearchPaths()
{
    QStringList dirs;
    const QString here = QCoreApplication::applicationDirPath();
    if (!here.isEmpty()) {
        dirs << here << QDir::cleanPath(QDir(here).filePath(QStringLiteral(QRL_TRANSPORT_RELATIVE_DIR)));
    }
    // Tests and benchmarks run from folders of their own inside the build tree.
    dirs << QStringLiteral(QRL_TRANSPORT_BUILD_DIR);
    dirs.removeDuplicates();
    return dirs;
}

HttpTransport* APISession::transport()
{
    if (!transportTried_) {
        transportTried_ = true;
        if (QrlCreateHttpTransport make = transportFactory()) transport_.reset(make());
    }
    return transport_.get();
}

bool APISession::isTransportFailure(int error, bool hasHttpStatus)
{
    return ReplyErrors::isTransportFailure(error, hasHttpStatus);
}

void APISession::get(const QUrl& url, std::chrono::milliseconds requestTimeout, Completion done)
{
    HttpTransport* t = transport();
    if (!t) {
        // As a request that cannot leave the machine: it fails at once, yet never inside the call.
        QTimer::singleShot(0, this, [done = std::move(done)] {
            if (done) done(APIResponse{});
        });
        return;
    }
    HttpTransportRequest request;
    request.url = url;
    request.idleTimeoutMs = std::max<qint64>(1, std::min(settings_.idleTimeout, requestTimeout).count());
    request.transferTimeoutMs = std::max<qint64>(1, settings_.transferTimeout.count());
    request.maxBodyBytes = settings_.maxBodyBytes;
    request.maxRedirects = settings_.maxRedirects;
    t->get(request, std::move(done));
}

// ---- APIClient --------------------------------------------------------------------------------

const QUrl& APIClient::defaultBaseURL()
{
    static const QUrl url(QString::fromUtf8(BuildConfig::updateServerUrl), QUrl::StrictMode);
    return url;
}

QUrl APIClient::configuredBaseURL() { return configuredBaseURL(Preferences::shared()); }

QUrl APIClient::configuredBaseURL(const Preferences& preferences)
{
    const std::optional<QString> text = preferences.stringValue(kServerURLKey);
    if (!text) return defaultBaseURL();
    if (const auto url = UpdateDecision::webAddress(UpdateDecision::trimSpaces(*text))) return *url;
    return defaultBaseURL();
}

std::unique_ptr<APISession> APIClient::makeSession(const APISession::Settings& settings)
{
    return std::make_unique<APISession>(settings);
}

QString APIClient::message(APIError::Code code) { return message(code, LanguageManager::shared().localization()); }

QString APIClient::message(APIError::Code code, const Localization& L)
{
    switch (code) {
    case APIError::Code::network:
        return L.tr("Couldn’t reach the server. Check your internet connection and try again.");
    case APIError::Code::badResponse: break;
    }
    return L.tr("The server sent an unexpected response. Please try again later.");
}

QUrl APIClient::appendingPathComponent(const QUrl& base, const QString& component)
{
    QUrl url = base;
    // Kept encoded: a decoded "%2F" in the base would come back as a real "/".
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/')) path += u'/';
    path += QString::fromLatin1(QUrl::toPercentEncoding(component.startsWith(u'/') ? component.mid(1) : component, "/"));
    url.setPath(path, QUrl::TolerantMode);
    return url;
}
