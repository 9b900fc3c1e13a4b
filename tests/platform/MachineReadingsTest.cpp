// Readings of machines this one is not: the installed memory from memory blocks and the
// model from the device tree, on fixture trees, with their fallbacks, and once here.
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/LinuxSystemFacts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + name; }

std::optional<QString> sysctlText(const SystemFacts& f, const char* name)
{
    auto raw = f.sysctl(name);
    if (!raw) return std::nullopt;
    return QString::fromUtf8(raw->left(raw->indexOf('\0')));
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

constexpr quint64 MiB = 1024ull * 1024;
constexpr quint64 GiB = 1024 * MiB;
}  // namespace

TEST(InstalledMemory, CountsOnlineBlocksNotMemTotal)
{
    // 128 online blocks of 128 MiB; two offline blocks, "memoryX", "memory130" reading
    // "onlinex" and the "power" folder do not count.
    const LinuxSystemFacts f(fixture("memory-blocks"), "/");
    EXPECT_EQ(installedMemoryFromBlocks(f.fs(), memTotalBytes(f.fs())), 16 * GiB);
    EXPECT_EQ(f.physicalMemory(), 16 * GiB);
    // Without blocks, MemTotal.
    EXPECT_EQ(LinuxSystemFacts(fixture("laptop"), "/").physicalMemory(), 16093452ull * 1024);
    EXPECT_EQ(LinuxSystemFacts(fixture("arm64-unlisted-maker"), "/").physicalMemory(), 8245532ull * 1024);
    EXPECT_EQ(LinuxSystemFacts(fixture("garbage"), "/").physicalMemory(), 0u);
}

TEST(InstalledMemory, DamagedBlockListsFallBackToMemTotal)
{
    const struct {
        const char* what;
        const char* blockSize;  // nullptr: no file
        int onlineBlocks;
    } cases[] = {
        {"no block size", nullptr, 4},
        {"a block size that is no number", "zz\n", 4},
        {"a block size of 0", "0\n", 4},
        {"no online block", "8000000\n", 0},
        {"a block size so large the total overflows", "ffffffffffffffff\n", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        write(root.filePath("proc/meminfo"), "MemTotal:        1024 kB\n");
        if (c.blockSize) write(root.filePath("sys/devices/system/memory/block_size_bytes"), c.blockSize);
        for (int i = 0; i < c.onlineBlocks; ++i)
            write(root.filePath(QStringLiteral("sys/devices/system/memory/memory%1/state").arg(i)), "online\n");
        write(root.filePath("sys/devices/system/memory/memory99/state"), "offline\n");
        const LinuxSystemFacts f(root.path(), "/");
        EXPECT_FALSE(installedMemoryFromBlocks(f.fs(), memTotalBytes(f.fs())));
        EXPECT_EQ(f.physicalMemory(), 1024u * 1024);
    }
}

TEST(InstalledMemory, ThisMachine)
{
    // At least what the kernel manages, and a whole number of blocks where it lists them.
    const LinuxSystemFacts here;
    const quint64 installed = here.physicalMemory();
    QFile meminfo("/proc/meminfo");
    ASSERT_TRUE(meminfo.open(QIODevice::ReadOnly));
    const QString total = SysFs::keyValues(meminfo.readAll(), ':').value("MemTotal");
    const quint64 memTotal = total.section(' ', 0, 0).toULongLong() * 1024;
    EXPECT_GE(installed, memTotal);
    const auto table = memoryDeviceTableSize(here.fs());
    if (table && *table >= memTotal) EXPECT_EQ(installed, *table);
    else if (const auto blocks = installedMemoryFromBlocks(here.fs(), memTotal)) {
        EXPECT_EQ(installed, *blocks);
        const quint64 blockSize = here.fs().line("sys/devices/system/memory/block_size_bytes")->toULongLong(nullptr, 16);
        EXPECT_EQ(installed % blockSize, 0u);
        EXPECT_LT(installed - memTotal, memTotal / 4) << "firmware and kernel keep far less than a quarter";
    }
}

TEST(DeviceTreeModel, NamesBoardsWithoutDmi)
{
    const LinuxSystemFacts board(fixture("arm64-unlisted-maker"), "/");
    EXPECT_EQ(board.deviceTreeModel(), "Raspberry Pi 5 Model B Rev 1.0");  // no trailing zero
    EXPECT_EQ(sysctlText(board, "hw.model"), "Raspberry Pi 5 Model B Rev 1.0");
    const auto raw = board.sysctl("hw.model");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->count('\0'), 1);  // only the text's own terminator

    const struct {
        const char* what;
        const char* file;
        QByteArray bytes;
        std::optional<QString> model;
    } cases[] = {
        {"the firmware's path", "sys/firmware/devicetree/base/model", QByteArray("Pine64 RockPro64 v2.1\0", 22),
         QStringLiteral("Pine64 RockPro64 v2.1")},
        {"without a zero", "proc/device-tree/model", "Radxa ROCK 5B", QStringLiteral("Radxa ROCK 5B")},
        {"only the first string", "proc/device-tree/model", QByteArray("Board A\0Board B\0", 16), QStringLiteral("Board A")},
        {"an empty string", "proc/device-tree/model", QByteArray("\0", 1), std::nullopt},
        {"spaces only", "proc/device-tree/model", QByteArray("   \0", 4), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        write(root.filePath(c.file), c.bytes);
        const LinuxSystemFacts f(root.path(), "/");
        EXPECT_EQ(f.deviceTreeModel(), c.model);
        EXPECT_EQ(sysctlText(f, "hw.model"), c.model);
    }

    // The firmware's product name wins where there is one.
    QTemporaryDir both;
    write(both.filePath("proc/device-tree/model"), QByteArray("Some Board\0", 11));
    write(both.filePath("sys/devices/virtual/dmi/id/product_name"), "ThinkPad X13s Gen 1\n");
    EXPECT_EQ(sysctlText(LinuxSystemFacts(both.path(), "/"), "hw.model"), "ThinkPad X13s Gen 1");
}

TEST(BatteryHealthWord, OnlyFaultsArePassedOn)
{
    const struct {
        const char* health;
        std::optional<QString> passed;
    } cases[] = {
        {"Good", std::nullopt}, {"Unknown", std::nullopt}, {"Warm", std::nullopt}, {"Cool", std::nullopt},
        {"No battery", std::nullopt}, {"good", std::nullopt}, {"Excellent", std::nullopt}, {"\xff\xfe", std::nullopt},
        {"Overheat", QStringLiteral("Overheat")}, {"Dead", QStringLiteral("Dead")},
        {"Over voltage", QStringLiteral("Over voltage")}, {"Cold", QStringLiteral("Cold")}, {"Hot", QStringLiteral("Hot")},
        {"Unspecified failure", QStringLiteral("Unspecified failure")},
        {"Calibration required", QStringLiteral("Calibration required")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.health);
        QTemporaryDir root;
        write(root.filePath("sys/class/power_supply/BAT0/type"), "Battery\n");
        write(root.filePath("sys/class/power_supply/BAT0/capacity"), "50\n");
        write(root.filePath("sys/class/power_supply/BAT0/health"), QByteArray(c.health) + "\n");
        const auto list = LinuxPowerSources(root.path()).powerSourceDescriptions();
        ASSERT_TRUE(list && list->size() == 1);
        const QVariantMap d = list->first().toMap();
        if (c.passed) EXPECT_EQ(d.value("BatteryHealth").toString(), *c.passed);
        else EXPECT_FALSE(d.contains("BatteryHealth"));
    }
}
