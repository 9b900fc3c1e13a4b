#pragma once

#include "platform/NetworkInterfaces.h"

// The interface address list from getifaddrs.
class LinuxNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<QList<InterfaceAddress>> addresses() const override;
};
