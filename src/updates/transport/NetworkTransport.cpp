// The update session's HTTP stack, built as a module of its own (see HttpTransport.h).
#include "updates/HttpTransport.h"
#include "updates/transport/ReplyErrors.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

class NetworkTransport final : public HttpTransport {
public:
    NetworkTransport()
    {
        // No cache is installed on the manager, and cookies are neither sent nor kept (see get()).
        manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    ~NetworkTransport() override
    {
        // Replies still running die with the manager; their completions must not run into a
        // half-destroyed session or its owner.
        for (QNetworkReply* reply : manager_.findChildren<QNetworkReply*>()) reply->disconnect(&context_);
    }

    void get(const HttpTransportRequest& r, Completion done) override;

private:
    // Declared first, destroyed last: the replies' connections to it go before it does.
    QObject context_;
    QNetworkAccessManager manager_;
};

void NetworkTransport::get(const HttpTransportRequest& r, Completion done)
{
    QNetworkRequest request(r.url);
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(r.maxRedirects);
    // Qt's transfer time-out restarts with every byte received: it is an idle limit.
    request.setTransferTimeout(int(std::clamp<qint64>(r.idleTimeoutMs, 1, INT_MAX)));

    QNetworkReply* reply = manager_.get(request);

    struct Transfer {
        QByteArray body;
        bool tooLarge = false;
        bool timedOut = false;
        bool finished = false;
    };
    auto transfer = std::make_shared<Transfer>();
    const qint64 limit = r.maxBodyBytes;

    auto status = [reply] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    auto giveUp = [reply, transfer](bool tooLarge) {
        if (transfer->finished) return;
        (tooLarge ? transfer->tooLarge : transfer->timedOut) = true;
        reply->abort();
    };

    auto* whole = new QTimer(reply);
    whole->setSingleShot(true);
    QObject::connect(whole, &QTimer::timeout, reply, [giveUp] { giveUp(false); });
    whole->start(int(std::clamp<qint64>(r.transferTimeoutMs, 1, INT_MAX)));

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, status, giveUp, limit] {
        if (status() != 200) return;
        bool ok = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && length > limit) giveUp(true);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, status, giveUp, transfer, limit] {
        if (transfer->tooLarge || transfer->timedOut) return;
        const QByteArray chunk = reply->readAll();
        if (status() != 200) return;
        if (transfer->body.size() + chunk.size() > limit) {
            giveUp(true);
            return;
        }
        transfer->body += chunk;
    });
    QObject::connect(reply, &QNetworkReply::finished, &context_, [reply, status, transfer, limit, done = std::move(done)] {
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
            response.completed = redirectWithoutTarget ||
                                 !ReplyErrors::isTransportFailure(reply->error(), statusAttribute.isValid());
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

}  // namespace

extern "C" Q_DECL_EXPORT HttpTransport* qrl_create_http_transport() { return new NetworkTransport; }
