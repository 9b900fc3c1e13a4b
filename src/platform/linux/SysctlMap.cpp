// Where each sysctl name the probes ask for comes from on Linux. A name that is not
// listed, or whose source is missing on this machine, is absent.
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
}  // namespace

const QHash<QString, Source>& LinuxSystemFacts::sysctlTable()
{
    static const QHash<QString, Source> table = {
        // The machine's model: the firmware's product name.
        {"hw.model", [](const LinuxSystemFacts& f) { return textOf(f.fs().line("sys/devices/virtual/dmi/id/product_name")); }},
        // The processor's marketing name.
        {"machdep.cpu.brand_string",
         [](const LinuxSystemFacts& f) {
             const auto info = f.cpuInfo();
             QString name = info.value("model name").simplified();
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
    };
    return table;
}
