#include "inspection/DeviceProbe.h"
#include "platform/linux/LinuxCpuTopology.h"
#include "platform/linux/LinuxSystemFacts.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include <unistd.h>

namespace {

QString fixture(const char* name) { return QStringLiteral(QRL_FIXTURES_DIR "/") + QLatin1String(name); }

std::optional<qint64> sysctlInt(const LinuxSystemFacts& f, const char* name)
{
    const auto raw = f.sysctl(QString::fromLatin1(name));
    if (!raw) return std::nullopt;
    if (raw->size() == 4) {
        qint32 v;
        std::memcpy(&v, raw->constData(), 4);
        return v;
    }
    if (raw->size() == 8) {
        qint64 v;
        std::memcpy(&v, raw->constData(), 8);
        return v;
    }
    ADD_FAILURE() << name << " has " << raw->size() << " bytes";
    return std::nullopt;
}

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

TEST(CpuList, Parsing)
{
    using L = QList<int>;
    const std::pair<const char*, std::optional<L>> cases[] = {
        {"0-3,8,10-11", L{0, 1, 2, 3, 8, 10, 11}},
        {"5", L{5}},
        {"0-1\n", L{0, 1}},
        {"", L{}},
        {"1,1,0", L{0, 1}},
        {"3-1", std::nullopt},
        {"a", std::nullopt},
        {"-1", std::nullopt},
        {"0-", std::nullopt},
        {"0,,1", std::nullopt},
        {"0-99999", std::nullopt},
        {"8192", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(LinuxCpu::parseCpuList(QString::fromLatin1(text)), expected) << text;
    // Ranges repeated past any real CPU count are damage, not a huge list.
    EXPECT_EQ(LinuxCpu::parseCpuList("0-8191,0-8191"), std::nullopt);
    EXPECT_EQ(LinuxCpu::parseCpuList("0-8191").value_or(L()).size(), 8192);
}

// What each fixture machine answers, name by name; absent where the machine has no answer.
struct MachineCase {
    const char* fixture;
    const char* brand;
    std::map<std::string, std::optional<qint64>> sysctls;
    // The section's rows, key → value, in order.
    std::vector<std::pair<const char*, const char*>> rows;
};

const std::vector<MachineCase>& machines()
{
    static const std::vector<MachineCase> all = {
        {"sa-intel-laptop",
         "12th Gen Intel(R) Core(TM) i7-1260P",
         {{"hw.logicalcpu", 8}, {"hw.physicalcpu", 6}, {"hw.nperflevels", 2}, {"hw.perflevel0.physicalcpu", 2},
          {"hw.perflevel0.logicalcpu", 4}, {"hw.perflevel1.physicalcpu", 4}, {"hw.perflevel1.logicalcpu", 4},
          {"hw.cpufrequency_max", 4700000000}, {"hw.optional.avx2_0", 1}, {"hw.optional.avx512f", 0},
          {"hw.optional.arm64", std::nullopt}, {"hw.optional.arm.FEAT_SME", std::nullopt}},
         {{"processor", "12th Gen Intel(R) Core(TM) i7-1260P"}, {"physicalCores", "6"}, {"logicalCores", "8"},
          {"performanceCores", "2"}, {"efficiencyCores", "4"}, {"maxFrequency", "4.70 GHz"}, {"memory", "15.38 GB"},
          {"neuralEngine", "Not available"}, {"avx2", "Supported"}, {"avx512", "Not supported"}}},
        {"sa-amd-desktop",
         "AMD Ryzen 3 8300G w/ Radeon 740M Graphics",
         {{"hw.logicalcpu", 8}, {"hw.physicalcpu", 4}, {"hw.nperflevels", 1}, {"hw.perflevel0.physicalcpu", 4},
          {"hw.perflevel1.physicalcpu", std::nullopt}, {"hw.cpufrequency_max", 5453000000}, {"hw.optional.avx2_0", 1},
          {"hw.optional.avx512f", 1}},
         {{"processor", "AMD Ryzen 3 8300G w/ Radeon 740M Graphics"}, {"physicalCores", "4"}, {"logicalCores", "8"},
          {"maxFrequency", "5.45 GHz"}, {"memory", "\u2014"}, {"neuralEngine", "Not available"}, {"avx2", "Supported"},
          {"avx512", "Supported"}}},
        // Cores are numbered per cluster here, and three capacity classes fold into two levels.
        {"sa-arm64-board",
         "Cortex-A510",
         {{"hw.logicalcpu", 8}, {"hw.physicalcpu", 8}, {"hw.nperflevels", 2}, {"hw.perflevel0.physicalcpu", 4},
          {"hw.perflevel1.physicalcpu", 4}, {"hw.cpufrequency_max", 3050000000}, {"hw.optional.arm64", 0},
          {"hw.optional.arm.FEAT_BF16", 1}, {"hw.optional.arm.FEAT_SME", 0}, {"hw.optional.avx2_0", std::nullopt}},
         {{"processor", "Cortex-A510"}, {"physicalCores", "8"}, {"logicalCores", "8"}, {"performanceCores", "4"},
          {"efficiencyCores", "4"}, {"maxFrequency", "3.05 GHz"}, {"memory", "\u2014"}, {"neuralEngine", "Not available"},
          {"sme", "Not supported"}, {"bf16", "Supported"}}},
        {"sa-vm",
         "QEMU Virtual CPU version 2.5+",
         {{"hw.logicalcpu", 2}, {"hw.physicalcpu", 2}, {"hw.nperflevels", 1}, {"hw.cpufrequency_max", std::nullopt},
          {"hw.optional.avx2_0", 0}, {"hw.optional.avx512f", 0}},
         {{"processor", "QEMU Virtual CPU version 2.5+"}, {"physicalCores", "2"}, {"logicalCores", "2"},
          {"memory", "\u2014"}, {"neuralEngine", "Not available"}, {"avx2", "Not supported"},
          {"avx512", "Not supported"}}},
        // Damaged online list (the CPU directories decide), an unreadable core id, a broken
        // hybrid list, capacities of 0, negative and non-numeric clocks, a truncated flags line.
        {"sa-garbage",
         "Intel",
         {{"hw.logicalcpu", 2}, {"hw.physicalcpu", std::nullopt}, {"hw.nperflevels", 1},
          {"hw.perflevel0.physicalcpu", std::nullopt}, {"hw.perflevel0.logicalcpu", 2},
          {"hw.cpufrequency_max", std::nullopt}, {"hw.optional.avx2_0", 0}},
         {{"processor", "Intel"}, {"physicalCores", "0"}, {"logicalCores", "2"}, {"memory", "\u2014"},
          {"neuralEngine", "Not available"}, {"avx2", "Not supported"}, {"avx512", "Not supported"}}},
    };
    return all;
}

class ProcessorFixtures : public testing::TestWithParam<MachineCase> {};

TEST_P(ProcessorFixtures, SysctlAnswers)
{
    const MachineCase& c = GetParam();
    const LinuxSystemFacts facts(fixture(c.fixture), fixture(c.fixture));
    for (const auto& [name, expected] : c.sysctls) EXPECT_EQ(sysctlInt(facts, name.c_str()), expected) << name;
    const auto brand = facts.sysctl("machdep.cpu.brand_string");
    if (c.brand) {
        ASSERT_TRUE(brand.has_value());
        EXPECT_EQ(QString::fromUtf8(brand->constData()), QString::fromUtf8(c.brand));
    } else {
        EXPECT_FALSE(brand.has_value());
    }
}

TEST_P(ProcessorFixtures, SectionRows)
{
    const MachineCase& c = GetParam();
    const LinuxSystemFacts facts(fixture(c.fixture), fixture(c.fixture));
    FakeMachine rest;
    const Platform p = rest.platform({.system = &facts});
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::processorSection(ProbeContext{p, L});
    std::vector<std::pair<std::string, std::string>> got, want;
    for (const CapabilityItem& i : s.items) got.emplace_back(i.key.value_or("").toStdString(), i.value.toStdString());
    for (const auto& [k, v] : c.rows) want.emplace_back(k, v);
    EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(Machines, ProcessorFixtures, testing::ValuesIn(machines()), [](const auto& info) {
    std::string n = info.param.fixture;
    for (char& ch : n)
        if (ch == '-') ch = '_';
    return n;
});

TEST(ProcessorLinux, EmptyTreeAnswersNothing)
{
    QTemporaryDir dir;
    const LinuxSystemFacts facts(dir.path(), dir.path());
    for (const char* name : {"hw.logicalcpu", "hw.physicalcpu", "hw.nperflevels", "hw.perflevel0.physicalcpu",
                             "hw.cpufrequency_max", "hw.optional.avx2_0", "hw.optional.avx512f"})
        EXPECT_FALSE(facts.sysctl(name).has_value()) << name;
}

TEST(ProcessorLinux, ArmFeaturesFromAuxiliaryVectorElseCpuinfo)
{
    constexpr quint64 kHwcap2Sme = 1ull << 23, kHwcap2Bf16 = 1ull << 14;
    auto auxv = [](std::initializer_list<std::pair<quint64, quint64>> pairs, int cut = 0) {
        QByteArray b;
        for (auto [t, v] : pairs) {
            b.append(reinterpret_cast<const char*>(&t), 8);
            b.append(reinterpret_cast<const char*>(&v), 8);
        }
        return b.left(b.size() - cut);
    };
    struct Case {
        const char* name;
        std::optional<QByteArray> auxv;
        const char* features;  // the cpuinfo "Features" line, or null for none
        std::optional<bool> sme, bf16;
    };
    const Case cases[] = {
        {"VectorWithSme", auxv({{16, 0xff}, {26, kHwcap2Sme}, {0, 0}}), "fp asimd bf16", true, false},
        {"VectorWithoutHwcap2", auxv({{16, 0xff}, {0, 0}}), "fp asimd bf16 sme", false, false},
        {"TruncatedVectorFallsBackToFeatures", auxv({{16, 0xff}}, 3), "fp asimd bf16", false, true},
        {"NoVector", std::nullopt, "fp asimd sme", true, false},
        {"VectorStopsAtItsEnd", auxv({{16, 0xff}, {0, 0}, {26, kHwcap2Bf16}}), nullptr, false, false},
        {"Nothing", std::nullopt, nullptr, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QByteArray cpuinfo = "processor\t: 0\nBogoMIPS\t: 48.00\n";
        if (c.features) cpuinfo += QByteArray("Features\t: ") + c.features + "\n";
        cpuinfo += "CPU implementer\t: 0x41\n\n";
        write(dir.filePath("proc/cpuinfo"), cpuinfo);
        if (c.auxv) write(dir.filePath("proc/self/auxv"), *c.auxv);
        const LinuxSystemFacts facts(dir.path(), dir.path(), QStringLiteral("aarch64"));
        EXPECT_EQ(sysctlInt(facts, "hw.optional.arm.FEAT_SME"), c.sme ? std::optional<qint64>(*c.sme) : std::nullopt)
            << c.name;
        EXPECT_EQ(sysctlInt(facts, "hw.optional.arm.FEAT_BF16"), c.bf16 ? std::optional<qint64>(*c.bf16) : std::nullopt)
            << c.name;
        // The same vector means nothing on another instruction set.
        const LinuxSystemFacts x86(dir.path(), dir.path(), QStringLiteral("x86_64"));
        EXPECT_FALSE(x86.sysctl("hw.optional.arm.FEAT_SME").has_value()) << c.name;
    }
}

TEST(ProcessorLinux, FrequencyFromPerCpuDirectoriesWithoutPolicies)
{
    QTemporaryDir dir;
    write(dir.filePath("sys/devices/system/cpu/online"), "0-1\n");
    write(dir.filePath("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "2400000\n");
    write(dir.filePath("sys/devices/system/cpu/cpu1/cpufreq/cpuinfo_max_freq"), "3100000\n");
    const LinuxSystemFacts facts(dir.path(), dir.path());
    EXPECT_EQ(sysctlInt(facts, "hw.cpufrequency_max"), 3100000000);
}

TEST(ProcessorLinux, WithoutAnOnlineListEachCpuDirectoryCountsOnce)
{
    QTemporaryDir dir;
    for (const char* name : {"cpu0", "cpu1", "cpu2", "cpu99999999999", "cpufreq", "cpuidle"})
        QDir().mkpath(dir.filePath(QStringLiteral("sys/devices/system/cpu/") + name));
    write(dir.filePath("sys/devices/system/cpu/cpu2/online"), "0\n");
    const LinuxSystemFacts facts(dir.path(), dir.path());
    EXPECT_EQ(sysctlInt(facts, "hw.logicalcpu"), 2);
}

TEST(ProcessorLinux, HybridListsOnlyCountOnlineCpus)
{
    // The efficiency cores are all offline: one level remains.
    QTemporaryDir dir;
    write(dir.filePath("sys/devices/system/cpu/online"), "0-1\n");
    for (int cpu = 0; cpu < 4; ++cpu) {
        const QString base = dir.filePath(QStringLiteral("sys/devices/system/cpu/cpu%1/topology/").arg(cpu));
        write(base + "physical_package_id", "0\n");
        write(base + "core_id", QByteArray::number(cpu) + "\n");
    }
    write(dir.filePath("sys/devices/cpu_core/cpus"), "0-1\n");
    write(dir.filePath("sys/devices/cpu_atom/cpus"), "2-3\n");
    const LinuxSystemFacts facts(dir.path(), dir.path());
    EXPECT_EQ(sysctlInt(facts, "hw.nperflevels"), 1);
    EXPECT_EQ(sysctlInt(facts, "hw.perflevel0.physicalcpu"), 2);
    EXPECT_FALSE(facts.sysctl("hw.perflevel1.physicalcpu").has_value());
}

TEST(ProcessorLinux, ThisMachine)
{
    const LinuxSystemFacts facts;
    const auto logical = sysctlInt(facts, "hw.logicalcpu");
    ASSERT_TRUE(logical.has_value());
    EXPECT_EQ(*logical, sysconf(_SC_NPROCESSORS_ONLN));
    if (const auto physical = sysctlInt(facts, "hw.physicalcpu")) {
        EXPECT_GE(*physical, 1);
        EXPECT_LE(*physical, *logical);
    }
    const Localization L = Localization::english();
    const CapabilitySection s = DeviceProbe::processorSection(ProbeContext{Platform::host(), L});
    EXPECT_GE(s.items.size(), 7);
    EXPECT_LE(s.items.size(), 10);
    EXPECT_EQ(s.items[2].value.toLongLong(), *logical);
}

}  // namespace
