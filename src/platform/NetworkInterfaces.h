#pragma once

#include <QList>
#include <QString>

#include <optional>

// One entry of the interface address list.
struct InterfaceAddress {
    QString name;
    bool hasAddress = true;
    bool up = false;
    bool loopback = false;
    int family = 0;        // AF_INET, AF_INET6, ...
    QString numericHost;   // empty when the address could not be turned into text
};

class NetworkInterfaces {
public:
    virtual ~NetworkInterfaces() = default;
    // The interface address list in system order; absent when it cannot be read.
    virtual std::optional<QList<InterfaceAddress>> addresses() const = 0;
};
