// Whole inspections over machines whose files hold what no real machine would: a pipe in place of
// a file, figures past what their types can hold. The inspection finishes and shows the fallbacks.
#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxPlatform.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
// The laptop fixture, copied so that some of its files can be replaced.
bool copyLaptop(const QTemporaryDir& dir)
{
    return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), QStringLiteral(QRL_FIXTURES_DIR "/laptop/."), dir.path()}) == 0;
}

bool replace(const QTemporaryDir& dir, const char* relative, const QByteArray& bytes)
{
    QFile f(dir.filePath(QString::fromLatin1(relative)));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

CapabilityItem itemOf(const QList<CapabilitySection>& sections, const char* section, const char* key)
{
    for (const CapabilitySection& s : sections)
        if (s.key == QString::fromLatin1(section))
            for (const CapabilityItem& i : s.items)
                if (i.key == QString::fromLatin1(key)) return i;
    return CapabilityItem{QUuid(), {}, QStringLiteral("<none>"), CapabilityStatus::info, std::nullopt, false};
}
}  // namespace

TEST(OddTreesInspection, APipeAtOsReleaseAndFiguresPastTheirTypes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(copyLaptop(dir));
    const QString osRelease = dir.filePath(QStringLiteral("etc/os-release"));
    ASSERT_TRUE(QFile::remove(osRelease));
    ASSERT_EQ(::mkfifo(QFile::encodeName(osRelease).constData(), 0600), 0);
    ASSERT_TRUE(replace(dir, "proc/meminfo", "MemTotal:       18446744073709551615 kB\nMemAvailable:    1000 kB\n"));
    ASSERT_TRUE(replace(dir, "sys/class/power_supply/BAT0/cycle_count", "2147483648\n"));

    const LinuxPlatform machine(dir.path(), QStringLiteral("/"));
    const Localization L = Localization::english();
    const ProbeContext ctx{machine.platform(), L};
    const DeviceSummary summary = DeviceProbe::summary(ctx);
    EXPECT_EQ(summary.osVersion, QStringLiteral("Linux (6.1.0-18-amd64)"));
    EXPECT_EQ(summary.memory, kMissingValue);  // not "−1 KB"
    ASSERT_TRUE(DeviceProbe::batteryInfo(ctx));
    EXPECT_FALSE(DeviceProbe::batteryInfo(ctx)->cycleCount);  // not −2147483648

    const QList<CapabilitySection> sections = DeviceProbe::sections(ctx, std::nullopt);
    ASSERT_EQ(sections.size(), 11);
    EXPECT_EQ(itemOf(sections, "system", "os").value, QStringLiteral("Linux (6.1.0-18-amd64)"));
    EXPECT_EQ(itemOf(sections, "processor", "memory").value, kMissingValue);
    EXPECT_EQ(itemOf(sections, "power", "chargeCycles").value, QStringLiteral("<none>"));
}
