#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;

// One running copy per user. The first copy listens on a Unix socket; a later launch finds it,
// asks it to bring its main window forward, and ends. A lock file around the start keeps two
// copies launched at the same moment from both taking the socket. Plain sockets rather than
// Qt's network module: that library and the ones it pulls in would be loaded at every start
// for this one exchange.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        primary,    // this copy runs: it listens for later launches
        forwarded,  // another copy runs and was asked to come forward: exit 0
        alone,      // neither listening nor forwarding worked: run without the guard
    };

    // `name`: an absolute socket path, or a name for a socket in the temporary directory;
    // defaultName() for the application.
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    Outcome start();
    // Stops listening, so a new copy started next becomes the running one (a relaunch).
    void release();
    // A relaunch: lets go of the guard, then starts `program`, which so becomes the running copy.
    bool releaseAndStart(const QString& program, const QStringList& arguments = {});
    bool isListening() const;

    // <runtime directory>/quorlent.instance: per user and per session.
    static QString defaultName();

signals:
    // A later launch asked this copy to bring its main window forward.
    void activationRequested();

private:
    struct Client;
    QString path() const;
    bool forward();
    bool listen();
    void accept();
    void readClient(int fd);
    void dropClient(int fd);

    QString name_;
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> listenNotifier_;
    std::map<int, std::unique_ptr<Client>> clients_;
};
