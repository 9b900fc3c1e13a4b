#include "support/LocalHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

namespace {
QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool hasHeader(const HttpAnswer& a, const QByteArray& name)
{
    for (const auto& [n, v] : a.headers)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}
}  // namespace

HttpAnswer HttpAnswer::json(QByteArray body, int status)
{
    HttpAnswer a;
    a.status = status;
    a.headers = {{"Content-Type", "application/json"}};
    a.body = std::move(body);
    return a;
}

HttpAnswer HttpAnswer::redirect(int status, QByteArray location)
{
    HttpAnswer a;
    a.status = status;
    a.headers = {{"Location", std::move(location)}};
    return a;
}

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
    server_.listen(QHostAddress::LocalHost, 0);
}

LocalHttpServer::~LocalHttpServer()
{
    for (Connection* c : connections_) {
        if (c->socket) {
            c->socket->disconnect(this);
            c->socket->abort();
        }
        delete c;
    }
}

QUrl LocalHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:") + QString::number(port()) + path);
}

qsizetype LocalHttpServer::requestCount(const QByteArray& path) const
{
    qsizetype n = 0;
    for (const Request& r : requests_)
        if (r.path == path) ++n;
    return n;
}

bool LocalHttpServer::waitUntil(const std::function<bool()>& condition, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

quint16 LocalHttpServer::refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto* c = new Connection{socket, {}, false};
        connections_ << c;
        connect(socket, &QTcpSocket::readyRead, this, [this, c] {
            if (!c->socket) return;
            c->buffer += c->socket->readAll();
            process(c);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalHttpServer::process(Connection* c)
{
    // One request at a time per connection; the client's next one waits in the buffer.
    while (!c->busy && c->socket) {
        const qsizetype end = c->buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        const QByteArray head = c->buffer.left(end);
        c->buffer.remove(0, end + 4);

        Request r;
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        r.method = requestLine.value(0);
        r.target = requestLine.value(1);
        r.path = r.target.left(r.target.indexOf('?') < 0 ? r.target.size() : r.target.indexOf('?'));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0) r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        requests_ << r;
        emit requestReceived();

        c->busy = true;
        const auto it = answers_.constFind(r.path);
        answer(c, it != answers_.constEnd() ? *it : HttpAnswer::json("{\"error\":\"not found\"}", 404));
    }
}

void LocalHttpServer::answer(Connection* c, const HttpAnswer& a)
{
    if (a.closeWithoutAnswer) {
        c->socket->disconnectFromHost();
        return;
    }
    if (a.hold) {
        HttpAnswer released = a;
        released.hold = false;
        held_ << std::pair{c, released};
        return;
    }
    if (a.delayBeforeHeadersMs > 0) {
        QTimer::singleShot(a.delayBeforeHeadersMs, this, [this, c, a] {
            if (c->socket) send(c, a);
        });
        return;
    }
    send(c, a);
}

void LocalHttpServer::releaseHeld()
{
    const auto held = std::exchange(held_, {});
    for (const auto& [c, a] : held)
        if (c->socket) answer(c, a);
}

void LocalHttpServer::send(Connection* c, const HttpAnswer& a)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + reasonPhrase(a.status) + "\r\n";
    for (const auto& [name, value] : a.headers) out += name + ": " + value + "\r\n";
    const bool closeAfter = !a.sendContentLength || a.truncateBodyAt.has_value();
    if (a.sendContentLength && !hasHeader(a, "Content-Length"))
        out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
    if (!a.sendContentLength) out += "Connection: close\r\n";
    out += "\r\n";

    if (a.stallAfterBodyBytes) {
        out += a.body.left(*a.stallAfterBodyBytes);
        c->socket->write(out);
        return;  // never finished: the connection stays busy and open
    }
    out += a.truncateBodyAt ? a.body.left(*a.truncateBodyAt) : a.body;
    c->socket->write(out);
    if (closeAfter) {
        c->socket->disconnectFromHost();
        return;
    }
    finished(c);
}

void LocalHttpServer::finished(Connection* c)
{
    c->busy = false;
    QTimer::singleShot(0, this, [this, c] { process(c); });
}
