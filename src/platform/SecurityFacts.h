#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The kind of biometric sensor the machine offers (a fingerprint reader counts as Touch ID).
enum class BiometryType { none, touchID, faceID };

struct BiometricState {
    // The sensor can authenticate the owner now (present and enrolled).
    bool canEvaluate = false;
    BiometryType type = BiometryType::none;
    bool operator==(const BiometricState&) const = default;
};

// What the Security section asks of the machine's authentication and confinement.
class SecurityFacts {
public:
    virtual ~SecurityFacts() = default;
    virtual BiometricState biometrics() const = 0;
    // Whether the user's account has a password; absent when no service could say.
    virtual std::optional<bool> devicePasswordSet() const = 0;
    virtual bool secureEnclaveAvailable() const = 0;
    // The process environment.
    virtual QHash<QString, QString> environment() const = 0;
    // True when an application sandbox of this system confines the process.
    virtual bool sandboxConfined() const = 0;
};
