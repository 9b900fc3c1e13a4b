#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// What the network looks like from here: reachability and the kind of link in use.
struct NetworkPath {
    enum class Status { Satisfied, Unsatisfied, RequiresConnection };
    enum class InterfaceType { Wifi, Cellular, WiredEthernet, Loopback, Other };

    Status status = Status::Unsatisfied;
    QList<InterfaceType> interfaceTypes;  // the types of the interfaces the path uses
    bool supportsIPv4 = false;
    bool supportsIPv6 = false;
    bool isExpensive = false;
    bool isConstrained = false;
    // The interfaces of the path: (name, numeric IPv4 address) of every interface that is up
    // and not a loopback, in system order, so a link that comes, changes its address or goes
    // is a change of the path.
    QList<QPair<QString, QString>> interfaceAddresses;

    bool usesInterfaceType(InterfaceType t) const { return interfaceTypes.contains(t); }
    bool operator==(const NetworkPath&) const = default;
};
Q_DECLARE_METATYPE(NetworkPath)

// Delivers the current path on the main thread soon after start() and again on every change.
class NetworkPathMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start() = 0;
    virtual void cancel() = 0;

signals:
    void pathChanged(const NetworkPath& path);
};
