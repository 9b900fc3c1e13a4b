#include "platform/linux/ArmCpuParts.h"

#include <QList>
#include <QStringList>

#include <array>
#include <utility>

namespace ArmCpuParts {

namespace {
struct Part {
    int implementer;
    int part;
    const char* name;
};

// The implementer codes Arm assigns (the kernel's cputype.h lists the same).
constexpr std::array<std::pair<int, const char*>, 19> kImplementers = {{
    {0x41, "Arm"},
    {0x42, "Broadcom"},
    {0x43, "Cavium"},
    {0x44, "DEC"},
    {0x46, "Fujitsu"},
    {0x48, "HiSilicon"},
    {0x49, "Infineon"},
    {0x4d, "Motorola"},
    {0x4e, "NVIDIA"},
    {0x50, "Applied Micro"},
    {0x51, "Qualcomm"},
    {0x53, "Samsung"},
    {0x56, "Marvell"},
    {0x61, "Apple"},
    {0x66, "Faraday"},
    {0x69, "Intel"},
    {0x6d, "Microsoft"},
    {0x70, "Phytium"},
    {0xc0, "Ampere"},
}};

constexpr Part kParts[] = {
    // Arm's own designs.
    {0x41, 0xb02, "ARM11 MPCore"},
    {0x41, 0xb36, "ARM1136"},
    {0x41, 0xb56, "ARM1156"},
    {0x41, 0xb76, "ARM1176"},
    {0x41, 0xc05, "Cortex-A5"},
    {0x41, 0xc07, "Cortex-A7"},
    {0x41, 0xc08, "Cortex-A8"},
    {0x41, 0xc09, "Cortex-A9"},
    {0x41, 0xc0d, "Cortex-A17"},
    {0x41, 0xc0e, "Cortex-A17"},
    {0x41, 0xc0f, "Cortex-A15"},
    {0x41, 0xd01, "Cortex-A32"},
    {0x41, 0xd02, "Cortex-A34"},
    {0x41, 0xd03, "Cortex-A53"},
    {0x41, 0xd04, "Cortex-A35"},
    {0x41, 0xd05, "Cortex-A55"},
    {0x41, 0xd06, "Cortex-A65"},
    {0x41, 0xd07, "Cortex-A57"},
    {0x41, 0xd08, "Cortex-A72"},
    {0x41, 0xd09, "Cortex-A73"},
    {0x41, 0xd0a, "Cortex-A75"},
    {0x41, 0xd0b, "Cortex-A76"},
    {0x41, 0xd0c, "Neoverse-N1"},
    {0x41, 0xd0d, "Cortex-A77"},
    {0x41, 0xd0e, "Cortex-A76AE"},
    {0x41, 0xd40, "Neoverse-V1"},
    {0x41, 0xd41, "Cortex-A78"},
    {0x41, 0xd42, "Cortex-A78AE"},
    {0x41, 0xd43, "Cortex-A65AE"},
    {0x41, 0xd44, "Cortex-X1"},
    {0x41, 0xd46, "Cortex-A510"},
    {0x41, 0xd47, "Cortex-A710"},
    {0x41, 0xd48, "Cortex-X2"},
    {0x41, 0xd49, "Neoverse-N2"},
    {0x41, 0xd4a, "Neoverse-E1"},
    {0x41, 0xd4b, "Cortex-A78C"},
    {0x41, 0xd4c, "Cortex-X1C"},
    {0x41, 0xd4d, "Cortex-A715"},
    {0x41, 0xd4e, "Cortex-X3"},
    {0x41, 0xd4f, "Neoverse-V2"},
    {0x41, 0xd80, "Cortex-A520"},
    {0x41, 0xd81, "Cortex-A720"},
    {0x41, 0xd82, "Cortex-X4"},
    {0x41, 0xd84, "Neoverse-V3"},
    {0x41, 0xd85, "Cortex-X925"},
    {0x41, 0xd87, "Cortex-A725"},
    {0x41, 0xd8e, "Neoverse-N3"},
    // Cavium and Marvell.
    {0x43, 0x0a1, "ThunderX"},
    {0x43, 0x0a2, "ThunderX 81xx"},
    {0x43, 0x0a3, "ThunderX 83xx"},
    {0x43, 0x0af, "ThunderX2"},
    {0x42, 0x516, "ThunderX2"},
    // Fujitsu, HiSilicon, NVIDIA, Ampere, Phytium.
    {0x46, 0x001, "A64FX"},
    {0x48, 0xd01, "Kunpeng 920"},
    {0x4e, 0x000, "Denver"},
    {0x4e, 0x003, "Denver 2"},
    {0x4e, 0x004, "Carmel"},
    {0xc0, 0xac3, "AmpereOne"},
    {0xc0, 0xac4, "AmpereOne A"},
    {0x70, 0x660, "FTC660"},
    {0x70, 0x661, "FTC661"},
    {0x70, 0x662, "FTC662"},
    {0x70, 0x663, "FTC663"},
    // Qualcomm.
    {0x51, 0x001, "Oryon"},
    {0x51, 0x800, "Kryo 2xx Gold"},
    {0x51, 0x801, "Kryo 2xx Silver"},
    {0x51, 0x802, "Kryo 3xx Gold"},
    {0x51, 0x803, "Kryo 3xx Silver"},
    {0x51, 0x804, "Kryo 4xx Gold"},
    {0x51, 0x805, "Kryo 4xx Silver"},
    {0x51, 0xc00, "Falkor"},
    {0x51, 0xc01, "Saphira"},
    // Apple: both core kinds of one chip carry the chip's name.
    {0x61, 0x022, "Apple M1"},
    {0x61, 0x023, "Apple M1"},
    {0x61, 0x024, "Apple M1 Pro"},
    {0x61, 0x025, "Apple M1 Pro"},
    {0x61, 0x028, "Apple M1 Max"},
    {0x61, 0x029, "Apple M1 Max"},
    {0x61, 0x032, "Apple M2"},
    {0x61, 0x033, "Apple M2"},
    {0x61, 0x034, "Apple M2 Pro"},
    {0x61, 0x035, "Apple M2 Pro"},
    {0x61, 0x038, "Apple M2 Max"},
    {0x61, 0x039, "Apple M2 Max"},
};

// "0x41" (or "65"): the number, absent for anything else.
std::optional<int> number(const QByteArray& text)
{
    bool ok = false;
    const QByteArray t = text.trimmed();
    const int v = t.startsWith("0x") || t.startsWith("0X") ? t.mid(2).toInt(&ok, 16) : t.toInt(&ok, 10);
    if (!ok || v < 0) return std::nullopt;
    return v;
}
}  // namespace

std::optional<QString> implementerName(int implementer)
{
    for (const auto& [id, name] : kImplementers)
        if (id == implementer) return QString::fromLatin1(name);
    return std::nullopt;
}

std::optional<QString> partName(int implementer, int part)
{
    for (const Part& p : kParts)
        if (p.implementer == implementer && p.part == part) return QString::fromLatin1(p.name);
    return std::nullopt;
}

QString coreNames(const QByteArray& cpuinfo)
{
    QStringList names;
    std::optional<int> implementer;
    bool any = false;
    for (const QByteArray& raw : cpuinfo.split('\n')) {
        const qsizetype colon = raw.indexOf(':');
        if (colon < 0) {
            implementer.reset();  // a blank line ends one processor's block
            continue;
        }
        const QByteArray key = raw.left(colon).trimmed();
        if (key == "CPU implementer") {
            implementer = number(raw.mid(colon + 1));
            if (!implementer) return {};
        } else if (key == "CPU part") {
            const auto part = number(raw.mid(colon + 1));
            if (!implementer || !part) return {};
            const auto name = partName(implementer.value_or(0), part.value_or(0));
            if (!name) return {};
            any = true;
            if (!names.contains(*name)) names << *name;
        }
    }
    return any ? names.join(QStringLiteral(" + ")) : QString();
}

}  // namespace ArmCpuParts
