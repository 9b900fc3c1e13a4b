#include "updates/APIClient.h"

#include "app/LanguageManager.h"
#include "platform/Preferences.h"
#include "platform/i18n/Localization.h"
#include "updates/VersionDocument.h"

#include "BuildConfig.h"

#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>

// ---- APISession -------------------------------------------------------------------------------

APISession::APISession(Settings settings, QObject* parent) : QObject(parent), settings_(settings) {}

APISession::~APISession()
{
    // Replies still running die with the manager; their completions must not run into a
    // half-destroyed session or its owner.
    if (manager_)
        for (QNetworkReply* reply : manager_->findChildren<QNetworkReply*>()) reply->disconnect(this);
}

QNetworkAccessManager& APISession::manager()
{
    if (!manager_) {
        manager_ = std::make_unique<QNetworkAccessManager>();
        // No cache is installed on the manager, and cookies are neither sent nor kept (see get()).
        manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return *manager_;
}

bool APISession::isTransportFailure(QNetworkReply::NetworkError error, bool hasHttpStatus)
{
    if (error == QNetworkReply::NoError) return false;
    if (!hasHttpStatus) return true;
    // The errors Qt derives from an HTTP status: the server did answer. No proxy is in use, so
    // a 407 is the server's own answer too.
    const int e = int(error);
    const bool fromStatus = (e >= QNetworkReply::ContentAccessDenied && e <= QNetworkReply::UnknownContentError &&
                             error != QNetworkReply::ContentReSendError) ||
                            error == QNetworkReply::ProtocolInvalidOperationError ||
                            error == QNetworkReply::ProxyAuthenticationRequiredError ||
                            (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError);
    return !fromStatus;
}

void APISession::get(const QUrl& url, std::chrono::milliseconds requestTimeout, Completion done)
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(settings_.maxRedirects);
    // Qt's transfer time-out restarts with every byte received: it is an idle limit.
    const auto idle = std::min(settings_.idleTimeout, requestTimeout);
    request.setTransferTimeout(int(std::max<qint64>(1, idle.count())));

    QNetworkReply* reply = manager().get(request);

    struct Transfer {
        QByteArray body;
        bool tooLarge = false;
        bool timedOut = false;
        bool finished = false;
    };
    auto transfer = std::make_shared<Transfer>();
    const qint64 limit = settings_.maxBodyBytes;

    auto status = [reply] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    auto giveUp = [reply, transfer](bool tooLarge) {
        if (transfer->finished) return;
        (tooLarge ? transfer->tooLarge : transfer->timedOut) = true;
        reply->abort();
    };

    auto* whole = new QTimer(reply);
    whole->setSingleShot(true);
    connect(whole, &QTimer::timeout, reply, [giveUp] { giveUp(false); });
    whole->start(std::max<qint64>(1, settings_.transferTimeout.count()));

    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, status, giveUp, limit] {
        if (status() != 200) return;
        bool ok = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && length > limit) giveUp(true);
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, status, giveUp, transfer, limit] {
        if (transfer->tooLarge || transfer->timedOut) return;
        const QByteArray chunk = reply->readAll();
        if (status() != 200) return;
        if (transfer->body.size() + chunk.size() > limit) {
            giveUp(true);
            return;
        }
        transfer->body += chunk;
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, status, transfer, limit, done = std::move(done)] {
        if (transfer->finished) return;
        transfer->finished = true;
        reply->deleteLater();

        APIResponse response;
        const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        response.status = statusAttribute.isValid() ? status() : 0;
        if (transfer->timedOut) {
            response.completed = false;
        } else if (transfer->tooLarge) {
            response.completed = true;
            response.bodyTooLarge = true;
        } else {
            // A redirect status without a target is the server's final answer, though Qt
            // reports it as a failed attempt to follow it.
            const bool redirectWithoutTarget =
                response.status >= 300 && response.status < 400 && reply->rawHeader("Location").isEmpty();
            response.completed =
                redirectWithoutTarget || !isTransportFailure(reply->error(), statusAttribute.isValid());
            if (response.completed && response.status == 200) {
                const QByteArray rest = reply->readAll();
                if (transfer->body.size() + rest.size() > limit) response.bodyTooLarge = true;
                else transfer->body += rest;
                response.body = transfer->body;
            }
        }
        if (done) done(response);
    });
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
