#include "shell/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>

namespace {
constexpr int kConnectMs = 1000;
const QByteArray kActivate = "activate\n";
const QByteArray kAcknowledged = "ok\n";
}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() { release(); }

QString SingleInstance::defaultName()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    return QDir(dir).filePath(QStringLiteral("quorlent.instance"));
}

bool SingleInstance::forward()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectMs);
    // The answer tells that a live copy took it; a copy that is quitting may close instead.
    if (socket.waitForReadyRead(kConnectMs) && socket.readAll().startsWith(kAcknowledged.trimmed())) return true;
    return socket.state() == QLocalSocket::ConnectedState;
}

SingleInstance::Outcome SingleInstance::start()
{
    if (server_) return Outcome::primary;
    // The lock makes "look for a copy, else take the socket" one step between launches.
    QLockFile lock(name_ + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(3000);

    if (forward()) return Outcome::forwarded;
    // Nobody answers: whatever is left of the socket belongs to a copy that is gone.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        delete server_;
        server_ = nullptr;
        return Outcome::alone;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->readAll().contains(kActivate.trimmed())) return;
                client->write(kAcknowledged);
                client->flush();
                client->disconnectFromServer();
                emit activationRequested();
            });
        }
    });
    if (locked) lock.unlock();
    return Outcome::primary;
}

void SingleInstance::release()
{
    if (!server_) return;
    server_->close();
    delete server_;
    server_ = nullptr;
}

bool SingleInstance::releaseAndStart(const QString& program, const QStringList& arguments)
{
    release();
    return QProcess::startDetached(program, arguments);
}

bool SingleInstance::isListening() const { return server_ && server_->isListening(); }
