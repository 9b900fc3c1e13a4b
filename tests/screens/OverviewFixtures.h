#pragma once

// Inspections for the screens: fake machines (a rich laptop that fires every highlight,
// an Intel desktop), this machine, and none at all; plus small hand-made sections.
#include "inspection/Quorlent.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FakePlatform.h"
#include "ui/UiLanguage.h"

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace ScreenFixtures {

inline CapabilityItem item(const QString& label, const QString& value, CapabilityStatus status)
{
    return CapabilityItem::make(label, value, status, QString());
}

// A MacBook with everything the highlights look for: the on-device model, AV1 decoding,
// ProRes, hardware ray tracing, a 120 Hz HDR built-in display next to a 60 Hz one, the
// Neural Engine and Touch ID; its battery comes from the laptop fixture tree.
inline FakeMachine richLaptop()
{
    FakeMachine m = FakeMachine::appleSilicon();
    m.system.os = OperatingSystem{QStringLiteral("macOS"), 26, 1, 0, {}};
    m.system.host = QStringLiteral("Ada’s MacBook Pro");
    m.system.setText("hw.model", "Mac15,8");
    m.system.setText("machdep.cpu.brand_string", "Apple M3 Max");
    // An M3: Apple GPU family 9, with ray tracing in hardware.
    GraphicsInventory gpus = m.graphics.value;
    for (GraphicsDevice* d : {&*gpus.defaultDevice, &gpus.devices.first()}) {
        d->name = QStringLiteral("Apple M3 Max");
        d->supportedFamilies.insert(1009);
        d->hasHardwareRaytracing = true;
    }
    m.graphics.value = gpus;
    m.languageModel.value = LanguageModelAvailability{true, LanguageModelAvailability::Reason::None};
    const quint32 avc1 = 0x61766331, hvc1 = 0x68766331, apcn = 0x6170636e, av01 = 0x61763031;
    m.video.value = VideoCodecSupport{{avc1, hvc1, apcn, av01}, QList<VideoEncoderEntry>{{avc1, true}, {hvc1, true}, {apcn, true}}};
    m.displays.list = {ScreenInfo{QStringLiteral("Built-in Liquid Retina XDR Display"), 1728, 1117, 2, true, 120, 16},
                       ScreenInfo{QStringLiteral("DELL U2723QE"), 3840, 2160, 1, false, 60, 1}};
    return m;
}

// A model over a machine; the machine and its readers live as long as the model.
class Inspection {
public:
    enum class Kind { richLaptop, intelDesktop, host, none };

    explicit Inspection(Kind kind)
    {
        if (kind == Kind::richLaptop) {
            machine_ = std::make_unique<FakeMachine>(richLaptop());
            tree_ = std::make_unique<LinuxPlatform>(QStringLiteral(QRL_FIXTURES_DIR "/laptop"), QStringLiteral("/"));
            FakeMachine::Overrides o;
            o.power = &tree_->power;
            platform_ = std::make_unique<Platform>(machine_->platform(o));
        } else if (kind == Kind::intelDesktop || kind == Kind::none) {
            machine_ = std::make_unique<FakeMachine>(FakeMachine::intelMac());
            platform_ = std::make_unique<Platform>(machine_->platform());
        }
        Quorlent::Dependencies deps{kind == Kind::host ? Platform::host() : *platform_,
                                    [] { return UiLanguage::current(); },
                                    nullptr,
                                    nullptr,
                                    {},
                                    [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 41, 5)); }};
        model_ = std::make_unique<Quorlent>(std::move(deps));
        if (kind != Kind::none) model_->refresh();
    }
    Quorlent& model() { return *model_; }
    FakeMachine* machine() { return machine_.get(); }

private:
    std::unique_ptr<FakeMachine> machine_;
    std::unique_ptr<LinuxPlatform> tree_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Quorlent> model_;
};

}  // namespace ScreenFixtures
