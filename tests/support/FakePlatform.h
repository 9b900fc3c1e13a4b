#pragma once

// Fakes of the platform seam that can play any machine, including ones the test
// machine is not (an Apple Silicon Mac, a translated process, a laptop).
#include "platform/Platform.h"

#include <QHash>

class FakeSystemFacts : public SystemFacts {
public:
    QHash<QString, QByteArray> sysctls;
    std::optional<QString> host = QStringLiteral("Test Machine");
    quint64 memory = 16ull * 1024 * 1024 * 1024;
    double uptime = 93784;  // 1 day, 2 hours, 3 minutes, 4 seconds
    ThermalState thermal = ThermalState::Nominal;
    OperatingSystem os{QStringLiteral("macOS"), 14, 5, 0, {}};
    std::optional<VolumeCapacity> volume = VolumeCapacity{QStringLiteral("Macintosh HD"), 494384795648, 120000000000};
    std::optional<QString> vendor;
    QString machine = QStringLiteral("arm64");

    std::optional<QByteArray> sysctl(const QString& name) const override
    {
        auto it = sysctls.constFind(name);
        if (it == sysctls.constEnd()) return std::nullopt;
        return it.value();
    }
    std::optional<QString> hostName() const override { return host; }
    quint64 physicalMemory() const override { return memory; }
    double systemUptime() const override { return uptime; }
    ThermalState thermalState() const override { return thermal; }
    OperatingSystem operatingSystem() const override { return os; }
    std::optional<VolumeCapacity> homeVolume() const override { return volume; }
    std::optional<QString> cpuVendor() const override { return vendor; }
    QString machineArchitecture() const override { return machine; }

    void setText(const QString& name, const QString& value) { sysctls[name] = SysctlValue::text(value); }
    void setInt32(const QString& name, qint32 v) { sysctls[name] = SysctlValue::int32(v); }
    void setInt64(const QString& name, qint64 v) { sysctls[name] = SysctlValue::int64(v); }
};

class FakePowerSources : public PowerSources {
public:
    std::optional<QVariantList> descriptions = QVariantList{};
    std::optional<QVariantMap> battery;

    std::optional<QVariantList> powerSourceDescriptions() const override { return descriptions; }
    std::optional<QVariantMap> smartBatteryProperties() const override { return battery; }

    // An internal battery at `percent` of 100.
    void addBattery(qint64 percent, bool charging, bool onAC, std::optional<QString> health = QStringLiteral("Good"))
    {
        QVariantMap d{{"Type", "InternalBattery"}, {"Current Capacity", percent}, {"Max Capacity", qint64(100)},
                      {"Is Charging", charging}, {"Power Source State", onAC ? "AC Power" : "Battery Power"}};
        if (health) d["BatteryHealth"] = *health;
        if (!descriptions) descriptions = QVariantList{};
        descriptions->append(d);
    }
};

class FakePowerMode : public PowerMode {
public:
    std::optional<bool> lowPower = false;
    std::optional<bool> lowPowerModeEnabled() const override { return lowPower; }
};

class FakeSecurityFacts : public SecurityFacts {
public:
    BiometricState bio;
    std::optional<bool> password = true;
    bool enclave = false;
    QHash<QString, QString> env;
    bool confined = false;

    BiometricState biometrics() const override { return bio; }
    std::optional<bool> devicePasswordSet() const override { return password; }
    bool secureEnclaveAvailable() const override { return enclave; }
    QHash<QString, QString> environment() const override { return env; }
    bool sandboxConfined() const override { return confined; }
};

class FakeNetworkInterfaces : public NetworkInterfaces {
public:
    std::optional<QList<InterfaceAddress>> list = QList<InterfaceAddress>{};
    std::optional<QList<InterfaceAddress>> addresses() const override { return list; }
};

class FakeGraphicsDevices : public GraphicsDevices {
public:
    GraphicsInventory value;
    GraphicsInventory inventory() const override { return value; }
};

class FakeLanguageModel : public LanguageModelService {
public:
    std::optional<LanguageModelAvailability> value;
    std::optional<LanguageModelAvailability> availability() const override { return value; }
};

class FakeDisplayList : public DisplayList {
public:
    QList<ScreenInfo> list;
    QList<ScreenInfo> screens() const override { return list; }
};

class FakeVideoCodecs : public VideoCodecs {
public:
    VideoCodecSupport value{{}, QList<VideoEncoderEntry>{}};
    VideoCodecSupport support() const override { return value; }
};

class FakeCaptureDevices : public CaptureDevices {
public:
    QList<CaptureDevice> cameras;
    QList<CaptureDevice> microphones;
    CameraAuthorization authorization = CameraAuthorization::NotDetermined;
    // The type lists asked for, in order, so tests can check the discovery.
    mutable QList<QList<CaptureDeviceType>> asked;

    QList<CaptureDevice> devices(const QList<CaptureDeviceType>& types, CaptureMedia media) const override
    {
        asked.append(types);
        QList<CaptureDevice> out;
        for (const CaptureDevice& d : media == CaptureMedia::Video ? cameras : microphones)
            if (types.contains(d.type)) out.append(d);
        return out;
    }
    CameraAuthorization cameraAuthorization() const override { return authorization; }
};

// One fake machine; copyable presets.
struct FakeMachine {
    FakeSystemFacts system;
    FakePowerSources power;
    FakeNetworkInterfaces network;
    FakeGraphicsDevices graphics;
    FakeLanguageModel languageModel;
    FakeDisplayList displays;
    FakeVideoCodecs video;
    FakeCaptureDevices capture;
    FakePowerMode powerMode;
    FakeSecurityFacts security;

    Platform platform() const { return platform(Overrides{}); }

    // This machine with some readers replaced (a Linux reader on a fixture tree, say).
    struct Overrides {
        const SystemFacts* system = nullptr;
        const PowerSources* power = nullptr;
        const NetworkInterfaces* network = nullptr;
        const PowerMode* powerMode = nullptr;
        const SecurityFacts* security = nullptr;
    };
    Platform platform(const Overrides& o) const
    {
        return Platform{o.system ? *o.system : system, o.power ? *o.power : power, o.network ? *o.network : network,
                        graphics, languageModel, displays, video, capture,
                        o.powerMode ? *o.powerMode : powerMode, o.security ? *o.security : security};
    }

    static FakeMachine appleSilicon();  // a MacBook Pro with Apple silicon, native process
    static FakeMachine intelMac();      // an Intel iMac without battery
    static FakeMachine linuxPC();       // an AMD desktop running Debian
};
