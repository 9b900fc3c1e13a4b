#include "shell/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kConnectMs = 1000;
const QByteArray kActivate = "activate\n";
const QByteArray kAcknowledged = "ok\n";
// A client that sends more than this without the request is not one of ours.
constexpr qsizetype kMaxRequest = 4096;

bool socketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// Waits up to `ms` for `events` on `fd`, going on after a signal.
bool waitFor(int fd, short events, int ms)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, ms);
        if (n >= 0) return n > 0;
        if (errno != EINTR) return false;
    }
}

bool writeAll(int fd, const QByteArray& data, int ms)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n > 0) { done += n; continue; }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, ms)) continue;
        return false;
    }
    return true;
}

struct Fd {
    int fd = -1;
    ~Fd() { if (fd >= 0) ::close(fd); }
};
}  // namespace

struct SingleInstance::Client {
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray received;
};

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() { release(); }

QString SingleInstance::defaultName()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    return QDir(dir).filePath(QStringLiteral("quorlent.instance"));
}

QString SingleInstance::path() const
{
    return QDir::isAbsolutePath(name_) ? name_ : QDir(QDir::tempPath()).filePath(name_);
}

bool SingleInstance::forward()
{
    sockaddr_un address;
    if (!socketAddress(path(), address)) return false;
    Fd s{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (s.fd < 0) return false;
    // A file nobody listens on refuses at once; a live copy whose queue is full (EAGAIN) takes
    // the connection a moment later, so that is tried again for a while.
    const QDeadlineTimer deadline(kConnectMs);
    while (::connect(s.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN || deadline.hasExpired()) return false;
        ::usleep(10'000);
    }
    if (!writeAll(s.fd, kActivate, kConnectMs)) return false;
    // The answer tells that a live copy took it; a copy that is quitting closes instead. One
    // that keeps the connection open without answering is alive but busy: it was asked.
    if (!waitFor(s.fd, POLLIN, kConnectMs)) return true;
    char answer[16];
    ssize_t n;
    do n = ::recv(s.fd, answer, sizeof answer, 0); while (n < 0 && errno == EINTR);
    return n > 0;
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(path(), address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // Only this user may connect: the socket is made without group or other bits.
    const mode_t previous = ::umask(077);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(listenNotifier_.get(), &QSocketNotifier::activated, this, [this] { accept(); });
    return true;
}

void SingleInstance::accept()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // EAGAIN: none left; anything else: try again at the next notification
        }
        auto client = std::make_unique<Client>();
        client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(client->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { readClient(fd); });
        clients_[fd] = std::move(client);
    }
}

void SingleInstance::readClient(int fd)
{
    auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    Client& client = *it->second;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            client.received.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        dropClient(fd);  // closed by the other side, or broken
        return;
    }
    if (client.received.contains(kActivate.trimmed())) {
        writeAll(fd, kAcknowledged, kConnectMs);
        dropClient(fd);
        emit activationRequested();
        return;
    }
    if (client.received.size() > kMaxRequest) dropClient(fd);
}

void SingleInstance::dropClient(int fd)
{
    auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    it->second->notifier->setEnabled(false);
    // The notifier is only deleted later: this may run inside its own activation.
    it->second->notifier.release()->deleteLater();
    clients_.erase(it);
    ::close(fd);
}

SingleInstance::Outcome SingleInstance::start()
{
    if (listener_ >= 0) return Outcome::primary;
    // The lock makes "look for a copy, else take the socket" one step between launches.
    QLockFile lock(path() + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(3000);

    if (forward()) return Outcome::forwarded;
    // Nobody answers: whatever is left at the socket's path belongs to a copy that is gone.
    QFile::remove(path());
    if (!listen()) return Outcome::alone;
    if (locked) lock.unlock();
    return Outcome::primary;
}

void SingleInstance::release()
{
    if (listener_ < 0) return;
    while (!clients_.empty()) dropClient(clients_.begin()->first);
    listenNotifier_.reset();
    ::close(listener_);
    listener_ = -1;
    // The next copy binds the path anew.
    QFile::remove(path());
}

bool SingleInstance::releaseAndStart(const QString& program, const QStringList& arguments)
{
    release();
    return QProcess::startDetached(program, arguments);
}

bool SingleInstance::isListening() const { return listener_ >= 0; }
