// Where each sysctl name the probes ask for comes from on Linux. A name that is not
// listed, or whose source is missing on this machine, is absent.
#include "platform/linux/ArmCpuParts.h"
#include "platform/linux/LinuxCpuTopology.h"
#include "platform/linux/LinuxSystemFacts.h"

namespace {
using Source = LinuxSystemFacts::SysctlSource;

std::optional<QByteArray> textOf(const std::optional<QString>& s)
{
    if (!s || s->isEmpty()) return std::nullopt;
    return SysctlValue::text(*s);
}

bool isArm64(const LinuxSystemFacts& f)
{
    const QString m = f.machineArchitecture();
    return m == "aarch64" || m == "arm64";
}

std::optional<QByteArray> count(const std::optional<int>& n)
{
    if (!n) return std::nullopt;
    return SysctlValue::int32(*n);
}

std::optional<QByteArray> flag(const std::optional<bool>& b)
{
    if (!b) return std::nullopt;
    return SysctlValue::int32(*b ? 1 : 0);
}

// One performance level's counts: level 0 always (the only one when all cores are alike),
// level 1 only on a processor with efficiency cores.
Source levelCount(int level, bool physical)
{
    return [level, physical](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
        const auto t = LinuxCpu::readTopology(f.fs());
        if (!t || level >= t->levels) return std::nullopt;
        return physical ? count(t->levelPhysical[level]) : count(t->levelLogical[level]);
    };
}

Source armFeature(LinuxCpu::ArmFeature feature)
{
    return [feature](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
        if (!isArm64(f)) return std::nullopt;
        return flag(LinuxCpu::armFeature(f.fs(), feature));
    };
}

Source x86Feature(const char* name)
{
    return [name](const LinuxSystemFacts& f) { return flag(LinuxCpu::x86Flag(f.fs(), QString::fromLatin1(name))); };
}
}  // namespace

const QHash<QString, Source>& LinuxSystemFacts::sysctlTable()
{
    static const QHash<QString, Source> table = {
        // The machine's model: the firmware's product name, else the board's maker and name
        // (retail boards leave the product name a placeholder), else (boards without DMI)
        // the device tree's model.
        {"hw.model",
         [](const LinuxSystemFacts& f) {
             if (auto product = textOf(f.dmiField("product_name"))) return product;
             const auto vendor = f.dmiField("board_vendor");
             if (const auto board = f.dmiField("board_name"))
                 return textOf(vendor && !board->startsWith(*vendor, Qt::CaseInsensitive) ? *vendor + ' ' + *board : *board);
             return textOf(f.deviceTreeModel());
         }},
        // The processor's marketing name; on Arm, where the kernel gives none, the names of
        // its cores from their implementer and part numbers, else the board's SoC line.
        {"machdep.cpu.brand_string",
         [](const LinuxSystemFacts& f) {
             const auto info = f.cpuInfo();
             QString name = info.value("model name").simplified();
             if (name.isEmpty() && info.contains("CPU implementer"))
                 if (const auto text = f.fs().read("proc/cpuinfo")) name = ArmCpuParts::coreNames(*text);
             if (name.isEmpty()) name = info.value("Hardware").simplified();
             return textOf(name);
         }},
        // 1 only on Apple's own arm64 processors; other arm64 processors read 0.
        {"hw.optional.arm64",
         [](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
             if (!isArm64(f)) return std::nullopt;
             return SysctlValue::int32(f.cpuVendor() == QStringLiteral("Apple") ? 1 : 0);
         }},
        // No process runs translated on Linux: "sysctl.proc_translated" is absent.
        // The build of the running system: the kernel release.
        {"kern.osversion", [](const LinuxSystemFacts& f) { return textOf(f.fs().line("proc/sys/kernel/osrelease")); }},
        // Cores: online CPUs, and the distinct (package, cluster, core) among them.
        {"hw.logicalcpu",
         [](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
             const auto t = LinuxCpu::readTopology(f.fs());
             return t ? count(t->logical) : std::nullopt;
         }},
        {"hw.physicalcpu",
         [](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
             const auto t = LinuxCpu::readTopology(f.fs());
             return t ? count(t->physical) : std::nullopt;
         }},
        // Performance levels: the hybrid PMUs (cpu_core / cpu_atom) or distinct cpu_capacity classes.
        {"hw.nperflevels",
         [](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
             const auto t = LinuxCpu::readTopology(f.fs());
             return t ? count(t->levels) : std::nullopt;
         }},
        {"hw.perflevel0.physicalcpu", levelCount(0, true)},
        {"hw.perflevel0.logicalcpu", levelCount(0, false)},
        {"hw.perflevel1.physicalcpu", levelCount(1, true)},
        {"hw.perflevel1.logicalcpu", levelCount(1, false)},
        // The hardware's highest clock from cpufreq (never the momentary "cpu MHz").
        {"hw.cpufrequency_max",
         [](const LinuxSystemFacts& f) -> std::optional<QByteArray> {
             const auto hz = LinuxCpu::maxFrequencyHz(f.fs());
             if (!hz) return std::nullopt;
             return SysctlValue::int64(*hz);
         }},
        // Instruction-set extensions: /proc/cpuinfo flags on x86, hardware capabilities on arm64.
        {"hw.optional.avx2_0", x86Feature("avx2")},
        {"hw.optional.avx512f", x86Feature("avx512f")},
        {"hw.optional.arm.FEAT_BF16", armFeature(LinuxCpu::ArmFeature::BF16)},
        {"hw.optional.arm.FEAT_SME", armFeature(LinuxCpu::ArmFeature::SME)},
    };
    return table;
}
