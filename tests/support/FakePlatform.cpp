#include "support/FakePlatform.h"

FakeMachine FakeMachine::appleSilicon()
{
    FakeMachine m;
    m.system.setText("hw.model", "Mac14,2");
    m.system.setText("machdep.cpu.brand_string", "Apple M2");
    m.system.setInt32("hw.optional.arm64", 1);
    m.system.setInt32("sysctl.proc_translated", 0);
    m.system.setText("kern.osversion", "23F79");
    m.system.vendor = QStringLiteral("Apple");
    m.system.machine = QStringLiteral("arm64");
    m.power.addBattery(80, false, false);
    m.power.battery = QVariantMap{{"CycleCount", qint64(123)}};
    GraphicsDevice gpu;
    gpu.name = QStringLiteral("Apple M2");
    gpu.hasUnifiedMemory = true;
    gpu.recommendedMaxWorkingSetSize = 11453251584ull;
    for (int n = 1; n <= 8; ++n) gpu.supportedFamilies.insert(1000 + n);
    gpu.supportedFamilies.insert(5001);
    gpu.supportsRaytracing = true;
    m.graphics.value = GraphicsInventory{{gpu}, gpu};
    m.displays.list = {ScreenInfo{QStringLiteral("Built-in Liquid Retina XDR Display"), 1512, 982, 2, true, 120, 16}};
    const quint32 avc1 = 0x61766331, hvc1 = 0x68766331, apcn = 0x6170636e;
    m.video.value = VideoCodecSupport{{avc1, hvc1, apcn}, QList<VideoEncoderEntry>{{avc1, true}, {hvc1, true}, {apcn, true}}};
    m.capture.cameras = {{QStringLiteral("FaceTime HD Camera"), CaptureDeviceType::BuiltInWideAngleCamera}};
    m.capture.microphones = {{QStringLiteral("MacBook Pro Microphone"), CaptureDeviceType::Microphone}};
    // An M2 with four performance and four efficiency cores.
    m.system.setInt32("hw.physicalcpu", 8);
    m.system.setInt32("hw.logicalcpu", 8);
    m.system.setInt32("hw.nperflevels", 2);
    m.system.setInt32("hw.perflevel0.physicalcpu", 4);
    m.system.setInt32("hw.perflevel1.physicalcpu", 4);
    m.system.setInt32("hw.optional.arm.FEAT_SME", 0);
    m.system.setInt32("hw.optional.arm.FEAT_BF16", 1);
    m.security.bio = BiometricState{true, BiometryType::touchID};
    m.security.enclave = true;
    return m;
}

FakeMachine FakeMachine::intelMac()
{
    FakeMachine m;
    m.system.setText("hw.model", "iMac20,1");
    m.system.setText("machdep.cpu.brand_string", "Intel(R) Core(TM) i7-10700K CPU @ 3.80GHz");
    m.system.setText("kern.osversion", "22G91");
    m.system.os = OperatingSystem{QStringLiteral("macOS"), 13, 6, 1, {}};
    m.system.vendor = QStringLiteral("Intel");
    m.system.machine = QStringLiteral("x86_64");
    m.system.host = QStringLiteral("Studio iMac");
    m.system.setInt32("hw.physicalcpu", 8);
    m.system.setInt32("hw.logicalcpu", 16);
    m.system.setInt32("hw.nperflevels", 1);
    m.system.setInt32("hw.perflevel0.physicalcpu", 8);
    m.system.setInt64("hw.cpufrequency_max", 3800000000);
    m.system.setInt32("hw.optional.avx2_0", 1);
    m.system.setInt32("hw.optional.avx512f", 0);
    return m;
}

FakeMachine FakeMachine::linuxPC()
{
    FakeMachine m;
    m.system.setText("hw.model", "B550 AORUS ELITE");
    m.system.setText("machdep.cpu.brand_string", "AMD Ryzen 7 5800X 8-Core Processor");
    m.system.setText("kern.osversion", "6.1.0-18-amd64");
    m.system.os = OperatingSystem{QStringLiteral("Debian GNU/Linux"), 0, 0, 0, QStringLiteral("12")};
    m.system.vendor = QStringLiteral("AMD");
    m.system.machine = QStringLiteral("x86_64");
    m.system.host = QStringLiteral("workstation");
    m.system.volume = VolumeCapacity{QStringLiteral("nvme0n1p2"), 1000000000000, 250000000000};
    m.system.memory = 32ull * 1024 * 1024 * 1024;
    m.system.setInt32("hw.physicalcpu", 8);
    m.system.setInt32("hw.logicalcpu", 16);
    m.system.setInt32("hw.nperflevels", 1);
    m.system.setInt64("hw.cpufrequency_max", 4850000000);
    m.system.setInt32("hw.optional.avx2_0", 1);
    m.system.setInt32("hw.optional.avx512f", 0);
    // No account service on the bus: the password is unknown.
    m.security.password = std::nullopt;
    m.powerMode.lowPower = std::nullopt;
    return m;
}
