#pragma once

// A small HTTP/1.1 server on 127.0.0.1 (a port the system picks) for tests of code that talks
// to a web server. Each path gets a scripted answer; anything else gets 404.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

class QTcpSocket;

struct HttpAnswer {
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;  // sent as given, after the status line
    QByteArray body;
    // Announce the body's length; without it the body ends when the connection closes.
    bool sendContentLength = true;
    // Wait this long before anything is sent.
    int delayBeforeHeadersMs = 0;
    // Send nothing until LocalHttpServer::releaseHeld() is called.
    bool hold = false;
    // Close the connection as soon as the request has arrived, without a byte of answer.
    bool closeWithoutAnswer = false;
    // Send the headers (announcing the whole body) and this many body bytes, then nothing more;
    // the connection stays open.
    std::optional<qint64> stallAfterBodyBytes;
    // Send the headers (announcing the whole body) and this many body bytes, then close.
    std::optional<qint64> truncateBodyAt;

    static HttpAnswer json(QByteArray body, int status = 200);
    static HttpAnswer redirect(int status, QByteArray location);
};

class LocalHttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray method;
        QByteArray target;  // as sent: path and query
        QByteArray path;    // the target without its query
        QHash<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
    };

    explicit LocalHttpServer(QObject* parent = nullptr);
    ~LocalHttpServer() override;

    bool isListening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    // "http://127.0.0.1:<port>" followed by `path`.
    QUrl url(const QString& path = {}) const;

    void setAnswer(const QByteArray& path, HttpAnswer answer) { answers_.insert(path, std::move(answer)); }
    const QList<Request>& requests() const { return requests_; }
    qsizetype requestCount(const QByteArray& path) const;
    // Sends every held answer.
    void releaseHeld();

    // Runs the event loop until `condition` holds; false when it still does not after `limitMs`
    // (a guard against a hang, not a measure of speed).
    static bool waitUntil(const std::function<bool()>& condition, int limitMs = 15000);

    // A port on 127.0.0.1 that nothing listens on (it was just free).
    static quint16 refusedPort();

signals:
    void requestReceived();

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        bool busy = false;
    };

    void onNewConnection();
    void process(Connection* c);
    void answer(Connection* c, const HttpAnswer& a);
    void send(Connection* c, const HttpAnswer& a);
    void finished(Connection* c);

    QTcpServer server_;
    QHash<QByteArray, HttpAnswer> answers_;
    QList<Request> requests_;
    QList<Connection*> connections_;
    QList<std::pair<Connection*, HttpAnswer>> held_;
};
