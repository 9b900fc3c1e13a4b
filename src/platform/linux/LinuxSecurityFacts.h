#pragma once

#include "platform/SecurityFacts.h"
#include "platform/SystemBus.h"
#include "platform/linux/SysFs.h"

#include <sys/types.h>

// Fingerprint reader from fprintd, account password from AccountsService, confinement
// from Flatpak's and Snap's marks. No Linux machine has a Secure Enclave.
class LinuxSecurityFacts : public SecurityFacts {
public:
    // `bus` null means the system bus; `environment` absent means this process's own;
    // `uid` negative means this process's user.
    explicit LinuxSecurityFacts(QString root = QStringLiteral("/"), const SystemBus* bus = nullptr,
                                std::optional<QHash<QString, QString>> environment = std::nullopt, qint64 uid = -1);

    BiometricState biometrics() const override;
    std::optional<bool> devicePasswordSet() const override;
    bool secureEnclaveAvailable() const override { return false; }
    QHash<QString, QString> environment() const override;
    bool sandboxConfined() const override;

private:
    SysFs fs_;
    const SystemBus* bus_;
    std::optional<QHash<QString, QString>> environment_;
    qint64 uid_;
};
